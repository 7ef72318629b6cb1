// The projector's grabbing run with a digitizer as its target, against the
// simulated camera: one grabbed slide per snapshot with the snapshot's
// geometry, linked members, the manual trigger's prompt and its cancel
// rule, grab errors, and the call log of a whole session.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "acquisition/ProjectionCollection.h"
#include "acquisition/Projector.h"
#include "acquisition/ProjectorOptions.h"
#include "app/ListElementStub.h"
#include "hardware/Slide.h"
#include "hardware/SlideCollection.h"
#include "tests/hardware/SimulatedCamera.h"

namespace voxmill::test {
namespace {

// Three snapshots over 0 to 180 degrees on a 64 x 64 detector, the
// digitizer cut to a 64 x 64 region so that a frame fills a slide (in
// Session, from the band of the test pattern that moves).
ProjectorPageValues ThreeSnapshots() {
    ProjectorPageValues values;
    values.detector.width = 64;
    values.detector.height = 64;
    values.snapshots.endAngle = 180;
    values.snapshots.stepNumber = 3;
    return values;
}

struct Session {
    explicit Session(const std::string& fail = {}) : camera(fail) {
        digitizer.m_bAutoDelete = false;
        EXPECT_TRUE(digitizer.SetSettings(64, 64, 0, 256, CDigitizer::kScaleFull, CDigitizer::kTriggerDefault));
        projector.OnNewDocument();
        projector.m_bAutoDelete = false;
        projector.m_collectionMode = CProjector::kInPlaceCollection;
    }
    SimulatedCamera camera;
    CDigitizer digitizer;
    CProjector projector;
};

CSlideCollection& Cine(const ProjectorRunReport& report) { return static_cast<CSlideCollection&>(*report.grabbed); }

TEST(GrabbingRun, EverySnapshotGrabsOneSlideWithItsGeometry) {
    Session s;
    const ProjectorRunReport report = s.projector.Render(&s.digitizer, ThreeSnapshots());
    ASSERT_TRUE(report.Complete()) << report.problem;
    EXPECT_FALSE(report.collection);
    CSlideCollection& cine = Cine(report);
    ASSERT_EQ(cine.GetCount(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        const CSlide& slide = *cine.GetSlide(k);
        ASSERT_EQ(slide.GetWidth(), 64u);
        const double theta = (60.0 * k) * 3.14159265359 / 180;
        EXPECT_NEAR(slide.GetSource().GetPosition().x, 4 * std::sin(theta), 1e-9);
        EXPECT_NEAR(slide.GetSource().GetPosition().z, 4 * std::cos(theta), 1e-9);
        EXPECT_NEAR(slide.GetDetector().GetDimX(), 4.0, 0);
    }
    // The pattern moves from grab to grab.
    const auto pixels = [&](std::size_t k) {
        const CSlide& slide = *cine.GetSlide(k);
        return std::vector<std::uint8_t>(slide.GetPixels(), slide.GetPixels() + slide.GetPixelCount());
    };
    EXPECT_NE(pixels(0), pixels(1));
    EXPECT_NE(pixels(1), pixels(2));
}

TEST(GrabbingRun, LinkedMembersAreWrittenBesideTheCollection) {
    Session s;
    s.projector.m_collectionMode = CProjector::kLinkedCollection;
    const std::string path = s.camera.Dir().File("cine.SDS");
    // A previous cine at the path: its slides stay until the new cine is saved.
    for (int k = 0; k < 3; ++k) WriteBytes(path + "." + std::to_string(k) + ".SLD", {7, 7, 7});
    const ProjectorRunReport report = s.projector.Render(&s.digitizer, ThreeSnapshots(), path);
    ASSERT_TRUE(report.Complete()) << report.problem;
    EXPECT_EQ(Cine(report).GetPathName(), path);
    for (int k = 0; k < 3; ++k) {
        const std::string member = path + "." + std::to_string(k) + ".SLD";
        EXPECT_EQ(ReadBytes(member), (std::vector<std::uint8_t>{7, 7, 7})) << member;
        EXPECT_TRUE(std::filesystem::exists(member + ".voxmill-new")) << member;
    }
    Cine(report).Save(path);
    for (int k = 0; k < 3; ++k) {
        const std::string member = path + "." + std::to_string(k) + ".SLD";
        EXPECT_FALSE(std::filesystem::exists(member + ".voxmill-new")) << member;
        EXPECT_TRUE(Cine(report).GetMember(static_cast<std::size_t>(k))->m_bLinked);
        CSlide reread;
        reread.Open(member);
        EXPECT_EQ(reread.GetWidth(), 64u);
    }
    EXPECT_FALSE(std::filesystem::exists(path + ".3.SLD"));
}

TEST(GrabbingRun, ACancelledRunKeepsNoCineAndThePreviousSlideFiles) {
    Session s;
    s.projector.m_collectionMode = CProjector::kLinkedCollection;
    const std::string path = s.camera.Dir().File("cine.SDS");
    for (int k = 0; k < 3; ++k) WriteBytes(path + "." + std::to_string(k) + ".SLD", {7, 7, 7});
    const auto entries = [&] {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(s.camera.Dir().path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::vector<std::string> before = entries();
    int readings = 0;  // BeginRun, then one a step: the request comes during step 2
    s.projector.SetClock([&] {
        if (++readings == 3) s.projector.RequestCancel();
        return COperator::SystemFileTime();
    });
    const ProjectorRunReport report = s.projector.Render(&s.digitizer, ThreeSnapshots(), path);
    EXPECT_TRUE(report.stopped);
    EXPECT_FALSE(report.grabbed);
    EXPECT_EQ(s.projector.m_nStep, 2u);
    EXPECT_EQ(s.projector.GetStatusText(), COperator::kCancelledText);
    EXPECT_EQ(entries(), before);  // no staged slide, no journal
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(ReadBytes(path + "." + std::to_string(k) + ".SLD"), (std::vector<std::uint8_t>{7, 7, 7})) << k;
}

TEST(GrabbingRun, ManualTriggerCancelledAtTheThirdPromptKeepsTwoSlides) {
    Session s;
    s.digitizer.triggerMode = CDigitizer::kTriggerManual;
    int prompts = 0;
    s.projector.SetGrabPrompt([&prompts] { return ++prompts < 3; });
    ProjectorRunReport report = s.projector.Render(&s.digitizer, [] {
        ProjectorPageValues values = ThreeSnapshots();
        values.snapshots.stepNumber = 5;
        return values;
    }());
    EXPECT_EQ(prompts, 3);
    EXPECT_TRUE(report.cancelled);
    ASSERT_TRUE(report.grabbed);
    EXPECT_EQ(Cine(report).GetCount(), 2u);
    // The run ended short of its count: two steps of five.
    EXPECT_EQ(s.projector.m_nStep, 2u);

    // With the default trigger nobody is asked.
    Session d;
    d.projector.SetGrabPrompt([] {
        ADD_FAILURE() << "prompted with the default trigger";
        return false;
    });
    EXPECT_EQ(Cine(d.projector.Render(&d.digitizer, ThreeSnapshots())).GetCount(), 3u);
}

TEST(GrabbingRun, AGrabErrorLeavesThatSlideAsMadeAndTheRunGoesOn) {
    Session s("MdigGrab:3");  // the allocation's grab, snapshot 0, then snapshot 1 fails
    const ProjectorRunReport report = s.projector.Render(&s.digitizer, ThreeSnapshots());
    ASSERT_TRUE(report.grabbed);
    EXPECT_EQ(report.failedGrabs, std::vector<int>{1});
    CSlideCollection& cine = Cine(report);
    ASSERT_EQ(cine.GetCount(), 3u);
    const CSlide& failed = *cine.GetSlide(1);
    EXPECT_TRUE(std::all_of(failed.GetPixels(), failed.GetPixels() + failed.GetPixelCount(),
                            [](std::uint8_t v) { return v == 0; }));
    const CSlide& next = *cine.GetSlide(2);
    EXPECT_FALSE(std::all_of(next.GetPixels(), next.GetPixels() + next.GetPixelCount(),
                             [](std::uint8_t v) { return v == 0; }));
}

TEST(GrabbingRun, WithoutTheLibrariesNothingIsGrabbed) {
    ScopedEnv off("VOXMILL_GRABBER", "off");
    Session s;
    const ProjectorRunReport report = s.projector.Render(&s.digitizer, ThreeSnapshots());
    ASSERT_TRUE(report.grabbed);
    EXPECT_EQ(Cine(report).GetCount(), 3u);
    EXPECT_EQ(report.failedGrabs, (std::vector<int>{0, 1, 2}));
}

// A whole session: start-up, a digitizer made, Live Preview, a grabbing
// run of three snapshots, the digitizer closed, exit.
TEST(GrabbingRun, CallLogOfAWholeSession) {
    std::vector<std::string> calls;
    {
        SimulatedCamera camera;
        {
            CDigitizer digitizer;
            digitizer.m_bAutoDelete = false;
            ASSERT_TRUE(digitizer.SetSettings(64, 64, 0, 0, CDigitizer::kScaleFull, CDigitizer::kTriggerDefault));
            digitizer.LivePreview();
            CProjector projector;
            projector.OnNewDocument();
            projector.m_bAutoDelete = false;
            projector.m_collectionMode = CProjector::kInPlaceCollection;
            ASSERT_TRUE(projector.Render(&digitizer, ThreeSnapshots()).Complete());
        }
        camera.Free();
        calls = camera.Calls();
    }
    const std::vector<std::string> expected = {
        // start-up
        "imDevAlloc(0, 268435456) = 1", "imThrAlloc(1, 268435456) = 2", "MappAlloc(268435456) = 1",
        "MappControl(1073741824, 0)", "MsysAlloc(\"M_DEFAULT\", 268435456, 268435456) = 2",
        "MsysInquire(2, 1008) = 17",
        // the digitizer
        "MdigAlloc(2, 268435456, \"Voxmill.dcf\", 268435456) = 3", "MdigInquire(3, 1002) = 768",
        "MdigInquire(3, 1003) = 576", "MdigInquire(3, 1005) = 8",
        "MdigAlloc(2, 268435456, \"Voxmill.dcf\", 268435456) = 4",
        "MdispAlloc(2, 268435456, \"M_DEFAULT\", 268435456, null) = 5",
        // Live Preview
        "MbufAlloc2d(2, 64, 64, 8, 60, null) = 6", "MdigControl(4, 4010, 1)", "MdigControl(4, 4022, 64)",
        "MdigControl(4, 4023, 64)", "MdigControl(4, 4024, 0)", "MdigControl(4, 4025, 0)",
        "MdigControl(4, 4200, -9999)", "MdigControl(4, 4053, 0)", "MdigGrabContinuous(4, 6)", "MdispSelect(5, 6)",
        // the grabbing run: out of live display, the grab path configured
        "MdispDeselect(5, 6)", "MdigGrabWait(4, 3)", "MdigHalt(4)", "MbufAlloc2d(2, 64, 64, 8, 28, null) = 7",
        "MdigGrab(3, 7)", "MdigControl(3, 4010, 1)", "MdigControl(3, 4022, 64)", "MdigControl(3, 4023, 64)",
        "MdigControl(3, 4024, 0)", "MdigControl(3, 4025, 0)", "MdigControl(3, 4200, -9997)",
        "MdigControl(3, 4053, 268435456)",
        // three snapshots
        "MdigGrab(3, 7)", "MappGetError(1, null) = 0", "MbufGet(7)", "MdigGrab(3, 7)", "MappGetError(1, null) = 0",
        "MbufGet(7)", "MdigGrab(3, 7)", "MappGetError(1, null) = 0", "MbufGet(7)",
        // the digitizer closed
        "MdispFree(5)", "MdigFree(3)", "MdigFree(4)", "MbufFree(7)", "MbufFree(6)",
        // exit
        "MsysFree(2)", "MappFree(1)", "imThrFree(2)", "imDevFree(1)"};
    EXPECT_EQ(calls, expected);
}

}  // namespace
}  // namespace voxmill::test
