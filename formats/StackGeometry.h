// What every stack export carries besides the numbers: a grid of `count`
// images of `rows` x `columns` float samples (column fastest, then row,
// then image), where sample (c, r, k) has its centre at
// origin + c spacing[0] axis[0] + r spacing[1] axis[1] + k spacing[2] axis[2]
// in world coordinates. axis[i] are unit vectors (the rows of a direction
// matrix), so readers that know only spacing and origin still get the scale.
#pragma once

#include <cstdint>
#include <string>

namespace voxmill {

// The world has no stated length unit; exports say so rather than invent one.
inline constexpr const char* kWorldUnit = "unit";

struct StackGeometry {
    std::uint32_t columns = 0, rows = 0, count = 0;
    double spacing[3] = {1, 1, 1};
    double origin[3] = {0, 0, 0};
    double axis[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    std::string unit = kWorldUnit;

    // columns x rows x count, or 0 when that does not fit 64 bits.
    std::uint64_t SampleCount() const;
};

}  // namespace voxmill
