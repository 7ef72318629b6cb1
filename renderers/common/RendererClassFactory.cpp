#include "renderers/common/RendererClassFactory.h"

#include <new>

#include "renderers/common/RendererModule.h"

namespace voxmill {

CRendererClassFactory* CRendererClassFactory::Create(Creator creator) {
    return creator ? new (std::nothrow) CRendererClassFactory(creator) : nullptr;
}

CRendererClassFactory::CRendererClassFactory(Creator creator) : m_creator(creator) { CRendererModule::ObjectCreated(); }

CRendererClassFactory::~CRendererClassFactory() { CRendererModule::ObjectDestroyed(); }

HRESULT CRendererClassFactory::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
}

ULONG CRendererClassFactory::AddRef() { return ++m_refs; }

ULONG CRendererClassFactory::Release() {
    const ULONG refs = --m_refs;
    if (refs == 0) delete this;
    return refs;
}

HRESULT CRendererClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return m_creator(riid, object);
}

HRESULT CRendererClassFactory::LockServer(BOOL lock) {
    CRendererModule::Lock(lock != 0);
    return S_OK;
}

}  // namespace voxmill
