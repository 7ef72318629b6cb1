// The module's four entry points (the only symbols it exports).
#include "renderers/common/RendererExports.h"
#include "renderers/karvex/KarvexCtrl.h"
#include "renderers/karvex/KarvexIds.h"
#if VOXMILL_KARVEX_PAGE
#include "renderers/karvex/KarvexPropPage.h"
#endif

#define KARVEX_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using voxmill::CRendererExports;

// An address inside this module, for finding the module's own path.
const char kModuleAnchor = 0;

const voxmill::CRendererRegistration::Identity kIdentity = {
    voxmill::LIBID_KARVEXLib,         voxmill::kKarvexTypeLibName,  voxmill::kKarvexTypeLibVersion,
    voxmill::CLSID_KarvexCtrl,     voxmill::kKarvexCtrlName,     voxmill::kKarvexCtrlProgId,
    voxmill::CLSID_KarvexPropPage, voxmill::kKarvexPropPageName, voxmill::kKarvexPropPageProgId};

const CRendererExports::Class kClasses[] = {
    {voxmill::CLSID_KarvexCtrl, &voxmill::CKarvexCtrl::CreateInstance},
#if VOXMILL_KARVEX_PAGE
    {voxmill::CLSID_KarvexPropPage, &voxmill::CKarvexPropPage::CreateInstance},
#endif
};

}  // namespace

KARVEX_EXPORT voxmill::HRESULT DllRegisterServer() { return CRendererExports::Register(kIdentity, &kModuleAnchor); }

KARVEX_EXPORT voxmill::HRESULT DllUnregisterServer() { return CRendererExports::Unregister(kIdentity); }

KARVEX_EXPORT voxmill::HRESULT DllGetClassObject(const voxmill::CLSID& clsid, const voxmill::IID& iid, void** object) {
    return CRendererExports::GetClassObject(kClasses, clsid, iid, object);
}

KARVEX_EXPORT voxmill::HRESULT DllCanUnloadNow() { return CRendererExports::CanUnloadNow(); }
