// A plug-in that no registry entry names. It sits beside the registered
// ones and would claim every class if the host ever opened it.
#include "contract/Com.h"

extern "C" __attribute__((visibility("default"))) voxmill::HRESULT DllGetClassObject(const voxmill::CLSID&,
                                                                                      const voxmill::IID&,
                                                                                      void** object) {
    if (object) *object = nullptr;
    return voxmill::E_FAIL;
}
