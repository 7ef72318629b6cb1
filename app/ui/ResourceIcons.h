// The icons of the workbench's resources (the main frame 128, documents by
// their template's resource number, the plug-in icon 197), drawn at run
// time so that no image files ship with the program.
#pragma once

#include <QIcon>

namespace voxmill {

QIcon ResourceIcon(unsigned resourceId);

}  // namespace voxmill
