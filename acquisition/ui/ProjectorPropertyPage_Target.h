// The projector's "Target" page: the drop site that takes a phantom
// (target code 100) or a digitizer (103) over with the link effect, shows
// its registry type name ("Phantom Document", "n/a" without a target) and
// its icon, and gives it its own window back on a double click.
#pragma once

#include "app/ui/TargetPage.h"

namespace voxmill {

class CProjectorPropertyPage_Target : public CTargetPage {
    Q_OBJECT

public:
    explicit CProjectorPropertyPage_Target(QWidget* parent = nullptr);

    static QString Title() { return QStringLiteral("Target"); }

protected:
    // The same page for other operators, with the codes they accept.
    CProjectorPropertyPage_Target(std::vector<std::uint16_t> acceptedTypes, QWidget* parent);
};

}  // namespace voxmill
