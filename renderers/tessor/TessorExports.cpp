// The module's four entry points (the only symbols it exports).
#include "contract/Ole.h"
#include "contract/Plugin.h"
#include "contract/Registry.h"
#include "renderers/common/RendererClassFactory.h"
#include "renderers/tessor/TessorCtrl.h"
#include "renderers/tessor/TessorIds.h"
#include "renderers/common/RendererModule.h"
#include "renderers/tessor/TessorRegistration.h"
#if VOXMILL_TESSOR_PAGE
#include "renderers/tessor/TessorPropPage.h"
#endif

#define TESSOR_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// An address inside this module, for finding the module's own path.
const char kModuleAnchor = 0;

std::string ModulePath() { return voxmill::CRegistry::ModulePathOf(&kModuleAnchor); }

}  // namespace

TESSOR_EXPORT voxmill::HRESULT DllRegisterServer() {
    return voxmill::CTessorRegistration::Register(voxmill::CRegistry::DefaultPath(), ModulePath());
}

TESSOR_EXPORT voxmill::HRESULT DllUnregisterServer() {
    return voxmill::CTessorRegistration::Unregister(voxmill::CRegistry::DefaultPath());
}

TESSOR_EXPORT voxmill::HRESULT DllGetClassObject(const voxmill::CLSID& clsid, const voxmill::IID& iid,
                                                 void** object) {
    using namespace voxmill;
    if (!object) return E_POINTER;
    *object = nullptr;
    CRendererClassFactory::Creator creator = nullptr;
    if (clsid == CLSID_TessorCtrl) creator = &CTessorCtrl::CreateInstance;
#if VOXMILL_TESSOR_PAGE
    else if (clsid == CLSID_TessorPropPage) creator = &CTessorPropPage::CreateInstance;
#endif
    else return CLASS_E_CLASSNOTAVAILABLE;
    CRendererClassFactory* factory = CRendererClassFactory::Create(creator);
    if (!factory) return E_OUTOFMEMORY;
    const HRESULT hr = factory->QueryInterface(iid, object);
    factory->Release();
    return hr;
}

TESSOR_EXPORT voxmill::HRESULT DllCanUnloadNow() {
    return voxmill::CRendererModule::CanUnload() ? voxmill::S_OK : voxmill::S_FALSE;
}
