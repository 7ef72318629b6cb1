// The editing window of an ellipsoid: the element form with the primitive
// "Unit ball".
#pragma once

#include "phantom/ui/PhantomElementView.h"

namespace voxmill {

class CPhantomElementEllipsoidView : public CPhantomElementView {
    Q_OBJECT

public:
    explicit CPhantomElementEllipsoidView(QWidget* parent = nullptr);
    ~CPhantomElementEllipsoidView() override;

protected:
    QString PrimitiveText() const override;
};

}  // namespace voxmill
