// voxmill-cli digitizer info and grab ...: the frame grabber without a
// window. Both load the grabber's libraries as the workbench does at
// start-up and free them when done.
#pragma once

namespace voxmill::cli {

class Args;

extern const char* const kDigitizerUsage;
int RunDigitizerCommand(Args& args);
extern const char* const kGrabUsage;
int RunGrabCommand(Args& args);

}  // namespace voxmill::cli
