// A stand-in for the frame grabber's native library: device and thread
// allocations succeed, and every call is appended to the file named by
// VOXMILL_FAKE_GRABBER_LOG so that a test can check the order of calls.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void Log(const char* call) {
    const char* path = std::getenv("VOXMILL_FAKE_GRABBER_LOG");
    if (!path) return;
    if (std::FILE* file = std::fopen(path, "a")) {
        std::fprintf(file, "%s\n", call);
        std::fclose(file);
    }
}

}  // namespace

extern "C" {

std::uint32_t imDevAlloc(std::int32_t, std::int32_t) {
    Log("imDevAlloc");
    return 7;
}

std::uint32_t imThrAlloc(std::uint32_t device, std::int32_t) {
    Log("imThrAlloc");
    return device == 7 ? 11 : 0;
}

void imThrFree(std::uint32_t) { Log("imThrFree"); }

void imDevFree(std::uint32_t) { Log("imDevFree"); }

}  // extern "C"
