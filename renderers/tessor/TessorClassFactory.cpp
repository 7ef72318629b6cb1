#include "renderers/tessor/TessorClassFactory.h"

#include <new>

#include "renderers/tessor/TessorModule.h"

namespace voxmill {

CTessorClassFactory* CTessorClassFactory::Create(Creator creator) {
    return creator ? new (std::nothrow) CTessorClassFactory(creator) : nullptr;
}

CTessorClassFactory::CTessorClassFactory(Creator creator) : m_creator(creator) { CTessorModule::ObjectCreated(); }

CTessorClassFactory::~CTessorClassFactory() { CTessorModule::ObjectDestroyed(); }

HRESULT CTessorClassFactory::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

ULONG CTessorClassFactory::AddRef() { return ++m_refs; }

ULONG CTessorClassFactory::Release() {
    const ULONG refs = --m_refs;
    if (refs == 0) delete this;
    return refs;
}

HRESULT CTessorClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return m_creator(riid, object);
}

HRESULT CTessorClassFactory::LockServer(BOOL lock) {
    CTessorModule::Lock(lock != 0);
    return S_OK;
}

}  // namespace voxmill
