// A client site that is also an advise sink, counting its references and
// OnClose calls. With an object and its connections set, OnClose unadvises
// them all from inside the notification, as a host closing down may do.
#pragma once

#include <vector>

#include "contract/Ole.h"

namespace voxmill::test {

class FakeSite : public IOleClientSite, public IAdviseSink {
public:
    HRESULT QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG Release() override { return static_cast<ULONG>(--refs); }
    HRESULT SaveObject() override { return S_OK; }
    HRESULT GetMoniker(DWORD, DWORD, IUnknown**) override { return E_NOTIMPL; }
    HRESULT GetContainer(IUnknown**) override { return E_NOTIMPL; }
    HRESULT ShowObject() override { return S_OK; }
    HRESULT OnShowWindow(BOOL) override { return S_OK; }
    HRESULT RequestNewObjectLayout() override { return S_OK; }
    void OnDataChange(void*, void*) override {}
    void OnViewChange(DWORD, LONG) override {}
    void OnRename(IUnknown*) override {}
    void OnSave() override {}
    void OnClose() override {
        ++closes;
        if (object)
            for (DWORD connection : connections) unadviseResults.push_back(object->Unadvise(connection));
    }

    int refs = 0;
    int closes = 0;
    IOleObject* object = nullptr;
    std::vector<DWORD> connections;
    std::vector<HRESULT> unadviseResults;
};

// Connects `count` sinks to `object`, each unadvising itself (and the
// others) when closed, closes it, and checks every sink was told once and
// released.
template <class Expect>
void CloseWithSelfRemovingSinks(IOleObject* object, Expect expect) {
    std::vector<FakeSite> sites(3);
    std::vector<DWORD> all;
    for (FakeSite& site : sites) {
        DWORD connection = 0;
        object->Advise(&site, &connection);
        all.push_back(connection);
    }
    for (FakeSite& site : sites) {
        site.object = object;
        site.connections = all;
    }
    object->Close(0);
    for (const FakeSite& site : sites) expect(site);
}

}  // namespace voxmill::test
