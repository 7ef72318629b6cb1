// voxmill-cli slide / cine and the slide and cine lines of export and info,
// through the built program: exit codes, messages and the bytes written.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <utility>

#include "acquisition/ProjectionCollection.h"
#include "acquisition/Projection.h"
#include "app/ListElementStub.h"
#include "tests/acquisition/TestSupport.h"

namespace voxmill {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;

// stdout and stderr together
using Result = test::ShellResult;

class CineCli : public ::testing::Test {
protected:
    testing::TempFolder dir;

    Result Run(const std::string& args) {
        const std::string command = "cd \"" + dir.path().string() + "\" && \"" VOXMILL_CLI "\" " + args + " 2>&1";
        return test::RunShell(command);
    }
};

TEST_F(CineCli, SlideImportGenerateExportAndInfo) {
    testing::WriteBytes(dir.File("s.raw"), Bytes(16, 0));
    testing::WriteBytes(dir.File("r.raw"), Bytes(16, 255));
    ASSERT_EQ(Run("slide import s.raw s.sld").status, 0);
    Result r = Run("slide import r.raw r.sld --pixels 4 4");
    ASSERT_EQ(r.status, 0) << r.out;
    r = Run("info s.sld");
    EXPECT_NE(r.out.find("image: 4 x 4 8-bit pixels, 4 x 4 units"), std::string::npos) << r.out;
    r = Run("slide generate s.sld r.sld p.prj");
    ASSERT_EQ(r.status, 0) << r.out;
    CProjection p;
    p.Open(dir.File("p.prj"));
    EXPECT_FLOAT_EQ(p.GetPixel(3, 3), static_cast<float>(std::log(256.0)));
    EXPECT_NE(Run("slide generate s.sld r.sld p.prj").status, 0);  // no silent overwrite

    ASSERT_EQ(Run("export raw r.sld out.raw").status, 0);
    EXPECT_EQ(testing::ReadBytes(dir.File("out.raw")), Bytes(16, 255));
    ASSERT_EQ(Run("export bmp r.sld out.bmp").status, 0);
    EXPECT_EQ(testing::ReadBytes(dir.File("out.bmp")).size(), 14u + 40 + 1024 + 16);

    // A file shorter than its read length is an error, not a half image.
    r = Run("slide import s.raw t.sld --offset 4");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.out.find("need 16 bytes"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(dir.File("t.sld")));
}

TEST_F(CineCli, CineImportExportsAndEdits) {
    Bytes raw(400);
    for (std::size_t k = 0; k < raw.size(); ++k) raw[k] = static_cast<std::uint8_t>(k);
    testing::WriteBytes(dir.File("c.raw"), raw);
    Result r = Run("cine import c.raw c.sds --units 3 --type int8 --pixels 10 10 --offset 16");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("3 frames of 10 x 10"), std::string::npos) << r.out;
    ASSERT_EQ(Run("export cine c.sds c.out").status, 0);
    EXPECT_EQ(testing::ReadBytes(dir.File("c.out")), Bytes(raw.begin() + 16, raw.begin() + 316));
    ASSERT_EQ(Run("export avi c.sds c.avi").status, 0);
    EXPECT_GT(fs::file_size(dir.File("c.avi")), 300u);
    EXPECT_NE(Run("cine import c.raw d.sds").status, 0);  // --units is needed

    ASSERT_EQ(Run("cine add c.sds").status, 0);
    r = Run("info c.sds");
    EXPECT_NE(r.out.find("slides: 4"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("values: none (no pixels)"), std::string::npos) << r.out;
    EXPECT_NE(Run("cine remove c.sds 9").status, 0);
    ASSERT_EQ(Run("cine remove c.sds 0 3").status, 0);
    EXPECT_NE(Run("info c.sds").out.find("slides: 2"), std::string::npos);
    ASSERT_EQ(Run("cine remove c.sds --all").status, 0);
    EXPECT_NE(Run("info c.sds").out.find("slides: 0"), std::string::npos);
}

TEST_F(CineCli, ImportFilesSaysWhichFilesWereDroppedAndRefusesOptionsAmongTheInputs) {
    testing::WriteBytes(dir.File("f0.raw"), Bytes(16, 9));
    const Result dropped = Run("cine import-files c.sds f0.raw missing.raw --type int8 --pixels 4 4");
    EXPECT_EQ(dropped.status, 1);
    EXPECT_EQ(dropped.out.rfind("voxmill-cli: dropped missing.raw: ", 0), 0u) << dropped.out;
    EXPECT_NE(dropped.out.find("\nc.sds: 1 of 2 files imported\n"), std::string::npos) << dropped.out;
    EXPECT_TRUE(fs::exists(dir.File("f0.raw.SLD")));
    const std::pair<const char*, const char*> refusals[] = {
        {"cine import-files d.sds f0.raw --bogus", "voxmill-cli: unknown option '--bogus'\n"},
        {"cine import-files c.sds f0.raw", "voxmill-cli: c.sds already exists (use --force to replace it)\n"},
    };
    for (const auto& [args, message] : refusals) {
        const Result r = Run(args);
        EXPECT_EQ(r.status, 1) << args;
        EXPECT_EQ(r.out, message) << args;
    }
    EXPECT_FALSE(fs::exists(dir.File("d.sds")));
}

TEST_F(CineCli, ImportFilesAndGenerateLinked) {
    for (int k = 0; k < 4; ++k) {
        testing::WriteBytes(dir.File("f" + std::to_string(k) + ".raw"), Bytes(16, static_cast<std::uint8_t>(50 * k)));
        testing::WriteBytes(dir.File("g" + std::to_string(k) + ".raw"), Bytes(16, 255));
    }
    Result r = Run("cine import-files cine.sds f0.raw f1.raw f2.raw f3.raw --type int8 --pixels 4 4");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(fs::exists(dir.File("f2.raw.SLD")));
    ASSERT_EQ(Run("cine import-files ref.sds g0.raw g1.raw g2.raw g3.raw --type int8 --pixels 4 4").status, 0);
    // A replaced cine's slide files are staged and put in place by its save.
    const std::vector<std::string> entries = dir.Entries();
    const Bytes slide = testing::ReadBytes(dir.File("f2.raw.SLD"));
    testing::WriteBytes(dir.File("f2.raw"), Bytes(16, 7));
    ASSERT_EQ(Run("cine import-files cine.sds f0.raw f1.raw f2.raw f3.raw --type int8 --pixels 4 4 --force").status, 0);
    EXPECT_EQ(dir.Entries(), entries);
    EXPECT_NE(testing::ReadBytes(dir.File("f2.raw.SLD")), slide);
    testing::WriteBytes(dir.File("f2.raw"), Bytes(16, 100));
    ASSERT_EQ(Run("cine import-files cine.sds f0.raw f1.raw f2.raw f3.raw --type int8 --pixels 4 4 --force").status, 0);
    EXPECT_EQ(testing::ReadBytes(dir.File("f2.raw.SLD")), slide);
    r = Run("info cine.sds");
    EXPECT_NE(r.out.find("source: (+4.0000, +0.0000, +0.0000)"), std::string::npos) << r.out;  // slide 1 at 90 degrees

    r = Run("cine generate cine.sds ref.sds run.prs --linked");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(fs::exists(dir.File("run.prs.2.PRJ")));
    CProjectionCollection c;
    c.Open(dir.File("run.prs"));
    ASSERT_EQ(c.GetCount(), 4u);
    ASSERT_TRUE(c.GetMember(2)->Load());
    EXPECT_FLOAT_EQ(c.GetProjection(2)->GetPixel(0, 0), static_cast<float>(std::log(256.0 / 101.0)));
    ASSERT_TRUE(c.GetMember(1)->Load());
    EXPECT_NEAR(c.GetProjection(1)->GetSource().GetPosition().x, 4.0, 1e-9);

    ASSERT_EQ(Run("cine add ref.sds").status, 0);
    r = Run("cine generate cine.sds ref.sds other.prs");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.out.find("nothing made"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(dir.File("other.prs")));
}

TEST_F(CineCli, DamagedFilesAreReportedNotCrashed) {
    testing::WriteBytes(dir.File("bad.sld"), Bytes{1, 0, 0, 0, 1, 0});
    testing::WriteBytes(dir.File("bad.sds"), Bytes(5, 0xFF));
    for (const char* args : {"info bad.sld", "info bad.sds", "export avi bad.sds x.avi", "export raw bad.sld x.raw"}) {
        const Result r = Run(args);
        EXPECT_EQ(r.status, 1) << args << ": " << r.out;
        EXPECT_NE(r.out.find("voxmill-cli:"), std::string::npos) << r.out;
    }
}

}  // namespace
}  // namespace voxmill
