// The bodies of a renderer module's four entry points, shared by the
// modules: each module's exports file defines the extern "C" functions
// and forwards to these with its identity and its creatable classes.
#pragma once

#include <span>
#include <string>

#include "contract/Ole.h"
#include "contract/Registry.h"
#include "renderers/common/RendererClassFactory.h"
#include "renderers/common/RendererModule.h"
#include "renderers/common/RendererRegistration.h"

namespace voxmill {

class CRendererExports {
public:
    struct Class {
        CLSID clsid;
        CRendererClassFactory::Creator creator;
    };

    // `anchor` is any address inside the module, to find its path.
    static HRESULT Register(const CRendererRegistration::Identity& identity, const void* anchor) {
        return CRendererRegistration::Register(identity, CRegistry::DefaultPath(), CRegistry::ModulePathOf(anchor));
    }
    static HRESULT Unregister(const CRendererRegistration::Identity& identity) {
        return CRendererRegistration::Unregister(identity, CRegistry::DefaultPath());
    }
    static HRESULT GetClassObject(std::span<const Class> classes, const CLSID& clsid, const IID& iid,
                                  void** object) {
        if (!object) return E_POINTER;
        *object = nullptr;
        for (const Class& c : classes) {
            if (c.clsid != clsid) continue;
            CRendererClassFactory* factory = CRendererClassFactory::Create(c.creator);
            if (!factory) return E_OUTOFMEMORY;
            const HRESULT hr = factory->QueryInterface(iid, object);
            factory->Release();
            return hr;
        }
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    static HRESULT CanUnloadNow() { return CRendererModule::CanUnload() ? S_OK : S_FALSE; }
};

}  // namespace voxmill
