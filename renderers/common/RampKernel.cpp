#include "renderers/common/RampKernel.h"

#include <algorithm>

namespace voxmill {

std::vector<float> CRampKernel::Build(int length, double tau, double scale) {
    if (length < 1 || !(tau > 0.0)) return {};
    std::vector<float> h(static_cast<std::size_t>(length));
    const double tau2 = tau * tau;
    h[0] = static_cast<float>(1.0 / (8.0 * tau2) * scale);
    for (int j = 1; j < length; ++j) {
        // Symmetric for odd lengths too: both ends hold the same distances.
        const double d = std::min(j, length - j);
        const double value = (static_cast<long long>(d) % 2) ? -1.0 / (2.0 * kPi * kPi * d * d * tau2) : 0.0;
        h[static_cast<std::size_t>(j)] = static_cast<float>(value * scale);
    }
    return h;
}

std::vector<float> CRampKernel::BuildPadded(int length, double tau, double scale) {
    std::vector<float> h = Build(length, tau, scale);
    if (!h.empty()) std::fill(h.begin() + length / 4, h.begin() + 3 * length / 4, 0.0f);
    return h;
}

}  // namespace voxmill
