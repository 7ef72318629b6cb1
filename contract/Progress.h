// The progress sink the backprojector hands to renderers.
#pragma once

#include "contract/Com.h"

namespace voxmill {

// {F4BA3052-7580-11D3-B408-A09D4B2B9A29}
inline constexpr IID IID_IProgress = {
    0xF4BA3052, 0x7580, 0x11D3, {0xB4, 0x08, 0xA0, 0x9D, 0x4B, 0x2B, 0x9A, 0x29}};

class IProgress : public IUnknown {
public:
    virtual HRESULT Begin(LONG count, BSTR caption) = 0;
    // E_ABORT asks the renderer to stop: the user cancelled the run, and
    // the volume will be thrown away. A renderer that carries on is safe.
    virtual HRESULT Step() = 0;

protected:
    ~IProgress() = default;
};

}  // namespace voxmill
