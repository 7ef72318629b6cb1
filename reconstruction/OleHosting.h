// Hosting a plug-in control: creation with a client site and a storage,
// its user type name, its property pages, and its dispatch properties.
// These are the platform's OLE services, built on the plug-in registry.
#pragma once

#include <string>
#include <vector>

#include "contract/Ole.h"

namespace voxmill {

class CPluginRegistry;

// OleCreate(clsid, IID_IOleObject, OLERENDER_NONE, no format, site,
// storage): the class factory of the registered module creates the object,
// which gets the client site and, when it offers IPersistStorage, InitNew
// on the storage. On failure nothing is left behind and the reason has
// been reported through the error sink.
HRESULT OleCreateControl(const CPluginRegistry& registry, REFCLSID clsid, IOleClientSite* site, IStorage* storage,
                         IOleObject** object);

// GetUserType(USERCLASSTYPE_FULL) as 8-bit text (the string is freed with
// the task allocator); "" when the object gives none.
std::string GetFullUserType(IOleObject* object);

// The page classes the object lists through ISpecifyPropertyPages, in its
// order; none when it does not support the interface.
std::vector<CLSID> GetPropertyPageIds(IUnknown* object);

// Creates the page class through the module that serves `ownerClass` (the
// control's own module), falling back to the page's own registration, and
// hands it `object` as its one object. Null (reported) on failure; the
// caller owns the returned reference.
IPropertyPage* CreatePropertyPage(const CPluginRegistry& registry, REFCLSID ownerClass, REFCLSID pageClass,
                                  IUnknown* object);

// Sets the named property through IDispatch (GetIDsOfNames, then Invoke
// with DISPATCH_PROPERTYPUT). `value` is "true"/"false" or a number; it is
// offered as the variant types that can carry it until the control accepts
// one. *error says why a failure happened.
HRESULT SetDispatchProperty(IUnknown* object, const std::string& name, const std::string& value,
                            std::string* error);
// Reads the named property (DISPATCH_PROPERTYGET).
HRESULT GetDispatchProperty(IUnknown* object, const std::string& name, VARIANT* value);

}  // namespace voxmill
