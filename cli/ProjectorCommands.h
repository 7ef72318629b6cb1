// voxmill-cli project ...: a simulated cone-beam acquisition of a phantom
// file into a projection collection file, with the projector window's
// options.
#pragma once

namespace voxmill::cli {

class Args;

extern const char* const kProjectUsage;
int RunProjectCommand(Args& args);

}  // namespace voxmill::cli
