// What the module's self-registration writes into and removes from the
// component registry: the type library, the control class (implementing
// the plug-in category) and the property page class.
#pragma once

#include <string>

#include "contract/Com.h"

namespace voxmill {

class CTessorRegistration {
public:
    // SELFREG_E_TYPELIB when the type library cannot be written,
    // SELFREG_E_CLASS when the classes cannot. An empty module path fails
    // at the type library.
    static HRESULT Register(const std::string& registryPath, const std::string& modulePath);
    // Removes what Register wrote; absent entries are no failure.
    static HRESULT Unregister(const std::string& registryPath);
};

}  // namespace voxmill
