#include "renderers/common/Voxelizer.h"

#include <algorithm>

#include "renderers/common/EntryAccess.h"
#include "renderers/common/VolumeGrid.h"

namespace voxmill {

HRESULT CVoxelizer::Synthesize(IProgress* progress, IPhantom* phantom, IVolume* volume) {
    if (!progress || !phantom || !volume) return E_POINTER;
    CVolumeGrid g;
    if (const HRESULT hr = CVolumeGrid::Read(volume, &g); FAILED(hr)) return hr;
    LONG count = 0;
    if (FAILED(phantom->GetCount(&count))) return E_FAIL;
    count = std::max<LONG>(count, 0);
    BeginProgress(progress, count, u"Sinthetizing...");
    for (LONG n = 0; n < count; ++n) {
        IPhantomElement* element = nullptr;
        if (SUCCEEDED(phantom->GetElement(n, &element)) && element) {
            for (LONG k = 0; k < g.nZ; ++k) {
                float* slab = g.Slab(k);
                for (LONG i = 0; i < g.nX; ++i) {
                    for (LONG j = 0; j < g.nY; ++j) {
                        float mu = 0;
                        if (element->Sample(g.x[i], g.y[j], g.z[k], &mu) == S_OK)
                            slab[static_cast<std::size_t>(j) * g.nX + i] += mu;
                    }
                }
            }
        }
        if (progress->Step() == E_ABORT) return E_ABORT;  // cancelled
    }
    return S_OK;
}

}  // namespace voxmill
