#include "renderers/common/RowFilter.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <new>

namespace voxmill {
namespace {

std::atomic<CRowFilter::FarmSource> g_farmSource{nullptr};

}  // namespace

CRowFilter::FarmSource CRowFilter::SetFarmSource(FarmSource source) { return g_farmSource.exchange(source); }

std::unique_ptr<CRowFilter> CRowFilter::Create(int columns, bool pad, bool realFft) {
    if (columns < 1) return nullptr;
    try {
        std::unique_ptr<CRowFilter> f(new CRowFilter);
        const FarmSource source = g_farmSource.load();
        f->m_farm.reset(source ? source(columns, pad) : GetSpectrion_Best(columns, pad));
        if (!f->m_farm) return nullptr;
        f->m_filter.reset(f->m_farm->CreateFilter());
        if (!f->m_filter) return nullptr;
        f->m_length = f->m_filter->GetLength();
        if (f->m_length < columns) return nullptr;
        f->m_columns = columns;
        f->m_buffer.assign(static_cast<std::size_t>(f->m_length), 0.0f);
        f->m_realFft = realFft;
        if (!realFft) f->m_imaginary.assign(static_cast<std::size_t>(f->m_length), 0.0f);
        return f;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool CRowFilter::SetKernel(const std::vector<float>& kernel) {
    if (kernel.size() != static_cast<std::size_t>(m_length)) return false;
    m_filter->SetKernel(kernel.data());
    return true;
}

void CRowFilter::Filter(float* row) {
    // Every row goes through the same buffer, so every row takes the same
    // path through the farm and rows filter alike on every thread.
    float* buffer = m_buffer.data();
    std::copy(row, row + m_columns, buffer);
    std::fill(buffer + m_columns, buffer + m_length, 0.0f);
    if (m_realFft) {
        m_farm->ConvolveReal(buffer, m_filter.get());
    } else {
        std::fill(m_imaginary.begin(), m_imaginary.end(), 0.0f);
        m_farm->ConvolveSplit(buffer, m_imaginary.data(), m_filter.get());
    }
    Sanitize(buffer, row, m_columns);
}

void CRowFilter::Sanitize(const float* in, float* out, int count) {
    for (int n = 0; n < count; ++n) out[n] = std::isfinite(in[n]) ? in[n] : 0.0f;
}

}  // namespace voxmill
