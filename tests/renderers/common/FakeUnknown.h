// The IUnknown part of the test's program-side objects: they answer for
// IUnknown and their one interface, and, like the program's documents, do
// not count references (the renderer never releases what it is handed).
#pragma once

#include "contract/Com.h"

namespace voxmill::test {

template <class Interface, const IID* Iid>
class FakeUnknown : public Interface {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (riid != IID_IUnknown && riid != *Iid) return E_NOINTERFACE;
        *object = static_cast<Interface*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }

    virtual ~FakeUnknown() = default;
};

}  // namespace voxmill::test
