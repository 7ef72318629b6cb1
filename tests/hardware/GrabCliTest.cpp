// voxmill-cli digitizer info and grab through the built program on the
// simulated camera libraries: what is reported, the slides written, the
// region and scale handed over, and the refusals.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/ListElementStub.h"
#include "hardware/Slide.h"
#include "hardware/SlideCollection.h"
#include "tests/hardware/SimulatedCamera.h"

namespace voxmill::test {
namespace {

// stdout and stderr together
using Result = test::ShellResult;

class GrabCli : public ::testing::Test {
protected:
    TempDir dir;

    Result Run(const std::string& args, const std::string& env = {}) {
        const std::string command =
            "cd \"" + dir.path().string() + "\" && " + env + " \"" VOXMILL_CLI "\" " + args + " 2>&1";
        return test::RunShell(command);
    }
    bool Has(const Result& r, const std::string& text) { return r.out.find(text) != std::string::npos; }
};

TEST_F(GrabCli, DigitizerInfoReportsTheCamera) {
    std::ofstream(dir.File("Voxmill.dcf")) << "width = 320\nheight = 240\n";
    Result r = Run("digitizer info");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Has(r, "MIL: ready")) << r.out;
    EXPECT_TRUE(Has(r, "GEN: ready")) << r.out;
    EXPECT_TRUE(Has(r, "System type: 17 (Matrox Genesis)")) << r.out;
    EXPECT_TRUE(Has(r, "Full size: 320 x 240")) << r.out;

    r = Run("digitizer info", "VOXMILL_GRABBER=off");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Has(r, "MIL: not ready")) << r.out;
    EXPECT_FALSE(Has(r, "Full size")) << r.out;
}

TEST_F(GrabCli, GrabWritesOneLinkedSlidePerSnapshotOfTheScaledRegion) {
    Result r = Run("grab cine.sds --steps 4 --region 256 128 --offset 100 200 --scale 0.5",
                   "VOXMILL_SIMCAM_LOG=calls.log");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Has(r, "4 slides of 128 x 64 grabbed")) << r.out;
    for (int k = 0; k < 4; ++k) EXPECT_TRUE(std::filesystem::exists(dir.File("cine.sds." + std::to_string(k) + ".SLD")));
    CSlideCollection cine;
    cine.Open(dir.File("cine.sds"));
    ASSERT_EQ(cine.GetCount(), 4u);
    ASSERT_TRUE(cine.GetMember(2)->Load());
    EXPECT_EQ(cine.GetSlide(2)->GetWidth(), 128u);
    EXPECT_NEAR(cine.GetSlide(2)->GetSource().GetPosition().x, 0.0, 1e-9);  // 180 degrees
    EXPECT_NEAR(cine.GetSlide(2)->GetSource().GetPosition().z, -4.0, 1e-9);

    std::ifstream log(dir.File("calls.log"));
    std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    for (const char* call : {"MbufAlloc2d(2, 128, 64, 8, 28, null) = 6", "MdigControl(3, 4010, 0.5)",
                             "MdigControl(3, 4022, 256)", "MdigControl(3, 4023, 128)", "MdigControl(3, 4024, 100)",
                             "MdigControl(3, 4025, 200)", "MdigControl(3, 4200, -9997)"})
        EXPECT_NE(text.find(call), std::string::npos) << call;
}

TEST_F(GrabCli, RefusalsAndGrabErrors) {
    EXPECT_TRUE(Has(Run("grab a.sds --region 8 576"), "X Axis Num"));
    EXPECT_TRUE(Has(Run("grab a.sds --region 700 576 --offset 69 0"), "X Axis Offset"));
    EXPECT_TRUE(Has(Run("grab a.sds --scale 0.3"), "--scale"));
    EXPECT_TRUE(Has(Run("grab a.sds --camera none.dcf"), "no such camera file"));
    EXPECT_TRUE(Has(Run("grab a.sds", "VOXMILL_GRABBER=off"), "not available"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("a.sds")));

    // A grab error leaves its slide as made; the run goes on and says so.
    Result r = Run("grab b.sds --steps 3 --region 64 64 --in-place", "VOXMILL_SIMCAM_FAIL=MdigGrab:3");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(Has(r, "snapshots 1 were not grabbed")) << r.out;
    CSlideCollection cine;
    cine.Open(dir.File("b.sds"));
    EXPECT_EQ(cine.GetCount(), 3u);
    EXPECT_TRUE(Has(Run("grab b.sds"), "already exists"));
}

}  // namespace
}  // namespace voxmill::test
