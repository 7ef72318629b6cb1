// The digitizer against the simulated camera libraries: start-up and exit,
// construction and destruction, buffer configuration, live display and
// single grabs, read back from the libraries' call log.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "hardware/Slide.h"
#include "tests/hardware/SimulatedCamera.h"

namespace voxmill::test {
namespace {

using Calls = std::vector<std::string>;

const Calls kStartUp = {
    "imDevAlloc(0, 268435456) = 1",
    "imThrAlloc(1, 268435456) = 2",
    "MappAlloc(268435456) = 1",
    "MappControl(1073741824, 0)",
    "MsysAlloc(\"M_DEFAULT\", 268435456, 268435456) = 2",
    "MsysInquire(2, 1008) = 17",
};
const Calls kExit = {"MsysFree(2)", "MappFree(1)", "imThrFree(2)", "imDevFree(1)"};
const Calls kConstruction = {
    "MdigAlloc(2, 268435456, \"Voxmill.dcf\", 268435456) = 3",
    "MdigInquire(3, 1002) = 768",
    "MdigInquire(3, 1003) = 576",
    "MdigInquire(3, 1005) = 8",
    "MdigAlloc(2, 268435456, \"Voxmill.dcf\", 268435456) = 4",
    "MdispAlloc(2, 268435456, \"M_DEFAULT\", 268435456, null) = 5",
};
// Region, scale and trigger controls of digitizer `d` for the full frame.
Calls Controls(int d, const char* scale, const char* source, const char* trigger) {
    const std::string id = std::to_string(d);
    return {"MdigControl(" + id + ", 4010, " + scale + ")", "MdigControl(" + id + ", 4022, 768)",
            "MdigControl(" + id + ", 4023, 576)",          "MdigControl(" + id + ", 4024, 0)",
            "MdigControl(" + id + ", 4025, 0)",            "MdigControl(" + id + ", 4200, " + source + ")",
            "MdigControl(" + id + ", 4053, " + trigger + ")"};
}
Calls Join(std::initializer_list<Calls> parts) {
    Calls all;
    for (const Calls& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::unique_ptr<CSlide> SlideOf(std::uint32_t width, std::uint32_t height, std::uint8_t fill) {
    auto slide = std::make_unique<CSlide>();
    slide->OnNewDocument();
    EXPECT_TRUE(slide->Create(4, 4, width, height));
    std::fill(slide->GetPixels(), slide->GetPixels() + slide->GetPixelCount(), fill);
    return slide;
}

TEST(GrabberLibraries, StartUpAllocatesInOrderAndExitFreesInReverse) {
    SimulatedCamera camera;
    EXPECT_TRUE(camera.Libraries().IsGenesisReady());
    EXPECT_TRUE(camera.Libraries().IsMilReady());
    EXPECT_EQ(camera.Libraries().GetSystemType(), 17);
    camera.Free();
    EXPECT_FALSE(camera.Libraries().IsMilReady());
    EXPECT_EQ(camera.Calls(), Join({kStartUp, kExit}));
}

TEST(GrabberLibraries, MissingLibrariesLeaveBothFlagsClearAndTheDigitizerInert) {
    ScopedEnv off("VOXMILL_GRABBER", "off");
    SimulatedCamera camera;
    EXPECT_FALSE(camera.Libraries().IsGenesisReady());
    EXPECT_FALSE(camera.Libraries().IsMilReady());
    CDigitizer digitizer;
    EXPECT_FALSE(digitizer.HasLibrary());
    EXPECT_EQ(digitizer.GetGrabDigitizer(), 0u);
    EXPECT_EQ(digitizer.fullWidth, 768u);
    EXPECT_EQ(digitizer.fullHeight, 576u);
    digitizer.PrepareGrab();
    digitizer.LivePreview();
    auto slide = SlideOf(768, 576, 7);
    EXPECT_FALSE(digitizer.GrabInto(*slide));
    EXPECT_TRUE(camera.Calls().empty());
}

TEST(GrabberLibraries, FailedAllocationsLeaveTheirFlagClear) {
    {
        SimulatedCamera camera("imThrAlloc:1");
        EXPECT_FALSE(camera.Libraries().IsGenesisReady());
        EXPECT_TRUE(camera.Libraries().IsMilReady());
        camera.Free();
        // The device was allocated, so it is freed; the thread was not.
        const Calls calls = camera.Calls();
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "imDevFree(1)"), 1);
        EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                                [](const std::string& c) { return c.rfind("imThrFree", 0) == 0; }),
                  0);
    }
    SimulatedCamera camera("MsysAlloc:1");
    EXPECT_TRUE(camera.Libraries().IsGenesisReady());
    EXPECT_FALSE(camera.Libraries().IsMilReady());
    CDigitizer digitizer;
    EXPECT_EQ(digitizer.GetGrabDigitizer(), 0u);
}

TEST(Digitizer, ConstructionInquiresTheFrameAndDestructionFreesEverything) {
    SimulatedCamera camera;
    camera.Mark();
    {
        CDigitizer digitizer;
        EXPECT_EQ(digitizer.GetTargetType(), kTargetDigitizer);
        EXPECT_EQ(digitizer.fullWidth, 768u);
        EXPECT_EQ(digitizer.regionWidth, 768u);
        EXPECT_EQ(digitizer.regionHeight, 576u);
        EXPECT_EQ(digitizer.scaleIndex, CDigitizer::kScaleFull);
        EXPECT_EQ(digitizer.triggerMode, CDigitizer::kTriggerDefault);
        EXPECT_EQ(camera.Calls(), kConstruction);
        digitizer.PrepareGrab();
        digitizer.PrepareLive();
        camera.Mark();
    }
    EXPECT_EQ(camera.Calls(), (Calls{"MdispFree(5)", "MdigFree(3)", "MdigFree(4)", "MbufFree(6)", "MbufFree(7)"}));
}

TEST(Digitizer, HalfScaleOfTheFullFrameGivesA384By288GrabBuffer) {
    SimulatedCamera camera;
    CDigitizer digitizer;
    ASSERT_TRUE(digitizer.SetSettings(768, 576, 0, 0, CDigitizer::kScaleHalf, CDigitizer::kTriggerDefault));
    camera.Mark();
    digitizer.PrepareGrab();
    EXPECT_EQ(camera.Calls(), Join({{"MbufAlloc2d(2, 384, 288, 8, 28, null) = 6", "MdigGrab(3, 6)"},
                                    Controls(3, "0.5", "-9997", "268435456")}));

    // Same settings again: the buffer is kept.
    camera.Mark();
    digitizer.PrepareGrab();
    EXPECT_EQ(camera.Calls(), Join({{"MbufInquire(6, 1002) = 384", "MbufInquire(6, 1003) = 288",
                                     "MdigInquire(3, 4011) = 2"},
                                    Controls(3, "0.5", "-9997", "268435456")}));

    // Another scale: the grab is waited for, halted, and the buffer replaced.
    ASSERT_TRUE(digitizer.SetSettings(768, 576, 0, 0, CDigitizer::kScaleQuarter, CDigitizer::kTriggerManual));
    camera.Mark();
    digitizer.PrepareGrab();
    EXPECT_EQ(camera.Calls(),
              Join({{"MbufInquire(6, 1002) = 384", "MbufInquire(6, 1003) = 288", "MdigInquire(3, 4011) = 2",
                     "MdigGrabWait(3, 3)", "MdigHalt(3)", "MbufFree(6)", "MbufAlloc2d(2, 192, 144, 8, 28, null) = 7",
                     "MdigGrab(3, 7)"},
                    Controls(3, "0.25", "-9999", "0")}));
}

TEST(Digitizer, RegionFieldsAreRangeChecked) {
    SimulatedCamera camera;
    CDigitizer digitizer;
    EXPECT_NE(digitizer.RegionProblem(8, 576, 0, 0), "");    // minimum 16
    EXPECT_EQ(digitizer.RegionProblem(16, 576, 0, 0), "");
    EXPECT_NE(digitizer.RegionProblem(768, 577, 0, 0), "");  // beyond the frame
    EXPECT_EQ(digitizer.RegionProblem(700, 576, 68, 0), "");
    EXPECT_NE(digitizer.RegionProblem(700, 576, 69, 0), "");  // offset past fullWidth - regionWidth
    EXPECT_NE(digitizer.RegionProblem(768, 500, 0, 77), "");
    EXPECT_FALSE(digitizer.SetSettings(8, 576, 0, 0, CDigitizer::kScaleHalf, CDigitizer::kTriggerManual));
    EXPECT_FALSE(digitizer.SetSettings(700, 576, 69, 0, CDigitizer::kScaleHalf, CDigitizer::kTriggerManual));
    EXPECT_FALSE(digitizer.SetSettings(768, 576, 0, 0, 3, CDigitizer::kTriggerDefault));
    // Refused settings change nothing.
    EXPECT_EQ(digitizer.regionWidth, 768u);
    EXPECT_EQ(digitizer.regionOffsetX, 0u);
    EXPECT_EQ(digitizer.scaleIndex, CDigitizer::kScaleFull);
    EXPECT_EQ(digitizer.triggerMode, CDigitizer::kTriggerDefault);
}

TEST(Digitizer, ASecondLivePreviewStopsTheRunningOneFirst) {
    SimulatedCamera camera;
    CDigitizer digitizer;
    camera.Mark();
    digitizer.LivePreview();
    // No live buffer yet: nothing to stop. The live digitizer always runs
    // on the software trigger.
    EXPECT_EQ(camera.Calls(), Join({{"MbufAlloc2d(2, 768, 576, 8, 60, null) = 6"}, Controls(4, "1", "-9999", "0"),
                                    {"MdigGrabContinuous(4, 6)", "MdispSelect(5, 6)"}}));
    EXPECT_TRUE(digitizer.IsLive());
    camera.Mark();
    digitizer.LivePreview();
    EXPECT_EQ(camera.Calls(),
              Join({{"MdispDeselect(5, 6)", "MdigGrabWait(4, 3)", "MdigHalt(4)", "MbufInquire(6, 1002) = 768",
                     "MbufInquire(6, 1003) = 576", "MdigInquire(4, 4011) = 1"},
                    Controls(4, "1", "-9999", "0"),
                    {"MdigGrabContinuous(4, 6)", "MdispSelect(5, 6)"}}));
}

TEST(Digitizer, LiveFramesMove) {
    SimulatedCamera camera;
    CDigitizer digitizer;
    ASSERT_TRUE(digitizer.SetSettings(768, 576, 0, 0, CDigitizer::kScaleQuarter, CDigitizer::kTriggerDefault));
    digitizer.LivePreview();
    std::vector<std::uint8_t> first, later;
    std::uint32_t w = 0, h = 0;
    ASSERT_TRUE(digitizer.ReadLiveFrame(first, w, h));
    EXPECT_EQ(w, 192u);
    EXPECT_EQ(h, 144u);
    for (int tries = 0; tries < 100 && (later.empty() || later == first); ++tries) {
        ::usleep(20000);
        ASSERT_TRUE(digitizer.ReadLiveFrame(later, w, h));
    }
    EXPECT_NE(first, later);
}

TEST(Digitizer, GrabIntoCopiesTheFrameAndChecksTheError) {
    SimulatedCamera camera("MdigGrab:3");
    CDigitizer digitizer;
    ASSERT_TRUE(digitizer.SetSettings(64, 32, 0, 0, CDigitizer::kScaleFull, CDigitizer::kTriggerDefault));
    digitizer.PrepareGrab();  // grab 1: right after the allocation
    auto slide = SlideOf(64, 32, 7);
    camera.Mark();
    ASSERT_TRUE(digitizer.GrabInto(*slide));  // grab 2
    EXPECT_EQ(camera.Calls(), (Calls{"MdigGrab(3, 6)", "MappGetError(1, null) = 0", "MbufGet(6)"}));
    // The test pattern's grey bars: the first column of 768 / 8 pixels is black.
    EXPECT_EQ(slide->GetPixels()[0], 0);

    // Grab 3 reports an error: the slide keeps what it held.
    auto before = SlideOf(64, 32, 7);
    camera.Mark();
    EXPECT_FALSE(digitizer.GrabInto(*before));
    EXPECT_EQ(camera.Calls(), (Calls{"MdigGrab(3, 6)", "MappGetError(1, null) = 2"}));
    EXPECT_TRUE(std::all_of(before->GetPixels(), before->GetPixels() + before->GetPixelCount(),
                            [](std::uint8_t v) { return v == 7; }));
}

TEST(Digitizer, ASlideSmallerThanTheGrabBufferIsRefusedAndLeftUnchanged) {
    SimulatedCamera camera;
    CDigitizer digitizer;
    ASSERT_TRUE(digitizer.SetSettings(768, 576, 0, 0, CDigitizer::kScaleHalf, CDigitizer::kTriggerDefault));
    digitizer.PrepareGrab();
    auto small = SlideOf(384, 287, 9);  // one row short of 384 x 288
    camera.Mark();
    EXPECT_FALSE(digitizer.GrabInto(*small));
    EXPECT_TRUE(camera.Calls().empty());
    EXPECT_TRUE(std::all_of(small->GetPixels(), small->GetPixels() + small->GetPixelCount(),
                            [](std::uint8_t v) { return v == 9; }));
    // A slide without pixels is refused too; a larger one takes the frame.
    CSlide empty;
    EXPECT_FALSE(digitizer.GrabInto(empty));
    auto large = SlideOf(400, 300, 9);
    EXPECT_TRUE(digitizer.GrabInto(*large));
}

TEST(Digitizer, AFailedAllocationLeavesThatDigitizerZero) {
    {
        SimulatedCamera camera("MdigAlloc:1");
        CDigitizer digitizer;
        EXPECT_EQ(digitizer.GetGrabDigitizer(), 0u);
        EXPECT_NE(digitizer.GetLiveDigitizer(), 0u);
        EXPECT_NE(digitizer.GetDisplay(), 0u);
        digitizer.PrepareGrab();
        auto slide = SlideOf(768, 576, 1);
        EXPECT_FALSE(digitizer.GrabInto(*slide));
        EXPECT_EQ(digitizer.fullWidth, 768u);  // not inquired
    }
    SimulatedCamera camera("MdigAlloc:2");
    CDigitizer digitizer;
    EXPECT_NE(digitizer.GetGrabDigitizer(), 0u);
    EXPECT_EQ(digitizer.GetLiveDigitizer(), 0u);
    EXPECT_EQ(digitizer.GetDisplay(), 0u);  // no display without the live digitizer
    // A second digitizer document gets both.
    CDigitizer second;
    EXPECT_NE(second.GetLiveDigitizer(), 0u);
}

// The camera file: sizes, scenes, faults and failures it asks for.
class CameraFileTest : public ::testing::Test {
protected:
    std::string Write(const std::string& text) {
        const std::string path = m_dir.File("camera" + std::to_string(++m_files) + ".dcf");
        std::ofstream(path) << text;
        return path;
    }
    // One full-frame grab of the digitizer made with that camera file.
    std::vector<std::uint8_t> GrabWith(const std::string& cameraFile, std::uint32_t* width = nullptr) {
        SimulatedCamera camera({}, cameraFile);
        CDigitizer digitizer;
        if (width) *width = digitizer.fullWidth;
        digitizer.PrepareGrab();
        auto slide = SlideOf(digitizer.fullWidth, digitizer.fullHeight, 1);
        if (!digitizer.GrabInto(*slide)) return {};
        return {slide->GetPixels(), slide->GetPixels() + slide->GetPixelCount()};
    }

    TempDir m_dir;
    int m_files = 0;
};

TEST_F(CameraFileTest, SizesAndTheEmptySceneComeFromTheFile) {
    std::uint32_t width = 0;
    const auto frame = GrabWith(Write("# open beam\nwidth = 40\nheight = 20\nscene = empty\nwhite = 200\n"), &width);
    EXPECT_EQ(width, 40u);
    ASSERT_EQ(frame.size(), 800u);
    EXPECT_TRUE(std::all_of(frame.begin(), frame.end(), [](std::uint8_t v) { return v == 200; }));
}

TEST_F(CameraFileTest, AFaultyOrMissingFileGivesTheDefaultCamera) {
    std::uint32_t width = 0;
    GrabWith(Write("width = 40\nheight = 20\nlens = wide\n"), &width);
    EXPECT_EQ(width, 768u);
    GrabWith(Write("width = 8\n"), &width);  // below 16
    EXPECT_EQ(width, 768u);
    GrabWith(Write("scene = phantom\n"), &width);  // no phantom named
    EXPECT_EQ(width, 768u);
    GrabWith(m_dir.File("absent.dcf"), &width);
    EXPECT_EQ(width, 768u);
    GrabWith(m_dir.path().string(), &width);  // a folder
    EXPECT_EQ(width, 768u);
    GrabWith(Write("width = 40\n" + std::string(70000, '#') + "\n"), &width);  // too large to be one
    EXPECT_EQ(width, 768u);
}

TEST_F(CameraFileTest, AnUnreadablePhantomLeavesTheTurntableEmpty) {
    const auto frame = GrabWith(Write("width = 32\nheight = 32\nscene = phantom\nphantom = nowhere.pha\n"));
    ASSERT_EQ(frame.size(), 1024u);
    EXPECT_TRUE(std::all_of(frame.begin(), frame.end(), [](std::uint8_t v) { return v == 255; }));
}

TEST_F(CameraFileTest, FailuresCanBeAskedForInTheFile) {
    SimulatedCamera camera({}, Write("fail = MdigAlloc:2\n"));
    CDigitizer digitizer;
    EXPECT_NE(digitizer.GetGrabDigitizer(), 0u);
    EXPECT_EQ(digitizer.GetLiveDigitizer(), 0u);
}

TEST(DigitizerFile, StoresOnlyTheTargetRecord) {
    SimulatedCamera camera;
    CDigitizer digitizer;
    digitizer.m_bAutoDelete = false;
    ASSERT_TRUE(digitizer.SetSettings(100, 100, 5, 5, CDigitizer::kScaleHalf, CDigitizer::kTriggerManual));
    const std::string path = camera.Dir().File("grabber.dig");
    digitizer.Save(path);
    EXPECT_EQ(std::filesystem::file_size(path), 4u);  // the 32-bit hasIcon flag, 0
    CDigitizer reopened;
    reopened.m_bAutoDelete = false;
    reopened.Open(path);
    EXPECT_EQ(reopened.regionWidth, 768u);  // settings are not archived
    EXPECT_EQ(reopened.triggerMode, CDigitizer::kTriggerDefault);
}

}  // namespace
}  // namespace voxmill::test
