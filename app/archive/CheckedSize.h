// Sizes computed from values a file or a user gave: products and sums
// that would overflow 64 bits come back empty instead of wrapping to a
// small number that passes a length check.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>

namespace voxmill {

inline std::optional<std::uint64_t> CheckedProduct(std::initializer_list<std::uint64_t> factors) {
    std::uint64_t product = 1;
    for (std::uint64_t f : factors)
        if (__builtin_mul_overflow(product, f, &product)) return std::nullopt;
    return product;
}

inline std::optional<std::uint64_t> CheckedSum(std::uint64_t a, std::uint64_t b) {
    std::uint64_t sum;
    if (__builtin_add_overflow(a, b, &sum)) return std::nullopt;
    return sum;
}

// For lengths compared against what a file holds: an overflow reads as
// more than any file can hold.
inline std::uint64_t SaturatedProduct(std::initializer_list<std::uint64_t> factors) {
    return CheckedProduct(factors).value_or(UINT64_MAX);
}

}  // namespace voxmill
