#include "renderers/tessor/VoxelBackprojection.h"

#include <algorithm>
#include <cmath>

#include "renderers/tessor/Parallel.h"

namespace voxmill {
namespace {

// What every voxel of one (x, z) column shares within one view.
struct ColumnTable {
    std::vector<double> m;  // magnification, a float value
    std::vector<float> w;   // distance weight
    std::vector<int> col;   // detector column, -1 when off the detector
};

// First index in [lo, hi] whose predicate holds, the predicate going from
// false to true along the range (hi when it never holds before hi).
template <typename Pred>
int FirstTrue(int lo, int hi, Pred inside) {
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (inside(mid)) hi = mid;
        else lo = mid + 1;
    }
    return lo;
}

// The run [first, last) of a line's voxels that lie inside: x^2 falls
// toward index `nearest` and rises after it, and membership depends on x^2
// alone, so each end is found by bisection. False when the run is empty.
template <typename Pred>
bool InsideRange(int begin, int end, int nearest, Pred inside, int* first, int* last) {
    if (nearest < begin || nearest >= end || !inside(nearest)) return false;
    *first = FirstTrue(begin, nearest, inside);
    *last = FirstTrue(nearest, end, [&](int i) { return !inside(i); });
    return true;
}

// The hot loop over one line of voxels (fixed y and z, i in [begin, end)).
// Compiled for several instruction sets; every clone does the same IEEE
// operations in the same order, so the clone taken never changes a bit.
// Branch-free so that it vectorizes: a voxel off the detector reads sample
// 0 and adds -0.0, which leaves every float as it is (-0.0 included).
__attribute__((target_clones("avx512f", "avx2", "default")))
void AddLine(float* __restrict line, int begin, int end, double y, double vMax, double dv, int rows, int columns,
             const float* __restrict work, const double* __restrict m, const float* __restrict w,
             const int* __restrict col) {
    const double rowLimit = rows;
    for (int i = begin; i < end; ++i) {
        double t = (vMax - y * m[i]) / dv + 0.5;
        // Clamped to [-1, rows] before the conversion, which truncates
        // toward zero: (-1, 0) still rounds to row 0.
        t = std::max(t, -1.0);
        t = std::min(t, rowLimit);
        const int row = static_cast<int>(t);
        const int c = col[i];
        const int onDetector = (static_cast<unsigned>(row) < static_cast<unsigned>(rows)) & (c >= 0);
        const float sample = work[(row * columns + c) * onDetector];
        const double product = static_cast<double>(w[i]) * sample;
        line[i] = static_cast<float>(static_cast<double>(line[i]) + (onDetector ? product : -0.0));
    }
}

void FillColumns(const CVolumeGrid& g, const CVoxelBackprojection::View& v, float z, int begin, int end,
                 ColumnTable& t) {
    const double R2 = v.R * v.R;
    for (int i = begin; i < end; ++i) {
        const double x = g.x[static_cast<std::size_t>(i)];
        const double L = v.R - (v.c * x + v.e * z);
        const float m = static_cast<float>(v.D / L);
        const float w = static_cast<float>(R2 / (L * L));
        const double column = ((v.a * x + v.b * z) * m - v.uMin) / v.du + 0.5;
        const bool valid =
            L > 0.0 && std::isfinite(m) && std::isfinite(w) && column > -1.0 && column < v.columns;
        // An unusable column keeps finite table values; its voxels are skipped.
        t.m[static_cast<std::size_t>(i)] = valid ? m : 0.0f;
        t.w[static_cast<std::size_t>(i)] = valid ? w : 0.0f;
        t.col[static_cast<std::size_t>(i)] = valid ? static_cast<int>(column) : -1;
    }
}

void AddSlab(const CVolumeGrid& g, const CVoxelBackprojection::View& v, int k, ColumnTable& table) {
    const float z = g.z[static_cast<std::size_t>(k)];
    const double z2 = static_cast<double>(z) * z;
    const double* x2 = g.x2.data();
    int colFirst = 0, colLast = 0;
    if (!InsideRange(0, g.nX, g.iNearestAxis, [&](int i) { return v.fov.ContainsColumn(x2[i], z2); }, &colFirst,
                     &colLast))
        return;
    FillColumns(g, v, z, colFirst, colLast, table);
    float* slab = g.Slab(k);
    for (int j = 0; j < g.nY; ++j) {
        const float y = g.y[static_cast<std::size_t>(j)];
        const double y2 = static_cast<double>(y) * y;
        int first = 0, last = 0;
        if (!InsideRange(colFirst, colLast, g.iNearestAxis,
                         [&](int i) { return v.fov.Contains(x2[i], y2, z2); }, &first, &last))
            continue;
        AddLine(slab + static_cast<std::size_t>(j) * static_cast<std::size_t>(g.nX), first, last, y, v.vMax, v.dv,
                v.rows, v.columns, v.work, table.m.data(), table.w.data(), table.col.data());
    }
}

}  // namespace

CVoxelBackprojection::View CVoxelBackprojection::MakeView(const CProjectionGeometry& detector,
                                                          const CProjectionGeometry& oriented,
                                                          const float* work) {
    View v;
    v.work = work;
    v.a = oriented.a;
    v.b = oriented.b;
    v.c = oriented.c;
    v.e = oriented.e;
    v.R = detector.R;
    v.D = detector.D;
    v.uMin = detector.uMin;
    v.vMax = detector.vMax;
    v.du = detector.du;
    v.dv = detector.dv;
    v.columns = detector.columns;
    v.rows = detector.rows;
    v.fov = CFieldOfView::From(detector.R, detector.D, detector.width, detector.height);
    return v;
}

void CVoxelBackprojection::Run(const CVolumeGrid& grid, const std::vector<View>& views, int threads) {
    if (views.empty()) return;
    const int workers = std::max(1, std::min(threads, grid.nZ));
    std::vector<ColumnTable> tables(static_cast<std::size_t>(workers));
    for (ColumnTable& t : tables) {
        t.m.resize(static_cast<std::size_t>(grid.nX));
        t.w.resize(static_cast<std::size_t>(grid.nX));
        t.col.resize(static_cast<std::size_t>(grid.nX));
    }
    CParallel::For(grid.nZ, workers, [&](int k, int worker) {
        for (const View& v : views) AddSlab(grid, v, k, tables[static_cast<std::size_t>(worker)]);
    });
}

}  // namespace voxmill
