// A 4 x 4 double matrix, row-major m[r][c], acting on column vectors:
// (M v)_r = sum_c m[r][c] v_c. The translation sits in the last column.
#pragma once

#include "app/archive/Object.h"
#include "geometry/Vector.h"

namespace voxmill {

class CMatrix4 : public CObject {
public:
    // Elements are not initialised, as with the value type this mirrors.
    CMatrix4() {}  // NOLINT
    CMatrix4(const CMatrix4& other);
    CMatrix4& operator=(const CMatrix4& other);

    static CMatrix4 Identity();
    void SetIdentity();

    // 16 doubles, row-major.
    void Serialize(CArchive& ar) override;

    // Inverts in place. Only an exactly zero determinant counts as singular:
    // then false and the matrix is left as it was.
    bool Invert();
    double Determinant() const;

    // x, y, z of M v; the result's w is not written.
    void Transform3(const CVector4& v, CVector4& result) const;
    // All four components of M v.
    void Transform4(const CVector4& v, CVector4& result) const;
    CMatrix4 operator*(const CMatrix4& b) const;

    double m[4][4];
};

}  // namespace voxmill
