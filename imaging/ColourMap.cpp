#include "imaging/ColourMap.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "imaging/GreyMap.h"

namespace voxmill {
namespace {

// Nine anchors of matplotlib's viridis (van der Walt and Smith, CC0), at
// 0, 1/8, ..., 1; the table runs linearly between them. Lightness rises
// monotonically along it, so equal steps in value read as equal steps.
constexpr std::array<Rgb, 9> kPerceptualAnchors = {{{0x44, 0x01, 0x54},
                                                    {0x47, 0x2c, 0x7a},
                                                    {0x3b, 0x51, 0x8b},
                                                    {0x2c, 0x71, 0x8e},
                                                    {0x21, 0x90, 0x8d},
                                                    {0x27, 0xad, 0x81},
                                                    {0x5c, 0xc8, 0x63},
                                                    {0xaa, 0xdc, 0x32},
                                                    {0xfd, 0xe7, 0x25}}};

std::uint8_t Lerp(std::uint8_t a, std::uint8_t b, double t) {
    return static_cast<std::uint8_t>(std::lround(a + (static_cast<double>(b) - a) * t));
}

std::array<Rgb, kGreyLevels> MakePerceptualTable() {
    std::array<Rgb, kGreyLevels> table{};
    constexpr double segments = kPerceptualAnchors.size() - 1;
    for (std::uint32_t i = 0; i < kGreyLevels; ++i) {
        const double x = i * segments / (kGreyLevels - 1);
        const auto k = static_cast<std::size_t>(x >= segments ? segments - 1 : x);
        const double t = x - static_cast<double>(k);
        const Rgb& a = kPerceptualAnchors[k];
        const Rgb& b = kPerceptualAnchors[k + 1];
        table[i] = {Lerp(a.r, b.r, t), Lerp(a.g, b.g, t), Lerp(a.b, b.b, t)};
    }
    return table;
}

const std::array<Rgb, kGreyLevels>& PerceptualTable() {
    static const std::array<Rgb, kGreyLevels> table = MakePerceptualTable();
    return table;
}

Rgb Diverging(float v, float low, float high) {
    const float scale = std::max(std::fabs(low), std::fabs(high));
    if (!(scale > 0.0f) || std::isnan(v) || !std::isfinite(scale)) return {255, 255, 255};
    const double t = std::clamp(static_cast<double>(v) / scale, -1.0, 1.0);
    const Rgb& end = t < 0 ? kDivergingNegative : kDivergingPositive;
    const double f = std::fabs(t);
    return {Lerp(255, end.r, f), Lerp(255, end.g, f), Lerp(255, end.b, f)};
}

}  // namespace

const char* ColourMapName(ColourMapKind kind) {
    switch (kind) {
        case ColourMapKind::diverging: return "diverging";
        case ColourMapKind::perceptual: return "perceptual";
        case ColourMapKind::grey: break;
    }
    return "grey";
}

bool ParseColourMap(const std::string& name, ColourMapKind& kind) {
    for (ColourMapKind k : {ColourMapKind::grey, ColourMapKind::diverging, ColourMapKind::perceptual})
        if (name == ColourMapName(k)) {
            kind = k;
            return true;
        }
    return false;
}

Rgb PerceptualEntry(std::uint8_t index) { return PerceptualTable()[index]; }

Rgb MapColour(ColourMapKind kind, float v, float low, float high) {
    switch (kind) {
        case ColourMapKind::diverging: return Diverging(v, low, high);
        case ColourMapKind::perceptual: return PerceptualTable()[GreyIndex(v, low, high)];
        case ColourMapKind::grey: break;
    }
    const std::uint8_t g = GreyIndex(v, low, high);
    return {g, g, g};
}

void MapColours(ColourMapKind kind, const float* values, std::size_t count, float low, float high, std::uint8_t* rgb) {
    for (std::size_t i = 0; i < count; ++i, rgb += 3) {
        const Rgb c = MapColour(kind, values[i], low, high);
        rgb[0] = c.r;
        rgb[1] = c.g;
        rgb[2] = c.b;
    }
}

}  // namespace voxmill
