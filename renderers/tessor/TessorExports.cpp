// The module's four entry points (the only symbols it exports).
#include "renderers/common/RendererExports.h"
#include "renderers/tessor/TessorCtrl.h"
#include "renderers/tessor/TessorIds.h"
#if VOXMILL_TESSOR_PAGE
#include "renderers/tessor/TessorPropPage.h"
#endif

#define TESSOR_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using voxmill::CRendererExports;

// An address inside this module, for finding the module's own path.
const char kModuleAnchor = 0;

const voxmill::CRendererRegistration::Identity kIdentity = {
    voxmill::LIBID_NrTESSORLib,         voxmill::kTessorTypeLibName,  voxmill::kTessorTypeLibVersion,
    voxmill::CLSID_TessorCtrl,     voxmill::kTessorCtrlName,     voxmill::kTessorCtrlProgId,
    voxmill::CLSID_TessorPropPage, voxmill::kTessorPropPageName, voxmill::kTessorPropPageProgId};

const CRendererExports::Class kClasses[] = {
    {voxmill::CLSID_TessorCtrl, &voxmill::CTessorCtrl::CreateInstance},
#if VOXMILL_TESSOR_PAGE
    {voxmill::CLSID_TessorPropPage, &voxmill::CTessorPropPage::CreateInstance},
#endif
};

}  // namespace

TESSOR_EXPORT voxmill::HRESULT DllRegisterServer() { return CRendererExports::Register(kIdentity, &kModuleAnchor); }

TESSOR_EXPORT voxmill::HRESULT DllUnregisterServer() { return CRendererExports::Unregister(kIdentity); }

TESSOR_EXPORT voxmill::HRESULT DllGetClassObject(const voxmill::CLSID& clsid, const voxmill::IID& iid, void** object) {
    return CRendererExports::GetClassObject(kClasses, clsid, iid, object);
}

TESSOR_EXPORT voxmill::HRESULT DllCanUnloadNow() { return CRendererExports::CanUnloadNow(); }
