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

    // Apodisation windows of the ramp, by the value of the FilterWindow
    // property. With f the frequency as a fraction of Nyquist and fc the
    // cutoff (also a fraction of Nyquist), x = f / fc, each multiplies the
    // ramp by W(x) for x <= 1 and by 0 above:
    //   Ram-Lak 1, Shepp-Logan sin(pi x / 2) / (pi x / 2), cosine
    //   cos(pi x / 2), Hamming 0.54 + 0.46 cos(pi x), Hann 0.5 + 0.5 cos(pi x).
    // Noise passed falls in that order.
    enum Window : int { kRamLak = 0, kSheppLogan, kCosine, kHamming, kHann, kWindowCount };

    static double WindowValue(int window, double f, double cutoff);

    // `kernel` (laid out as Build's, symmetric) with its spectrum multiplied
    // by the window: spectral bin k of N is the frequency min(k, N - k) /
    // (N / 2) of Nyquist. Ram-Lak with a cutoff of 1 or more returns the
    // kernel untouched, so the default filter keeps its bits.
    static std::vector<float> Windowed(std::vector<float> kernel, int window, double cutoff);

    static constexpr double kPi = 3.141592653589793;
};

}  // namespace voxmill
