#include "renderers/tessor/TessorCtrl.h"

#include <algorithm>
#include <new>
#include <string_view>

#include "renderers/common/Parallel.h"
#include "renderers/tessor/TessorIds.h"
#include "renderers/common/RendererModule.h"
#include "renderers/tessor/TessorReconstruction.h"

namespace voxmill {
namespace {

inline constexpr DISPID kDispidUnknown = -1;

// Dispatch names compare without regard to ASCII case, as OLE does.
bool SameName(const OLECHAR* name, std::string_view ascii) {
    std::size_t n = 0;
    for (; name[n] != 0; ++n) {
        if (n >= ascii.size()) return false;
        auto lower = [](char32_t c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
        if (lower(name[n]) != lower(static_cast<unsigned char>(ascii[n]))) return false;
    }
    return n == ascii.size();
}

OLECHAR* TaskString(std::u16string_view text) {
    auto* copy = static_cast<OLECHAR*>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
    if (!copy) return nullptr;
    std::copy(text.begin(), text.end(), copy);
    copy[text.size()] = 0;
    return copy;
}

// A VARIANT's value as an integer, for the coercions a property put allows.
bool IntegerOf(const VARIANT& value, LONG* out) {
    switch (value.vt) {
        case VT_I2: *out = value.iVal; return true;
        case VT_I4: *out = value.lVal; return true;
        case VT_BOOL: *out = value.boolVal; return true;
        default: return false;
    }
}

}  // namespace

CTessorCtrl* CTessorCtrl::Create() { return new (std::nothrow) CTessorCtrl; }

HRESULT CTessorCtrl::CreateInstance(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    CTessorCtrl* ctrl = Create();
    if (!ctrl) return E_OUTOFMEMORY;
    const HRESULT hr = ctrl->QueryInterface(riid, object);
    ctrl->Release();
    return hr;
}

CTessorCtrl::CTessorCtrl() : m_threads(CParallel::DefaultThreads()) { CRendererModule::ObjectCreated(); }

CTessorCtrl::~CTessorCtrl() {
    ReleaseSiteAndSinks();
    CRendererModule::ObjectDestroyed();
}

HRESULT CTessorCtrl::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid == IID_IUnknown || riid == IID_IRenderer) *object = static_cast<IRenderer*>(this);
    else if (riid == IID_IDispatch || riid == DIID__DTessor) *object = static_cast<IDispatch*>(this);
    else if (riid == IID_IOleObject) *object = static_cast<IOleObject*>(this);
    else if (riid == IID_ISpecifyPropertyPages) *object = static_cast<ISpecifyPropertyPages*>(this);
    else if (riid == IID_IPersistStorage) *object = static_cast<IPersistStorage*>(this);
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG CTessorCtrl::AddRef() { return ++m_refs; }

ULONG CTessorCtrl::Release() {
    const ULONG refs = --m_refs;
    if (refs == 0) delete this;
    return refs;
}

void CTessorCtrl::SetThreads(int threads) { m_threads = std::clamp(threads, 1, CParallel::kMaxThreads); }

// --- IRenderer ---

HRESULT CTessorCtrl::Synthesize(IProgress* progress, IPhantom* phantom, IVolume* volume) {
    if (!progress || !phantom || !volume) return E_POINTER;
    return CTessorReconstruction(m_threads).Synthesize(progress, phantom, volume);
}

HRESULT CTessorCtrl::ProcessProjection(IProgress* progress, IProjection* projection, IVolume* volume) {
    if (!progress || !projection || !volume) return E_POINTER;
    if (m_processCollection) return E_NOTIMPL;
    return CTessorReconstruction(m_threads).ProcessProjection(projection, volume);
}

HRESULT CTessorCtrl::ProcessCollection(IProgress* progress, IProjectionCollection* collection, IVolume* volume) {
    if (!progress || !collection || !volume) return E_POINTER;
    if (!m_processCollection) return E_NOTIMPL;
    return CTessorReconstruction(m_threads).ProcessCollection(progress, collection, volume);
}

// --- IDispatch ---

HRESULT CTessorCtrl::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT CTessorCtrl::GetTypeInfo(UINT, LCID, void** typeInfo) {
    if (typeInfo) *typeInfo = nullptr;
    return E_NOTIMPL;
}

HRESULT CTessorCtrl::GetIDsOfNames(REFIID, const OLECHAR** names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids) return E_POINTER;
    if (count == 0) return E_INVALIDARG;
    // Only the member name can be known: the properties take no named arguments.
    for (UINT n = 0; n < count; ++n) ids[n] = kDispidUnknown;
    if (!names[0]) return DISP_E_UNKNOWNNAME;
    if (SameName(names[0], "InterpolationMode")) ids[0] = DISPID_TESSOR_INTERPOLATIONMODE;
    else if (SameName(names[0], "IsProcessCollection")) ids[0] = DISPID_TESSOR_ISPROCESSCOLLECTION;
    return ids[0] != kDispidUnknown && count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

HRESULT CTessorCtrl::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, void*,
                            UINT*) {
    if (id != DISPID_TESSOR_INTERPOLATIONMODE && id != DISPID_TESSOR_ISPROCESSCOLLECTION)
        return DISP_E_MEMBERNOTFOUND;
    if (flags & DISPATCH_PROPERTYPUT) {
        if (!params || params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
        if (!params->rgvarg) return E_POINTER;
        return PutProperty(id, params->rgvarg[0]);
    }
    if (flags & DISPATCH_PROPERTYGET) {
        if (params && params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
        if (!result) return E_POINTER;
        return GetProperty(id, result);
    }
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT CTessorCtrl::PutProperty(DISPID id, const VARIANT& value) {
    LONG number = 0;
    if (!IntegerOf(value, &number)) return DISP_E_TYPEMISMATCH;
    if (id == DISPID_TESSOR_INTERPOLATIONMODE) {
        if (number < 0 || number >= kInterpolationModes) return E_INVALIDARG;
        m_interpolationMode = static_cast<SHORT>(number);
    } else {
        m_processCollection = number != 0;
    }
    m_modified = true;
    return S_OK;
}

HRESULT CTessorCtrl::GetProperty(DISPID id, VARIANT* result) const {
    if (id == DISPID_TESSOR_INTERPOLATIONMODE) {
        result->vt = VT_I2;
        result->iVal = m_interpolationMode;
    } else {
        result->vt = VT_BOOL;
        result->boolVal = m_processCollection ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return S_OK;
}

// --- IOleObject ---

HRESULT CTessorCtrl::SetClientSite(IOleClientSite* site) {
    if (site) site->AddRef();
    if (m_site) m_site->Release();
    m_site = site;
    return S_OK;
}

HRESULT CTessorCtrl::GetClientSite(IOleClientSite** site) {
    if (!site) return E_POINTER;
    *site = m_site;
    if (m_site) m_site->AddRef();
    return S_OK;
}

HRESULT CTessorCtrl::Close(DWORD) {
    // Nothing is persisted, so every save option closes alike.
    m_sinks.CloseAll();
    SetClientSite(nullptr);
    return S_OK;
}

void CTessorCtrl::ReleaseSiteAndSinks() {
    m_sinks.ReleaseAll();
    SetClientSite(nullptr);
}

HRESULT CTessorCtrl::GetUserClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_TessorCtrl;
    return S_OK;
}

HRESULT CTessorCtrl::GetUserType(DWORD form, OLECHAR** userType) {
    if (!userType) return E_POINTER;
    *userType = nullptr;
    std::u16string_view name;
    switch (form) {
        case USERCLASSTYPE_FULL: name = u"Tessor Control"; break;
        case USERCLASSTYPE_SHORT: name = u"Tessor"; break;
        case USERCLASSTYPE_APPNAME: name = u"Tessor"; break;
        default: return E_INVALIDARG;
    }
    *userType = TaskString(name);
    return *userType ? S_OK : E_OUTOFMEMORY;
}

HRESULT CTessorCtrl::Advise(IAdviseSink* sink, DWORD* connection) { return m_sinks.Advise(sink, connection); }

HRESULT CTessorCtrl::Unadvise(DWORD connection) { return m_sinks.Unadvise(connection); }

// --- ISpecifyPropertyPages ---

HRESULT CTessorCtrl::GetPages(CAUUID* pages) {
    if (!pages) return E_POINTER;
    pages->cElems = 0;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems) return E_OUTOFMEMORY;
    pages->pElems[0] = CLSID_TessorPropPage;
    pages->cElems = 1;
    return S_OK;
}

// --- IPersistStorage ---

HRESULT CTessorCtrl::InitNew(IStorage*) {
    // The options are not persisted: a new control starts from zero.
    m_interpolationMode = 0;
    m_processCollection = false;
    m_modified = false;
    return S_OK;
}

}  // namespace voxmill
