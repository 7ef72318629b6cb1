// What a renderer plug-in module exports (extern "C"), as the host looks
// them up by name after opening a module named in the registry.
#pragma once

#include "contract/Com.h"

extern "C" {
using PFN_DllRegisterServer = voxmill::HRESULT (*)();
using PFN_DllUnregisterServer = voxmill::HRESULT (*)();
using PFN_DllGetClassObject = voxmill::HRESULT (*)(const voxmill::CLSID& clsid, const voxmill::IID& iid,
                                                  void** object);
using PFN_DllCanUnloadNow = voxmill::HRESULT (*)();
}

namespace voxmill {
inline constexpr const char* kDllRegisterServer = "DllRegisterServer";
inline constexpr const char* kDllUnregisterServer = "DllUnregisterServer";
inline constexpr const char* kDllGetClassObject = "DllGetClassObject";
inline constexpr const char* kDllCanUnloadNow = "DllCanUnloadNow";
}  // namespace voxmill
