// The mapping of float pixel values to the 256 grey levels of an 8-bit
// bitmap. The full-range bitmaps of a surface, its thumbnails and the image
// view's grey window all go through GreyIndex, so a picture exported from
// the view equals what the view shows, byte for byte.
#pragma once

#include <cstdint>
#include <memory>

namespace voxmill {

class CDib;

inline constexpr std::uint32_t kGreyLevels = 256;

// Grey index of v in the window [low, high]: 0 below low (and for NaN),
// 0 everywhere when high equals low, levels - 1 above high, otherwise
// trunc((levels - 1) / (high - low) x (v - low)) in single precision.
inline std::uint8_t GreyIndex(float v, float low, float high, std::uint32_t levels = kGreyLevels) {
    if (!(v >= low) || high == low) return 0;
    const float top = static_cast<float>(levels - 1);
    if (v > high) return static_cast<std::uint8_t>(levels - 1);
    const float g = top / (high - low) * (v - low);
    // Rounding can put v == high a hair above the top level.
    return static_cast<std::uint8_t>(g >= top ? top : (g > 0.0f ? g : 0.0f));
}

struct GreyWindow {
    float low = 1000.0f;
    float high = 0.0f;
};

// The grey window of a float image view from its two sliders (range 1 to
// 1000; initial width 1000, position 499) and the image's value range.
GreyWindow FloatGreyWindow(float minValue, float maxValue, int windowWidth, int windowPosition);

inline constexpr int kGreyWindowSliderMax = 1000;
inline constexpr int kGreyWindowInitialWidth = 1000;
inline constexpr int kGreyWindowInitialPosition = (kGreyWindowSliderMax - 1) / 2;

// The grey window of an 8-bit image view: the float view's rule in whole
// numbers, both divisions truncating (centre = position x r div 999 + m,
// half = width x r div 2000), then clamped to [minValue, maxValue].
GreyWindow IntegerGreyWindow(std::uint8_t minValue, std::uint8_t maxValue, int windowWidth, int windowPosition);

// The full-range mapping of an 8-bit image: a whole-number stretch
// k = floor((levels - 1) / (max - min)), p -> k x (p - min) kept as a byte;
// 0 everywhere when max equals min. A range of 0 to 100 shows as 0 to 200.
inline std::uint8_t IntegerGreyIndex(std::uint8_t p, std::uint8_t minValue, std::uint8_t maxValue,
                                     std::uint32_t levels = kGreyLevels) {
    if (maxValue <= minValue) return 0;
    const int k = static_cast<int>(levels - 1) / (maxValue - minValue);
    return static_cast<std::uint8_t>(k * (p - minValue));
}

// An 8-bit bitmap with the grey colour table (entry i = blue i, green i,
// red i), its palette and zeroed bits. An animated palette marks its
// entries reserved, as the 8-bit images' pictures ask for.
std::unique_ptr<CDib> NewGreyDib(std::uint32_t width, std::uint32_t height, bool animatedPalette = false);

}  // namespace voxmill
