#include "fft/FftwLibrary.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace voxmill {

namespace {

constexpr const char* kLibraryName = "libfftw3f.so.3";

bool SwitchedOff()
{
    const char* value = std::getenv("VOXMILL_FFTW");
    return value != nullptr && strcasecmp(value, "off") == 0;
}

template <typename Fn>
bool Resolve(void* handle, const char* name, Fn& fn)
{
    void* symbol = dlsym(handle, name);
    if (symbol == nullptr)
        return false;
    // POSIX guarantees that a data pointer from dlsym converts to a function pointer.
    std::memcpy(&fn, &symbol, sizeof fn);
    return true;
}

// Made when the shared library is loaded, so that the choice of back end is
// fixed before any farm is requested and the FFTW library stays loaded for
// the life of this one.
CFftwLibrary& g_loadedAtAttach = CFftwLibrary::Instance();

} // namespace

CFftwLibrary& CFftwLibrary::Instance()
{
    static CFftwLibrary library;
    return library;
}

CFftwLibrary::CFftwLibrary()
{
    if (SwitchedOff())
        return;
    if (void* present = dlopen(kLibraryName, RTLD_NOW | RTLD_NOLOAD); present != nullptr) {
        m_sharedWithOthers = true;
        dlclose(present);
    }
    m_handle = dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (m_handle != nullptr && !ResolveEntryPoints()) {
        dlclose(m_handle);
        m_handle = nullptr;
    }
}

// The planner's caches are freed before FFTW is unloaded, but only when no
// plan of anyone's can still be alive.
CFftwLibrary::~CFftwLibrary()
{
    if (m_handle == nullptr)
        return;
    if (!m_sharedWithOthers && m_livePlans == 0)
        Cleanup();
    dlclose(m_handle);
}

bool CFftwLibrary::ResolveEntryPoints()
{
    return Resolve(m_handle, "fftwf_plan_dft_1d", PlanDft1d)
        && Resolve(m_handle, "fftwf_plan_r2r_1d", PlanR2r1d)
        && Resolve(m_handle, "fftwf_plan_dft_r2c_2d", PlanDftR2c2d)
        && Resolve(m_handle, "fftwf_plan_dft_c2r_2d", PlanDftC2r2d)
        && Resolve(m_handle, "fftwf_execute", Execute)
        && Resolve(m_handle, "fftwf_execute_r2r", ExecuteR2r)
        && Resolve(m_handle, "fftwf_alignment_of", AlignmentOf)
        && Resolve(m_handle, "fftwf_destroy_plan", DestroyPlan)
        && Resolve(m_handle, "fftwf_cleanup", Cleanup);
}

} // namespace voxmill
