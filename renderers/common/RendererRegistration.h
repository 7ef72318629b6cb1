// What a renderer module's self-registration writes into and removes from
// the component registry: its type library, its control class (declared as
// implementing the plug-in category) and its property page class.
#pragma once

#include <string>

#include "contract/Com.h"

namespace voxmill {

class CRendererRegistration {
public:
    // The names and identifiers one renderer registers under.
    struct Identity {
        GUID typeLib;
        const char* typeLibName;
        const char* typeLibVersion;
        CLSID control;
        const char* controlName;
        const char* controlProgId;
        CLSID page;
        const char* pageName;
        const char* pageProgId;
    };

    // SELFREG_E_TYPELIB when the type library cannot be written,
    // SELFREG_E_CLASS when the classes cannot. An empty module path fails
    // at the type library.
    static HRESULT Register(const Identity& identity, const std::string& registryPath, const std::string& modulePath);
    // Removes what Register wrote; absent entries are no failure.
    static HRESULT Unregister(const Identity& identity, const std::string& registryPath);
};

}  // namespace voxmill
