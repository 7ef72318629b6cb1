// A member of a collection as plug-ins see it. QueryInterface on it first
// loads the member, so asking it for IProjection yields the projection.
#pragma once

#include "contract/Com.h"

namespace voxmill {

// {433468F3-75C0-11D3-B408-A09D4B2B9A29}
inline constexpr IID IID_IListElement = {
    0x433468F3, 0x75C0, 0x11D3, {0xB4, 0x08, 0xA0, 0x9D, 0x4B, 0x2B, 0x9A, 0x29}};

class IListElement : public IUnknown {
public:
    virtual HRESULT Load() = 0;
    virtual HRESULT Unload() = 0;

protected:
    ~IListElement() = default;
};

}  // namespace voxmill
