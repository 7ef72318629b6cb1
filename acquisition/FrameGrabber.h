// What the projector's grabbing mode asks of a frame-grabber target. The
// digitizer document implements it; it lives in the hardware library, which
// builds on this one, so the projector only sees this interface.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace voxmill {

class CDetectorTrajectory;
class CDocTemplate;
class CProjector;
class CSurfacei;
class CTrajectory;
struct ProjectorRunReport;

class IFrameGrabber {
public:
    enum TriggerMode : std::int32_t {
        kTriggerDefault = 0,  // "Default (dcf file based)"
        kTriggerManual = 1,   // "Manual": the user confirms every grab
    };

    virtual ~IFrameGrabber() = default;

    // Leaves the live display.
    virtual void StopLive() = 0;
    // Configures the single-grab path with the current region, scale and trigger.
    virtual void PrepareGrab() = 0;
    // One frame into `frame`; false, leaving it unchanged, when nothing was grabbed.
    virtual bool GrabInto(CSurfacei& frame) = 0;
    virtual std::int32_t GetTriggerMode() const = 0;

    // The projector's run with this grabber as its target: one grabbed
    // slide per snapshot into a new slide collection (made by
    // `collectionTemplate` when given).
    virtual ProjectorRunReport RunGrabbing(CProjector& projector, CTrajectory& sourcePath,
                                           CDetectorTrajectory& detectorPath, int count,
                                           const std::string& collectionPath, CDocTemplate* collectionTemplate) = 0;
};

}  // namespace voxmill
