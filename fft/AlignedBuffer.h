// A zero-initialised array of trivially copyable values on a 64-byte
// boundary, so that FFTW plans made on it may use their SIMD code paths.
// Allocation failure throws std::bad_alloc, which the factories turn into null.
#pragma once

#include <cstddef>
#include <cstring>
#include <new>
#include <type_traits>

namespace voxmill {

template <typename T>
class CAlignedBuffer {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    static constexpr std::align_val_t kAlignment{64};

    explicit CAlignedBuffer(std::size_t count)
        : m_data(static_cast<T*>(::operator new(count * sizeof(T), kAlignment))), m_count(count)
    {
        std::memset(static_cast<void*>(m_data), 0, count * sizeof(T));
    }
    ~CAlignedBuffer() { ::operator delete(m_data, kAlignment); }
    CAlignedBuffer(const CAlignedBuffer&) = delete;
    CAlignedBuffer& operator=(const CAlignedBuffer&) = delete;

    T* Data() { return m_data; }
    const T* Data() const { return m_data; }
    std::size_t Count() const { return m_count; }
    T& operator[](std::size_t i) { return m_data[i]; }
    const T& operator[](std::size_t i) const { return m_data[i]; }

private:
    T* m_data;
    std::size_t m_count;
};

} // namespace voxmill
