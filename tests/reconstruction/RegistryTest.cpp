// The component registry file: its exact text, safe reading of damaged
// files, atomic and locked updates, and the category and self-registration
// operations host and plug-ins share.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "contract/Registry.h"
#include "contract/Renderer.h"
#include "tests/reconstruction/TestFolder.h"

namespace voxmill {
namespace {

using test::CTestFolder;

constexpr CLSID kClass = {0x67D20F26, 0x7B01, 0x11D3, {0xBD, 0xB9, 0x00, 0x90, 0x27, 0x24, 0xDB, 0x28}};

TEST(Guid, TextRoundTripAndRefusals) {
    EXPECT_EQ(StringFromGUID(kClass), "{67D20F26-7B01-11D3-BDB9-00902724DB28}");
    EXPECT_EQ(StringFromGUID(CATID_VoxmillPlugins), "{D97195A0-8A2C-11D3-B424-B3F24566ED29}");
    EXPECT_EQ(GUIDFromString("{67d20f26-7b01-11d3-bdb9-00902724db28}"), std::optional<GUID>(kClass));
    for (const char* bad : {"", "67D20F26-7B01-11D3-BDB9-00902724DB28", "{67D20F26-7B01-11D3-BDB9-00902724DB2}",
                            "{67D20F26-7B01-11D3-BDB9-00902724DB28", "{67D20F26+7B01-11D3-BDB9-00902724DB28}",
                            "{67D20F26-7B01-11D3-BDB9-00902724DBG8}"})
        EXPECT_FALSE(GUIDFromString(bad)) << bad;
}

TEST(Registry, FormatsTheExactText) {
    CRegistry reg;
    reg.SetValue("CLSID\\" + StringFromGUID(kClass), "", "Tessor \"Control\"\\n");
    reg.SetValue("CLSID\\" + StringFromGUID(kClass) + "\\InprocServer32", "ThreadingModel", "Apartment");
    EXPECT_EQ(reg.Format(),
              "; Voxmill component registry\n"
              "\n[CLSID]\n"
              "\n[CLSID\\{67D20F26-7B01-11D3-BDB9-00902724DB28}]\n"
              "@=\"Tessor \\\"Control\\\"\\\\n\"\n"
              "\n[CLSID\\{67D20F26-7B01-11D3-BDB9-00902724DB28}\\InprocServer32]\n"
              "\"ThreadingModel\"=\"Apartment\"\n");
}

TEST(Registry, ParsesWhatItFormatsAndToleratesCommentsAndCrlf) {
    CRegistry reg;
    reg.SetValue("A\\B", "", "line1\nline2\ttab\r\"q\"\\");
    reg.SetValue("A\\B", "name with spaces", "  padded  ");
    reg.CreateKey("A\\Empty");
    CRegistry back;
    std::string error;
    ASSERT_TRUE(back.Parse(reg.Format(), &error)) << error;
    EXPECT_EQ(back.Format(), reg.Format());
    EXPECT_EQ(back.GetValue("A\\B"), std::optional<std::string>("line1\nline2\ttab\r\"q\"\\"));
    EXPECT_EQ(back.GetValue("A\\B", "name with spaces"), std::optional<std::string>("  padded  "));

    ASSERT_TRUE(back.Parse("# hash comment\r\n; semicolon\r\n  [K]  \r\n  @ = \"v\"  \r\n", &error)) << error;
    EXPECT_EQ(back.GetValue("k"), std::optional<std::string>("v"));
}

TEST(Registry, KeysAreCaseBlindAndDeletionStaysInsideTheSubtree) {
    CRegistry reg;
    reg.SetValue("CLSID\\{A}\\InprocServer32", "", "/lib/a.so");
    reg.SetValue("CLSID\\{A}x", "", "sibling with a common prefix");
    reg.SetValue("CLSID\\{B}", "", "b");
    EXPECT_EQ(reg.GetValue("clsid\\{a}\\INPROCSERVER32"), std::optional<std::string>("/lib/a.so"));
    EXPECT_EQ(reg.SubKeys("CLSID"), (std::vector<std::string>{"{A}", "{A}x", "{B}"}));
    EXPECT_EQ(reg.SubKeys("CLSID\\{A}"), std::vector<std::string>{"InprocServer32"});

    EXPECT_TRUE(reg.DeleteKey("CLSID\\{a}"));
    EXPECT_FALSE(reg.HasKey("CLSID\\{A}\\InprocServer32"));
    EXPECT_TRUE(reg.HasKey("CLSID\\{A}x"));
    EXPECT_TRUE(reg.HasKey("CLSID\\{B}"));
    EXPECT_FALSE(reg.DeleteKey("CLSID\\{A}"));
    EXPECT_FALSE(reg.SetValue("A\\\\B", "", "empty component"));
    EXPECT_FALSE(reg.SetValue("", "", "no key"));
}

struct MalformedCase {
    const char* name;
    const char* text;
    const char* line;
};

class RegistryMalformed : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(RegistryMalformed, IsRefusedNamingTheLineAndLeavesNothing) {
    CRegistry reg;
    reg.SetValue("Old", "", "contents");
    std::string error;
    EXPECT_FALSE(reg.Parse(GetParam().text, &error));
    EXPECT_NE(error.find(GetParam().line), std::string::npos) << error;
    EXPECT_TRUE(reg.Empty());
}

INSTANTIATE_TEST_SUITE_P(
    Battery, RegistryMalformed,
    ::testing::Values(MalformedCase{"UnclosedSection", "[CLSID\n", "line 1:"},
                      MalformedCase{"ValueBeforeSection", "@=\"x\"\n", "line 1:"},
                      MalformedCase{"UnquotedValue", "[K]\n@=bare\n", "line 2:"},
                      MalformedCase{"UnterminatedString", "[K]\n@=\"open\n", "line 2:"},
                      MalformedCase{"EmptyValueName", "[K]\n\"\"=\"x\"\n", "line 2:"},
                      MalformedCase{"TextAfterValue", "[K]\n@=\"x\" y\n", "line 2:"},
                      MalformedCase{"UnknownEscape", "[K]\n; ok\n@=\"\\q\"\n", "line 3:"},
                      MalformedCase{"MissingEquals", "[K]\n\"name\" \"x\"\n", "line 2:"},
                      MalformedCase{"EmptyKeyComponent", "[A\\\\B]\n", "line 1:"},
                      MalformedCase{"EmptySection", "[]\n", "line 1:"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(RegistryFile, MissingFileIsEmptyAndDamagedOrOversizedFilesAreReported) {
    CTestFolder folder;
    CRegistry reg;
    std::string error;
    EXPECT_TRUE(reg.Load(folder.File("absent.ini"), &error));
    EXPECT_TRUE(reg.Empty());

    CTestFolder::WriteText(folder.File("bad.ini"), "[K]\n@=\"x\"\nrubbish\n");
    EXPECT_FALSE(reg.Load(folder.File("bad.ini"), &error));
    EXPECT_NE(error.find("bad.ini: line 3"), std::string::npos) << error;

    EXPECT_FALSE(reg.Load(folder.Path(), &error));  // a directory

    std::filesystem::resize_file(folder.File("bad.ini"), CRegistry::kMaxFileBytes + 1);
    EXPECT_FALSE(reg.Load(folder.File("bad.ini"), &error));
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
}

// "A\B\C..." with `depth` one-letter components.
std::string DeepKey(std::size_t depth) {
    std::string key = "K";
    for (std::size_t i = 1; i < depth; ++i) key += "\\k";
    return key;
}

TEST(RegistryHostile, AbsurdKeyDepthsAndLengthsAreRefusedNamingTheLine) {
    CTestFolder folder;
    std::string error;
    CRegistry reg;
    // 2000 components in a 4 KB file once made a 4 MB registry on the next save.
    CTestFolder::WriteText(folder.Registry(), "[Good]\n@=\"x\"\n[" + DeepKey(2000) + "]\n");
    EXPECT_FALSE(reg.Load(folder.Registry(), &error));
    EXPECT_NE(error.find("line 3: key path of"), std::string::npos) << error;
    EXPECT_TRUE(reg.Empty());

    EXPECT_FALSE(reg.Parse("[" + std::string(CRegistry::kMaxKeyPathBytes + 1, 'x') + "]\n", &error));
    EXPECT_NE(error.find("line 1: key path of 1025 bytes"), std::string::npos) << error;
    EXPECT_TRUE(reg.Parse("[" + DeepKey(CRegistry::kMaxKeyDepth) + "]\n", &error)) << error;
    EXPECT_FALSE(reg.CreateKey(DeepKey(CRegistry::kMaxKeyDepth + 1)));
    EXPECT_FALSE(reg.SetValue(DeepKey(CRegistry::kMaxKeyDepth + 1), "", "v"));

    // A registration over a registry with one absurd key once wrote a file the
    // reader refused from then on: now it changes nothing.
    const std::string previous = "[CLSID\\{1}]\n@=\"kept\"\n[" + DeepKey(4200) + "]\n";
    CTestFolder::WriteText(folder.Registry(), previous);
    bool called = false;
    EXPECT_FALSE(CRegistry::Update(folder.Registry(), [&](CRegistry&) { called = true; }, &error));
    EXPECT_FALSE(called);
    EXPECT_EQ(CTestFolder::ReadText(folder.Registry()), previous);
}

TEST(RegistryHostile, LoadAndSaveStayLinearInTheFileSize) {
    // Sections for deep keys alone: the parents they imply get no sections.
    std::string text = "; Voxmill component registry\n";
    for (int i = 100; i < 300; ++i)  // three digits: the text is already in the registry's order
        text += "\n[" + DeepKey(CRegistry::kMaxKeyDepth - 1) + "\\n" + std::to_string(i) + "]\n";
    CRegistry reg;
    std::string error;
    ASSERT_TRUE(reg.Parse(text, &error)) << error;
    EXPECT_TRUE(reg.Format() == text) << reg.Format().size() << " bytes written for " << text.size();
    EXPECT_TRUE(reg.HasKey(DeepKey(5)));
    EXPECT_EQ(reg.SubKeys(DeepKey(CRegistry::kMaxKeyDepth - 1)).size(), 200u);
    EXPECT_EQ(reg.SubKeys("K"), std::vector<std::string>{"k"});
    EXPECT_TRUE(reg.DeleteKey(DeepKey(3)));  // implied by its subkeys only
    EXPECT_FALSE(reg.HasKey(DeepKey(4)));
    EXPECT_TRUE(reg.Empty());
}

TEST(RegistryHostile, ARegistryTheReaderWouldRefuseIsNeverWritten) {
    CTestFolder folder;
    CTestFolder::WriteText(folder.Registry(), "[K]\n@=\"old\"\n");
    std::string error;
    CRegistry reg;
    reg.SetValue("K", "", std::string(CRegistry::kMaxFileBytes, 'v'));
    EXPECT_FALSE(reg.Save(folder.Registry(), &error));
    EXPECT_NE(error.find("too large to read back"), std::string::npos) << error;
    EXPECT_EQ(CTestFolder::ReadText(folder.Registry()), "[K]\n@=\"old\"\n");
}

TEST(RegistryFile, SavingThroughASymlinkKeepsTheLinkAndTheMode) {
    CTestFolder folder;
    CTestFolder::WriteText(folder.File("real.ini"), "[K]\n@=\"old\"\n");
    ::chmod(folder.File("real.ini").c_str(), 0600);
    std::filesystem::create_symlink("real.ini", folder.Registry());
    ASSERT_TRUE(CRegistry::Update(folder.Registry(), [](CRegistry& r) { r.SetValue("K", "", "new"); }, nullptr));
    EXPECT_TRUE(std::filesystem::is_symlink(folder.Registry()));
    EXPECT_NE(CTestFolder::ReadText(folder.File("real.ini")).find("new"), std::string::npos);
    struct stat st {};
    ASSERT_EQ(::stat(folder.File("real.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST(RegistryFile, SaveCreatesFoldersAndAFailedSaveLeavesNoTrace) {
    CTestFolder folder;
    CRegistry reg;
    reg.SetValue("K", "", "v");
    std::string error;
    const std::string nested = folder.File("a/b/registry.ini");
    ASSERT_TRUE(reg.Save(nested, &error)) << error;
    CRegistry back;
    ASSERT_TRUE(back.Load(nested, &error)) << error;
    EXPECT_EQ(back.GetValue("K"), std::optional<std::string>("v"));

    // A directory in the way: the rename fails and the temporary goes.
    std::filesystem::create_directory(folder.File("blocked.ini"));
    EXPECT_FALSE(reg.Save(folder.File("blocked.ini"), &error));
    std::size_t entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(folder.Path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 2u);  // a/ and blocked.ini/ only
}

TEST(RegistryFile, UpdateNeverOverwritesADamagedFile) {
    CTestFolder folder;
    const std::string damaged = "[K]\n@=\"x\"\nnot a line\n";
    CTestFolder::WriteText(folder.Registry(), damaged);
    bool called = false;
    std::string error;
    EXPECT_FALSE(CRegistry::Update(folder.Registry(), [&](CRegistry&) { called = true; }, &error));
    EXPECT_FALSE(called);
    EXPECT_EQ(CTestFolder::ReadText(folder.Registry()), damaged);
}

TEST(RegistryFile, ConcurrentUpdatesLoseNothing) {
    CTestFolder folder;
    constexpr int kWriters = 8;
    constexpr int kKeysEach = 10;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            bool ok = true;
            for (int k = 0; k < kKeysEach; ++k)
                ok = CRegistry::Update(
                         folder.Registry(),
                         [&](CRegistry& reg) {
                             reg.SetValue("W" + std::to_string(w) + "\\K" + std::to_string(k), "", "x");
                         },
                         nullptr) &&
                     ok;
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    CRegistry reg;
    std::string error;
    ASSERT_TRUE(reg.Load(folder.Registry(), &error)) << error;
    for (int w = 0; w < kWriters; ++w)
        for (int k = 0; k < kKeysEach; ++k)
            EXPECT_TRUE(reg.HasKey("W" + std::to_string(w) + "\\K" + std::to_string(k)));
}

TEST(RegistryCategories, ClassRegistrationWritesThePlatformKeysAndUnregistrationRemovesThem) {
    CRegistry reg;
    const GUID typeLib = {0x9C3B49C0, 0x7BFF, 0x11D3, {0xBD, 0xC1, 0x00, 0x90, 0x27, 0x24, 0xDB, 0x28}};
    reg.RegisterCategory(CATID_VoxmillPlugins, kPluginCategoryLocale, kPluginCategoryDescription);
    reg.RegisterInprocClass(kClass, "Tessor Control", "/opt/libtessor.so", "TESSOR.TessorCtrl.1", &typeLib);
    reg.RegisterClassImplCategory(kClass, CATID_VoxmillPlugins);
    reg.RegisterTypeLib(typeLib, "1.0", "NrTESSORLib", "/opt/libtessor.so");

    const std::string key = "CLSID\\{67D20F26-7B01-11D3-BDB9-00902724DB28}";
    EXPECT_EQ(reg.GetValue("Component Categories\\{D97195A0-8A2C-11D3-B424-B3F24566ED29}", "409"),
              std::optional<std::string>("Voxmill Plugins"));
    EXPECT_EQ(reg.GetValue(key), std::optional<std::string>("Tessor Control"));
    EXPECT_EQ(reg.GetValue(key + "\\InprocServer32"), std::optional<std::string>("/opt/libtessor.so"));
    EXPECT_EQ(reg.GetValue(key + "\\ProgID"), std::optional<std::string>("TESSOR.TessorCtrl.1"));
    EXPECT_EQ(reg.GetValue("TESSOR.TessorCtrl.1\\CLSID"), std::optional<std::string>(StringFromGUID(kClass)));
    EXPECT_TRUE(reg.HasKey(key + "\\Implemented Categories\\{D97195A0-8A2C-11D3-B424-B3F24566ED29}"));
    EXPECT_EQ(reg.GetValue("TypeLib\\{9C3B49C0-7BFF-11D3-BDC1-00902724DB28}\\1.0"),
              std::optional<std::string>("NrTESSORLib"));
    EXPECT_EQ(reg.ClassesImplementing(CATID_VoxmillPlugins), std::vector<CLSID>{kClass});

    reg.UnregisterClass(kClass);
    reg.UnRegisterTypeLib(typeLib, "1.0");
    EXPECT_FALSE(reg.HasKey(key));
    EXPECT_FALSE(reg.HasKey("TESSOR.TessorCtrl.1"));
    EXPECT_FALSE(reg.HasKey("TypeLib\\{9C3B49C0-7BFF-11D3-BDC1-00902724DB28}"));
    EXPECT_TRUE(reg.ClassesImplementing(CATID_VoxmillPlugins).empty());
    EXPECT_TRUE(reg.HasKey("Component Categories\\{D97195A0-8A2C-11D3-B424-B3F24566ED29}"));

    // A program id that meanwhile names another class is not ours to remove.
    reg.RegisterInprocClass(kClass, "Tessor Control", "/opt/libtessor.so", "SHARED.Prog.1");
    reg.SetValue("SHARED.Prog.1\\CLSID", "", "{00000000-0000-0000-0000-000000000001}");
    reg.UnregisterClass(kClass);
    EXPECT_FALSE(reg.HasKey(key));
    EXPECT_TRUE(reg.HasKey("SHARED.Prog.1"));
}

}  // namespace
}  // namespace voxmill
