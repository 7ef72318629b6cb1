#include "renderers/common/RampKernel.h"

#include <algorithm>
#include <cmath>

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

double CRampKernel::WindowValue(int window, double f, double cutoff) {
    if (!(cutoff > 0.0)) return 0.0;
    const double x = std::abs(f) / cutoff;
    if (x > 1.0) return 0.0;
    switch (window) {
        case kSheppLogan: return x == 0.0 ? 1.0 : std::sin(kPi * x / 2.0) / (kPi * x / 2.0);
        case kCosine: return std::cos(kPi * x / 2.0);
        case kHamming: return 0.54 + 0.46 * std::cos(kPi * x);
        case kHann: return 0.5 + 0.5 * std::cos(kPi * x);
        default: return 1.0;
    }
}

std::vector<float> CRampKernel::Windowed(std::vector<float> kernel, int window, double cutoff) {
    const std::size_t n = kernel.size();
    if (n == 0 || (window == kRamLak && cutoff >= 1.0)) return kernel;
    // The kernel is even (h[j] = h[N - j]), so its spectrum is real and a
    // cosine transform each way suffices; done once per reconstruction.
    std::vector<double> cosines(n);
    for (std::size_t j = 0; j < n; ++j) cosines[j] = std::cos(2.0 * kPi * static_cast<double>(j) / static_cast<double>(n));
    std::vector<double> spectrum(n);
    const double half = static_cast<double>(n) / 2.0;
    for (std::size_t k = 0; k < n; ++k) {
        double sum = 0.0;
        for (std::size_t j = 0; j < n; ++j) sum += kernel[j] * cosines[(j * k) % n];
        const double f = static_cast<double>(std::min(k, n - k)) / half;
        spectrum[k] = sum * WindowValue(window, f, cutoff);
    }
    for (std::size_t j = 0; j < n; ++j) {
        double sum = 0.0;
        for (std::size_t k = 0; k < n; ++k) sum += spectrum[k] * cosines[(j * k) % n];
        kernel[j] = static_cast<float>(sum / static_cast<double>(n));
    }
    return kernel;
}

}  // namespace voxmill
