#include "reconstruction/ui/BackProjectorPropertyPage_Target.h"

#include "app/Target.h"

namespace voxmill {

CBackProjectorPropertyPage_Target::CBackProjectorPropertyPage_Target(QWidget* parent)
    : CTargetPage({kTargetProjectionCollection, kTargetPhantom}, parent) {}

}  // namespace voxmill
