#include "reconstruction/PluginModule.h"

#include <dlfcn.h>

#include <map>
#include <memory>

#include "contract/Plugin.h"
#include "reconstruction/HResultText.h"

namespace voxmill {
namespace {

std::map<std::string, std::unique_ptr<CPluginModule>>& OpenModules() {
    static std::map<std::string, std::unique_ptr<CPluginModule>> modules;
    return modules;
}

}  // namespace

CPluginModule* CPluginModule::Open(const std::string& path, std::string* error) {
    auto& modules = OpenModules();
    if (auto it = modules.find(path); it != modules.end()) return it->second.get();
    // A bare name would make the loader search its own path list, opening
    // a library the registry never named.
    if (path.empty() || path.front() != '/') {
        if (error) *error = "module path '" + path + "' is not absolute";
        return nullptr;
    }
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        if (error) *error = "cannot open module " + path + ": " + (why ? why : "unknown error");
        return nullptr;
    }
    auto module = std::unique_ptr<CPluginModule>(new CPluginModule(path, handle));
    CPluginModule* result = module.get();
    modules.emplace(path, std::move(module));
    return result;
}

void* CPluginModule::Symbol(const char* name) const { return ::dlsym(m_handle, name); }

HRESULT CPluginModule::GetClassObject(REFCLSID clsid, REFIID iid, void** object, std::string* error) const {
    if (!object) return E_POINTER;
    *object = nullptr;
    auto entry = reinterpret_cast<PFN_DllGetClassObject>(Symbol(kDllGetClassObject));
    if (!entry) {
        if (error) *error = "module " + m_path + " has no " + kDllGetClassObject;
        return E_NOTIMPL;
    }
    HRESULT hr = entry(clsid, iid, object);
    if (SUCCEEDED(hr) && !*object) hr = E_UNEXPECTED;
    if (FAILED(hr)) {
        *object = nullptr;
        if (error) *error = "module " + m_path + " returned no class object (" + HResultText(hr) + ")";
    }
    return hr;
}

HRESULT CPluginModule::RegisterServer(std::string* error) const {
    auto entry = reinterpret_cast<PFN_DllRegisterServer>(Symbol(kDllRegisterServer));
    if (!entry) {
        if (error) *error = "module " + m_path + " has no " + kDllRegisterServer;
        return E_NOTIMPL;
    }
    const HRESULT hr = entry();
    if (FAILED(hr) && error) *error = "registration of " + m_path + " failed (" + HResultText(hr) + ")";
    return hr;
}

HRESULT CPluginModule::UnregisterServer(std::string* error) const {
    auto entry = reinterpret_cast<PFN_DllUnregisterServer>(Symbol(kDllUnregisterServer));
    if (!entry) {
        if (error) *error = "module " + m_path + " has no " + kDllUnregisterServer;
        return E_NOTIMPL;
    }
    const HRESULT hr = entry();
    if (FAILED(hr) && error) *error = "unregistration of " + m_path + " failed (" + HResultText(hr) + ")";
    return hr;
}

}  // namespace voxmill
