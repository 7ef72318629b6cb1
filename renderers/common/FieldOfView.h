// The part of space that every projection of a circular scan sees: inside
// the cylinder about the rotation axis that the whole detector width covers,
// and inside the ellipsoid of revolution that its height allows. Voxels
// outside are never touched. Squares are taken of the float coordinates in
// double precision, in the order written, so that a voxel's membership does
// not depend on the loop that asks.
#pragma once

namespace voxmill {

class CFieldOfView {
public:
    double r2 = 0;   // squared radius of the cylinder, world units^2
    double rho = 0;  // r2 over the squared vertical semi-axis

    // R source-axis distance, D source-detector distance, W x H detector size.
    static CFieldOfView From(double R, double D, double W, double H) {
        CFieldOfView f;
        f.r2 = R * R * W * W / (4 * D * D + W * W);
        f.rho = f.r2 / (R * R * H * H / (4 * D * D + H * H));
        return f;
    }

    // x2 = x * x and z2 = z * z of float coordinates, evaluated in double.
    bool ContainsColumn(double x2, double z2) const { return x2 + z2 < r2; }
    bool Contains(double x2, double y2, double z2) const { return rho * y2 + x2 + z2 < r2; }
};

}  // namespace voxmill
