// Ramp-filters 1024 detector rows of 256 and of 1000 samples, the way the
// renderers do, with each farm back end and with FFTW called directly on the
// same rows, and prints the time per row (best of several passes).
//
// Usage: bench_fft [passes]   (default 50)
#include <fftw3.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "fft/Spectrion.h"
#include "fft/SpectrionBackends.h"

namespace {

constexpr int kRows = 1024;

struct FloatsDeleter {
    void operator()(float* p) const { fftwf_free(p); }
};
using Floats = std::unique_ptr<float[], FloatsDeleter>;

Floats AllocateFloats(std::size_t count)
{
    Floats p(static_cast<float*>(fftwf_malloc(count * sizeof(float))));
    if (!p) {
        std::fprintf(stderr, "bench_fft: out of memory\n");
        std::exit(1);
    }
    std::fill(p.get(), p.get() + count, 0.0f);
    return p;
}

// The renderers' ramp kernel for N samples with a pitch of 1, scaled by 8 / N.
std::vector<float> RampKernel(int n)
{
    const double pi = 3.141592653589793;
    std::vector<double> h(static_cast<std::size_t>(n), 0.0);
    h[0] = 1.0 / 8.0;
    for (int k = 1; k < n; ++k) {
        const int d = k < n / 2 ? k : n - k;
        if (d % 2 == 1)
            h[static_cast<std::size_t>(k)] = -1.0 / (2.0 * pi * pi * d * d);
    }
    std::vector<float> out(h.size());
    for (std::size_t i = 0; i < h.size(); ++i)
        out[i] = static_cast<float>(h[i] * 8.0 / n);
    return out;
}

// kRows rows of `columns` samples, each at the start of a row of `stride`
// floats with zeros after it, as the renderers lay out their work buffer.
Floats MakeRows(int columns, int stride)
{
    std::mt19937 engine(42);
    std::uniform_real_distribution<float> value(0.0f, 2.0f);
    Floats rows = AllocateFloats(static_cast<std::size_t>(kRows) * static_cast<std::size_t>(stride));
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < columns; ++c)
            rows[static_cast<std::size_t>(r) * stride + c] = value(engine);
    return rows;
}

// One way of filtering a row in place, with the layout it works on.
struct Case {
    const char* name;
    int length;  // row stride N
    std::function<void(float*)> filterRow;
    Floats input;
    Floats work;
    double best = 1e300;
};

// Passes over all rows, taking the cases in turn within each pass so that
// they share whatever else the machine is doing; the rows are restored
// (untimed) before each pass. Keeps each case's best time.
void Time(std::vector<Case*>& cases, int passes)
{
    for (int pass = 0; pass < passes; ++pass)
        for (Case* c : cases) {
            const std::size_t count = static_cast<std::size_t>(kRows) * static_cast<std::size_t>(c->length);
            std::memcpy(c->work.get(), c->input.get(), count * sizeof(float));
            const auto start = std::chrono::steady_clock::now();
            for (int r = 0; r < kRows; ++r)
                c->filterRow(c->work.get() + static_cast<std::size_t>(r) * c->length);
            const std::chrono::duration<double, std::micro> elapsed = std::chrono::steady_clock::now() - start;
            c->best = std::min(c->best, elapsed.count());
        }
}

Case FarmCase(const char* name, voxmill::Spectrion& farm, voxmill::SpectralFilter& filter, int columns)
{
    const int n = farm.GetLength();
    const std::vector<float> kernel = RampKernel(n);
    filter.SetKernel(kernel.data());
    Floats work = AllocateFloats(static_cast<std::size_t>(kRows) * static_cast<std::size_t>(n));
    return {name, n, [&farm, &filter](float* row) { farm.ConvolveReal(row, &filter); }, MakeRows(columns, n),
            std::move(work)};
}

// The same filtering written against FFTW itself: in-place halfcomplex plans
// executed on each row, the spectrum product, the 1/N scaling.
class CDirectFftw {
public:
    explicit CDirectFftw(int n) : m_n(n), m_spectrum(AllocateFloats(static_cast<std::size_t>(n)))
    {
        const std::vector<float> kernel = RampKernel(n);
        std::copy(kernel.begin(), kernel.end(), m_spectrum.get());
        Floats probe = AllocateFloats(static_cast<std::size_t>(n));
        fftwf_plan kernelPlan = fftwf_plan_r2r_1d(n, m_spectrum.get(), m_spectrum.get(), FFTW_R2HC, FFTW_ESTIMATE);
        fftwf_execute(kernelPlan);
        fftwf_destroy_plan(kernelPlan);
        m_forward = fftwf_plan_r2r_1d(n, probe.get(), probe.get(), FFTW_R2HC, FFTW_ESTIMATE);
        m_inverse = fftwf_plan_r2r_1d(n, probe.get(), probe.get(), FFTW_HC2R, FFTW_ESTIMATE);
    }
    ~CDirectFftw()
    {
        fftwf_destroy_plan(m_forward);
        fftwf_destroy_plan(m_inverse);
    }
    CDirectFftw(const CDirectFftw&) = delete;
    CDirectFftw& operator=(const CDirectFftw&) = delete;

    void FilterRow(float* row) const
    {
        const int n = m_n;
        const float* h = m_spectrum.get();
        const float scale = 1.0f / static_cast<float>(n);
        fftwf_execute_r2r(m_forward, row, row);
        row[0] *= h[0] * scale;
        for (int k = 1; k < (n + 1) / 2; ++k) {
            const float a = row[k];
            const float b = row[n - k];
            row[k] = (a * h[k] - b * h[n - k]) * scale;
            row[n - k] = (a * h[n - k] + b * h[k]) * scale;
        }
        if (n % 2 == 0)
            row[n / 2] *= h[n / 2] * scale;
        fftwf_execute_r2r(m_inverse, row, row);
    }

private:
    int m_n;
    Floats m_spectrum;
    fftwf_plan m_forward = nullptr;
    fftwf_plan m_inverse = nullptr;
};

double MaxDifference(const Case& a, const Case& b, int columns)
{
    double worst = 0.0;
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < columns; ++c)
            worst = std::max(worst, static_cast<double>(std::fabs(a.work[static_cast<std::size_t>(r) * a.length + c]
                                                                  - b.work[static_cast<std::size_t>(r) * b.length + c])));
    return worst;
}

void Fail(const char* what)
{
    std::fprintf(stderr, "bench_fft: %s\n", what);
    std::exit(1);
}

void RunCase(int columns, int passes)
{
    std::printf("%d rows of %d samples, ramp filter, best of %d passes\n", kRows, columns, passes);
    std::unique_ptr<voxmill::Spectrion> ownFarm(voxmill::CreateOwnSpectrion(columns, false));
    std::unique_ptr<voxmill::SpectralFilter> ownFilter(ownFarm ? ownFarm->CreateFilter() : nullptr);
    if (!ownFilter)
        Fail("cannot make the own farm");
    Case own = FarmCase("farm, own back end  ", *ownFarm, *ownFilter, columns);
    std::vector<Case*> cases = {&own};

    std::unique_ptr<voxmill::Spectrion> fftwFarm(voxmill::CreateFftwSpectrion(columns, false));
    std::unique_ptr<voxmill::SpectralFilter> fftwFilter(fftwFarm ? fftwFarm->CreateFilter() : nullptr);
    const CDirectFftw directFftw(columns);
    Case direct{"FFTW called directly",
                columns,
                [&directFftw](float* row) { directFftw.FilterRow(row); },
                MakeRows(columns, columns),
                AllocateFloats(static_cast<std::size_t>(kRows) * static_cast<std::size_t>(columns))};
    std::unique_ptr<Case> farm;
    if (fftwFilter) {
        farm = std::make_unique<Case>(FarmCase("farm, FFTW back end ", *fftwFarm, *fftwFilter, columns));
        cases.push_back(farm.get());
        cases.push_back(&direct);
    } else {
        std::printf("  farm, FFTW back end: FFTW not available\n");
    }

    Time(cases, passes);
    for (const Case* c : cases)
        std::printf("  %s (N = %4d): %8.3f us/row\n", c->name, c->length, c->best / kRows);
    if (farm)
        std::printf("  farm / direct: %.3f; largest difference of the results: %.3g\n", farm->best / direct.best,
                    MaxDifference(*farm, direct, columns));
}

} // namespace

int main(int argc, char** argv)
{
    const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    RunCase(256, passes);
    RunCase(1000, passes);
    return 0;
}
