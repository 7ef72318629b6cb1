// The built Karvex module as the host sees it: its entry points, its two
// classes through their factories, and its self-registration in a registry
// file of the test's own.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "contract/Ole.h"
#include "contract/Plugin.h"
#include "contract/Registry.h"
#include "contract/Renderer.h"
#include "renderers/karvex/KarvexIds.h"

namespace voxmill {
namespace {

TEST(KarvexModule, CreatesItsClassesAndRegistersThem) {
    // Kept loaded after dlclose: Qt, which the page brings in, leaves a few
    // bytes behind each time it is unloaded.
    void* handle = dlopen(KARVEX_MODULE_PATH, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    ASSERT_NE(handle, nullptr) << dlerror();
    auto registerServer = reinterpret_cast<PFN_DllRegisterServer>(dlsym(handle, kDllRegisterServer));
    auto unregisterServer = reinterpret_cast<PFN_DllUnregisterServer>(dlsym(handle, kDllUnregisterServer));
    auto getClassObject = reinterpret_cast<PFN_DllGetClassObject>(dlsym(handle, kDllGetClassObject));
    auto canUnloadNow = reinterpret_cast<PFN_DllCanUnloadNow>(dlsym(handle, kDllCanUnloadNow));
    ASSERT_TRUE(registerServer && unregisterServer && getClassObject && canUnloadNow);

    void* factory = nullptr;
    ASSERT_EQ(getClassObject(CLSID_KarvexCtrl, IID_IClassFactory, &factory), S_OK);
    void* renderer = nullptr;
    ASSERT_EQ(static_cast<IClassFactory*>(factory)->CreateInstance(nullptr, IID_IRenderer, &renderer), S_OK);
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    void* ole = nullptr;
    ASSERT_EQ(static_cast<IRenderer*>(renderer)->QueryInterface(IID_IOleObject, &ole), S_OK);
    OLECHAR* name = nullptr;
    ASSERT_EQ(static_cast<IOleObject*>(ole)->GetUserType(USERCLASSTYPE_FULL, &name), S_OK);
    EXPECT_EQ(std::u16string(name), u"Karvex Control");
    CoTaskMemFree(name);
    static_cast<IOleObject*>(ole)->Release();
    static_cast<IRenderer*>(renderer)->Release();
    static_cast<IClassFactory*>(factory)->Release();

    ASSERT_EQ(getClassObject(CLSID_KarvexPropPage, IID_IClassFactory, &factory), S_OK);
    void* page = nullptr;
    ASSERT_EQ(static_cast<IClassFactory*>(factory)->CreateInstance(nullptr, IID_IPropertyPage, &page), S_OK);
    PROPPAGEINFO info{};
    ASSERT_EQ(static_cast<IPropertyPage*>(page)->GetPageInfo(&info), S_OK);
    EXPECT_EQ(std::u16string(info.pszTitle), u"Karvex");
    CoTaskMemFree(info.pszTitle);
    static_cast<IPropertyPage*>(page)->Release();
    static_cast<IClassFactory*>(factory)->Release();
    EXPECT_EQ(canUnloadNow(), S_OK);
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject(IID_IRenderer, IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);

    char pattern[] = "/tmp/karvex-module-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::filesystem::path dir = pattern;
    const std::string path = (dir / "registry.ini").string();
    setenv("VOXMILL_REGISTRY", path.c_str(), 1);
    EXPECT_EQ(registerServer(), S_OK);
    CRegistry reg;
    ASSERT_TRUE(reg.Load(path, nullptr));
    const std::string ctrl = CRegistry::ClassKey(CLSID_KarvexCtrl);
    EXPECT_EQ(reg.GetValue(ctrl), "Karvex Control");
    EXPECT_EQ(reg.GetValue(ctrl + "\\ProgID"), "KARVEX.KarvexCtrl.1");
    EXPECT_EQ(reg.GetValue(ctrl + "\\TypeLib"), "{C38054D2-7332-11D3-B405-F04640D171F5}");
    EXPECT_EQ(reg.ClassesImplementing(CATID_VoxmillPlugins), std::vector<CLSID>{CLSID_KarvexCtrl});
    EXPECT_EQ(reg.GetValue(CRegistry::ClassKey(CLSID_KarvexPropPage) + "\\ProgID"), "KARVEX.KarvexPropPage.1");
    EXPECT_EQ(reg.GetValue("TypeLib\\{C38054D2-7332-11D3-B405-F04640D171F5}\\1.0"), "KARVEXLib");
    EXPECT_EQ(unregisterServer(), S_OK);
    ASSERT_TRUE(reg.Load(path, nullptr));
    EXPECT_FALSE(reg.HasKey(ctrl));
    unsetenv("VOXMILL_REGISTRY");
    std::filesystem::remove_all(dir);
    dlclose(handle);
}

}  // namespace
}  // namespace voxmill
