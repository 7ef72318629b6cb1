// The acquisition geometry of one projection as the renderer uses it: the
// detector grid (world units on the detector plane), the source-axis
// distance R, the source-detector distance D, and the four elements of the
// inverse detector rotation that map a voxel onto the detector axes.
#pragma once

#include "contract/Projection.h"

namespace voxmill {

class CProjectionGeometry {
public:
    float width = 0, height = 0;
    float uMin = 0, vMin = 0, uMax = 0, vMax = 0;
    float du = 0, dv = 0;  // world units per detector column and row
    LONG columns = 0, rows = 0;
    double R = 0;  // |source|
    double D = 0;  // R + |detector centre|
    // M^-1[0][0], M^-1[0][2], M^-1[2][0], M^-1[2][2] of the detector matrix:
    // u = a x + b z along H, c x + e z the depth along N toward the source.
    double a = 0, b = 0, c = 0, e = 0;
    // Source and detector centre positions as handed over (world units).
    float source[3] = {0, 0, 0};
    float detector[3] = {0, 0, 0};

    // Reads everything from the projection. E_FAIL when a getter fails;
    // E_INVALIDARG when the values cannot describe a detector (no pixels,
    // a grid too large to index, a non-positive or non-finite size or
    // pitch, the source on the axis, a singular matrix). With `previous`,
    // a singular matrix keeps the previous projection's orientation instead.
    static HRESULT Read(IProjection* projection, CProjectionGeometry* geometry,
                        const CProjectionGeometry* previous = nullptr);

    // Same number of columns and rows as another projection, so that its
    // pixels fit a work buffer laid out for the other.
    bool HasSamePixelCounts(const CProjectionGeometry& other) const {
        return columns == other.columns && rows == other.rows;
    }

    // Inverts a row-major 4 x 4 matrix by cofactors over the full
    // determinant; false (and `out` untouched) when the determinant is
    // exactly zero or not finite.
    static bool Invert(const double in[16], double out[16]);

    // Largest pixel count the renderer indexes with 32-bit integers (one
    // row to spare: the backprojection forms the index of a row just off
    // the detector before it discards it).
    static constexpr long long kMaxPixels = 0x7FFFFFFF;
};

}  // namespace voxmill
