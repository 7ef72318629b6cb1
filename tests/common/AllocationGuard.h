// Catches readers that trust a length from the file: while a limit is
// armed, any single heap request above it is refused with std::bad_alloc
// and remembered. The replacement operators live in AllocationGuard.cpp,
// which a test binary compiles in directly (it replaces the global
// operator new of that binary only).
#pragma once

#include <cstddef>

namespace voxmill::test {

class AllocationLimit {
public:
    explicit AllocationLimit(std::size_t maxBytesPerRequest);
    ~AllocationLimit();
    AllocationLimit(const AllocationLimit&) = delete;
    AllocationLimit& operator=(const AllocationLimit&) = delete;

    // Requests refused since this limit was armed, and the largest of them.
    std::size_t Refused() const;
    std::size_t LargestRefused() const;

private:
    std::size_t m_previous;
};

}  // namespace voxmill::test
