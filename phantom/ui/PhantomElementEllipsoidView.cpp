#include "phantom/ui/PhantomElementEllipsoidView.h"

#include "phantom/PhantomElementEllipsoid.h"

namespace voxmill {

CPhantomElementEllipsoidView::CPhantomElementEllipsoidView(QWidget* parent) : CPhantomElementView(parent) {}

CPhantomElementEllipsoidView::~CPhantomElementEllipsoidView() { DetachFromDocument(); }

QString CPhantomElementEllipsoidView::PrimitiveText() const {
    return QString::fromLatin1(CPhantomElementEllipsoid::kPrimitiveText);
}

}  // namespace voxmill
