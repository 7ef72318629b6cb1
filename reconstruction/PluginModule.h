// A plug-in module (shared library) opened by path. Modules are opened
// only on request, by the registry's InprocServer32 path or by the path a
// user names for registration, and stay loaded until the program ends:
// objects they created may be alive anywhere, so unloading is never safe.
#pragma once

#include <string>

#include "contract/Com.h"

namespace voxmill {

class CPluginModule {
public:
    // The module at that path, opened on first use (dlopen, local symbols).
    // Null with *error set when it cannot be opened.
    static CPluginModule* Open(const std::string& path, std::string* error);

    const std::string& GetPath() const { return m_path; }
    // An exported symbol, or null.
    void* Symbol(const char* name) const;

    // The module's exported entry points; E_NOTIMPL with *error when the
    // module lacks the entry point.
    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object, std::string* error) const;
    HRESULT RegisterServer(std::string* error) const;
    HRESULT UnregisterServer(std::string* error) const;

    CPluginModule(const CPluginModule&) = delete;
    CPluginModule& operator=(const CPluginModule&) = delete;

private:
    CPluginModule(std::string path, void* handle) : m_path(std::move(path)), m_handle(handle) {}

    std::string m_path;
    void* m_handle;
};

}  // namespace voxmill
