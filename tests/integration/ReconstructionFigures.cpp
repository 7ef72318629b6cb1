// voxmill_reconstruction_figures: the end-to-end figures of a renderer
// module, measured by the tests' checker on the tests' road, for one scan
// of the Shepp-Logan head or the uniform ball. Run by hand (never by CTest)
// to compare renderer builds or acquisitions:
//
//   voxmill_reconstruction_figures [--module PATH] [--renderer NAME]
//       [--phantom head|ball] [--snapshots N] [--columns C] [--size W]
//       [--Ds R] [--Dd D] [--voxels V] [--margin M] [--profile]
//
// Defaults: the built Tessor module and the tests' head scan. Prints, for
// each renderer mode, the checker's figures, then the factor between the
// two modes' volumes (least squares over the field of view) and, with
// --profile, the centre line along x of the reference and both volumes.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "acquisition/ProjectionCollection.h"
#include "phantom/Phantom.h"
#include "reconstruction/Volume.h"
#include "tests/integration/ReconstructionCheck.h"
#include "tests/integration/ScanRoad.h"

using namespace voxmill;
using namespace voxmill::test;

namespace {

struct Options {
    std::string module = VOXMILL_TESSOR_MODULE;
    std::string renderer = "Tessor";
    std::string phantom = "head";
    Acquisition scan = HeadScan();
    std::uint32_t voxels = 64;
    int margin = 3;  // voxels between the region and any change of MU
    bool profile = false;
};

bool Parse(int argc, char** argv, Options& o) {
    for (int n = 1; n < argc; ++n) {
        const std::string arg = argv[n];
        if (arg == "--profile") {
            o.profile = true;
            continue;
        }
        if (n + 1 >= argc) return false;
        const char* value = argv[++n];
        if (arg == "--module") o.module = value;
        else if (arg == "--renderer") o.renderer = value;
        else if (arg == "--phantom") o.phantom = value;
        else if (arg == "--snapshots") o.scan.snapshots = std::atoi(value);
        else if (arg == "--columns") o.scan.columns = o.scan.rows = static_cast<std::uint32_t>(std::atoi(value));
        else if (arg == "--size") o.scan.width = o.scan.height = std::atof(value);
        else if (arg == "--Ds") o.scan.Ds = std::atof(value);
        else if (arg == "--Dd") o.scan.Dd = std::atof(value);
        else if (arg == "--margin") o.margin = std::atoi(value);
        else if (arg == "--voxels") o.voxels = static_cast<std::uint32_t>(std::atoi(value));
        else return false;
    }
    return o.phantom == "head" || o.phantom == "ball";
}

// Least-squares factor s in a = s b over the field of view.
double Factor(const CVolume& a, const CVolume& b, const VoxelMask& field) {
    double cross = 0, square = 0;
    for (std::size_t n = 0; n < field.size(); ++n)
        if (field[n]) {
            cross += static_cast<double>(a.GetVoxels()[n]) * b.GetVoxels()[n];
            square += static_cast<double>(b.GetVoxels()[n]) * b.GetVoxels()[n];
        }
    return square > 0 ? cross / square : 0.0;
}

void PrintProfile(const CVolume& reference, const CVolume& a, const CVolume& b) {
    const std::uint32_t j = reference.GetCountY() / 2, k = reference.GetCountZ() / 2;
    std::printf("%8s %9s %9s %9s\n", "x", "reference", "loop", "collection");
    for (std::uint32_t i = 0; i < reference.GetCountX(); ++i) {
        const std::size_t n = i + reference.GetCountX() * (j + std::size_t{reference.GetCountY()} * k);
        std::printf("%8.4f %9.5f %9.5f %9.5f\n", reference.GetMinX() + i * reference.GetPitchX(),
                    reference.GetVoxels()[n], a.GetVoxels()[n], b.GetVoxels()[n]);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!Parse(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: %s [--module PATH] [--renderer NAME] [--phantom head|ball] [--snapshots N] "
                     "[--columns C] [--size W] [--Ds R] [--Dd D] [--voxels V] [--margin M] [--profile]\n",
                     argv[0]);
        return 2;
    }
    const bool head = o.phantom == "head";
    const auto phantom = head ? SheppLoganHead() : UniformBall(0.5, 1.0f);
    CRendererRoad road(o.module, o.renderer);
    if (!road.Ready()) {
        std::fprintf(stderr, "%s\n", road.Problem().c_str());
        return 1;
    }
    std::string problem;
    const auto reference = road.Voxelize(*phantom, Cube(o.voxels), &problem);
    const auto collection = reference ? Project(*phantom, o.scan, &problem) : nullptr;
    const auto loop = collection ? road.Reconstruct(*collection, false, Cube(o.voxels), &problem) : nullptr;
    const auto whole = loop ? road.Reconstruct(*collection, true, Cube(o.voxels), &problem) : nullptr;
    if (!whole) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        return 1;
    }
    const CReconstructionCheck check(*reference, *phantom, o.scan.FieldOfView());
    // The brain of the head (0.2) or the ball's MU, clear of any change.
    const VoxelMask region = check.UniformRegion(head ? 0.2f : 1.0f, o.margin);
    const char* fft = std::getenv("VOXMILL_FFTW");
    std::printf("%s, %s, %u^3 voxels, FFT %s\n", o.phantom.c_str(), o.scan.Describe().c_str(), o.voxels,
                fft && std::strcmp(fft, "off") == 0 ? "own" : "best");
    std::printf("program loop:     %s\n", check.Measure(*loop, region).Describe().c_str());
    std::printf("whole collection: %s\n", check.Measure(*whole, region).Describe().c_str());
    const VolumeDifference d = CReconstructionCheck::Compare(*loop, *whole);
    std::printf("collection / loop factor %.4f (N / 2 pi = %.4f); largest difference %.3g of the peak\n",
                Factor(*whole, *loop, check.FieldOfView()), o.scan.snapshots / (2 * 3.141592653589793),
                d.Relative());
    if (o.profile) PrintProfile(*reference, *loop, *whole);
    return 0;
}
