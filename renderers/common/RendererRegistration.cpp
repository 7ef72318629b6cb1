#include "renderers/common/RendererRegistration.h"

#include "contract/Ole.h"
#include "contract/Registry.h"
#include "contract/Renderer.h"

namespace voxmill {

HRESULT CRendererRegistration::Register(const Identity& id, const std::string& registryPath,
                                        const std::string& modulePath) {
    if (modulePath.empty()) return SELFREG_E_TYPELIB;
    if (!CRegistry::Update(
            registryPath,
            [&](CRegistry& r) { r.RegisterTypeLib(id.typeLib, id.typeLibVersion, id.typeLibName, modulePath); },
            nullptr))
        return SELFREG_E_TYPELIB;
    if (!CRegistry::Update(
            registryPath,
            [&](CRegistry& r) {
                r.RegisterInprocClass(id.control, id.controlName, modulePath, id.controlProgId, &id.typeLib);
                r.RegisterClassImplCategory(id.control, CATID_VoxmillPlugins);
                r.RegisterInprocClass(id.page, id.pageName, modulePath, id.pageProgId);
            },
            nullptr))
        return SELFREG_E_CLASS;
    return S_OK;
}

HRESULT CRendererRegistration::Unregister(const Identity& id, const std::string& registryPath) {
    if (!CRegistry::Update(
            registryPath, [&](CRegistry& r) { r.UnRegisterTypeLib(id.typeLib, id.typeLibVersion); }, nullptr))
        return SELFREG_E_TYPELIB;
    if (!CRegistry::Update(
            registryPath,
            [&](CRegistry& r) {
                r.UnregisterClass(id.control);
                r.UnregisterClass(id.page);
            },
            nullptr))
        return SELFREG_E_CLASS;
    return S_OK;
}

}  // namespace voxmill
