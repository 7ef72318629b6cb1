// voxmill-cli project ...: the built program run in a temporary folder.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "app/ListElementStub.h"
#include "tests/common/TempDir.h"

#ifndef VOXMILL_CLI
#error "VOXMILL_CLI must name the voxmill-cli program"
#endif

namespace voxmill {
namespace {

struct Result {
    int status = -1;
    std::string err;
};

class ProjectCli : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(Run({"phantom", "shepp-logan", "head.pha"}).status, 0); }

    Result Run(const std::vector<std::string>& args) {
        std::string command = "cd '" + dir.path().string() + "' && '" VOXMILL_CLI "'";
        for (const std::string& a : args) command += " '" + a + "'";
        command += " >/dev/null 2>'" + dir.File("stderr.txt") + "'";
        const int raw = std::system(command.c_str());
        Result r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        const auto err = test::ReadBytes(dir.File("stderr.txt"));
        r.err.assign(err.begin(), err.end());
        std::filesystem::remove(dir.File("stderr.txt"));
        return r;
    }

    bool Exists(const std::string& name) const { return std::filesystem::exists(dir.File(name)); }

    test::TempDir dir;
};

TEST_F(ProjectCli, DefaultsWriteALinkedCollectionWithSixMembers) {
    const Result r = Run({"project", "head.pha", "scan.prs"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Projecting..."), std::string::npos);
    EXPECT_NE(r.err.find("Average time: "), std::string::npos);
    for (int k = 0; k < 6; ++k) EXPECT_TRUE(Exists("scan.prs." + std::to_string(k) + ".PRJ")) << k;
    EXPECT_FALSE(Exists("scan.prs.6.PRJ"));

    CProjectionCollection c;
    c.Open(dir.File("scan.prs"));
    ASSERT_EQ(c.GetCount(), 6u);
    EXPECT_TRUE(c.GetMember(3)->m_bLinked);
    ASSERT_TRUE(c.GetMember(3)->Load());
    EXPECT_EQ(c.GetProjection(3)->GetWidth(), 128u);
    EXPECT_GT(c.GetProjection(3)->GetMaxValue(), 0.5f);
}

TEST_F(ProjectCli, OptionsReachTheRun) {
    const Result r = Run({"project", "head.pha", "scan.prs", "--in-place", "--five-rays", "--pixels", "64", "48",
                          "--detector-size", "3", "2", "--ds", "5", "--dd", "3", "--start", "90", "--end", "180",
                          "--steps", "3", "--threads", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(Exists("scan.prs.0.PRJ"));
    CProjectionCollection c;
    c.Open(dir.File("scan.prs"));
    ASSERT_EQ(c.GetCount(), 3u);
    const CProjection& first = *c.GetProjection(0);
    EXPECT_FALSE(c.GetMember(0)->m_bLinked);
    EXPECT_EQ(first.GetWidth(), 64u);
    EXPECT_EQ(first.GetHeight(), 48u);
    EXPECT_DOUBLE_EQ(first.GetDimX(), 3.0);
    EXPECT_NEAR(first.GetSource().GetPosition().x, 5.0, 1e-9);
    EXPECT_NEAR(first.GetDetector().GetCenter().x, -3.0, 1e-9);
    const CPoint4& last = c.GetProjection(2)->GetSource().GetPosition();
    EXPECT_NEAR(std::atan2(last.x, last.z) * 180 / 3.14159265359, 150.0, 1e-9);
}

TEST_F(ProjectCli, APhantomFileThatFailsToReadIsReported) {
    test::WriteBytes(dir.File("broken.pha"), {0x01, 0x00, 0x07});
    Result r = Run({"project", "broken.pha", "scan.prs"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("broken.pha"), std::string::npos) << r.err;
    EXPECT_FALSE(Exists("scan.prs"));
    r = Run({"project", "missing.pha", "scan.prs"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("missing.pha"), std::string::npos) << r.err;
}

TEST_F(ProjectCli, AnUnwritableFolderIsReported) {
    test::WriteBytes(dir.File("plain-file"), {1});
    const Result r = Run({"project", "head.pha", "plain-file/scan.prs", "--pixels", "32", "32"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("plain-file/scan.prs.0.PRJ could not be written"), std::string::npos) << r.err;
}

TEST_F(ProjectCli, ADetectorOfSizeZeroStillWritesItsEmptyMembers) {
    const Result r = Run({"project", "head.pha", "scan.prs", "--detector-size", "0", "4", "--pixels", "32", "32"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("have no image"), std::string::npos) << r.err;
    for (int k = 0; k < 6; ++k) EXPECT_TRUE(Exists("scan.prs." + std::to_string(k) + ".PRJ"));
    EXPECT_TRUE(Exists("scan.prs"));
}

TEST_F(ProjectCli, BadOptionsAreRefusedBeforeAnythingIsWritten) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"project", "head.pha", "scan.prs", "--pixels", "16", "16"},
          {"project", "head.pha", "scan.prs", "--start", "100", "--end", "100.5"},
          {"project", "head.pha", "scan.prs", "--steps", "0"},
          {"project", "head.pha", "scan.prs", "--ds", "101"},
          {"project", "head.pha", "scan.prs", "--in-place", "--linked"},
          {"project", "head.pha", "scan.prs", "--steps", "three"},
          {"project", "head.pha"}}) {
        const Result r = Run(args);
        EXPECT_NE(r.status, 0) << args.back();
        EXPECT_FALSE(r.err.empty());
        EXPECT_FALSE(Exists("scan.prs"));
    }
}

TEST_F(ProjectCli, AnExistingCollectionIsReplacedOnlyWithForce) {
    ASSERT_EQ(Run({"project", "head.pha", "scan.prs", "--in-place", "--pixels", "32", "32"}).status, 0);
    const auto before = test::ReadBytes(dir.File("scan.prs"));
    EXPECT_EQ(Run({"project", "head.pha", "scan.prs", "--in-place", "--pixels", "40", "40"}).status, 1);
    EXPECT_EQ(test::ReadBytes(dir.File("scan.prs")), before);
    EXPECT_EQ(Run({"project", "head.pha", "scan.prs", "--in-place", "--pixels", "40", "40", "--force"}).status, 0);
    EXPECT_NE(test::ReadBytes(dir.File("scan.prs")), before);
}

}  // namespace
}  // namespace voxmill
