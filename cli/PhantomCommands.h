// voxmill-cli phantom ...: create, edit, list phantom files and write the
// Shepp-Logan head phantom.
#pragma once

namespace voxmill::cli {

class Args;

extern const char* const kPhantomUsage;
int RunPhantomCommand(Args& args);

}  // namespace voxmill::cli
