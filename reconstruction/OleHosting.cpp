#include "reconstruction/OleHosting.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "app/archive/ErrorSink.h"
#include "contract/Registry.h"
#include "reconstruction/HResultText.h"
#include "reconstruction/PluginModule.h"
#include "reconstruction/PluginRegistry.h"
#include "reconstruction/Utf16.h"

namespace voxmill {
namespace {

// The locale the host passes to controls (the system default).
constexpr LCID kHostLocale = 0x800;

template <class I>
I* Query(IUnknown* object, REFIID iid) {
    void* p = nullptr;
    if (!object || FAILED(object->QueryInterface(iid, &p))) return nullptr;
    return static_cast<I*>(p);
}

IDispatch* DispatchOf(IUnknown* object) { return Query<IDispatch>(object, IID_IDispatch); }

HRESULT DispIdOf(IDispatch* dispatch, const std::string& name, DISPID* id) {
    const std::u16string wide = Utf8ToUtf16(name);
    const OLECHAR* names[] = {wide.c_str()};
    return dispatch->GetIDsOfNames(GUID_NULL, names, 1, kHostLocale, id);
}

// The variants that can carry `text`, most natural first.
std::vector<VARIANT> CandidateVariants(const std::string& text) {
    std::vector<VARIANT> candidates;
    const auto add = [&](VARTYPE vt, auto set) {
        VARIANT v;
        v.vt = vt;
        set(v);
        candidates.push_back(v);
    };
    std::string lower;
    for (char c : text) lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    if (lower == "true" || lower == "false" || lower == "on" || lower == "off" || lower == "yes" || lower == "no") {
        const bool b = lower == "true" || lower == "on" || lower == "yes";
        add(VT_BOOL, [&](VARIANT& v) { v.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE; });
        add(VT_I4, [&](VARIANT& v) { v.lVal = b ? 1 : 0; });
        add(VT_I2, [&](VARIANT& v) { v.iVal = b ? 1 : 0; });
        return candidates;
    }
    if (text.empty()) return candidates;
    errno = 0;
    char* end = nullptr;
    const long long n = std::strtoll(text.c_str(), &end, 10);
    if (*end == '\0' && errno == 0) {
        if (n >= std::numeric_limits<LONG>::min() && n <= std::numeric_limits<LONG>::max())
            add(VT_I4, [&](VARIANT& v) { v.lVal = static_cast<LONG>(n); });
        if (n >= std::numeric_limits<SHORT>::min() && n <= std::numeric_limits<SHORT>::max())
            add(VT_I2, [&](VARIANT& v) { v.iVal = static_cast<SHORT>(n); });
        if (n == 0 || n == 1) add(VT_BOOL, [&](VARIANT& v) { v.boolVal = n ? VARIANT_TRUE : VARIANT_FALSE; });
        add(VT_R8, [&](VARIANT& v) { v.dblVal = static_cast<double>(n); });
        return candidates;
    }
    errno = 0;
    const double d = std::strtod(text.c_str(), &end);
    if (*end == '\0' && errno == 0 && std::isfinite(d)) add(VT_R8, [&](VARIANT& v) { v.dblVal = d; });
    return candidates;
}

}  // namespace

HRESULT OleCreateControl(const CPluginRegistry& registry, REFCLSID clsid, IOleClientSite* site, IStorage* storage,
                         IOleObject** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!storage) {
        ReportError("Plug-in " + StringFromGUID(clsid) + ": no scratch storage to create it in");
        return E_INVALIDARG;
    }
    IOleObject* created = nullptr;
    HRESULT hr = registry.CreateInstance(clsid, IID_IOleObject, reinterpret_cast<void**>(&created));
    if (FAILED(hr)) return hr;
    hr = created->SetClientSite(site);
    if (SUCCEEDED(hr)) {
        if (IPersistStorage* persist = Query<IPersistStorage>(created, IID_IPersistStorage)) {
            hr = persist->InitNew(storage);
            persist->Release();
        }
    }
    if (FAILED(hr)) {
        ReportError("Plug-in " + StringFromGUID(clsid) + ": the control refused its site or storage (" +
                    HResultText(hr) + ")");
        created->Close(OLECLOSE_NOSAVE);
        created->Release();
        return hr;
    }
    *object = created;
    return S_OK;
}

std::string GetFullUserType(IOleObject* object) {
    if (!object) return {};
    OLECHAR* text = nullptr;
    if (FAILED(object->GetUserType(USERCLASSTYPE_FULL, &text)) || !text) return {};
    std::string result = Utf16ToUtf8(text);
    CoTaskMemFree(text);
    return result;
}

std::vector<CLSID> GetPropertyPageIds(IUnknown* object) {
    std::vector<CLSID> ids;
    ISpecifyPropertyPages* specify = Query<ISpecifyPropertyPages>(object, IID_ISpecifyPropertyPages);
    if (!specify) return ids;
    CAUUID pages{0, nullptr};
    if (SUCCEEDED(specify->GetPages(&pages)) && pages.pElems)
        ids.assign(pages.pElems, pages.pElems + pages.cElems);
    CoTaskMemFree(pages.pElems);
    specify->Release();
    return ids;
}

IPropertyPage* CreatePropertyPage(const CPluginRegistry& registry, REFCLSID ownerClass, REFCLSID pageClass,
                                  IUnknown* object) {
    IPropertyPage* page = nullptr;
    const std::string ownerModule = registry.GetModulePath(ownerClass);
    std::string error;
    CPluginModule* module = ownerModule.empty() ? nullptr : CPluginModule::Open(ownerModule, &error);
    IClassFactory* factory = nullptr;
    if (module)
        module->GetClassObject(pageClass, IID_IClassFactory, reinterpret_cast<void**>(&factory), &error);
    if (factory) {
        const HRESULT hr = factory->CreateInstance(nullptr, IID_IPropertyPage, reinterpret_cast<void**>(&page));
        factory->Release();
        if (FAILED(hr)) page = nullptr;
    }
    if (!page) registry.CreateInstance(pageClass, IID_IPropertyPage, reinterpret_cast<void**>(&page));
    if (!page) return nullptr;
    IUnknown* objects[] = {object};
    if (FAILED(page->SetObjects(1, objects))) {
        ReportError("Property page " + StringFromGUID(pageClass) + " refused its object");
        page->Release();
        return nullptr;
    }
    return page;
}

HRESULT SetDispatchProperty(IUnknown* object, const std::string& name, const std::string& value,
                            std::string* error) {
    const auto fail = [&](HRESULT hr, const std::string& why) {
        if (error) *error = why;
        return hr;
    };
    IDispatch* dispatch = DispatchOf(object);
    if (!dispatch) return fail(E_NOINTERFACE, "the renderer has no dispatch interface");
    DISPID id = 0;
    HRESULT hr = DispIdOf(dispatch, name, &id);
    if (FAILED(hr)) {
        dispatch->Release();
        return fail(hr, "the renderer has no property '" + name + "'");
    }
    std::vector<VARIANT> candidates = CandidateVariants(value);
    if (candidates.empty()) {
        dispatch->Release();
        return fail(E_INVALIDARG, "value '" + value + "' of " + name + " is neither a number nor true/false");
    }
    DISPID named = DISPID_PROPERTYPUT;
    hr = DISP_E_TYPEMISMATCH;
    for (VARIANT& v : candidates) {
        DISPPARAMS params{&v, &named, 1, 1};
        UINT argErr = 0;
        hr = dispatch->Invoke(id, GUID_NULL, kHostLocale, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, &argErr);
        if (hr != DISP_E_TYPEMISMATCH) break;
    }
    dispatch->Release();
    if (FAILED(hr)) return fail(hr, "the renderer refused " + name + "=" + value + " (" + HResultText(hr) + ")");
    return hr;
}

HRESULT GetDispatchProperty(IUnknown* object, const std::string& name, VARIANT* value) {
    if (!value) return E_POINTER;
    IDispatch* dispatch = DispatchOf(object);
    if (!dispatch) return E_NOINTERFACE;
    DISPID id = 0;
    HRESULT hr = DispIdOf(dispatch, name, &id);
    if (SUCCEEDED(hr)) {
        DISPPARAMS params{nullptr, nullptr, 0, 0};
        UINT argErr = 0;
        hr = dispatch->Invoke(id, GUID_NULL, kHostLocale, DISPATCH_PROPERTYGET, &params, value, nullptr, &argErr);
    }
    dispatch->Release();
    return hr;
}

}  // namespace voxmill
