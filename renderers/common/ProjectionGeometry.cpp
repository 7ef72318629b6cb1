#include "renderers/common/ProjectionGeometry.h"

#include <cmath>

namespace voxmill {
namespace {

bool Positive(float value) { return std::isfinite(value) && value > 0.0f; }

double Length(float x, float y, float z) {
    const double dx = x, dy = y, dz = z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Determinant of the 3 x 3 minor of m that leaves out row r and column c.
double Minor(const double m[16], int r, int c) {
    int rows[3], cols[3];
    for (int i = 0, n = 0; i < 4; ++i)
        if (i != r) rows[n++] = i;
    for (int i = 0, n = 0; i < 4; ++i)
        if (i != c) cols[n++] = i;
    auto at = [&](int i, int j) { return m[4 * rows[i] + cols[j]]; };
    return at(0, 0) * (at(1, 1) * at(2, 2) - at(1, 2) * at(2, 1)) -
           at(0, 1) * (at(1, 0) * at(2, 2) - at(1, 2) * at(2, 0)) +
           at(0, 2) * (at(1, 0) * at(2, 1) - at(1, 1) * at(2, 0));
}

}  // namespace

bool CProjectionGeometry::Invert(const double in[16], double out[16]) {
    double cofactor[16];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) cofactor[4 * r + c] = ((r + c) % 2 ? -1.0 : 1.0) * Minor(in, r, c);
    double det = 0;
    for (int c = 0; c < 4; ++c) det += in[c] * cofactor[c];
    if (det == 0.0 || !std::isfinite(det)) return false;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) out[4 * r + c] = cofactor[4 * c + r] / det;
    return true;
}

HRESULT CProjectionGeometry::Read(IProjection* projection, CProjectionGeometry* g, const CProjectionGeometry* previous) {
    if (!projection || !g) return E_POINTER;
    CProjectionGeometry r;
    float sx = 0, sy = 0, sz = 0, dx = 0, dy = 0, dz = 0;
    double m[16] = {};
    if (FAILED(projection->GetGeometry(&r.width, &r.height, &r.uMin, &r.vMin, &r.uMax, &r.vMax, &r.du, &r.dv,
                                       &r.columns, &r.rows)) ||
        FAILED(projection->GetSourcePosition(&sx, &sy, &sz)) ||
        FAILED(projection->GetDetectorPosition(&dx, &dy, &dz)) || FAILED(projection->GetMatrix(m)))
        return E_FAIL;

    if (r.columns <= 0 || r.rows <= 0 ||
        static_cast<long long>(r.columns) * (static_cast<long long>(r.rows) + 1) > kMaxPixels)
        return E_INVALIDARG;
    if (!Positive(r.width) || !Positive(r.height) || !Positive(r.du) || !Positive(r.dv) ||
        !std::isfinite(r.uMin) || !std::isfinite(r.vMax))
        return E_INVALIDARG;
    r.source[0] = sx, r.source[1] = sy, r.source[2] = sz;
    r.detector[0] = dx, r.detector[1] = dy, r.detector[2] = dz;
    if (!std::isfinite(sy) || !std::isfinite(dy)) return E_INVALIDARG;
    r.R = Length(sx, sy, sz);
    r.D = r.R + Length(dx, dy, dz);
    if (!(r.R > 0.0) || !std::isfinite(r.D)) return E_INVALIDARG;

    double inverse[16];
    if (Invert(m, inverse)) {
        r.a = inverse[0];
        r.b = inverse[2];
        r.c = inverse[8];
        r.e = inverse[10];
    } else if (previous) {
        r.a = previous->a;
        r.b = previous->b;
        r.c = previous->c;
        r.e = previous->e;
    } else {
        return E_INVALIDARG;
    }
    if (!std::isfinite(r.a) || !std::isfinite(r.b) || !std::isfinite(r.c) || !std::isfinite(r.e))
        return E_INVALIDARG;
    *g = r;
    return S_OK;
}

}  // namespace voxmill
