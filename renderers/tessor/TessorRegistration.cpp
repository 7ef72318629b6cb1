#include "renderers/tessor/TessorRegistration.h"

#include "contract/Ole.h"
#include "contract/Registry.h"
#include "contract/Renderer.h"
#include "renderers/tessor/TessorIds.h"

namespace voxmill {

HRESULT CTessorRegistration::Register(const std::string& registryPath, const std::string& modulePath) {
    if (modulePath.empty()) return SELFREG_E_TYPELIB;
    if (!CRegistry::Update(
            registryPath,
            [&](CRegistry& r) {
                r.RegisterTypeLib(LIBID_NrTESSORLib, kTessorTypeLibVersion, kTessorTypeLibName, modulePath);
            },
            nullptr))
        return SELFREG_E_TYPELIB;
    if (!CRegistry::Update(
            registryPath,
            [&](CRegistry& r) {
                r.RegisterInprocClass(CLSID_TessorCtrl, kTessorCtrlName, modulePath, kTessorCtrlProgId,
                                      &LIBID_NrTESSORLib);
                r.RegisterClassImplCategory(CLSID_TessorCtrl, CATID_VoxmillPlugins);
                r.RegisterInprocClass(CLSID_TessorPropPage, kTessorPropPageName, modulePath,
                                      kTessorPropPageProgId);
            },
            nullptr))
        return SELFREG_E_CLASS;
    return S_OK;
}

HRESULT CTessorRegistration::Unregister(const std::string& registryPath) {
    if (!CRegistry::Update(
            registryPath, [](CRegistry& r) { r.UnRegisterTypeLib(LIBID_NrTESSORLib, kTessorTypeLibVersion); },
            nullptr))
        return SELFREG_E_TYPELIB;
    if (!CRegistry::Update(
            registryPath,
            [](CRegistry& r) {
                r.UnregisterClass(CLSID_TessorCtrl);
                r.UnregisterClass(CLSID_TessorPropPage);
            },
            nullptr))
        return SELFREG_E_CLASS;
    return S_OK;
}

}  // namespace voxmill
