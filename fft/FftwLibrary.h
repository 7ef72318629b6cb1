// The FFTW 3 single-precision library, loaded by name when this library is
// loaded and released when it is unloaded. Only the entry points the farms
// need are resolved; the types are declared here so that the build needs no
// FFTW header and the library no link-time dependency on FFTW.
//
// The library counts as missing when it cannot be loaded, when any entry
// point is absent, or when the environment sets VOXMILL_FFTW=off.
//
// FFTW's planner is not thread-safe; plan creation and destruction must hold
// PlannerMutex(). Executing a plan needs no lock.
#pragma once

#include <complex>
#include <mutex>

namespace voxmill {

class CFftwLibrary {
public:
    using Plan = struct FftwPlan*;
    // FFTW 3's ABI: fftwf_complex is float[2], laid out as std::complex<float>.
    using Complex = float[2];

    static constexpr int kForward = -1;
    static constexpr int kBackward = 1;
    static constexpr unsigned kEstimate = 1u << 6;
    static constexpr int kR2HC = 0;
    static constexpr int kHC2R = 1;

    // The process-wide instance.
    static CFftwLibrary& Instance();

    bool IsAvailable() const { return m_handle != nullptr; }
    std::mutex& PlannerMutex() { return m_plannerMutex; }
    // Count of this library's plans alive; changed with the planner mutex held.
    int& LivePlans() { return m_livePlans; }

    // The entry points; valid only when IsAvailable().
    Plan (*PlanDft1d)(int n, Complex* in, Complex* out, int sign, unsigned flags) = nullptr;
    Plan (*PlanR2r1d)(int n, float* in, float* out, int kind, unsigned flags) = nullptr;
    Plan (*PlanDftR2c2d)(int n0, int n1, float* in, Complex* out, unsigned flags) = nullptr;
    Plan (*PlanDftC2r2d)(int n0, int n1, Complex* in, float* out, unsigned flags) = nullptr;
    void (*Execute)(Plan plan) = nullptr;
    // Runs a real-to-real plan on other arrays of the same alignment.
    void (*ExecuteR2r)(Plan plan, float* in, float* out) = nullptr;
    // The SIMD alignment class of an address; arrays of equal class may share a plan.
    int (*AlignmentOf)(const float* p) = nullptr;
    void (*DestroyPlan)(Plan plan) = nullptr;
    // Frees the planner's caches; only when no plan is left.
    void (*Cleanup)() = nullptr;

    static Complex* AsFftw(std::complex<float>* p) { return reinterpret_cast<Complex*>(p); }

    CFftwLibrary(const CFftwLibrary&) = delete;
    CFftwLibrary& operator=(const CFftwLibrary&) = delete;

private:
    CFftwLibrary();
    ~CFftwLibrary();

    bool ResolveEntryPoints();

    void* m_handle = nullptr;
    // FFTW was already in the process before this library loaded it, so
    // others may hold plans and its caches are not ours to free.
    bool m_sharedWithOthers = false;
    std::mutex m_plannerMutex;
    int m_livePlans = 0;
};

} // namespace voxmill
