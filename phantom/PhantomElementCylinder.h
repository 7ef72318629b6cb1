// A truncated cylinder: the unit cylinder of radius 1 about the z axis with
// z from -1 to +1, placed by the element's transforms (radii sx, sy, half
// height sz before rotation).
#pragma once

#include <memory>

#include "phantom/PhantomElement.h"

namespace voxmill {

class CPhantomElementCylinder : public CPhantomElement {
    VOXMILL_DECLARE_SERIAL(CPhantomElementCylinder)

public:
    static constexpr const char* kPrimitiveText = "Unit cylinder";

    CPhantomElementCylinder();
    ~CPhantomElementCylinder() override;

    const CDib* GetBitmap() override;
    bool IntersectUnit(const CPoint4& p, const CDirection4& d, CPoint4& q1, CPoint4& q2) const override;
    bool IsInsideUnit(const CVector4& q) const override;

private:
    std::unique_ptr<CDib> m_bitmap;
};

}  // namespace voxmill
