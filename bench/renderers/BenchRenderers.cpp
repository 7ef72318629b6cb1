// bench_renderers: times the two renderers on one fixed case: projections
// of the Shepp-Logan head (sums of MU times the phantom's chord lengths) on
// a circular scan (Ds = Dd = 4, 4 x 4 detector) reconstructed into a cube
// of 2 units. Tessor in both modes and Karvex with its default switches,
// with every switch off but filtering, and with fixed point off, each on
// one thread and on all. Speed is given in GUPS, giga voxel updates per
// second (voxels x projections / seconds); memory as the peak resident set
// of the heap during the run above what was in use before it (the
// projections and the volume are in use before; every allocation goes
// through the counting operator new below).
//
// Usage: bench_renderers [--projections N] [--size S] [--threads T] [--only WORD]
// (defaults 360, 256 pixels and voxels a side, VOXMILL_THREADS or all cores).
#include <time.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <new>
#include <thread>
#include <vector>

#include "contract/ListElement.h"
#include "contract/Ole.h"
#include "phantom/Phantom.h"
#include "phantom/PhantomElement.h"
#include "phantom/SheppLogan.h"
#include "renderers/common/Parallel.h"
#include "renderers/karvex/KarvexCtrl.h"
#include "renderers/karvex/KarvexIds.h"
#include "renderers/tessor/TessorCtrl.h"
#include "renderers/tessor/TessorIds.h"

// Heap bytes in use and their peak, counted by replacing the global
// allocation functions (each block carries its size in front).
struct HeapCount {
    std::atomic<std::size_t> live{0}, peak{0};
};
HeapCount g_heap;

void* CountedNew(std::size_t size) {
    void* block = std::malloc(size + 16);
    if (!block) throw std::bad_alloc();
    *static_cast<std::size_t*>(block) = size;
    const std::size_t live = g_heap.live.fetch_add(size) + size;
    std::size_t peak = g_heap.peak.load();
    while (live > peak && !g_heap.peak.compare_exchange_weak(peak, live)) {
    }
    return static_cast<char*>(block) + 16;
}

void CountedDelete(void* p) {
    if (!p) return;
    void* block = static_cast<char*>(p) - 16;
    g_heap.live.fetch_sub(*static_cast<std::size_t*>(block));
    std::free(block);
}

void* operator new(std::size_t size) { return CountedNew(size); }
void* operator new[](std::size_t size) { return CountedNew(size); }
void operator delete(void* p) noexcept { CountedDelete(p); }
void operator delete[](void* p) noexcept { CountedDelete(p); }
void operator delete(void* p, std::size_t) noexcept { CountedDelete(p); }
void operator delete[](void* p, std::size_t) noexcept { CountedDelete(p); }

namespace voxmill {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDs = 4, kDd = 4, kDetector = 4, kVolume = 2;

// The bench's program side: projections, a collection, a volume and a
// progress sink that only count, as the program's documents do.
template <class I>
class Unowned : public I {
public:
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
};

class Projection : public Unowned<IProjection>, public IListElement {
public:
    Projection(double theta, int size) : m_theta(theta), m_size(size), m_pixels(static_cast<std::size_t>(size) * size) {}

    // Line integrals along the rays from the source to each pixel centre.
    void Project(const CPhantom& phantom) {
        const double s = std::sin(m_theta), c = std::cos(m_theta), pitch = kDetector / m_size;
        const CPoint4 source(kDs * s, 0, kDs * c);
        for (int r = 0; r < m_size; ++r) {
            for (int col = 0; col < m_size; ++col) {
                const double u = (pitch - kDetector) / 2 + col * pitch, v = (kDetector - pitch) / 2 - r * pitch;
                CDirection4 d(-kDd * s + u * c - source.x, v, -kDd * c - u * s - source.z);
                const double length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
                d = CDirection4(d.x / length, d.y / length, d.z / length);
                double sum = 0;
                for (std::size_t e = 0; e < phantom.GetCount(); ++e) {
                    const CPhantomElement* element = phantom.GetElement(e);
                    sum += element->m_mu * element->ChordLength(source, d);
                }
                m_pixels[static_cast<std::size_t>(r) * m_size + col] = static_cast<float>(sum);
            }
        }
    }

    HRESULT QueryInterface(REFIID riid, void** object) override {
        *object = riid == IID_IProjection ? static_cast<IProjection*>(this) : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT Load() override { return S_OK; }
    HRESULT Unload() override { return S_OK; }

    HRESULT GetGeometry(float* width, float* height, float* uMin, float* vMin, float* uMax, float* vMax, float* du,
                        float* dv, LONG* columns, LONG* rows) override {
        const double pitch = kDetector / m_size;
        *width = *height = static_cast<float>(kDetector);
        *uMin = *vMin = static_cast<float>((pitch - kDetector) / 2);
        *uMax = *vMax = -*uMin;
        *du = *dv = static_cast<float>(pitch);
        *columns = *rows = m_size;
        return S_OK;
    }
    HRESULT GetSourcePosition(float* x, float* y, float* z) override {
        *x = static_cast<float>(kDs * std::sin(m_theta));
        *y = 0;
        *z = static_cast<float>(kDs * std::cos(m_theta));
        return S_OK;
    }
    HRESULT GetDetectorPosition(float* x, float* y, float* z) override {
        *x = static_cast<float>(-kDd * std::sin(m_theta));
        *y = 0;
        *z = static_cast<float>(-kDd * std::cos(m_theta));
        return S_OK;
    }
    HRESULT GetMatrix(double* m) override {
        const double s = std::sin(m_theta), c = std::cos(m_theta);
        const double rows[16] = {c, 0, s, 0, 0, 1, 0, 0, -s, 0, c, 0, 0, 0, 0, 1};
        std::memcpy(m, rows, sizeof rows);
        return S_OK;
    }
    HRESULT GetData(float** pixels) override {
        *pixels = m_pixels.data();
        return S_OK;
    }

private:
    double m_theta;
    int m_size;
    std::vector<float> m_pixels;
};

class Collection : public Unowned<IProjectionCollection> {
public:
    std::vector<std::unique_ptr<Projection>> projections;
    HRESULT IsValid(LONG* valid) override {
        *valid = 1;
        return S_OK;
    }
    HRESULT GetCount(LONG* count) override {
        *count = static_cast<LONG>(projections.size());
        return S_OK;
    }
    HRESULT GetItem(LONG index, IListElement** item) override {
        *item = projections[static_cast<std::size_t>(index)].get();
        return S_OK;
    }
};

class Volume : public Unowned<IVolume> {
public:
    explicit Volume(int n) : m_n(n), voxels(static_cast<std::size_t>(n) * n * n, 0.0f) {}
    HRESULT GetGeometry(float* dimX, float* dimY, float* dimZ, float* xMin, float* yMin, float* zMin, float* xMax,
                        float* yMax, float* zMax, float* pitchX, float* pitchY, float* pitchZ, LONG* nX, LONG* nY,
                        LONG* nZ) override {
        const double pitch = kVolume / m_n;
        *dimX = *dimY = *dimZ = static_cast<float>(kVolume);
        *pitchX = *pitchY = *pitchZ = static_cast<float>(pitch);
        *xMin = *yMin = *zMin = static_cast<float>((pitch - kVolume) / 2);
        *xMax = *yMax = *zMax = -*xMin;
        *nX = *nY = *nZ = m_n;
        return S_OK;
    }
    HRESULT GetData(float** data) override {
        *data = voxels.data();
        return S_OK;
    }
    int m_n;
    std::vector<float> voxels;
};

class Progress : public Unowned<IProgress> {
public:
    HRESULT Begin(LONG, BSTR) override { return S_OK; }
    HRESULT Step() override { return S_OK; }
};

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// CPU seconds of the whole process, all threads: on a loaded machine the
// wall time overstates the work, the CPU time does not.
double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

struct Timing {
    double wall = 0, cpu = 0;
    double peakMiB = 0;  // largest heap in use during the run, above what was in use before
};

enum class Renderer { TessorProjection, TessorCollection, KarvexDefault, KarvexFilteringOnly, KarvexFloat };

const char* Name(Renderer r) {
    switch (r) {
        case Renderer::TessorProjection: return "Tessor, projection mode       ";
        case Renderer::TessorCollection: return "Tessor, collection mode       ";
        case Renderer::KarvexDefault: return "Karvex, default switches      ";
        case Renderer::KarvexFilteringOnly: return "Karvex, all off but filtering ";
        case Renderer::KarvexFloat: return "Karvex, fixed point off       ";
    }
    return "";
}

void Put(IDispatch* d, DISPID id, bool on) {
    VARIANT value;
    value.vt = VT_BOOL;
    value.boolVal = on ? VARIANT_TRUE : VARIANT_FALSE;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    d->Invoke(id, GUID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
}

// One reconstruction, timed. Tessor's projection mode is the program's
// loop: one call per projection, then the 2 pi / N scaling.
Timing Run(Collection& collection, Volume& volume, Renderer renderer, int threads) {
    CRendererControl* ctrl = nullptr;
    if (renderer == Renderer::TessorProjection || renderer == Renderer::TessorCollection) {
        CTessorCtrl* tessor = CTessorCtrl::Create();
        Put(tessor, DISPID_TESSOR_ISPROCESSCOLLECTION, renderer == Renderer::TessorCollection);
        ctrl = tessor;
    } else {
        CKarvexCtrl* karvex = CKarvexCtrl::Create();
        if (renderer == Renderer::KarvexFilteringOnly) {
            for (DISPID id : {DISPID_KARVEX_ISALLOWEDINDEXLUTBOOST, DISPID_KARVEX_ISALLOWEDSIMMETRYBOOST,
                              DISPID_KARVEX_ISALLOWEDSKIPINTERPOLATION, DISPID_KARVEX_ISFIXEDPOINT,
                              DISPID_KARVEX_ISPADFFT, DISPID_KARVEX_ISREALFFT})
                Put(karvex, id, false);
        } else if (renderer == Renderer::KarvexFloat) {
            Put(karvex, DISPID_KARVEX_ISFIXEDPOINT, false);
        }
        ctrl = karvex;
    }
    ctrl->SetThreads(threads);
    Progress progress;
    const std::size_t before = g_heap.live.load();
    g_heap.peak.store(before);
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = CpuSeconds();
    HRESULT hr = S_OK;
    if (renderer == Renderer::TessorProjection) {
        for (auto& p : collection.projections)
            if (FAILED(hr = ctrl->ProcessProjection(&progress, p.get(), &volume))) break;
        const double n = static_cast<double>(collection.projections.size());
        for (float& v : volume.voxels) v = static_cast<float>(static_cast<double>(v) * (2.0 * kPi) / n);
    } else {
        hr = ctrl->ProcessCollection(&progress, &collection, &volume);
    }
    Timing timing{Seconds(start), CpuSeconds() - cpuStart, 0};
    timing.peakMiB = static_cast<double>(g_heap.peak.load() - before) / (1 << 20);
    ctrl->Release();
    if (FAILED(hr)) {
        std::fprintf(stderr, "bench_renderers: reconstruction failed (0x%08X)\n", static_cast<unsigned>(hr));
        std::exit(1);
    }
    return timing;
}

}  // namespace
}  // namespace voxmill

int main(int argc, char** argv) {
    using namespace voxmill;
    int projections = 360, size = 256, threads = CParallel::DefaultThreads();
    std::string only;  // a word of the configurations' names, for profiling one
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--projections") == 0) projections = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--size") == 0) size = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--threads") == 0) threads = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--only") == 0) only = argv[i + 1];
    }
    if (projections < 1 || projections > 3600 || size < 8 || size > 1024 || threads < 1) {
        std::fprintf(stderr, "usage: bench_renderers [--projections 1..3600] [--size 8..1024] [--threads T>=1]\n");
        return 2;
    }

    CPhantom phantom;
    phantom.OnNewDocument();
    AddSheppLogan(phantom);
    Collection collection;
    for (int n = 0; n < projections; ++n)
        collection.projections.push_back(std::make_unique<Projection>(2 * kPi * n / projections, size));
    const auto projecting = std::chrono::steady_clock::now();
    CParallel::For(projections, threads, [&](int n, int) { collection.projections[static_cast<std::size_t>(n)]->Project(phantom); });
    std::printf("bench_renderers: %d Shepp-Logan projections of %d x %d (made in %.1f s) into %d^3 voxels, %d threads\n",
                projections, size, size, Seconds(projecting), size, threads);

    const double updates = static_cast<double>(size) * size * size * projections;
    const double volumeMiB = static_cast<double>(size) * size * size * 4 / (1 << 20);
    const double projectionMiB = static_cast<double>(size) * size * 4 / (1 << 20);
    std::printf("volume %.0f MiB, one projection %.2f MiB; memory: the run's peak heap above the data\n",
                volumeMiB, projectionMiB);
    double tessorProjection = 0;
    for (Renderer r : {Renderer::TessorProjection, Renderer::TessorCollection, Renderer::KarvexDefault,
                       Renderer::KarvexFilteringOnly, Renderer::KarvexFloat}) {
        if (!only.empty() && std::string(Name(r)).find(only) == std::string::npos) continue;
        Timing t[2];
        std::vector<float> result[2];
        const int counts[2] = {1, threads};
        for (int n = 0; n < 2; ++n) {
            Volume volume(size);
            t[n] = Run(collection, volume, r, counts[n]);
            result[n] = std::move(volume.voxels);
        }
        const bool same = result[0] == result[1];
        if (r == Renderer::TessorProjection) tessorProjection = t[1].wall;
        std::printf("%s 1 thread %6.2f s %5.2f GUPS %6.1f MiB | %d threads %6.2f s %5.2f GUPS %6.1f MiB"
                    " (CPU %.1f s) | x%.2f vs Tessor projection mode | %s\n",
                    Name(r), t[0].wall, updates / t[0].wall / 1e9, t[0].peakMiB, threads, t[1].wall,
                    updates / t[1].wall / 1e9, t[1].peakMiB, t[1].cpu, tessorProjection / t[1].wall,
                    same ? "same bytes" : "RESULTS DIFFER");
        std::fflush(stdout);
    }
    return 0;
}
