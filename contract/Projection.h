// A projection as renderer plug-ins see it: an image of columns x rows float
// pixels in the detector plane, row 0 on top (largest v), column 0 on the
// left (smallest u), with the source and detector of its snapshot.
#pragma once

#include "contract/Com.h"

namespace voxmill {

// {6F6CD760-7589-11D3-B408-A09D4B2B9A29}
inline constexpr IID IID_IProjection = {
    0x6F6CD760, 0x7589, 0x11D3, {0xB4, 0x08, 0xA0, 0x9D, 0x4B, 0x2B, 0x9A, 0x29}};

class IProjection : public IUnknown {
public:
    virtual HRESULT GetGeometry(float* width, float* height, float* uMin, float* vMin, float* uMax, float* vMax,
                                float* du, float* dv, LONG* columns, LONG* rows) = 0;
    // Its distance from the origin is the source-axis distance R.
    virtual HRESULT GetSourcePosition(float* x, float* y, float* z) = 0;
    // Its distance from the origin plus R is the source-detector distance D.
    virtual HRESULT GetDetectorPosition(float* x, float* y, float* z) = 0;
    // The detector's rotation matrix (columns H, V, N), row-major m[4 r + c].
    virtual HRESULT GetMatrix(double* m) = 0;
    virtual HRESULT GetData(float** pixels) = 0;

protected:
    ~IProjection() = default;
};

}  // namespace voxmill
