#include "tests/common/AllocationGuard.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace voxmill::test {
namespace {

std::atomic<std::size_t> g_limit{SIZE_MAX};
std::atomic<std::size_t> g_refused{0};
std::atomic<std::size_t> g_largestRefused{0};

bool Allowed(std::size_t size) {
    if (size <= g_limit.load(std::memory_order_relaxed)) return true;
    g_refused.fetch_add(1, std::memory_order_relaxed);
    std::size_t largest = g_largestRefused.load(std::memory_order_relaxed);
    while (size > largest && !g_largestRefused.compare_exchange_weak(largest, size)) {
    }
    return false;
}

void* AllocateOrNull(std::size_t size) {
    if (!Allowed(size)) return nullptr;
    return std::malloc(size ? size : 1);
}

void* AllocateOrThrow(std::size_t size) {
    if (void* p = AllocateOrNull(size)) return p;
    throw std::bad_alloc();
}

}  // namespace

AllocationLimit::AllocationLimit(std::size_t maxBytesPerRequest) : m_previous(g_limit.load()) {
    g_refused = 0;
    g_largestRefused = 0;
    g_limit = maxBytesPerRequest;
}

AllocationLimit::~AllocationLimit() { g_limit = m_previous; }

std::size_t AllocationLimit::Refused() const { return g_refused.load(); }
std::size_t AllocationLimit::LargestRefused() const { return g_largestRefused.load(); }

}  // namespace voxmill::test

// Every plain form is replaced so that new and delete stay paired on malloc
// and free (the sanitizers check that pairing). The aligned forms keep the
// library's own pair.
void* operator new(std::size_t size) { return voxmill::test::AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return voxmill::test::AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return voxmill::test::AllocateOrNull(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return voxmill::test::AllocateOrNull(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
