// The built module as the host sees it: loaded by path, its entry points
// looked up by name, its classes created through their factories, and its
// self-registration written into a registry file of the test's own.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "contract/Ole.h"
#include "contract/Plugin.h"
#include "contract/Registry.h"
#include "contract/Renderer.h"
#include "renderers/tessor/TessorIds.h"

namespace voxmill {
namespace {

class TessorModule : public ::testing::Test {
protected:
    void SetUp() override {
        // Kept loaded after dlclose: Qt, which the module's page brings in,
        // leaves a few bytes behind each time it is unloaded.
        m_handle = dlopen(TESSOR_MODULE_PATH, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        ASSERT_NE(m_handle, nullptr) << dlerror();
        registerServer = Symbol<PFN_DllRegisterServer>(kDllRegisterServer);
        unregisterServer = Symbol<PFN_DllUnregisterServer>(kDllUnregisterServer);
        getClassObject = Symbol<PFN_DllGetClassObject>(kDllGetClassObject);
        canUnloadNow = Symbol<PFN_DllCanUnloadNow>(kDllCanUnloadNow);
        ASSERT_TRUE(registerServer && unregisterServer && getClassObject && canUnloadNow);
        char pattern[] = "/tmp/tessor-module-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
    }
    void TearDown() override {
        if (!m_dir.empty()) std::filesystem::remove_all(m_dir);
        unsetenv("VOXMILL_REGISTRY");
        if (m_handle) dlclose(m_handle);
    }
    template <typename Fn>
    Fn Symbol(const char* name) {
        return reinterpret_cast<Fn>(dlsym(m_handle, name));
    }
    IClassFactory* Factory(const CLSID& clsid) {
        void* factory = nullptr;
        EXPECT_EQ(getClassObject(clsid, IID_IClassFactory, &factory), S_OK);
        return static_cast<IClassFactory*>(factory);
    }

    PFN_DllRegisterServer registerServer = nullptr;
    PFN_DllUnregisterServer unregisterServer = nullptr;
    PFN_DllGetClassObject getClassObject = nullptr;
    PFN_DllCanUnloadNow canUnloadNow = nullptr;
    std::filesystem::path m_dir;

private:
    void* m_handle = nullptr;
};

TEST_F(TessorModule, CreatesTheControlThroughItsFactory) {
    EXPECT_EQ(canUnloadNow(), S_OK);
    IClassFactory* factory = Factory(CLSID_TessorCtrl);
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(canUnloadNow(), S_FALSE);

    void* renderer = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IRenderer, &renderer), S_OK);
    void* ole = nullptr;
    ASSERT_EQ(static_cast<IRenderer*>(renderer)->QueryInterface(IID_IOleObject, &ole), S_OK);
    OLECHAR* name = nullptr;
    ASSERT_EQ(static_cast<IOleObject*>(ole)->GetUserType(USERCLASSTYPE_FULL, &name), S_OK);
    EXPECT_EQ(std::u16string(name), u"Tessor Control");
    CoTaskMemFree(name);
    static_cast<IOleObject*>(ole)->Release();
    static_cast<IRenderer*>(renderer)->Release();

    void* none = nullptr;
    EXPECT_EQ(factory->CreateInstance(static_cast<IUnknown*>(factory), IID_IUnknown, &none), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPropertyPageSite, &none), E_NOINTERFACE);

    EXPECT_EQ(factory->LockServer(1), S_OK);
    factory->Release();
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    IClassFactory* again = Factory(CLSID_TessorCtrl);
    again->LockServer(0);
    again->Release();
    EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(TessorModule, KnowsOnlyItsTwoClasses) {
    IClassFactory* pages = Factory(CLSID_TessorPropPage);
    ASSERT_NE(pages, nullptr);
    void* page = nullptr;
    ASSERT_EQ(pages->CreateInstance(nullptr, IID_IPropertyPage, &page), S_OK);
    PROPPAGEINFO info{};
    ASSERT_EQ(static_cast<IPropertyPage*>(page)->GetPageInfo(&info), S_OK);
    EXPECT_EQ(std::u16string(info.pszTitle), u"Tessor");
    CoTaskMemFree(info.pszTitle);
    static_cast<IPropertyPage*>(page)->Release();
    pages->Release();

    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject(IID_IRenderer, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(getClassObject(CLSID_TessorCtrl, IID_IClassFactory, nullptr), E_POINTER);
    EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(TessorModule, RegistersAndUnregistersItsClassesInTheRegistryFile) {
    const std::string path = (m_dir / "voxmill" / "registry.ini").string();
    setenv("VOXMILL_REGISTRY", path.c_str(), 1);
    const GUID other = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    ASSERT_TRUE(CRegistry::Update(path, [&](CRegistry& r) { r.RegisterInprocClass(other, "Other", "/x.so", ""); },
                                  nullptr));

    ASSERT_EQ(registerServer(), S_OK);
    CRegistry reg;
    ASSERT_TRUE(reg.Load(path, nullptr));
    const std::string ctrl = CRegistry::ClassKey(CLSID_TessorCtrl);
    EXPECT_EQ(reg.GetValue(ctrl), "Tessor Control");
    EXPECT_EQ(reg.GetValue(ctrl + "\\ProgID"), "TESSOR.TessorCtrl.1");
    EXPECT_EQ(reg.GetValue(ctrl + "\\TypeLib"), "{9C3B49C0-7BFF-11D3-BDC1-00902724DB28}");
    const auto module = reg.GetValue(ctrl + "\\InprocServer32");
    ASSERT_TRUE(module);
    EXPECT_EQ(std::filesystem::path(*module), std::filesystem::canonical(TESSOR_MODULE_PATH));
    EXPECT_EQ(reg.ClassesImplementing(CATID_VoxmillPlugins), std::vector<CLSID>{CLSID_TessorCtrl});
    EXPECT_EQ(reg.GetValue(CRegistry::ClassKey(CLSID_TessorPropPage) + "\\ProgID"), "TESSOR.TessorPropPage.1");
    EXPECT_EQ(reg.GetValue("TESSOR.TessorCtrl.1\\CLSID"), StringFromGUID(CLSID_TessorCtrl));
    EXPECT_EQ(reg.GetValue("TypeLib\\{9C3B49C0-7BFF-11D3-BDC1-00902724DB28}\\1.0"), "NrTESSORLib");

    // Registering twice changes nothing.
    ASSERT_EQ(registerServer(), S_OK);
    CRegistry twice;
    ASSERT_TRUE(twice.Load(path, nullptr));
    EXPECT_EQ(twice.Format(), reg.Format());

    ASSERT_EQ(unregisterServer(), S_OK);
    ASSERT_TRUE(reg.Load(path, nullptr));
    EXPECT_FALSE(reg.HasKey(ctrl));
    EXPECT_FALSE(reg.HasKey(CRegistry::ClassKey(CLSID_TessorPropPage)));
    EXPECT_FALSE(reg.HasKey("TESSOR.TessorCtrl.1"));
    EXPECT_FALSE(reg.HasKey("TypeLib\\{9C3B49C0-7BFF-11D3-BDC1-00902724DB28}"));
    EXPECT_EQ(reg.GetValue(CRegistry::ClassKey(other)), "Other");
}

TEST_F(TessorModule, RegistrationFailureIsReported) {
    // A regular file where the registry's folder should be.
    std::ofstream(m_dir / "blocker") << "not a folder";
    const std::string path = (m_dir / "blocker" / "registry.ini").string();
    setenv("VOXMILL_REGISTRY", path.c_str(), 1);
    EXPECT_EQ(registerServer(), SELFREG_E_TYPELIB);

    // A damaged registry is left alone.
    const std::string damaged = (m_dir / "damaged.ini").string();
    std::ofstream(damaged) << "[CLSID\\{broken\n";
    setenv("VOXMILL_REGISTRY", damaged.c_str(), 1);
    EXPECT_EQ(registerServer(), SELFREG_E_TYPELIB);
    EXPECT_EQ(unregisterServer(), SELFREG_E_TYPELIB);
}

}  // namespace
}  // namespace voxmill
