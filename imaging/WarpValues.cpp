#include "imaging/WarpValues.h"

#include <cmath>

#include "imaging/Warp.h"

namespace voxmill {

std::string WarpValues::Problem() const {
    if (shiftX < -kShiftLimit || shiftX > kShiftLimit || shiftY < -kShiftLimit || shiftY > kShiftLimit)
        return "The shift must lie between -300 and 300 pixels";
    // The negated test also refuses NaN.
    if (!(angle >= 0.0f && angle <= kMaxAngle)) return "The angle must lie between 0 and 360 degrees";
    if (direction != kCounterClockwise && direction != kClockwise) return "The direction must be CCW or CW";
    if (amount < -kAmountLimit || amount > kAmountLimit) return "The spherize amount must lie between -100 and 100";
    return {};
}

void WarpValues::Apply(CSurface& image) const {
    if (shiftEnabled) Shift(image, shiftX, shiftY);
    if (rotateEnabled) Rotate(image, SignedAngle());
    if (spherizeEnabled) Spherize(image, amount, spherizeX, spherizeY);
}

}  // namespace voxmill
