// The backprojector's "Target" page: the drop site that takes a projection
// collection (target code 101) or a phantom (100) over with the link
// effect and refuses every other drag. It shows the held target's registry
// type name next to "Target type:" ("n/a" without one) and its icon; the
// target it holds is what "Render" reconstructs from.
#pragma once

#include "app/ui/TargetPage.h"

namespace voxmill {

class CBackProjectorPropertyPage_Target : public CTargetPage {
    Q_OBJECT

public:
    explicit CBackProjectorPropertyPage_Target(QWidget* parent = nullptr);

    static QString Title() { return QStringLiteral("Target"); }
};

}  // namespace voxmill
