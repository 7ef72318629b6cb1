// Convolves detector rows with a kernel through one FFT farm. A row shorter
// than the farm's length N is embedded at the start of a zero-filled
// buffer of N samples, so the circular convolution never reads or writes
// past the row. Filtered values that are not finite become 0; negative
// values stay (they cancel the backprojection outside the object).
//
// A filter owns its farm and uses it from one thread at a time.
#pragma once

#include <memory>
#include <vector>

#include "fft/SpectralFilter.h"
#include "fft/Spectrion.h"

namespace voxmill {

class CRowFilter {
public:
    // A farm for rows of `columns` samples, of the FFT library's length for
    // `columns` or, with `pad`, for twice as many (room for the kernel, no
    // wrap-around); `realFft` convolves through the real transform, else
    // through the complex one with a zero imaginary row. Null when the FFT
    // library cannot give a farm, a filter or the buffers.
    static std::unique_ptr<CRowFilter> Create(int columns, bool pad = false, bool realFft = true);

    // The farm's length N, columns or more.
    int Length() const { return m_length; }
    int Columns() const { return m_columns; }

    // Length() kernel samples; false when the kernel has another length.
    bool SetKernel(const std::vector<float>& kernel);

    // Filters `Columns()` samples in place.
    void Filter(float* row);

    // Where farms come from: the FFT library's best farm unless a test
    // stands in another (null restores the library's). Returns the previous.
    using FarmSource = Spectrion* (*)(int n, bool pad);
    static FarmSource SetFarmSource(FarmSource source);

    // out = in, with every value that is not finite replaced by 0 (-0.0
    // and other negative values stay as they are).
    static void Sanitize(const float* in, float* out, int count);

private:
    CRowFilter() = default;

    std::unique_ptr<Spectrion> m_farm;
    std::unique_ptr<SpectralFilter> m_filter;  // destroyed before the farm
    std::vector<float> m_buffer;
    std::vector<float> m_imaginary;  // complex path only
    int m_length = 0;
    bool m_realFft = true;
    int m_columns = 0;
};

}  // namespace voxmill
