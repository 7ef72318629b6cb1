// Phantom interfaces seen by renderer plug-ins. The program's getters hand
// out pointers without adding a reference; callers never release them.
#pragma once

#include "contract/Com.h"

namespace voxmill {

// {C7135AD9-1A4D-424F-8581-786055C59910}
inline constexpr IID IID_IPhantomElement = {
    0xC7135AD9, 0x1A4D, 0x424F, {0x85, 0x81, 0x78, 0x60, 0x55, 0xC5, 0x99, 0x10}};
// {65566483-7589-11D3-B408-A09D4B2B9A29}
inline constexpr IID IID_IPhantom = {
    0x65566483, 0x7589, 0x11D3, {0xB4, 0x08, 0xA0, 0x9D, 0x4B, 0x2B, 0x9A, 0x29}};

class IPhantomElement : public IUnknown {
public:
    // World point in; MU out only when the point is inside (S_OK), else E_FAIL.
    virtual HRESULT Sample(float x, float y, float z, float* mu) = 0;

protected:
    ~IPhantomElement() = default;
};

class IPhantom : public IUnknown {
public:
    virtual HRESULT GetCount(LONG* count) = 0;
    virtual HRESULT GetElement(LONG index, IPhantomElement** element) = 0;

protected:
    ~IPhantom() = default;
};

}  // namespace voxmill
