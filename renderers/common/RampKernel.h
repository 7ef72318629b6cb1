// The band-limited ramp (Ram-Lak) kernel of the row filter, sampled at the
// detector column pitch and laid out for a circular convolution of length
// N: entry j belongs to the distance min(j, N - j) in columns.
//
// Values carry one half of the ramp (the two halves of a full turn each see
// every ray once) times the column pitch of the convolution sum and the
// magnification D / R, so that filtered rows are in the units of the
// rotation axis whatever the detector size, distance or FFT length.
#pragma once

#include <vector>

namespace voxmill {

class CRampKernel {
public:
    // N samples for column pitch tau (world units); every sample is
    // multiplied by `scale`. Empty for N < 1 or a non-positive pitch.
    static std::vector<float> Build(int length, double tau, double scale);

    // The same kernel for a row embedded in zeros (a farm of twice the row
    // length or more): entries L/4 ... 3L/4 - 1 (integer quarters) are set
    // to 0, so the convolution has room for the kernel instead of wrapping
    // around.
    static std::vector<float> BuildPadded(int length, double tau, double scale);

    // The scale that puts filtered rows in the units of the rotation axis:
    // du * D / R (pitch, source-detector and source-axis distances).
    static double AxisScale(double du, double D, double R) { return du * D / R; }

    static constexpr double kPi = 3.141592653589793;
};

}  // namespace voxmill
