#include "reconstruction/PluginRegistry.h"

#include <cstdlib>

#include "app/archive/ErrorSink.h"
#include "contract/Ole.h"
#include "contract/Registry.h"
#include "contract/Renderer.h"
#include "reconstruction/HResultText.h"
#include "reconstruction/PluginModule.h"

namespace voxmill {
namespace {

// The renderers this program knows by name, for command lines.
struct KnownRenderer {
    const char* name;
    CLSID clsid;
};
constexpr KnownRenderer kKnownRenderers[] = {
    {"Tessor", {0x67D20F26, 0x7B01, 0x11D3, {0xBD, 0xB9, 0x00, 0x90, 0x27, 0x24, 0xDB, 0x28}}},
    {"Karvex", {0xD5CD8B32, 0x7333, 0x11D3, {0xB4, 0x05, 0xF0, 0x46, 0x40, 0xD1, 0x71, 0xF5}}},
};

// The category manager's class enumerator: hands out the classes that
// implement any of the listed categories, celt at a time.
class CCategoryClassEnumerator {
public:
    CCategoryClassEnumerator(const CRegistry& registry, const std::vector<CATID>& implemented) {
        for (const CLSID& clsid : registry.ClassesImplementing(implemented.front())) m_classes.push_back(clsid);
        for (std::size_t c = 1; c < implemented.size(); ++c)
            for (const CLSID& clsid : registry.ClassesImplementing(implemented[c]))
                if (!Contains(clsid)) m_classes.push_back(clsid);
    }

    // S_OK when celt ids were fetched, S_FALSE when fewer were left.
    HRESULT Next(ULONG celt, CLSID* ids, ULONG* fetched) {
        ULONG n = 0;
        while (n < celt && m_next < m_classes.size()) ids[n++] = m_classes[m_next++];
        *fetched = n;
        return n == celt ? S_OK : S_FALSE;
    }

private:
    bool Contains(const CLSID& clsid) const {
        for (const CLSID& c : m_classes)
            if (c == clsid) return true;
        return false;
    }

    std::vector<CLSID> m_classes;
    std::size_t m_next = 0;
};

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// The display name as a buffer of kNameBuffer bytes holds it; a cut never
// splits a UTF-8 sequence.
std::string DisplayName(const CRegistry& registry, const CLSID& clsid) {
    auto name = registry.GetValue(CRegistry::ClassKey(clsid));
    if (!name || name->empty()) return CPluginRegistry::kUntitledPlugin;
    std::string text = name->substr(0, name->find('\0'));
    if (text.size() > CPluginRegistry::kNameBuffer - 1) {
        std::size_t cut = CPluginRegistry::kNameBuffer - 1;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
        text.resize(cut);
    }
    return text.empty() ? CPluginRegistry::kUntitledPlugin : text;
}

bool LoadRegistry(const std::string& path, CRegistry& registry) {
    std::string error;
    if (registry.Load(path, &error)) return true;
    ReportError("Cannot read the plug-in registry " + error);
    return false;
}

}  // namespace

CPluginRegistry::CPluginRegistry() : m_path(CRegistry::DefaultPath()) {}

CPluginRegistry::CPluginRegistry(std::string path) : m_path(std::move(path)) {}

bool CPluginRegistry::RegisterCategory() const {
    std::string error;
    CRegistry current;
    if (current.Load(m_path, &error)) {
        const std::string key = "Component Categories\\" + StringFromGUID(CATID_VoxmillPlugins);
        if (current.GetValue(key, "409") == std::optional<std::string>(kPluginCategoryDescription)) return true;
    }
    const bool ok = CRegistry::Update(
        m_path,
        [](CRegistry& reg) {
            reg.RegisterCategory(CATID_VoxmillPlugins, kPluginCategoryLocale, kPluginCategoryDescription);
        },
        &error);
    if (!ok) ReportError("Cannot register the plug-in category: " + error);
    return ok;
}

std::vector<CPluginRegistry::Plugin> CPluginRegistry::EnumeratePlugins() const {
    std::vector<Plugin> plugins;
    CRegistry registry;
    if (!LoadRegistry(m_path, registry)) return plugins;
    // The caller's category is the fixed one, so the list holds it twice.
    CCategoryClassEnumerator enumerator(registry, {CATID_VoxmillPlugins, CATID_VoxmillPlugins});
    CLSID batch[kEnumBatch];
    HRESULT hr;
    do {
        ULONG fetched = 0;
        hr = enumerator.Next(kEnumBatch, batch, &fetched);
        for (ULONG i = 0; i < fetched; ++i) plugins.push_back({batch[i], DisplayName(registry, batch[i])});
    } while (hr == S_OK);
    return plugins;
}

std::optional<CLSID> CPluginRegistry::FindPlugin(const std::string& name, std::string* error) const {
    const auto fail = [&](const std::string& why) -> std::optional<CLSID> {
        if (error) *error = why;
        return std::nullopt;
    };
    CRegistry registry;
    std::string readError;
    if (!registry.Load(m_path, &readError)) return fail("cannot read the plug-in registry " + readError);

    auto clsid = GUIDFromString(name);
    if (!clsid && name.size() == 36) clsid = GUIDFromString("{" + name + "}");
    if (clsid) {
        if (!registry.HasKey(CRegistry::ClassKey(*clsid))) return fail("class " + name + " is not registered");
        return clsid;
    }
    const std::vector<Plugin> plugins = EnumeratePlugins();
    const std::string wanted = Lower(name);
    for (const KnownRenderer& known : kKnownRenderers) {
        if (Lower(known.name) != wanted) continue;
        for (const Plugin& p : plugins)
            if (p.clsid == known.clsid) return p.clsid;
    }
    for (const Plugin& p : plugins) {
        const std::string progId = Lower(registry.GetValue(CRegistry::ClassKey(p.clsid) + "\\ProgID").value_or(""));
        if (!progId.empty() && (progId == wanted || progId.substr(0, progId.find('.')) == wanted)) return p.clsid;
    }
    for (const Plugin& p : plugins)
        if (Lower(p.name) == wanted) return p.clsid;

    std::string choices;
    for (const Plugin& p : plugins) choices += (choices.empty() ? "" : ", ") + ("\"" + p.name + "\"");
    return fail("no renderer named '" + name + "' (installed: " + (choices.empty() ? "none" : choices) + ")");
}

std::string CPluginRegistry::GetModulePath(REFCLSID clsid) const {
    CRegistry registry;
    std::string error;
    if (!registry.Load(m_path, &error)) return {};
    return registry.GetValue(CRegistry::ClassKey(clsid) + "\\InprocServer32").value_or("");
}

HRESULT CPluginRegistry::GetClassObject(REFCLSID clsid, REFIID iid, void** object) const {
    if (!object) return E_POINTER;
    *object = nullptr;
    const std::string what = "Plug-in " + StringFromGUID(clsid) + ": ";
    CRegistry registry;
    if (!LoadRegistry(m_path, registry)) return REGDB_E_CLASSNOTREG;
    const auto module = registry.GetValue(CRegistry::ClassKey(clsid) + "\\InprocServer32");
    if (!module || module->empty()) {
        ReportError(what + "no module is registered for this class");
        return REGDB_E_CLASSNOTREG;
    }
    std::string error;
    CPluginModule* plugin = CPluginModule::Open(*module, &error);
    if (!plugin) {
        ReportError(what + error);
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    const HRESULT hr = plugin->GetClassObject(clsid, iid, object, &error);
    if (FAILED(hr)) ReportError(what + error);
    return hr;
}

HRESULT CPluginRegistry::CreateInstance(REFCLSID clsid, REFIID iid, void** object) const {
    if (!object) return E_POINTER;
    *object = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT hr = GetClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(nullptr, iid, object);
    factory->Release();
    if (SUCCEEDED(hr) && !*object) hr = E_UNEXPECTED;
    if (FAILED(hr)) {
        *object = nullptr;
        ReportError("Plug-in " + StringFromGUID(clsid) + ": the class factory created no object (" +
                    HResultText(hr) + ")");
    }
    return hr;
}

namespace {

CPluginModule* OpenNamedModule(const std::string& modulePath, std::string* error) {
    char* real = ::realpath(modulePath.c_str(), nullptr);
    if (!real) {
        if (error) *error = "cannot find module " + modulePath;
        return nullptr;
    }
    const std::string absolute = real;
    std::free(real);
    return CPluginModule::Open(absolute, error);
}

}  // namespace

HRESULT CPluginRegistry::RegisterModule(const std::string& modulePath, std::string* error) {
    CPluginModule* module = OpenNamedModule(modulePath, error);
    return module ? module->RegisterServer(error) : E_FAIL;
}

HRESULT CPluginRegistry::UnregisterModule(const std::string& modulePath, std::string* error) {
    CPluginModule* module = OpenNamedModule(modulePath, error);
    return module ? module->UnregisterServer(error) : E_FAIL;
}

}  // namespace voxmill
