#include "renderers/common/ProjectionFilter.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "renderers/common/Parallel.h"
#include "renderers/common/RampKernel.h"

namespace voxmill {

std::unique_ptr<CProjectionFilter> CProjectionFilter::Create(const CProjectionGeometry& g, int workers,
                                                             const Options& options) {
    try {
        std::unique_ptr<CProjectionFilter> f(new CProjectionFilter);
        f->m_columns = g.columns;
        f->m_rows = g.rows;
        f->m_D = g.D;
        f->m_workers = std::max(workers, 1);
        std::vector<float> kernel;
        for (int w = 0; w < f->m_workers && options.filtering; ++w) {
            auto rowFilter = CRowFilter::Create(g.columns, options.pad, options.realFft);
            if (!rowFilter) return nullptr;
            const double scale = CRampKernel::AxisScale(g.du, g.D, g.R);
            if (kernel.empty())
                kernel = CRampKernel::Windowed(options.pad ? CRampKernel::BuildPadded(rowFilter->Length(), g.du, scale)
                                                           : CRampKernel::Build(rowFilter->Length(), g.du, scale),
                                               options.window, options.cutoff);
            if (!rowFilter->SetKernel(kernel)) return nullptr;
            f->m_rowFilters.push_back(std::move(rowFilter));
        }
        f->m_u.resize(static_cast<std::size_t>(g.columns));
        float u = g.uMin;
        for (float& value : f->m_u) {
            value = u;
            u += g.du;
        }
        f->m_v.resize(static_cast<std::size_t>(g.rows));
        float v = g.vMax;
        for (float& value : f->m_v) {
            value = v;
            v -= g.dv;
        }
        return f;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void CProjectionFilter::Load(const float* pixels, float* work) const {
    for (int r = 0; r < m_rows; ++r) {
        const std::size_t offset = static_cast<std::size_t>(r) * static_cast<std::size_t>(m_columns);
        CRowFilter::Sanitize(pixels + offset, work + offset, m_columns);
    }
}

void CProjectionFilter::WeighColumns(float* work, const std::vector<float>& weights) const {
    for (int r = 0; r < m_rows; ++r) {
        float* line = work + static_cast<std::size_t>(r) * static_cast<std::size_t>(m_columns);
        for (int c = 0; c < m_columns; ++c) line[c] *= weights[static_cast<std::size_t>(c)];
    }
}

void CProjectionFilter::FilterRow(float* work, int row, int worker) const {
    float* line = work + static_cast<std::size_t>(row) * static_cast<std::size_t>(m_columns);
    const double v = m_v[static_cast<std::size_t>(row)];
    const double v2 = v * v;
    const double D2 = m_D * m_D;
    for (int c = 0; c < m_columns; ++c) {
        const double u = m_u[static_cast<std::size_t>(c)];
        line[c] = static_cast<float>(line[c] * (m_D / std::sqrt(v2 + u * u + D2)));
    }
    if (!m_rowFilters.empty()) m_rowFilters[static_cast<std::size_t>(worker)]->Filter(line);
}

void CProjectionFilter::FilterAll(const std::vector<float*>& works, int threads) const {
    const int items = static_cast<int>(works.size()) * m_rows;
    CParallel::For(items, std::min(threads, Workers()), [&](int item, int worker) {
        FilterRow(works[static_cast<std::size_t>(item / m_rows)], item % m_rows, worker);
    });
}

}  // namespace voxmill
