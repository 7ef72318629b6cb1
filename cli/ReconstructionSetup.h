// The pieces of `reconstruct` that voxmill-mpi runs too: the input document,
// the volume size, and the renderer with its options. Both programs set a
// run up through these, so their results can agree to the bit.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/Target.h"
#include "reconstruction/BackProjector.h"

namespace voxmill {
class CPluginRegistry;
}

namespace voxmill::cli {

class Args;

// The input document by its extension (.pha or .prs), read in full.
std::unique_ptr<CTarget> OpenTarget(const std::string& path);
// --volume-size DX DY DZ and --voxels NX NY NZ, with the defaults.
CBackProjector::VolumeSize ReadVolumeSize(Args& args);
// Loads the renderer named (display name or class id) from the registry
// and sets each PROPERTY=VALUE option on it. CliError on any failure.
void LoadRenderer(CBackProjector& backprojector, const CPluginRegistry& registry, const std::string& name,
                  const std::vector<std::string>& options);

}  // namespace voxmill::cli
