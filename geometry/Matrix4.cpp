#include "geometry/Matrix4.h"

#include <cstring>

#include "app/archive/Archive.h"

namespace voxmill {
namespace {

// Determinant of the 3 x 3 minor of `a` without row `skipRow` and column `skipCol`.
double Minor3(const double a[4][4], int skipRow, int skipCol) {
    int rows[3], cols[3];
    for (int i = 0, r = 0; i < 4; ++i)
        if (i != skipRow) rows[r++] = i;
    for (int i = 0, c = 0; i < 4; ++i)
        if (i != skipCol) cols[c++] = i;
    auto e = [&](int r, int c) { return a[rows[r]][cols[c]]; };
    return e(0, 0) * (e(1, 1) * e(2, 2) - e(1, 2) * e(2, 1)) -
           e(0, 1) * (e(1, 0) * e(2, 2) - e(1, 2) * e(2, 0)) +
           e(0, 2) * (e(1, 0) * e(2, 1) - e(1, 1) * e(2, 0));
}

double Cofactor(const double a[4][4], int r, int c) {
    const double minor = Minor3(a, r, c);
    return ((r + c) % 2 == 0) ? minor : -minor;
}

}  // namespace

CMatrix4::CMatrix4(const CMatrix4& other) : CObject(other) { std::memcpy(m, other.m, sizeof m); }

CMatrix4& CMatrix4::operator=(const CMatrix4& other) {
    std::memcpy(m, other.m, sizeof m);
    return *this;
}

CMatrix4 CMatrix4::Identity() {
    CMatrix4 i;
    i.SetIdentity();
    return i;
}

void CMatrix4::SetIdentity() {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m[r][c] = (r == c) ? 1.0 : 0.0;
}

void CMatrix4::Serialize(CArchive& ar) {
    for (auto& row : m)
        for (double& e : row) {
            if (ar.IsStoring())
                ar.WriteDouble(e);
            else
                e = ar.ReadDouble();
        }
}

double CMatrix4::Determinant() const {
    double det = 0.0;
    for (int c = 0; c < 4; ++c) det += m[0][c] * Cofactor(m, 0, c);
    return det;
}

bool CMatrix4::Invert() {
    const double det = Determinant();
    if (det == 0.0) return false;  // exact zero only, no tolerance
    double inv[4][4];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) inv[r][c] = Cofactor(m, c, r) / det;
    std::memcpy(m, inv, sizeof m);
    return true;
}

void CMatrix4::Transform3(const CVector4& v, CVector4& result) const {
    const double rx = m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z + m[0][3] * v.w;
    const double ry = m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z + m[1][3] * v.w;
    const double rz = m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z + m[2][3] * v.w;
    result.x = rx;
    result.y = ry;
    result.z = rz;
}

void CMatrix4::Transform4(const CVector4& v, CVector4& result) const {
    const double rw = m[3][0] * v.x + m[3][1] * v.y + m[3][2] * v.z + m[3][3] * v.w;
    Transform3(v, result);
    result.w = rw;
}

CMatrix4 CMatrix4::operator*(const CMatrix4& b) const {
    CMatrix4 c;
    for (int r = 0; r < 4; ++r)
        for (int k = 0; k < 4; ++k) {
            double sum = 0.0;
            for (int j = 0; j < 4; ++j) sum += m[r][j] * b.m[j][k];
            c.m[r][k] = sum;
        }
    return c;
}

}  // namespace voxmill
