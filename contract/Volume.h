// A voxel volume as renderer plug-ins see it: a box centred on the origin,
// voxel (i, j, k) at index i + nX (j + nY k), centre x = xMin + i pitchX,
// y = yMax - j pitchY, z = zMax - k pitchZ. Y is the rotation axis.
#pragma once

#include "contract/Com.h"

namespace voxmill {

// {25BD38E0-7581-11D3-B408-A09D4B2B9A29}
inline constexpr IID IID_IVolume = {
    0x25BD38E0, 0x7581, 0x11D3, {0xB4, 0x08, 0xA0, 0x9D, 0x4B, 0x2B, 0x9A, 0x29}};

class IVolume : public IUnknown {
public:
    virtual HRESULT GetGeometry(float* dimX, float* dimY, float* dimZ, float* xMin, float* yMin, float* zMin,
                                float* xMax, float* yMax, float* zMax, float* pitchX, float* pitchY,
                                float* pitchZ, LONG* nX, LONG* nY, LONG* nZ) = 0;
    // The only buffer a renderer may write.
    virtual HRESULT GetData(float** voxels) = 0;

protected:
    ~IVolume() = default;
};

}  // namespace voxmill
