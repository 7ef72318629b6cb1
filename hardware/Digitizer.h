// The frame grabber as a document: two digitizers made from the camera
// configuration file (one for single grabs into slides, one for the live
// display), their 8-bit image buffers and a display, all owned by the
// imaging library and known here by their identifiers (0: none). The
// input region, scale and trigger are the document's fields; they are not
// archived (a .dig file holds only the target record).
//
// The imaging library is the one the application loaded at start-up
// (SetLibraries); every entry point is looked up by name when it is used.
// Without it every identifier stays 0 and every operation does nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "acquisition/FrameGrabber.h"
#include "app/Target.h"

namespace voxmill {

class CGrabberLibraries;

class CDigitizer : public CTarget, public IFrameGrabber {
    VOXMILL_DECLARE_SERIAL(CDigitizer)

public:
    enum ScaleIndex : std::int32_t { kScaleQuarter = 0, kScaleHalf = 1, kScaleFull = 2 };
    static constexpr std::uint32_t kMinimumRegion = 16;

    // The libraries every new digitizer takes its modules, system and camera
    // file from; null (the default) gives inert digitizers.
    static void SetLibraries(const CGrabberLibraries* libraries);
    static const CGrabberLibraries* GetLibraries();

    CDigitizer();
    ~CDigitizer() override;

    std::uint16_t GetTargetType() const override { return kTargetDigitizer; }

    // scale(scaleIndex): 0.25, 0.5 or 1.0 (single precision); 1.0 for
    // anything else.
    static float Scale(std::int32_t scaleIndex);
    // The region and offsets the "Input region" page accepts; empty when
    // they are in range, else the page's complaint.
    std::string RegionProblem(std::uint32_t width, std::uint32_t height, std::uint32_t offsetX,
                              std::uint32_t offsetY) const;
    // Takes the page values over when RegionProblem has none; false (fields
    // unchanged) otherwise or for a scale or trigger outside their choices.
    bool SetSettings(std::uint32_t width, std::uint32_t height, std::uint32_t offsetX, std::uint32_t offsetY,
                     std::int32_t scaleIndex, std::int32_t triggerMode);

    // IFrameGrabber
    void StopLive() override;
    void PrepareGrab() override;
    // Copies the grab buffer into the slide only when the slide holds at
    // least the buffer's bytes; a smaller slide is refused and left as it is.
    bool GrabInto(CSurfacei& slide) override;
    std::int32_t GetTriggerMode() const override { return triggerMode; }
    ProjectorRunReport RunGrabbing(CProjector& projector, CTrajectory& sourcePath, CDetectorTrajectory& detectorPath,
                                   int count, const std::string& collectionPath,
                                   CDocTemplate* collectionTemplate) override;

    void StartLive();
    void PrepareLive();
    // "Live Preview": stops a running live grab, reconfigures, starts again.
    void LivePreview();
    bool IsLive() const { return m_bLive; }
    // The live buffer's current picture (width x height bytes); false when
    // there is no live buffer.
    bool ReadLiveFrame(std::vector<std::uint8_t>& bytes, std::uint32_t& width, std::uint32_t& height);

    bool HasLibrary() const { return milModule != nullptr; }
    std::int32_t GetSystemType() const { return systemType; }
    std::uint32_t GetGrabDigitizer() const { return grabDigitizer; }
    std::uint32_t GetLiveDigitizer() const { return liveDigitizer; }
    std::uint32_t GetGrabBuffer() const { return grabBuffer; }
    std::uint32_t GetLiveBuffer() const { return liveBuffer; }
    std::uint32_t GetDisplay() const { return displayId; }

    std::uint32_t fullWidth = 768;
    std::uint32_t fullHeight = 576;
    std::uint32_t inquiry1005 = 0;
    std::uint32_t regionWidth = 768;
    std::uint32_t regionHeight = 576;
    std::uint32_t regionOffsetX = 0;
    std::uint32_t regionOffsetY = 0;
    std::int32_t scaleIndex = kScaleFull;
    std::int32_t triggerMode = kTriggerDefault;

private:
    template <class Fn>
    Fn Entry(const char* name) const;
    void Configure(std::uint32_t& digitizer, std::uint32_t& buffer, bool forGrab);
    std::uint32_t BufferWidth() const;
    std::uint32_t BufferHeight() const;

    using FnAddress = void*;
    FnAddress grabFn = nullptr;
    FnAddress controlFn = nullptr;
    FnAddress bufGetFn = nullptr;
    FnAddress getErrorFn = nullptr;
    void* milModule = nullptr;
    void* milImModule = nullptr;
    std::uint32_t systemId = 0;
    std::int32_t systemType = 0;
    std::uint32_t grabDigitizer = 0;
    std::uint32_t liveDigitizer = 0;
    std::uint32_t grabBuffer = 0;
    std::uint32_t liveBuffer = 0;
    std::uint32_t displayId = 0;
    bool m_bLive = false;
    // The sizes the buffers were allocated with (width, height).
    std::uint32_t m_grabSize[2] = {0, 0};
    std::uint32_t m_liveSize[2] = {0, 0};
};

}  // namespace voxmill
