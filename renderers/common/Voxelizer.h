// Voxelization of a phantom, shared by the renderers: each element's MU is
// added to the voxels whose centres it contains (overlaps add up), with the
// progress started as "Sinthetizing..." and stepped once per element.
#pragma once

#include "contract/Phantom.h"
#include "contract/Progress.h"
#include "contract/Volume.h"

namespace voxmill {

class CVoxelizer {
public:
    static HRESULT Synthesize(IProgress* progress, IPhantom* phantom, IVolume* volume);
};

}  // namespace voxmill
