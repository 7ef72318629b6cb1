// The colour maps a float image can be shown and written in: grey (the
// grey window's own 8-bit levels, bit for bit), a diverging blue-white-red
// map for signed differences, and a perceptual map for magnitudes. A map
// turns a value and a window [low, high] into an RGB triple; it never
// changes the data, only its picture.
//
// - grey: GreyIndex(v, low, high) on all three channels.
// - diverging: centred on zero whatever the window. s = max(|low|, |high|)
//   sets the scale; t = v / s held in [-1, 1]; white at t = 0, blue at -1
//   and red at +1, each channel linear in |t| and rounded. NaN and a window
//   of zero scale show white.
// - perceptual: entry GreyIndex(v, low, high) of a 256-entry table that
//   rises in lightness from dark violet through blue and green to yellow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace voxmill {

enum class ColourMapKind { grey, diverging, perceptual };

inline constexpr int kColourMapCount = 3;

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

// "grey", "diverging", "perceptual".
const char* ColourMapName(ColourMapKind kind);
// The kind of a name as ColourMapName writes it; false for any other word.
bool ParseColourMap(const std::string& name, ColourMapKind& kind);

// The ends of the diverging map.
inline constexpr Rgb kDivergingNegative = {33, 102, 172};
inline constexpr Rgb kDivergingPositive = {178, 24, 43};

// Entry i of the perceptual map's table (0 to 255).
Rgb PerceptualEntry(std::uint8_t index);

Rgb MapColour(ColourMapKind kind, float v, float low, float high);

// width x height values, row 0 first, into width x height x 3 bytes (RGB,
// row 0 first).
void MapColours(ColourMapKind kind, const float* values, std::size_t count, float low, float high, std::uint8_t* rgb);

}  // namespace voxmill
