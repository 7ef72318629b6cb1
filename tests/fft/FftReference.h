// Reference results computed directly in double precision, for checking
// both FFT back ends: the DFT with FFTW's sign, circular convolutions, and
// reproducible test signals.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <numbers>
#include <random>
#include <type_traits>
#include <vector>

namespace voxmill::fft_test {

using Complex = std::complex<float>;

inline std::vector<std::complex<double>> DirectDft(const std::vector<Complex>& x)
{
    const std::size_t n = x.size();
    std::vector<std::complex<double>> out(n);
    for (std::size_t k = 0; k < n; ++k) {
        std::complex<double> sum = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            const double angle = -2.0 * std::numbers::pi * static_cast<double>((k * i) % n) / static_cast<double>(n);
            sum += std::complex<double>(x[i]) * std::polar(1.0, angle);
        }
        out[k] = sum;
    }
    return out;
}

template <typename T>
std::vector<T> CircularConvolution(const std::vector<T>& data, const std::vector<T>& kernel)
{
    const std::size_t n = data.size();
    std::vector<T> out(n);
    for (std::size_t i = 0; i < n; ++i) {
        std::complex<double> sum = 0.0;
        for (std::size_t j = 0; j < n; ++j)
            sum += std::complex<double>(data[j]) * std::complex<double>(kernel[(i + n - j) % n]);
        if constexpr (std::is_same_v<T, float>)
            out[i] = static_cast<float>(sum.real());
        else
            out[i] = T(static_cast<float>(sum.real()), static_cast<float>(sum.imag()));
    }
    return out;
}

inline std::vector<float> RandomReal(std::size_t n, unsigned seed)
{
    std::mt19937 engine(seed);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    std::vector<float> out(n);
    for (float& v : out)
        v = value(engine);
    return out;
}

inline std::vector<Complex> RandomComplex(std::size_t n, unsigned seed)
{
    const std::vector<float> re = RandomReal(n, seed);
    const std::vector<float> im = RandomReal(n, seed + 1000u);
    std::vector<Complex> out(n);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = {re[i], im[i]};
    return out;
}

template <typename A, typename B>
double MaxDifference(const A& a, const B& b)
{
    double worst = 0.0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        worst = std::max(worst, static_cast<double>(std::abs(std::complex<double>(a[i]) - std::complex<double>(b[i]))));
    return worst;
}

// The rounding a float FFT of length n may leave on values of order `scale`.
inline double Tolerance(std::size_t n, double scale)
{
    return 4e-7 * scale * (std::log2(static_cast<double>(std::max<std::size_t>(n, 2))) + 1.0) * std::sqrt(static_cast<double>(n));
}

} // namespace voxmill::fft_test
