// Voxel-driven backprojection of filtered projections into a volume, with
// nearest-neighbour (or, on the float path, bilinear) sampling of the detector and the distance weight
// s R^2 / L^2 (L the voxel's depth along the central ray, s a scale the
// caller chooses: 1, or 2 pi / N to leave no later scaling).
//
// Floating point, for a voxel at (x, y, z) inside the field of view:
//   L = R - (c x + e z), m = D / L as a float, w = s R^2 / L^2 as a float,
//   col = trunc(((a x + b z) m - uMin) / du + 0.5),
//   row = trunc((vMax + h - y m) / dv + 0.5),
//   voxel += w * work[row * stride + col],
// in double precision, the sum stored as a float. h = (dy - sy) + sy m
// lifts the rows of a detector whose centre (height dy) or source (height
// sy) is off the plane y = 0; it is exactly 0 on a centred scan. A voxel
// whose column or row falls off the detector is left alone.
//
// Fixed point runs the same computation in integers with 13 fractional
// bits (CFixedPoint), 64-bit intermediates, and adds w * sample in float.
//
// The switches choose among variants that agree up to rounding: the column
// index once per (x, z) column or once per voxel; with fixed point, the
// detector indices from lookup tables instead of divisions; and the axial
// mirror, where each voxel of the upper half also updates its mirror
// (same column and weight, row rows - 1 - row). The caller checks that the
// geometry is symmetric before asking for the mirror.
//
// Each voxel receives the views in the order given, whatever the number of
// threads: z slabs are spread over threads and every slab takes all views
// in turn, a few lines at a time so that the lines and the detector rows
// they reach stay in cache, so a run gives the same bits on one thread as
// on many. The line loops run eight or sixteen voxels at a time where the
// processor has AVX-512 (AVX2 for the fixed-point table path), with the
// scalar loop's operations lane by lane: the same bits on every machine.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "renderers/common/FieldOfView.h"
#include "renderers/common/ProjectionGeometry.h"
#include "renderers/common/VolumeGrid.h"

namespace voxmill {

class CDetectorIndexTable;

class CVoxelBackprojection {
public:
    struct View {
        const float* work = nullptr;  // filtered projection, `stride` floats per row
        int stride = 0;
        double a = 0, b = 0, c = 0, e = 0;
        double R = 0, D = 0;
        double weightScale = 1;             // s of the weight s R^2 / L^2
        double sourceY = 0, detectorY = 0;  // heights off the plane y = 0
        float uMin = 0, vMax = 0, du = 1, dv = 1;
        int columns = 0, rows = 0;
        CFieldOfView fov;
    };

    struct Switches {
        bool fixedPoint = false;
        // Column index once per (x, z) column (else once per voxel).
        bool indexSkip = true;
        // Fixed point only: indices looked up in `table`.
        const CDetectorIndexTable* table = nullptr;
        // Visit the upper half of the y range and update each mirror too.
        bool axialMirror = false;
        // Sample the detector bilinearly (else nearest); takes the float
        // path whatever fixedPoint says.
        bool bilinear = false;
    };

    // A view with the detector grid, distances and field of view of
    // `detector` and the orientation (and heights) of `oriented`.
    static View MakeView(const CProjectionGeometry& detector, const CProjectionGeometry& oriented,
                         const float* work);

    // The view of the projection opposite `view` (half a turn on, detector
    // mirrored), read from `work`: the same distances with the inverse
    // matrix elements negated, so its depth is R + (c x + e z).
    static View Opposite(const View& view, const float* work);

    // Adds every view into the grid's voxels, slabs spread over `threads`.
    static void Run(const CVolumeGrid& grid, const std::vector<View>& views, int threads,
                    const Switches& switches);
    static void Run(const CVolumeGrid& grid, const std::vector<View>& views, int threads) {
        Run(grid, views, threads, Switches{});
    }

    // Lets the line loops use the vector units (the default) or not, for
    // tests that compare the two.
    static void UseVectorUnits(bool use);
};

// The 13-bit fixed-point format of the fixed-point path: value * 8192
// truncated toward zero (detector values rounded: 0.5 added first), 26
// fractional bits for squares and weights. Products and quotients are
// formed in 64 bits, so no distance the projector allows overflows them.
class CFixedPoint {
public:
    static constexpr int kBits = 13;
    static constexpr std::int64_t kOne = std::int64_t{1} << kBits;

    static std::int64_t From(double value) { return static_cast<std::int64_t>(value * kOne); }
    static std::int64_t Rounded(double value) { return static_cast<std::int64_t>(value * kOne + 0.5); }
    static std::int64_t From26(double value) { return static_cast<std::int64_t>(value * kOne * kOne); }
    // a * b / 8192 and a * 8192 / b, truncated toward zero.
    static std::int64_t Mul(std::int64_t a, std::int64_t b) { return a * b / kOne; }
    static std::int64_t Div(std::int64_t a, std::int64_t b) { return a * kOne / b; }
};

// Lookup tables from a 13-bit detector coordinate to a detector index
// counted from the detector's edge: entry t = trunc(t / (8192 pitch)), the
// column table addressed with nU/2 + u, the row table with nV/2 - v (v up,
// rows down). nU = trunc(W 8192), nV = trunc(H 8192). One table serves both
// when du equals dv.
class CDetectorIndexTable {
public:
    // Null when the detector is wider than the limit, a size or pitch is
    // not positive, or memory runs out.
    static std::unique_ptr<CDetectorIndexTable> Create(double width, double height, float du, float dv, int columns,
                                                       int rows);

    // Index of a column (u) or row (v, 13-bit), -1 off the detector.
    std::int32_t Column(std::int64_t u) const { return Lookup(m_columns, m_nU, m_nU / 2 + u); }
    std::int32_t Row(std::int64_t v) const { return Lookup(m_rows, m_nV, m_nV / 2 - v); }

    const std::int32_t* ColumnTable() const { return m_columns; }
    const std::int32_t* RowTable() const { return m_rows; }
    std::int32_t ColumnCount() const { return m_nU; }
    std::int32_t RowCount() const { return m_nV; }
    // Whether rows share the column table (du equals dv).
    bool IsShared() const { return m_columns == m_rows; }

    // A detector width of at most 32 units: 32768 W <= 1048576.
    static constexpr double kMaxWidth = 32.0;

private:
    CDetectorIndexTable() = default;
    static std::int32_t Lookup(const std::int32_t* table, std::int32_t count, std::int64_t t) {
        return t >= 0 && t < count ? table[t] : -1;
    }

    std::vector<std::int32_t> m_storage;
    const std::int32_t* m_columns = nullptr;
    const std::int32_t* m_rows = nullptr;
    std::int32_t m_nU = 0, m_nV = 0;
};

}  // namespace voxmill
