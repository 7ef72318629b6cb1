// What the "Warping" page collects: which warps run and with what values.
// The window, the command line and the tests fill it; Apply runs the
// enabled warps on one image in the fixed order shift, rotate, spherize.
#pragma once

#include <cstdint>
#include <string>

namespace voxmill {

class CSurface;

struct WarpValues {
    enum Direction : std::int32_t { kCounterClockwise = 0, kClockwise = 1 };

    static constexpr std::int32_t kShiftLimit = 300;     // pixels, either way
    static constexpr double kMaxAngle = 360.0;           // degrees, from 0
    static constexpr std::int32_t kAmountLimit = 100;    // either way

    bool shiftEnabled = false;
    std::int32_t shiftX = 0;  // pixels to the right
    std::int32_t shiftY = 0;  // pixels up
    bool rotateEnabled = false;
    float angle = 0.0f;       // degrees
    std::int32_t direction = kCounterClockwise;
    bool spherizeEnabled = false;
    std::int32_t amount = 0;
    bool spherizeX = true;
    bool spherizeY = true;

    // Empty when every value is in range (checked whether its warp is
    // enabled or not, as the page checks every field); else what is wrong.
    std::string Problem() const;
    bool AnyEnabled() const { return shiftEnabled || rotateEnabled || spherizeEnabled; }
    // The angle Rotate turns by: counter-clockwise positive, so "CW" turns
    // by the negated angle.
    double SignedAngle() const { return direction == kClockwise ? -double(angle) : double(angle); }
    // The enabled warps, in the order shift, rotate, spherize.
    void Apply(CSurface& image) const;
};

}  // namespace voxmill
