#include "renderers/common/RendererControl.h"

#include <algorithm>
#include <string_view>

#include "renderers/common/Parallel.h"
#include "renderers/common/RendererModule.h"

namespace voxmill {
namespace {

OLECHAR* TaskString(std::u16string_view text) {
    auto* copy = static_cast<OLECHAR*>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
    if (!copy) return nullptr;
    std::copy(text.begin(), text.end(), copy);
    copy[text.size()] = 0;
    return copy;
}

}  // namespace

CRendererControl::CRendererControl(const Identity& identity,
                                   std::span<const CDispatchProperties::Property> properties)
    : m_identity(identity), m_properties(properties), m_threads(CParallel::DefaultThreads()) {
    CRendererModule::ObjectCreated();
}

CRendererControl::~CRendererControl() {
    m_sinks.ReleaseAll();
    SetClientSite(nullptr);
    CRendererModule::ObjectDestroyed();
}

HRESULT CRendererControl::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IRenderer) *object = static_cast<IRenderer*>(this);
    else if (riid == IID_IDispatch || riid == m_identity.dispatch) *object = static_cast<IDispatch*>(this);
    else if (riid == IID_IOleObject) *object = static_cast<IOleObject*>(this);
    else if (riid == IID_ISpecifyPropertyPages) *object = static_cast<ISpecifyPropertyPages*>(this);
    else if (riid == IID_IPersistStorage) *object = static_cast<IPersistStorage*>(this);
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG CRendererControl::AddRef() { return ++m_refs; }

ULONG CRendererControl::Release() {
    const ULONG refs = --m_refs;
    if (refs == 0) delete this;
    return refs;
}

void CRendererControl::SetThreads(int threads) { m_threads = std::clamp(threads, 1, CParallel::kMaxThreads); }

// --- IDispatch ---

HRESULT CRendererControl::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT CRendererControl::GetTypeInfo(UINT, LCID, void** typeInfo) {
    if (typeInfo) *typeInfo = nullptr;
    return E_NOTIMPL;
}

HRESULT CRendererControl::GetIDsOfNames(REFIID, const OLECHAR** names, UINT count, LCID, DISPID* ids) {
    return m_properties.GetIDsOfNames(names, count, ids);
}

HRESULT CRendererControl::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, void*,
                                 UINT*) {
    return m_properties.Invoke(
        id, flags, params, result, [this](DISPID which) { return GetProperty(which); },
        [this](DISPID which, LONG value) {
            const HRESULT hr = PutProperty(which, value);
            if (SUCCEEDED(hr)) m_modified = true;
            return hr;
        });
}

// --- IOleObject ---

HRESULT CRendererControl::SetClientSite(IOleClientSite* site) {
    if (site) site->AddRef();
    if (m_site) m_site->Release();
    m_site = site;
    return S_OK;
}

HRESULT CRendererControl::GetClientSite(IOleClientSite** site) {
    if (!site) return E_POINTER;
    *site = m_site;
    if (m_site) m_site->AddRef();
    return S_OK;
}

HRESULT CRendererControl::Close(DWORD) {
    // Nothing is persisted, so every save option closes alike.
    m_sinks.CloseAll();
    SetClientSite(nullptr);
    return S_OK;
}

HRESULT CRendererControl::GetUserClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = m_identity.control;
    return S_OK;
}

HRESULT CRendererControl::GetUserType(DWORD form, OLECHAR** userType) {
    if (!userType) return E_POINTER;
    *userType = nullptr;
    std::u16string_view name;
    switch (form) {
        case USERCLASSTYPE_FULL: name = m_identity.fullName; break;
        case USERCLASSTYPE_SHORT:
        case USERCLASSTYPE_APPNAME: name = m_identity.shortName; break;
        default: return E_INVALIDARG;
    }
    *userType = TaskString(name);
    return *userType ? S_OK : E_OUTOFMEMORY;
}

HRESULT CRendererControl::Advise(IAdviseSink* sink, DWORD* connection) { return m_sinks.Advise(sink, connection); }

HRESULT CRendererControl::Unadvise(DWORD connection) { return m_sinks.Unadvise(connection); }

// --- ISpecifyPropertyPages ---

HRESULT CRendererControl::GetPages(CAUUID* pages) {
    if (!pages) return E_POINTER;
    pages->cElems = 0;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems) return E_OUTOFMEMORY;
    pages->pElems[0] = m_identity.page;
    pages->cElems = 1;
    return S_OK;
}

}  // namespace voxmill
