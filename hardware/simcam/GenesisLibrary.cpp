// libgenlib.so of the simulated camera: the Genesis native library's
// device and thread, handed out non-zero unless a failure is injected.
#include "hardware/MilEntryPoints.h"
#include "hardware/simcam/SimCamera.h"

using namespace voxmill::simcam;
using voxmill::mil::Id;
using voxmill::mil::Int;

namespace {
Id g_next = 1;

Id Allocate(const char* name, Int first, Int flag) {
    const Id id = Failures().Fails(name) ? 0 : g_next++;
    LogCall(Call(name, Arg(std::int64_t{first}), Arg(std::int64_t{flag})) + " = " + Arg(std::int64_t{id}));
    return id;
}
}  // namespace

extern "C" {
__attribute__((visibility("default"))) Id imDevAlloc(Int deviceNumber, Int initFlag) {
    // A new device starts the library afresh, even when it stayed loaded.
    g_next = 1;
    Failures().Reset();
    return Allocate("imDevAlloc", deviceNumber, initFlag);
}
__attribute__((visibility("default"))) Id imThrAlloc(Id device, Int initFlag) {
    return Allocate("imThrAlloc", static_cast<Int>(device), initFlag);
}
__attribute__((visibility("default"))) void imThrFree(Id id) { LogCall(Call("imThrFree", Arg(std::int64_t{id}))); }
__attribute__((visibility("default"))) void imDevFree(Id id) { LogCall(Call("imDevFree", Arg(std::int64_t{id}))); }
}

static_assert(std::is_same_v<decltype(&imDevAlloc), voxmill::mil::ImDevAllocFn>);
static_assert(std::is_same_v<decltype(&imThrAlloc), voxmill::mil::ImThrAllocFn>);
