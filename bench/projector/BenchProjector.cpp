// bench_projector: a fixed projector run, the Shepp-Logan head (ten
// ellipsoids) on a 256 x 256 detector, 360 snapshots over the full circle,
// in place, with one ray and with five rays per pixel. Prints the chords
// per second (elements x pixels x rays x snapshots over the run's wall
// time) with one thread and with all threads, the speed-up, and whether
// both runs gave the same bytes. The CPU time beside the wall time shows
// how much a busy machine took away from the run.
//
//   bench_projector [--snapshots N] [--threads T]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "acquisition/Projector.h"
#include "acquisition/ProjectorOptions.h"
#include "phantom/Phantom.h"
#include "phantom/SheppLogan.h"

namespace {

using namespace voxmill;

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

struct Timed {
    double seconds = 0;     // wall time
    double cpuSeconds = 0;  // CPU time of the whole process

    std::unique_ptr<CProjectionCollection> collection;
};

Timed RunOnce(CPhantom& phantom, const ProjectorPageValues& values, int rayMode, unsigned threads) {
    CProjector projector;
    projector.OnNewDocument();
    projector.m_collectionMode = CProjector::kInPlaceCollection;
    projector.m_rayMode = rayMode;
    projector.SetThreadCount(threads);
    const double cpuStart = ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    ProjectorRunReport report = projector.Render(&phantom, values);
    const auto stop = std::chrono::steady_clock::now();
    const double cpu = ProcessCpuSeconds() - cpuStart;
    if (!report.Complete()) {
        std::fprintf(stderr, "bench_projector: the run failed: %s\n", report.problem.c_str());
        std::exit(1);
    }
    return {std::chrono::duration<double>(stop - start).count(), cpu, std::move(report.collection)};
}

bool SameBytes(const CProjectionCollection& a, const CProjectionCollection& b) {
    if (a.GetCount() != b.GetCount()) return false;
    for (std::size_t k = 0; k < a.GetCount(); ++k) {
        const CProjection* pa = a.GetProjection(k);
        const CProjection* pb = b.GetProjection(k);
        if (!pa || !pb || pa->GetPixelCount() != pb->GetPixelCount()) return false;
        if (std::memcmp(pa->GetPixels(), pb->GetPixels(), pa->GetPixelCount() * sizeof(float)) != 0) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int snapshots = 360;
    unsigned threads = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--snapshots") == 0) snapshots = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--threads") == 0) threads = static_cast<unsigned>(std::atoi(argv[i + 1]));
    }
    if (snapshots < 1 || snapshots > 720) {
        std::fprintf(stderr, "bench_projector: --snapshots must be 1 to 720\n");
        return 2;
    }
    threads = ProjectorThreadCount(threads);

    CPhantom phantom;
    phantom.OnNewDocument();
    AddSheppLogan(phantom);

    ProjectorPageValues values;
    values.detector.width = values.detector.height = 256;
    values.snapshots.stepNumber = snapshots;

    std::printf("bench_projector: Shepp-Logan (%zu ellipsoids), 256 x 256 pixels, %d snapshots, in place\n",
                phantom.GetCount(), snapshots);
    for (int rayMode : {0, 1}) {
        const double chords =
            static_cast<double>(phantom.GetCount()) * 256.0 * 256.0 * (rayMode ? 5.0 : 1.0) * snapshots;
        const Timed one = RunOnce(phantom, values, rayMode, 1);
        const Timed all = RunOnce(phantom, values, rayMode, threads);
        std::printf("%s: 1 thread %7.3f s %8.1f M chords/s (%.1f per CPU-second) | %u threads %7.3f s %8.1f M chords/s"
                    " (CPU %.3f s) | speed-up %.2f | %s\n",
                    rayMode ? "five rays" : "one ray  ", one.seconds, chords / one.seconds / 1e6,
                    chords / one.cpuSeconds / 1e6, threads, all.seconds, chords / all.seconds / 1e6, all.cpuSeconds,
                    one.seconds / all.seconds,
                    SameBytes(*one.collection, *all.collection) ? "same bytes" : "RESULTS DIFFER");
    }
    return 0;
}
