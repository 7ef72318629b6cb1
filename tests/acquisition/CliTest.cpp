// voxmill-cli import / export / info on temporary files, through the built
// program: exit codes, messages and the bytes it writes.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "tests/acquisition/TestSupport.h"

namespace voxmill {
namespace {

namespace fs = std::filesystem;
using testing::Append;
using testing::Bytes;
using testing::ReadAt;

// stdout and stderr together
using Result = test::ShellResult;

class Cli : public ::testing::Test {
protected:
    testing::TempFolder dir;

    Result Run(const std::string& args) {
        const std::string command = "cd \"" + dir.path().string() + "\" && \"" VOXMILL_CLI "\" " + args + " 2>&1";
        return test::RunShell(command);
    }

    void Floats(const std::string& name, std::size_t count, float base, std::size_t skip = 0) {
        Bytes b(skip, 0x55);
        for (std::size_t k = 0; k < count; ++k) Append(b, base + static_cast<float>(k));
        testing::WriteBytes(dir.File(name), b);
    }
};

TEST_F(Cli, ImportRawExportAndInfo) {
    Floats("a.raw", 16, 1.0f);
    Result r = Run("import raw a.raw a.prj --source 0 0 4 --detector-centre 0 0 -4");
    ASSERT_EQ(r.status, 0) << r.out;
    r = Run("info a.prj");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("kind: projection"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("image: 4 x 4 pixels, 1 x 1 units"), std::string::npos) << r.out;  // 64 bytes: 4 x 4
    EXPECT_NE(r.out.find("values: 1 .. 16"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("source: (+0.0000, +0.0000, +4.0000)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("centre (+0.0000, +0.0000, -4.0000)"), std::string::npos) << r.out;

    ASSERT_EQ(Run("export raw a.prj back.raw").status, 0);
    EXPECT_EQ(testing::ReadBytes(dir.File("back.raw")), testing::ReadBytes(dir.File("a.raw")));
    ASSERT_EQ(Run("export bmp a.prj a.bmp").status, 0);
    EXPECT_EQ(testing::ReadBytes(dir.File("a.bmp")).size(), 1078u + 16u);
    ASSERT_EQ(Run("export dicom a.prj a.pap").status, 0);
    const Bytes dicom = testing::ReadBytes(dir.File("a.pap"));
    ASSERT_GT(dicom.size(), 132u);
    EXPECT_EQ(std::string(dicom.begin() + 128, dicom.begin() + 132), "DICM");

    // Types, counts and offset as given.
    Bytes b(3, 0);
    for (std::int16_t v : {-1, 2, 300, -400, 5, 6}) Append(b, v);
    testing::WriteBytes(dir.File("i.raw"), b);
    ASSERT_EQ(Run("import raw i.raw i.prj --type int16 --pixels 3 2 --offset 3 --size 6 4").status, 0);
    r = Run("info i.prj");
    EXPECT_NE(r.out.find("image: 3 x 2 pixels, 6 x 4 units, pitch 2 x 2"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("values: -400 .. 300"), std::string::npos) << r.out;
}

TEST_F(Cli, ImportRawRefusesShortFilesBadValuesAndOverwrites) {
    Floats("a.raw", 16, 0.0f);
    Result r = Run("import raw a.raw a.prj --pixels 4 5");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("need 80 bytes"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(dir.File("a.prj")));
    EXPECT_EQ(Run("import raw a.raw a.prj --type uint8").status, 1);
    EXPECT_EQ(Run("import raw a.raw a.prj --pixels 0 4").status, 1);
    EXPECT_EQ(Run("import raw missing.raw a.prj").status, 1);

    ASSERT_EQ(Run("import raw a.raw a.prj").status, 0);
    r = Run("import raw a.raw a.prj");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("already exists"), std::string::npos) << r.out;
    EXPECT_EQ(Run("import raw a.raw a.prj --force").status, 0);
}

TEST_F(Cli, SinogramImportAndExport) {
    Floats("s.raw", 3 * 8, 0.0f, 12);
    Result r = Run("import sinogram s.raw s.prs --pixels 4 2 --count 3 --offset 12");
    ASSERT_EQ(r.status, 0) << r.out;
    r = Run("info s.prs");
    EXPECT_NE(r.out.find("members: 3"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("member 2: in place"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("source: (-3.4641, +0.0000, -2.0000)"), std::string::npos) << r.out;

    ASSERT_EQ(Run("export sinogram s.prs out.raw").status, 0);
    const Bytes out = testing::ReadBytes(dir.File("out.raw"));
    ASSERT_EQ(out.size(), 4u * 3u * 4u * 2u);
    const Bytes in = testing::ReadBytes(dir.File("s.raw"));
    EXPECT_TRUE(std::equal(out.begin(), out.end(), in.begin() + 12));

    r = Run("import sinogram s.raw t.prs --pixels 4 2 --count 4 --offset 12");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("need 140 bytes"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(dir.File("t.prs")));

    r = Run("export raw s.prs x.raw");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("export as sinogram"), std::string::npos) << r.out;
}

TEST_F(Cli, InfoFindsMovedMembersBesideTheCollectionInsteadOfCallingThemMissing) {
    fs::create_directory(dir.File("orig"));
    Floats("orig/p0.raw", 4, 0.0f);
    Floats("orig/p1.raw", 4, 10.0f);
    ASSERT_EQ(Run("import raws c.prs orig/p0.raw orig/p1.raw").status, 0);
    fs::rename(dir.File("orig/p0.raw.PRJ"), dir.File("p0.raw.PRJ"));
    const Result r = Run("info c.prs");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.find("(file missing)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("member 0: linked to " + dir.File("orig/p0.raw.PRJ") + " (moved: read from " +
                         dir.File("p0.raw.PRJ") + ")"),
              std::string::npos)
        << r.out;
}

TEST_F(Cli, LinkedRawsImportInfoAndMissingMember) {
    Floats("p0.raw", 4, 0.0f);
    Floats("p1.raw", 4, 10.0f);
    Result r = Run("import raws c.prs p0.raw p1.raw");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(fs::exists(dir.File("p0.raw.PRJ")));
    r = Run("info c.prs");
    EXPECT_NE(r.out.find("member 1: linked to " + dir.File("p1.raw.PRJ")), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("source: (+0.0000, +0.0000, -4.0000)"), std::string::npos) << r.out;

    fs::remove(dir.File("p1.raw.PRJ"));
    r = Run("info c.prs");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("(file missing)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(",+0.00,-4.00 (cached; the file cannot be read)"), std::string::npos) << r.out;
    r = Run("export sinogram c.prs out.raw");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("member 1"), std::string::npos) << r.out;

    Floats("long.raw", 5, 0.0f);
    r = Run("import raws d.prs p0.raw long.raw");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("differ in length"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(dir.File("d.prs")));
}

TEST_F(Cli, RawsImportedAgainWithForceReplaceTheMembersAndLeaveNothingStaged) {
    Floats("p0.raw", 4, 1.0f);
    Floats("p1.raw", 4, 2.0f);
    ASSERT_EQ(Run("import raws c.prs p0.raw p1.raw").status, 0);
    Floats("p0.raw", 4, 5.0f);
    const Result r = Run("import raws c.prs p0.raw p1.raw --force");
    ASSERT_EQ(r.status, 0) << r.out;
    // The new members went through the collection's journal: all in place,
    // nothing staged or journalled left beside them.
    for (const auto& entry : fs::directory_iterator(dir.File("")))
        EXPECT_EQ(entry.path().string().find(".voxmill-"), std::string::npos) << entry.path();
    EXPECT_NE(Run("info p0.raw.PRJ").out.find("values: 5 .. 8"), std::string::npos);
}

TEST_F(Cli, RawsRefuseOptionsAmongTheInputsAndSayWhichFilesWereDropped) {
    Floats("p0.raw", 4, 1.0f);
    Result r = Run("import raws c.prs p0.raw --bogus");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "voxmill-cli: unknown option '--bogus'\n");
    EXPECT_FALSE(fs::exists(dir.File("c.prs")));
    r = Run("import raws c.prs p0.raw missing.raw");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.rfind("voxmill-cli: dropped missing.raw: ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\nc.prs: 1 of 2 files imported\n"), std::string::npos) << r.out;
    r = Run("import raws c.prs p0.raw");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "voxmill-cli: c.prs already exists (use --force to replace it)\n");
}

TEST_F(Cli, InfoDispatchesByExtension) {
    ASSERT_EQ(Run("phantom shepp-logan h.pha").status, 0);
    Result r = Run("info h.pha");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("kind: phantom"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("element 0: Ellipsoid"), std::string::npos) << r.out;

    r = Run("info x.vol2");
    EXPECT_EQ(r.status, 1);
    testing::WriteBytes(dir.File("bad.prs"), Bytes{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F});
    r = Run("info bad.prs");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("count"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace voxmill
