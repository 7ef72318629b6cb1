// Homogeneous vectors in double precision. Points carry w = 1 and
// directions w = 0, so translations move points and leave directions alone.
#pragma once

#include "app/archive/Object.h"

namespace voxmill {

class CArchive;

// Plain 3-vector; not written to archives.
class CVector3 : public CObject {
public:
    CVector3() = default;
    CVector3(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}
    CVector3(const CVector3&) = default;
    CVector3& operator=(const CVector3&) = default;
    double x = 0, y = 0, z = 0;
};

class CVector4 : public CObject {
public:
    CVector4() = default;
    CVector4(double x_, double y_, double z_, double w_) : x(x_), y(y_), z(z_), w(w_) {}
    CVector4(const CVector4&) = default;
    CVector4& operator=(const CVector4&) = default;

    // x, y, z, w as four doubles.
    void Serialize(CArchive& ar) override;

    // All four components: two points (w = 1 each) include the term 1 * 1.
    double Dot(const CVector4& v) const { return x * v.x + y * v.y + z * v.z + w * v.w; }
    // x, y, z of a x b into `result`; result's w is left as it was.
    static void Cross(const CVector4& a, const CVector4& b, CVector4& result);

    double x = 0, y = 0, z = 0, w = 0;
};

class CPoint4 : public CVector4 {
public:
    CPoint4() : CVector4(0, 0, 0, 1) {}
    CPoint4(double x_, double y_, double z_) : CVector4(x_, y_, z_, 1) {}
    CPoint4(const CPoint4&) = default;
    CPoint4& operator=(const CPoint4&) = default;
};

class CDirection4 : public CVector4 {
public:
    CDirection4() : CVector4(0, 0, 0, 0) {}
    CDirection4(double x_, double y_, double z_) : CVector4(x_, y_, z_, 0) {}
    CDirection4(const CDirection4&) = default;
    CDirection4& operator=(const CDirection4&) = default;
};

}  // namespace voxmill
