// Cosine weighting and (optionally) ramp filtering of projections into work buffers of
// columns x rows floats laid out like the projection. The kernel comes from
// one detector geometry (pitch, distances), the weights from its grid: u
// from uMin up by du per column and v from vMax down by dv per row, held as
// floats. Each worker thread has its own farm.
#pragma once

#include <memory>
#include <vector>

#include "renderers/common/ProjectionGeometry.h"
#include "renderers/common/RowFilter.h"

namespace voxmill {

class CProjectionFilter {
public:
    struct Options {
        bool filtering = true;  // off: weighting only
        bool pad = false;       // rows embedded in twice their length
        bool realFft = true;    // real transform, else complex on split arrays
        int window = 0;         // CRampKernel::Window applied to the ramp
        double cutoff = 1.0;    // the window's cutoff, a fraction of Nyquist
    };

    // Filters for up to `workers` threads; null when a farm, a filter or
    // a buffer cannot be had.
    static std::unique_ptr<CProjectionFilter> Create(const CProjectionGeometry& geometry, int workers,
                                                     const Options& options);
    static std::unique_ptr<CProjectionFilter> Create(const CProjectionGeometry& geometry, int workers) {
        return Create(geometry, workers, Options{});
    }

    int Workers() const { return m_workers; }
    bool IsFiltering() const { return !m_rowFilters.empty(); }
    // The farm's length (0 without filtering).
    int Length() const { return m_rowFilters.empty() ? 0 : m_rowFilters.front()->Length(); }
    std::size_t PixelCount() const { return static_cast<std::size_t>(m_columns) * static_cast<std::size_t>(m_rows); }

    // Copies the projection's pixels into a work buffer. A pixel that is not
    // finite counts as 0, so it cannot spread over its whole row.
    void Load(const float* pixels, float* work) const;

    // Multiplies every row of a work buffer by per-column weights
    // (Columns() of them), before the filter.
    void WeighColumns(float* work, const std::vector<float>& weights) const;

    // Weights and filters row `row` of a work buffer on thread `worker`.
    void FilterRow(float* work, int row, int worker) const;

    // Weights and filters every row of the work buffers, rows spread over
    // `threads` threads (at most Workers()).
    void FilterAll(const std::vector<float*>& works, int threads) const;

private:
    CProjectionFilter() = default;

    std::vector<std::unique_ptr<CRowFilter>> m_rowFilters;
    std::vector<float> m_u, m_v;  // detector coordinates of columns and rows
    double m_D = 0;
    int m_columns = 0, m_rows = 0;
    int m_workers = 1;
};

}  // namespace voxmill
