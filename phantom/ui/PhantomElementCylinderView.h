// The editing window of a truncated cylinder: the element form with the primitive
// "Unit cylinder".
#pragma once

#include "phantom/ui/PhantomElementView.h"

namespace voxmill {

class CPhantomElementCylinderView : public CPhantomElementView {
    Q_OBJECT

public:
    explicit CPhantomElementCylinderView(QWidget* parent = nullptr);
    ~CPhantomElementCylinderView() override;

protected:
    QString PrimitiveText() const override;
};

}  // namespace voxmill
