#include "phantom/PhantomElementCylinder.h"

#include <algorithm>
#include <cmath>

#include "imaging/dib/Dib.h"
#include "phantom/ElementIcon.h"

namespace voxmill {
namespace {

// An upright cylinder seen slightly from above: a lit top cap over a body
// shaded across its width.
ElementIconColor ShadeCylinder(int x, int y) {
    const double u = (x + 0.5 - 8.0) / 5.5;  // -1..1 across the body
    const double cy = y + 0.5;
    const double top = 4.0, bottom = 12.0, capHalf = 2.0;
    if (std::fabs(u) > 1.0) return {255, 255, 255};
    const double rim = capHalf * std::sqrt(1.0 - u * u);
    if (cy >= top - rim && cy <= top + rim) return {200, 225, 250};  // top cap
    if (cy > top && cy <= bottom + rim) {
        const double light = std::clamp(0.3 + 0.7 * std::cos(1.2 * (u + 0.35)), 0.0, 1.0);
        return {static_cast<std::uint8_t>(40 + 150 * light), static_cast<std::uint8_t>(70 + 160 * light),
                static_cast<std::uint8_t>(120 + 135 * light)};
    }
    return {255, 255, 255};
}

// The point of the line p + t·d at height z = h; only called where d.z != 0.
CPoint4 AtHeight(const CPoint4& p, const CDirection4& d, double h) {
    const double t = (h - p.z) / d.z;
    return CPoint4(p.x + t * d.x, p.y + t * d.y, h);
}

}  // namespace

VOXMILL_IMPLEMENT_SERIAL(CPhantomElementCylinder, CPhantomElement, 1)

CPhantomElementCylinder::CPhantomElementCylinder() = default;

CPhantomElementCylinder::~CPhantomElementCylinder() = default;

const CDib* CPhantomElementCylinder::GetBitmap() {
    if (!m_pBitmap) {
        m_bitmap = DrawElementIcon(&ShadeCylinder);
        m_pBitmap = m_bitmap.get();
    }
    return m_pBitmap;
}

bool CPhantomElementCylinder::IsInsideUnit(const CVector4& q) const {
    return q.x * q.x + q.y * q.y <= 1.0 && q.z * q.z <= 1.0;
}

bool CPhantomElementCylinder::IntersectUnit(const CPoint4& p, const CDirection4& d, CPoint4& q1,
                                            CPoint4& q2) const {
    if (d.x == 0.0 && d.y == 0.0) {
        // A zero direction is no line and cuts nothing.
        if (d.z == 0.0) return false;
        if (p.x * p.x + p.y * p.y > 1.0) return false;
        q1 = CPoint4(p.x, p.y, +1.0);
        q2 = CPoint4(p.x, p.y, -1.0);
        return true;
    }

    const double a = d.x * d.x + d.y * d.y;
    const double b = p.x * d.x + p.y * d.y;
    const double c = p.x * p.x + p.y * p.y - 1.0;
    const double disc = b * b - a * c;
    if (disc < 0.0) return false;
    const double r = std::sqrt(disc);
    const double t1 = (r - b) / a;
    const double t2 = (-b - r) / a;
    q1 = CPoint4(p.x + t1 * d.x, p.y + t1 * d.y, p.z + t1 * d.z);
    q2 = CPoint4(p.x + t2 * d.x, p.y + t2 * d.y, p.z + t2 * d.z);
    const double z1 = q1.z, z2 = q2.z;

    // Clip the side chord to the caps. Where a point lies outside a cap the
    // line is not parallel to it, so d.z != 0 in every AtHeight call.
    if (z1 * z1 <= 1.0) {
        if (z2 > 1.0)
            q2 = AtHeight(p, d, +1.0);
        else if (z2 < -1.0)
            q2 = AtHeight(p, d, -1.0);
        return true;
    }
    if (z2 * z2 <= 1.0) {
        q1 = AtHeight(p, d, z1 > 1.0 ? +1.0 : -1.0);
        return true;
    }
    if (z1 > 1.0 && z2 < -1.0) {
        q1 = AtHeight(p, d, +1.0);
        q2 = AtHeight(p, d, -1.0);
        return true;
    }
    if (z1 >= -1.0) return false;  // both above the top cap
    if (z2 <= 1.0) return false;   // both below the bottom cap
    q1 = AtHeight(p, d, -1.0);
    q2 = AtHeight(p, d, +1.0);
    return true;
}

}  // namespace voxmill
