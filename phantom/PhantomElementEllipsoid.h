// An ellipsoid: the unit ball x² + y² + z² <= 1 placed by the element's
// transforms, so that its semi-axes are the scale factors.
#pragma once

#include <memory>

#include "phantom/PhantomElement.h"

namespace voxmill {

class CPhantomElementEllipsoid : public CPhantomElement {
    VOXMILL_DECLARE_SERIAL(CPhantomElementEllipsoid)

public:
    static constexpr const char* kPrimitiveText = "Unit ball";

    CPhantomElementEllipsoid();
    ~CPhantomElementEllipsoid() override;

    const CDib* GetBitmap() override;
    bool IntersectUnit(const CPoint4& p, const CDirection4& d, CPoint4& q1, CPoint4& q2) const override;
    bool IsInsideUnit(const CVector4& q) const override;

private:
    std::unique_ptr<CDib> m_bitmap;
};

}  // namespace voxmill
