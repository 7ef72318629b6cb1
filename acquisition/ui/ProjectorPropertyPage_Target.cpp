#include "acquisition/ui/ProjectorPropertyPage_Target.h"

#include <utility>

#include "app/Target.h"

namespace voxmill {

CProjectorPropertyPage_Target::CProjectorPropertyPage_Target(QWidget* parent)
    : CTargetPage({kTargetPhantom, kTargetDigitizer}, parent) {}

CProjectorPropertyPage_Target::CProjectorPropertyPage_Target(std::vector<std::uint16_t> acceptedTypes,
                                                             QWidget* parent)
    : CTargetPage(std::move(acceptedTypes), parent) {}

}  // namespace voxmill
