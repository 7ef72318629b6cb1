// A projection collection as renderer plug-ins see it. Entries are loaded
// on demand: asking an entry for IProjection reads a linked member's file.
#pragma once

#include "contract/Com.h"
#include "contract/ListElement.h"

namespace voxmill {

// {1EB83460-7581-11D3-B408-A09D4B2B9A29}
inline constexpr IID IID_IProjectionCollection = {
    0x1EB83460, 0x7581, 0x11D3, {0xB4, 0x08, 0xA0, 0x9D, 0x4B, 0x2B, 0x9A, 0x29}};

class IProjectionCollection : public IUnknown {
public:
    virtual HRESULT IsValid(LONG* valid) = 0;
    virtual HRESULT GetCount(LONG* count) = 0;
    // Null first; E_NOINTERFACE when the entry holds nothing.
    virtual HRESULT GetItem(LONG index, IListElement** item) = 0;

protected:
    ~IProjectionCollection() = default;
};

}  // namespace voxmill
