#include "imaging/ui/processor/ProcessorPropertyPage_Target.h"

#include "app/Target.h"

namespace voxmill {

CProcessorPropertyPage_Target::CProcessorPropertyPage_Target(QWidget* parent)
    : CProjectorPropertyPage_Target({kTargetProjectionCollection}, parent) {}

}  // namespace voxmill
