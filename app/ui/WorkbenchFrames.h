// The frame and view of every document kind the workbench shows, by the
// resource number of its template. Adding a kind's window is one row.
#pragma once

#include <vector>

#include "app/ui/FrameTable.h"

namespace voxmill {

const std::vector<FrameRow>& WorkbenchFrameTable();

}  // namespace voxmill
