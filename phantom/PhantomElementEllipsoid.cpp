#include "phantom/PhantomElementEllipsoid.h"

#include <algorithm>
#include <cmath>

#include "imaging/dib/Dib.h"
#include "phantom/ElementIcon.h"

namespace voxmill {
namespace {

// A disc lit from the upper left, so that it reads as a ball.
ElementIconColor ShadeBall(int x, int y) {
    const double u = (x + 0.5 - 8.0) / 6.5, v = (y + 0.5 - 8.0) / 6.5;
    const double rr = u * u + v * v;
    if (rr > 1.0) return {255, 255, 255};
    const double nz = std::sqrt(1.0 - rr);
    const double light = std::clamp(0.25 + 0.75 * (-0.45 * u - 0.45 * v + 0.77 * nz), 0.0, 1.0);
    return {static_cast<std::uint8_t>(40 + 150 * light), static_cast<std::uint8_t>(70 + 160 * light),
            static_cast<std::uint8_t>(120 + 135 * light)};
}

}  // namespace

VOXMILL_IMPLEMENT_SERIAL(CPhantomElementEllipsoid, CPhantomElement, 1)

CPhantomElementEllipsoid::CPhantomElementEllipsoid() = default;

CPhantomElementEllipsoid::~CPhantomElementEllipsoid() = default;

const CDib* CPhantomElementEllipsoid::GetBitmap() {
    if (!m_pBitmap) {
        m_bitmap = DrawElementIcon(&ShadeBall);
        m_pBitmap = m_bitmap.get();
    }
    return m_pBitmap;
}

bool CPhantomElementEllipsoid::IsInsideUnit(const CVector4& q) const {
    return q.x * q.x + q.y * q.y + q.z * q.z <= 1.0;
}

bool CPhantomElementEllipsoid::IntersectUnit(const CPoint4& p, const CDirection4& d, CPoint4& q1,
                                             CPoint4& q2) const {
    const double a = d.x * d.x + d.y * d.y + d.z * d.z;
    // A zero direction is no line; the quadratic would divide by zero.
    if (a == 0.0) return false;
    const double b = p.x * d.x + p.y * d.y + p.z * d.z;
    const double c = p.x * p.x + p.y * p.y + p.z * p.z - 1.0;
    const double disc = b * b - a * c;
    if (disc < 0.0) return false;
    const double r = std::sqrt(disc);
    const double t1 = (r - b) / a;
    const double t2 = (-b - r) / a;
    q1 = CPoint4(p.x + t1 * d.x, p.y + t1 * d.y, p.z + t1 * d.z);
    q2 = CPoint4(p.x + t2 * d.x, p.y + t2 * d.y, p.z + t2 * d.z);
    return true;
}

}  // namespace voxmill
