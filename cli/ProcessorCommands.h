// voxmill-cli warp ...: the processor window's "Render" on a projection
// collection file, with the "Warping" page's values as options.
#pragma once

namespace voxmill::cli {

class Args;

extern const char* const kWarpUsage;
int RunWarpCommand(Args& args);

}  // namespace voxmill::cli
