#include "phantom/ui/PhantomElementCylinderView.h"

#include "phantom/PhantomElementCylinder.h"

namespace voxmill {

CPhantomElementCylinderView::CPhantomElementCylinderView(QWidget* parent) : CPhantomElementView(parent) {}

CPhantomElementCylinderView::~CPhantomElementCylinderView() { DetachFromDocument(); }

QString CPhantomElementCylinderView::PrimitiveText() const {
    return QString::fromLatin1(CPhantomElementCylinder::kPrimitiveText);
}

}  // namespace voxmill
