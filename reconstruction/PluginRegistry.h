// The renderer plug-ins installed on this machine, as the component
// registry (contract/Registry.h) lists them: registration of the plug-in
// category, discovery of the classes implementing it, creation of a class
// through the module the registry names for it, and self-registration of
// modules.
//
// Only modules named by a class's InprocServer32 value are ever opened for
// creation; a module that cannot be opened, lacks DllGetClassObject or
// yields no object is reported through the error sink and skipped.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "contract/Com.h"

namespace voxmill {

class CPluginRegistry {
public:
    struct Plugin {
        CLSID clsid;
        std::string name;  // display name, "Untitled Plugin" when the class has none
    };

    static constexpr const char* kUntitledPlugin = "Untitled Plugin";
    // Class ids are fetched from the category enumerator this many at a time.
    static constexpr ULONG kEnumBatch = 64;
    // Display names are read into a buffer of this many bytes (NUL included).
    static constexpr std::size_t kNameBuffer = 261;

    // The registry file at `path`; by default the one the program and the
    // plug-ins share ($VOXMILL_REGISTRY, ...).
    CPluginRegistry();
    explicit CPluginRegistry(std::string path);

    const std::string& GetPath() const { return m_path; }

    // Declares the plug-in category ("Voxmill Plugins", locale 0x409). The
    // file is only rewritten when the entry was missing or different.
    // False (reported) on a read or write failure; start-up ignores it.
    bool RegisterCategory() const;

    // Classes implementing the plug-in category with their display names,
    // in enumeration order. A registry that cannot be read is reported and
    // yields no plug-ins.
    std::vector<Plugin> EnumeratePlugins() const;

    // A plug-in by class id text ("{...}"), by the short name of a known
    // renderer ("Tessor", "Karvex"), by its program id, or by its display
    // name (all case-blind). Nullopt with *error naming the choices.
    std::optional<CLSID> FindPlugin(const std::string& name, std::string* error) const;

    // The module registered for the class; "" when none.
    std::string GetModulePath(REFCLSID clsid) const;

    // The class object of a registered class (CoGetClassObject, in-process
    // server only). Every failure is reported through the error sink.
    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** object) const;
    // A new instance through the class's factory (CoCreateInstance).
    HRESULT CreateInstance(REFCLSID clsid, REFIID iid, void** object) const;

    // Opens the module the user named and calls its DllRegisterServer or
    // DllUnregisterServer. The module writes the default registry itself.
    // *error describes a failure.
    static HRESULT RegisterModule(const std::string& modulePath, std::string* error);
    static HRESULT UnregisterModule(const std::string& modulePath, std::string* error);

private:
    std::string m_path;
};

}  // namespace voxmill
