// A renderer plug-in for the contract tests. It implements the renderer
// contract the simplest way that shows what the host did: every call is
// written to a log the tests read back, ProcessProjection adds 1 to every
// voxel, and ProcessCollection (when IsProcessCollection is set) does the
// same per entry while driving the progress itself.
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "contract/Ole.h"
#include "contract/Plugin.h"
#include "contract/Registry.h"
#include "contract/Renderer.h"
#include "tests/reconstruction/TestRendererIds.h"

using namespace voxmill;
using namespace voxmill::test;

namespace {

std::string& Log() {
    static std::string log;
    return log;
}

void Record(const std::string& line) { Log() += line + "\n"; }

OLECHAR* TaskString(const char* text) {
    const std::size_t n = std::strlen(text);
    auto* out = static_cast<OLECHAR*>(CoTaskMemAlloc((n + 1) * sizeof(OLECHAR)));
    for (std::size_t i = 0; i <= n; ++i) out[i] = static_cast<OLECHAR>(text[i]);
    return out;
}

bool SameName(const OLECHAR* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (*a != static_cast<OLECHAR>(*b)) return false;
    return *a == 0 && *b == 0;
}

constexpr DISPID kDispIsProcessCollection = 2;
constexpr DISPID kDispGain = 3;

class CTestRenderer final : public IOleObject,
                            public IPersistStorage,
                            public ISpecifyPropertyPages,
                            public IDispatch,
                            public IRenderer {
public:
    CTestRenderer(const CLSID& clsid, std::string tag) : m_clsid(clsid), m_tag(std::move(tag)) {}
    ~CTestRenderer() { Record(m_tag + " Destroyed"); }

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IOleObject) *ppv = static_cast<IOleObject*>(this);
        else if (riid == IID_IPersistStorage) *ppv = static_cast<IPersistStorage*>(this);
        else if (riid == IID_ISpecifyPropertyPages) *ppv = static_cast<ISpecifyPropertyPages*>(this);
        else if (riid == IID_IDispatch) *ppv = static_cast<IDispatch*>(this);
        else if (riid == IID_IRenderer) *ppv = static_cast<IRenderer*>(this);
        else return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override {
        const ULONG refs = --m_refs;
        if (refs == 0) delete this;
        return refs;
    }

    // IOleObject
    HRESULT SetClientSite(IOleClientSite* site) override {
        Record(m_tag + " SetClientSite " + (site ? "site" : "null"));
        if (site) site->AddRef();
        if (m_pSite) m_pSite->Release();
        m_pSite = site;
        return S_OK;
    }
    HRESULT GetClientSite(IOleClientSite** site) override {
        if (!site) return E_POINTER;
        *site = m_pSite;
        if (m_pSite) m_pSite->AddRef();
        return S_OK;
    }
    HRESULT Close(DWORD option) override {
        Record(m_tag + " Close " + std::to_string(option));
        if (m_pSite) m_pSite->Release();
        m_pSite = nullptr;
        return S_OK;
    }
    HRESULT GetUserClassID(CLSID* clsid) override {
        if (!clsid) return E_POINTER;
        *clsid = m_clsid;
        return S_OK;
    }
    HRESULT GetUserType(DWORD form, OLECHAR** userType) override {
        if (!userType) return E_POINTER;
        const std::string text = form == USERCLASSTYPE_FULL ? "Voxmill Test Renderer " + m_tag + " Control" : m_tag;
        *userType = TaskString(text.c_str());
        return S_OK;
    }
    HRESULT Advise(IAdviseSink* sink, DWORD* connection) override {
        if (!sink || !connection) return E_POINTER;
        Record(m_tag + " Advise");
        *connection = 7;
        return S_OK;
    }
    HRESULT Unadvise(DWORD connection) override {
        Record(m_tag + " Unadvise " + std::to_string(connection));
        return S_OK;
    }

    // IPersistStorage
    HRESULT InitNew(IStorage* storage) override {
        struct stat st {};
        const bool dir = storage && ::stat(storage->GetDirectory(), &st) == 0 && S_ISDIR(st.st_mode);
        Record(m_tag + " InitNew " + (dir ? "directory" : "none"));
        return storage ? S_OK : E_POINTER;
    }

    // ISpecifyPropertyPages
    HRESULT GetPages(CAUUID* pages) override {
        if (!pages) return E_POINTER;
        const bool isA = m_clsid == CLSID_TestRendererA;
        pages->cElems = isA ? 2 : 1;
        pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(pages->cElems * sizeof(GUID)));
        if (isA) {
            pages->pElems[0] = CLSID_TestPage1;
            pages->pElems[1] = CLSID_TestPage2;
        } else {
            pages->pElems[0] = CLSID_TestPageB;
        }
        return S_OK;
    }

    // IDispatch: IsProcessCollection takes only VT_BOOL and Gain only VT_R8,
    // so that the host must find the type a property wants.
    HRESULT GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, void**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, const OLECHAR** names, UINT count, LCID, DISPID* ids) override {
        if (!names || !ids || count != 1) return E_INVALIDARG;
        if (SameName(names[0], "IsProcessCollection")) *ids = kDispIsProcessCollection;
        else if (SameName(names[0], "Gain")) *ids = kDispGain;
        else return DISP_E_UNKNOWNNAME;
        return S_OK;
    }
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, void*,
                   UINT*) override {
        if (id != kDispIsProcessCollection && id != kDispGain) return DISP_E_MEMBERNOTFOUND;
        if (flags & DISPATCH_PROPERTYGET) {
            if (!result) return E_POINTER;
            if (id == kDispIsProcessCollection) {
                result->vt = VT_BOOL;
                result->boolVal = m_processCollection ? VARIANT_TRUE : VARIANT_FALSE;
            } else {
                result->vt = VT_R8;
                result->dblVal = m_gain;
            }
            return S_OK;
        }
        if (!(flags & DISPATCH_PROPERTYPUT) || !params || params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
        const VARIANT& v = params->rgvarg[0];
        if (id == kDispIsProcessCollection) {
            if (v.vt != VT_BOOL) return DISP_E_TYPEMISMATCH;
            m_processCollection = v.boolVal != VARIANT_FALSE;
        } else {
            if (v.vt != VT_R8) return DISP_E_TYPEMISMATCH;
            m_gain = v.dblVal;
        }
        return S_OK;
    }

    // IRenderer
    HRESULT Synthesize(IProgress* progress, IPhantom* phantom, IVolume* volume) override {
        if (!progress || !phantom || !volume) return NullArgument("Synthesize");
        LONG count = 0;
        phantom->GetCount(&count);
        Record(m_tag + " Synthesize " + std::to_string(count));
        std::u16string caption = u"Sinthetizing...";
        progress->Begin(count, caption.data());
        for (LONG i = 0; i < count; ++i) {
            IPhantomElement* element = nullptr;
            float mu = 0;
            if (SUCCEEDED(phantom->GetElement(i, &element)) && element && element->Sample(0, 0, 0, &mu) == S_OK)
                AddToVolume(volume, mu);
            progress->Step();
        }
        return S_OK;
    }
    HRESULT ProcessProjection(IProgress* progress, IProjection* projection, IVolume* volume) override {
        if (!progress || !projection || !volume) return NullArgument("ProcessProjection");
        if (m_processCollection) return E_NOTIMPL;
        float* pixels = nullptr;
        projection->GetData(&pixels);
        Record(m_tag + " ProcessProjection " + std::to_string(pixels ? static_cast<int>(pixels[0]) : -1));
        AddToVolume(volume, 1.0f);
        return S_OK;
    }
    HRESULT ProcessCollection(IProgress* progress, IProjectionCollection* collection, IVolume* volume) override {
        if (!progress || !collection || !volume) return NullArgument("ProcessCollection");
        if (!m_processCollection) {
            Record(m_tag + " ProcessCollection E_NOTIMPL");
            return E_NOTIMPL;
        }
        LONG valid = 0, count = 0;
        collection->IsValid(&valid);
        if (!valid) return E_INVALIDARG;
        collection->GetCount(&count);
        Record(m_tag + " ProcessCollection " + std::to_string(count));
        std::u16string caption = u"Backprojecting...";
        progress->Begin(count, caption.data());
        for (LONG i = 0; i < count; ++i) {
            IListElement* item = nullptr;
            if (SUCCEEDED(collection->GetItem(i, &item)) && item) {
                void* p = nullptr;
                if (SUCCEEDED(item->QueryInterface(IID_IProjection, &p))) {
                    AddToVolume(volume, 1.0f);
                    static_cast<IProjection*>(p)->Release();
                }
                item->Unload();
            }
            progress->Step();
        }
        return S_OK;
    }

private:
    HRESULT NullArgument(const char* method) {
        Record(m_tag + " " + method + " E_POINTER");
        return E_POINTER;
    }

    void AddToVolume(IVolume* volume, float value) {
        float dims[3], mins[3], maxs[3], pitches[3];
        LONG n[3];
        float* voxels = nullptr;
        volume->GetGeometry(&dims[0], &dims[1], &dims[2], &mins[0], &mins[1], &mins[2], &maxs[0], &maxs[1],
                            &maxs[2], &pitches[0], &pitches[1], &pitches[2], &n[0], &n[1], &n[2]);
        volume->GetData(&voxels);
        const std::size_t count = static_cast<std::size_t>(n[0]) * static_cast<std::size_t>(n[1]) *
                                  static_cast<std::size_t>(n[2]);
        for (std::size_t i = 0; voxels && i < count; ++i) voxels[i] += value * static_cast<float>(m_gain);
    }

    CLSID m_clsid;
    std::string m_tag;
    ULONG m_refs = 0;
    IOleClientSite* m_pSite = nullptr;
    bool m_processCollection = false;
    double m_gain = 1.0;
};

class CTestPage final : public IPropertyPage {
public:
    explicit CTestPage(std::string tag) : m_tag(std::move(tag)) {}
    ~CTestPage() {
        if (m_pObject) m_pObject->Release();
        Record(m_tag + " Destroyed");
    }

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IPropertyPage) return E_NOINTERFACE;
        *ppv = static_cast<IPropertyPage*>(this);
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override {
        const ULONG refs = --m_refs;
        if (refs == 0) delete this;
        return refs;
    }

    HRESULT SetPageSite(IPropertyPageSite*) override { return S_OK; }
    HRESULT Activate(void*, const RECT*, BOOL) override { return S_OK; }
    HRESULT Deactivate() override { return S_OK; }
    HRESULT GetPageInfo(PROPPAGEINFO* info) override {
        if (!info) return E_POINTER;
        *info = PROPPAGEINFO{sizeof(PROPPAGEINFO), TaskString(m_tag.c_str()), {100, 50}, nullptr, nullptr, 0};
        return S_OK;
    }
    HRESULT SetObjects(ULONG count, IUnknown** objects) override {
        Record(m_tag + " SetObjects " + std::to_string(count));
        if (m_pObject) m_pObject->Release();
        m_pObject = count == 1 && objects ? objects[0] : nullptr;
        if (m_pObject) m_pObject->AddRef();
        return S_OK;
    }
    HRESULT Show(UINT) override { return S_OK; }
    HRESULT Move(const RECT*) override { return S_OK; }
    HRESULT IsPageDirty() override { return S_FALSE; }
    HRESULT Apply() override { return S_OK; }
    HRESULT Help(const OLECHAR*) override { return E_NOTIMPL; }
    HRESULT TranslateAccelerator(void*) override { return S_FALSE; }

private:
    std::string m_tag;
    ULONG m_refs = 0;
    IUnknown* m_pObject = nullptr;
};

class CFactory final : public IClassFactory {
public:
    explicit CFactory(const CLSID& clsid) : m_clsid(clsid) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override {
        const ULONG refs = --m_refs;
        if (refs == 0) delete this;
        return refs;
    }

    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        if (m_clsid == CLSID_TestNullObject) return S_OK;  // the fault the host must survive
        IUnknown* created = nullptr;
        if (m_clsid == CLSID_TestRendererA) created = static_cast<IOleObject*>(new CTestRenderer(m_clsid, "A"));
        else if (m_clsid == CLSID_TestRendererB) created = static_cast<IOleObject*>(new CTestRenderer(m_clsid, "B"));
        else if (m_clsid == CLSID_TestPage1) created = new CTestPage("Page1");
        else if (m_clsid == CLSID_TestPage2) created = new CTestPage("Page2");
        else if (m_clsid == CLSID_TestPageB) created = new CTestPage("PageB");
        if (!created) return CLASS_E_CLASSNOTAVAILABLE;
        created->AddRef();
        const HRESULT hr = created->QueryInterface(riid, object);
        created->Release();
        return hr;
    }
    HRESULT LockServer(BOOL) override { return S_OK; }

private:
    CLSID m_clsid;
    ULONG m_refs = 0;
};

bool Serves(const CLSID& clsid) {
    for (const CLSID& c : {CLSID_TestRendererA, CLSID_TestRendererB, CLSID_TestPage1, CLSID_TestPage2,
                           CLSID_TestPageB, CLSID_TestNullObject})
        if (c == clsid) return true;
    return false;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) const char* VoxmillTestRenderer_Log() { return Log().c_str(); }
__attribute__((visibility("default"))) void VoxmillTestRenderer_ClearLog() { Log().clear(); }

__attribute__((visibility("default"))) HRESULT DllGetClassObject(const CLSID& clsid, const IID& iid,
                                                                 void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!Serves(clsid)) return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new CFactory(clsid);
    factory->AddRef();
    const HRESULT hr = factory->QueryInterface(iid, object);
    factory->Release();
    return hr;
}

__attribute__((visibility("default"))) HRESULT DllRegisterServer() {
    const std::string module = CRegistry::ModulePathOf(reinterpret_cast<const void*>(&DllRegisterServer));
    std::string error;
    const bool ok = CRegistry::Update(
        CRegistry::DefaultPath(),
        [&](CRegistry& reg) {
            reg.RegisterInprocClass(CLSID_TestRendererA, kTestRendererAName, module, "VOXTESTA.RendererA.1");
            reg.RegisterClassImplCategory(CLSID_TestRendererA, CATID_VoxmillPlugins);
            reg.RegisterInprocClass(CLSID_TestRendererB, kTestRendererBName, module, "VOXTESTB.RendererB.1");
            reg.RegisterClassImplCategory(CLSID_TestRendererB, CATID_VoxmillPlugins);
            reg.RegisterInprocClass(CLSID_TestPage1, "Test Page 1", module, "");
            reg.RegisterInprocClass(CLSID_TestPage2, "Test Page 2", module, "");
            reg.RegisterInprocClass(CLSID_TestPageB, "Test Page B", module, "");
        },
        &error);
    return ok ? S_OK : SELFREG_E_CLASS;
}

__attribute__((visibility("default"))) HRESULT DllUnregisterServer() {
    std::string error;
    const bool ok = CRegistry::Update(
        CRegistry::DefaultPath(),
        [](CRegistry& reg) {
            for (const CLSID& c : {CLSID_TestRendererA, CLSID_TestRendererB, CLSID_TestPage1, CLSID_TestPage2,
                                   CLSID_TestPageB})
                reg.UnregisterClass(c);
        },
        &error);
    return ok ? S_OK : SELFREG_E_CLASS;
}

__attribute__((visibility("default"))) HRESULT DllCanUnloadNow() { return S_FALSE; }

}  // extern "C"
