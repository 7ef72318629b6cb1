#include "reconstruction/ui/BackProjectorPropertyPage_Options.h"

namespace voxmill {

CBackProjectorPropertyPage_Options::CBackProjectorPropertyPage_Options(QWidget* parent) : QWidget(parent) {}

}  // namespace voxmill
