// Discovery and loading of renderer plug-ins: the category, the listing
// with its names, and the refusal of every module that is not a working
// plug-in named by the registry.
#include <dlfcn.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "app/archive/ErrorSink.h"
#include "contract/Ole.h"
#include "contract/Registry.h"
#include "contract/Renderer.h"
#include "reconstruction/PluginRegistry.h"
#include "tests/reconstruction/TestFolder.h"
#include "tests/reconstruction/TestRendererIds.h"

namespace voxmill {
namespace {

using test::CTestFolder;
using namespace test;

CLSID NumberedClass(std::uint32_t n) { return {0x5EED0000u + n, 0x1234, 0x4567, {0x89, 0, 0, 0, 0, 0, 0, 0x01}}; }

void Edit(const std::string& registry, const std::function<void(CRegistry&)>& change) {
    std::string error;
    ASSERT_TRUE(CRegistry::Update(registry, change, &error)) << error;
}

void RegisterClassAt(const std::string& registry, const CLSID& clsid, const char* name, const std::string& module) {
    Edit(registry, [&](CRegistry& reg) {
        if (name) reg.SetValue(CRegistry::ClassKey(clsid), "", name);
        if (!module.empty()) reg.SetValue(CRegistry::ClassKey(clsid) + "\\InprocServer32", "", module);
        reg.RegisterClassImplCategory(clsid, CATID_VoxmillPlugins);
    });
}

bool IsLoaded(const char* path) {
    void* handle = ::dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (handle) ::dlclose(handle);  // drops only the reference NOLOAD added
    return handle != nullptr;
}

class PluginRegistryTest : public ::testing::Test {
protected:
    void SetUp() override { ClearLastReportedError(); }

    void RegisterTestRenderer() {
        std::string error;
        ASSERT_EQ(CPluginRegistry::RegisterModule(VOXMILL_TEST_RENDERER, &error), S_OK) << error;
    }

    CTestFolder m_folder;
    CPluginRegistry m_registry;  // constructed after the folder set VOXMILL_REGISTRY
};

TEST_F(PluginRegistryTest, RegistersTheCategoryOnceAndRewritesNothingAfterwards) {
    EXPECT_EQ(m_registry.GetPath(), m_folder.Registry());
    ASSERT_TRUE(m_registry.RegisterCategory());
    CRegistry reg;
    std::string error;
    ASSERT_TRUE(reg.Load(m_folder.Registry(), &error));
    EXPECT_EQ(reg.GetValue("Component Categories\\{D97195A0-8A2C-11D3-B424-B3F24566ED29}", "409"),
              std::optional<std::string>("Voxmill Plugins"));

    struct stat before {}, after {};
    ::stat(m_folder.Registry().c_str(), &before);
    ASSERT_TRUE(m_registry.RegisterCategory());
    ::stat(m_folder.Registry().c_str(), &after);
    EXPECT_EQ(before.st_ino, after.st_ino);  // not replaced by a rewrite
}

TEST_F(PluginRegistryTest, SelfRegistrationListsTheModulesClassesAndUnregistrationRemovesThem) {
    EXPECT_TRUE(m_registry.EnumeratePlugins().empty());
    RegisterTestRenderer();
    const auto plugins = m_registry.EnumeratePlugins();
    ASSERT_EQ(plugins.size(), 2u);  // the page classes are not in the category
    EXPECT_EQ(plugins[0].clsid, CLSID_TestRendererA);
    EXPECT_EQ(plugins[0].name, kTestRendererAName);
    EXPECT_EQ(plugins[1].clsid, CLSID_TestRendererB);
    EXPECT_EQ(plugins[1].name, kTestRendererBName);
    char* real = ::realpath(VOXMILL_TEST_RENDERER, nullptr);
    EXPECT_EQ(m_registry.GetModulePath(CLSID_TestRendererA), real);
    std::free(real);

    std::string error;
    ASSERT_EQ(CPluginRegistry::UnregisterModule(VOXMILL_TEST_RENDERER, &error), S_OK) << error;
    EXPECT_TRUE(m_registry.EnumeratePlugins().empty());
    EXPECT_EQ(m_registry.GetModulePath(CLSID_TestRendererA), "");
}

TEST_F(PluginRegistryTest, AClassWithoutANameIsAnUntitledPluginAndLongNamesAreCut) {
    RegisterClassAt(m_folder.Registry(), NumberedClass(1), nullptr, "");
    RegisterClassAt(m_folder.Registry(), NumberedClass(2), "", "");
    RegisterClassAt(m_folder.Registry(), NumberedClass(3), std::string(300, 'n').c_str(), "");
    // Category members that are not class ids, or classes outside the category, are not listed.
    Edit(m_folder.Registry(), [](CRegistry& reg) {
        reg.CreateKey("CLSID\\not-a-guid\\Implemented Categories\\" + StringFromGUID(CATID_VoxmillPlugins));
        reg.SetValue(CRegistry::ClassKey(NumberedClass(4)), "", "Outside the category");
    });
    const auto plugins = m_registry.EnumeratePlugins();
    ASSERT_EQ(plugins.size(), 3u);
    EXPECT_EQ(plugins[0].name, "Untitled Plugin");
    EXPECT_EQ(plugins[1].name, "Untitled Plugin");
    EXPECT_EQ(plugins[2].name, std::string(260, 'n'));
}

TEST_F(PluginRegistryTest, MoreClassesThanOneBatchAreAllListedInEnumerationOrder) {
    constexpr std::uint32_t kClasses = 2 * CPluginRegistry::kEnumBatch + 2;
    Edit(m_folder.Registry(), [](CRegistry& reg) {
        for (std::uint32_t n = 0; n < kClasses; ++n) {
            reg.SetValue(CRegistry::ClassKey(NumberedClass(n)), "", "Plugin " + std::to_string(n));
            reg.RegisterClassImplCategory(NumberedClass(n), CATID_VoxmillPlugins);
        }
    });
    const auto plugins = m_registry.EnumeratePlugins();
    ASSERT_EQ(plugins.size(), kClasses);
    for (std::uint32_t n = 0; n < kClasses; ++n) {
        EXPECT_EQ(plugins[n].clsid, NumberedClass(n));
        EXPECT_EQ(plugins[n].name, "Plugin " + std::to_string(n));
    }
}

TEST_F(PluginRegistryTest, ADamagedRegistryListsNothingAndSaysWhy) {
    CTestFolder::WriteText(m_folder.Registry(), "[CLSID\n");
    EXPECT_TRUE(m_registry.EnumeratePlugins().empty());
    EXPECT_NE(LastReportedError().find("line 1"), std::string::npos) << LastReportedError();
    EXPECT_FALSE(m_registry.RegisterCategory());
    EXPECT_EQ(CTestFolder::ReadText(m_folder.Registry()), "[CLSID\n");
}

TEST_F(PluginRegistryTest, FindsARendererByIdProgramIdOrDisplayName) {
    RegisterTestRenderer();
    const auto B = std::optional<CLSID>(CLSID_TestRendererB);
    std::string error;
    EXPECT_EQ(m_registry.FindPlugin("voxmill test renderer b", &error), B);
    EXPECT_EQ(m_registry.FindPlugin("VOXTESTB", &error), B);
    EXPECT_EQ(m_registry.FindPlugin("voxtestb.rendererb.1", &error), B);
    EXPECT_EQ(m_registry.FindPlugin(StringFromGUID(CLSID_TestRendererB), &error), B);
    EXPECT_EQ(m_registry.FindPlugin(StringFromGUID(CLSID_TestRendererB).substr(1, 36), &error), B);

    // The short names of the known renderers, whatever their display name.
    const CLSID tessor = *GUIDFromString("{67D20F26-7B01-11D3-BDB9-00902724DB28}");
    EXPECT_FALSE(m_registry.FindPlugin("Tessor", &error));
    RegisterClassAt(m_folder.Registry(), tessor, "Some Control", "/nowhere/libtessor.so");
    EXPECT_EQ(m_registry.FindPlugin("tessor", &error), std::optional<CLSID>(tessor));

    EXPECT_FALSE(m_registry.FindPlugin("Nonesuch", &error));
    EXPECT_NE(error.find("\"Voxmill Test Renderer A\""), std::string::npos) << error;
    EXPECT_FALSE(m_registry.FindPlugin(StringFromGUID(NumberedClass(9)), &error));
    EXPECT_NE(error.find("not registered"), std::string::npos) << error;
}

TEST_F(PluginRegistryTest, OpensOnlyModulesTheRegistryNames) {
    RegisterTestRenderer();
    ASSERT_EQ(m_registry.EnumeratePlugins().size(), 2u);
    IOleObject* object = nullptr;
    ASSERT_EQ(m_registry.CreateInstance(CLSID_TestRendererA, IID_IOleObject, reinterpret_cast<void**>(&object)), S_OK);
    object->Release();
    // A class the registry does not know is refused without a search.
    EXPECT_EQ(m_registry.CreateInstance(NumberedClass(5), IID_IOleObject, reinterpret_cast<void**>(&object)),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    EXPECT_FALSE(IsLoaded(VOXMILL_TEST_UNLISTED_MODULE));
}

struct BrokenCase {
    const char* name;
    std::string module;  // registered InprocServer32
    CLSID clsid;
    HRESULT expected;
    const char* message;
};

// Stands for a text file the test makes.
constexpr const char* kTextFile = "@text";

class PluginLoadFailure : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(PluginLoadFailure, IsSkippedWithAMessage) {
    CTestFolder folder;
    const BrokenCase& c = GetParam();
    std::string module = c.module;
    if (module == kTextFile) {
        module = folder.File("text.so");
        CTestFolder::WriteText(module, "not a shared library\n");
    }
    RegisterClassAt(folder.Registry(), c.clsid, "Broken", module);
    ClearLastReportedError();
    CPluginRegistry registry;
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(registry.CreateInstance(c.clsid, IID_IOleObject, &object), c.expected);
    EXPECT_EQ(object, nullptr);
    EXPECT_NE(LastReportedError().find(c.message), std::string::npos) << LastReportedError();
    EXPECT_NE(LastReportedError().find(StringFromGUID(c.clsid)), std::string::npos) << LastReportedError();
}

INSTANTIATE_TEST_SUITE_P(
    Battery, PluginLoadFailure,
    ::testing::Values(
        BrokenCase{"NoModule", "", CLSID_TestRendererA, REGDB_E_CLASSNOTREG, "no module is registered"},
        BrokenCase{"MissingFile", "/nonexistent/libnothing.so", CLSID_TestRendererA, CLASS_E_CLASSNOTAVAILABLE,
                   "cannot open module /nonexistent/libnothing.so"},
        BrokenCase{"RelativePath", "libvoxmill_test_renderer.so", CLSID_TestRendererA, CLASS_E_CLASSNOTAVAILABLE,
                   "is not absolute"},
        BrokenCase{"NotASharedLibrary", kTextFile, CLSID_TestRendererA, CLASS_E_CLASSNOTAVAILABLE,
                   "cannot open module "},
        BrokenCase{"NoEntryPoint", VOXMILL_TEST_BROKEN_MODULE, CLSID_TestRendererA, E_NOTIMPL,
                   "has no DllGetClassObject"},
        BrokenCase{"ClassNotServed", VOXMILL_TEST_RENDERER, CLSID_TestUnknown, CLASS_E_CLASSNOTAVAILABLE,
                   "returned no class object (0x80040111)"},
        BrokenCase{"FactoryMakesNothing", VOXMILL_TEST_RENDERER, CLSID_TestNullObject, E_UNEXPECTED,
                   "created no object"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(PluginRegistryTest, RegisteringSomethingThatIsNotAPluginFailsWithAReason) {
    std::string error;
    EXPECT_EQ(CPluginRegistry::RegisterModule(VOXMILL_TEST_BROKEN_MODULE, &error), E_NOTIMPL);
    EXPECT_NE(error.find("has no DllRegisterServer"), std::string::npos) << error;
    EXPECT_TRUE(FAILED(CPluginRegistry::RegisterModule(m_folder.File("missing.so"), &error)));
    EXPECT_NE(error.find("cannot find module"), std::string::npos) << error;
    EXPECT_TRUE(FAILED(CPluginRegistry::UnregisterModule(VOXMILL_TEST_BROKEN_MODULE, &error)));
    EXPECT_TRUE(m_registry.EnumeratePlugins().empty());
}

}  // namespace
}  // namespace voxmill
