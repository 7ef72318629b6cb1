// Collection files of many members without writing them one by one: the
// program's own records of a collection with zero, one and two members give
// the header, the first member record (with its class description) and the
// record every further member repeats.
#pragma once

#include <cstdint>
#include <vector>

namespace voxmill::test {

// The record of `count` members, the count written in its long form
// (0xFFFF, then 32 bits) as the archive does for large counts.
inline std::vector<std::uint8_t> RepeatLastMember(const std::vector<std::uint8_t>& zero,
                                                  const std::vector<std::uint8_t>& one,
                                                  const std::vector<std::uint8_t>& two, std::uint32_t count) {
    std::vector<std::uint8_t> out(zero.begin(), zero.end() - 2);  // without the 16-bit count of 0
    out.insert(out.end(), {0xFF, 0xFF});
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(count >> shift));
    out.insert(out.end(), one.begin() + static_cast<std::ptrdiff_t>(zero.size()), one.end());
    const std::vector<std::uint8_t> next(two.begin() + static_cast<std::ptrdiff_t>(one.size()), two.end());
    out.reserve(out.size() + next.size() * count);
    for (std::uint32_t i = 1; i < count; ++i) out.insert(out.end(), next.begin(), next.end());
    return out;
}

}  // namespace voxmill::test
