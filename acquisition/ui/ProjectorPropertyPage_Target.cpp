#include "acquisition/ui/ProjectorPropertyPage_Target.h"

#include "app/Target.h"

namespace voxmill {

CProjectorPropertyPage_Target::CProjectorPropertyPage_Target(QWidget* parent)
    : CTargetPage({kTargetPhantom, kTargetDigitizer}, parent) {}

}  // namespace voxmill
