// voxmill-cli project ...: a simulated cone-beam acquisition of a phantom
// file into a projection collection file, with the projector window's
// options.
#pragma once

#include "acquisition/ProjectorOptions.h"

namespace voxmill::cli {

class Args;

extern const char* const kProjectUsage;
int RunProjectCommand(Args& args);
// The projector's values from --detector-size, --pixels, --ds, --dd,
// --start, --end and --steps, over the window's defaults (unchecked).
ProjectorPageValues ReadProjectorValues(Args& args);

}  // namespace voxmill::cli
