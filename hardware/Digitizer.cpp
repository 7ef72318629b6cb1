#include "hardware/Digitizer.h"

#include <cmath>

#include "hardware/GrabberLibraries.h"
#include "hardware/MilEntryPoints.h"
#include "imaging/Surfacei.h"

namespace voxmill {
namespace {

const CGrabberLibraries* g_libraries = nullptr;

}  // namespace

VOXMILL_IMPLEMENT_DYNCREATE(CDigitizer, CTarget)

void CDigitizer::SetLibraries(const CGrabberLibraries* libraries) { g_libraries = libraries; }

const CGrabberLibraries* CDigitizer::GetLibraries() { return g_libraries; }

template <class Fn>
Fn CDigitizer::Entry(const char* name) const {
    return reinterpret_cast<Fn>(CGrabberLibraries::Symbol(milModule, name));
}

CDigitizer::CDigitizer() {
    if (g_libraries && g_libraries->IsMilReady()) {
        milModule = g_libraries->GetMilModule();
        milImModule = g_libraries->GetMilImModule();
        systemId = g_libraries->GetSystemId();
        systemType = g_libraries->GetSystemType();
    }
    if (milModule) {
        const std::string cameraFile = g_libraries->GetCameraFile();
        auto digAlloc = Entry<mil::MdigAllocFn>("MdigAlloc");
        auto digInquire = Entry<mil::MdigInquireFn>("MdigInquire");
        auto dispAlloc = Entry<mil::MdispAllocFn>("MdispAlloc");
        if (digAlloc && digAlloc(systemId, mil::kDefault, cameraFile.c_str(), mil::kDefault, &grabDigitizer) != 0 &&
            digInquire) {
            mil::Int value = 0;
            digInquire(grabDigitizer, mil::kSizeX, &value);
            fullWidth = static_cast<std::uint32_t>(value);
            digInquire(grabDigitizer, mil::kSizeY, &value);
            fullHeight = static_cast<std::uint32_t>(value);
            digInquire(grabDigitizer, mil::kSizeBit, &value);
            inquiry1005 = static_cast<std::uint32_t>(value);
        }
        if (digAlloc && digAlloc(systemId, mil::kDefault, cameraFile.c_str(), mil::kDefault, &liveDigitizer) != 0 &&
            dispAlloc)
            displayId = dispAlloc(systemId, mil::kDefault, "M_DEFAULT", mil::kDefault, nullptr);
    }
    regionWidth = fullWidth;
    regionHeight = fullHeight;
    regionOffsetX = regionOffsetY = 0;
    scaleIndex = kScaleFull;
    triggerMode = kTriggerDefault;
    grabFn = CGrabberLibraries::Symbol(milModule, "MdigGrab");
    controlFn = CGrabberLibraries::Symbol(milModule, "MdigControl");
    bufGetFn = CGrabberLibraries::Symbol(milModule, "MbufGet");
    getErrorFn = CGrabberLibraries::Symbol(milModule, "MappGetError");
}

CDigitizer::~CDigitizer() {
    if (!milModule) return;
    auto release = [this](const char* name, std::uint32_t& id) {
        if (id == 0) return;
        if (auto fn = Entry<mil::MFreeFn>(name)) fn(id);
        id = 0;
    };
    release("MdispFree", displayId);
    release("MdigFree", grabDigitizer);
    release("MdigFree", liveDigitizer);
    release("MbufFree", grabBuffer);
    release("MbufFree", liveBuffer);
}

float CDigitizer::Scale(std::int32_t index) {
    switch (index) {
        case kScaleQuarter: return 0.25f;
        case kScaleHalf: return 0.5f;
        default: return 1.0f;
    }
}

std::string CDigitizer::RegionProblem(std::uint32_t width, std::uint32_t height, std::uint32_t offsetX,
                                      std::uint32_t offsetY) const {
    auto range = [](const char* what, std::uint32_t value, std::uint32_t low, std::uint32_t high) -> std::string {
        if (value >= low && value <= high) return {};
        return std::string(what) + ": enter an integer between " + std::to_string(low) + " and " +
               std::to_string(high) + " (got " + std::to_string(value) + ")";
    };
    std::string problem = range("X Axis Num", width, kMinimumRegion, fullWidth);
    if (problem.empty()) problem = range("Y Axis Num", height, kMinimumRegion, fullHeight);
    if (problem.empty()) problem = range("X Axis Offset", offsetX, 0, fullWidth - width);
    if (problem.empty()) problem = range("Y Axis Offset", offsetY, 0, fullHeight - height);
    return problem;
}

bool CDigitizer::SetSettings(std::uint32_t width, std::uint32_t height, std::uint32_t offsetX, std::uint32_t offsetY,
                             std::int32_t scale, std::int32_t trigger) {
    if (!RegionProblem(width, height, offsetX, offsetY).empty()) return false;
    if (scale < kScaleQuarter || scale > kScaleFull) return false;
    if (trigger != kTriggerDefault && trigger != kTriggerManual) return false;
    regionWidth = width;
    regionHeight = height;
    regionOffsetX = offsetX;
    regionOffsetY = offsetY;
    scaleIndex = scale;
    triggerMode = trigger;
    return true;
}

std::uint32_t CDigitizer::BufferWidth() const {
    return static_cast<std::uint32_t>(static_cast<float>(regionWidth) * Scale(scaleIndex));
}

std::uint32_t CDigitizer::BufferHeight() const {
    return static_cast<std::uint32_t>(static_cast<float>(regionHeight) * Scale(scaleIndex));
}

void CDigitizer::StartLive() {
    if (grabDigitizer == 0 || liveBuffer == 0) return;
    if (auto fn = Entry<mil::MdigGrabFn>("MdigGrabContinuous")) fn(liveDigitizer, liveBuffer);
    if (auto fn = Entry<mil::MdispSelectFn>("MdispSelect")) fn(displayId, liveBuffer);
    m_bLive = true;
}

void CDigitizer::StopLive() {
    if (grabDigitizer == 0 || liveBuffer == 0) return;
    if (auto fn = Entry<mil::MdispSelectFn>("MdispDeselect")) fn(displayId, liveBuffer);
    if (auto fn = Entry<mil::MdigGrabWaitFn>("MdigGrabWait")) fn(liveDigitizer, mil::kGrabFrameEnd);
    if (auto fn = Entry<mil::MdigHaltFn>("MdigHalt")) fn(liveDigitizer);
    m_bLive = false;
}

void CDigitizer::PrepareGrab() { Configure(grabDigitizer, grabBuffer, true); }

void CDigitizer::PrepareLive() {
    StopLive();
    Configure(liveDigitizer, liveBuffer, false);
}

void CDigitizer::LivePreview() {
    PrepareLive();
    StartLive();
}

void CDigitizer::Configure(std::uint32_t& digitizer, std::uint32_t& buffer, bool forGrab) {
    if (digitizer == 0) return;
    const float s = Scale(scaleIndex);
    auto bufInquire = Entry<mil::MbufInquireFn>("MbufInquire");
    auto digInquire = Entry<mil::MdigInquireFn>("MdigInquire");
    auto grab = reinterpret_cast<mil::MdigGrabFn>(grabFn);
    auto control = reinterpret_cast<mil::MdigControlFn>(controlFn);

    if (buffer != 0 && bufInquire && digInquire) {
        // The buffer's pixels times the digitizer's decimation against the
        // region's pixels times the scale, compared in single precision.
        const float held = static_cast<float>(bufInquire(buffer, mil::kSizeX, nullptr)) *
                           static_cast<float>(bufInquire(buffer, mil::kSizeY, nullptr)) *
                           static_cast<float>(digInquire(digitizer, mil::kGrabScaleInquire, nullptr));
        const float wanted = static_cast<float>(regionWidth) * static_cast<float>(regionHeight) * s;
        if (held != wanted) {
            if (forGrab) {
                if (auto fn = Entry<mil::MdigGrabWaitFn>("MdigGrabWait")) fn(grabDigitizer, mil::kGrabFrameEnd);
                if (auto fn = Entry<mil::MdigHaltFn>("MdigHalt")) fn(grabDigitizer);
            }
            if (auto fn = Entry<mil::MFreeFn>("MbufFree")) fn(buffer);
            buffer = 0;
        }
    }
    if (buffer == 0) {
        std::uint32_t* size = forGrab ? m_grabSize : m_liveSize;
        size[0] = BufferWidth();
        size[1] = BufferHeight();
        if (auto alloc = Entry<mil::MbufAlloc2dFn>("MbufAlloc2d"))
            buffer = alloc(systemId, static_cast<mil::Int>(size[0]), static_cast<mil::Int>(size[1]), 8,
                           forGrab ? mil::kGrabBufferAttribute : mil::kLiveBufferAttribute, nullptr);
        if (forGrab && buffer != 0 && grab) grab(grabDigitizer, grabBuffer);
    }
    if (!control) return;
    control(digitizer, mil::kGrabScale, s);
    control(digitizer, mil::kSourceSizeX, regionWidth);
    control(digitizer, mil::kSourceSizeY, regionHeight);
    control(digitizer, mil::kSourceOffsetX, regionOffsetX);
    control(digitizer, mil::kSourceOffsetY, regionOffsetY);
    if (forGrab && triggerMode == kTriggerDefault) {
        control(digitizer, mil::kGrabTriggerSource, -9997.0);
        control(digitizer, mil::kGrabTrigger, 268435456.0);
    } else {
        control(digitizer, mil::kGrabTriggerSource, -9999.0);
        control(digitizer, mil::kGrabTrigger, 0.0);
    }
}

bool CDigitizer::GrabInto(CSurfacei& slide) {
    if (!slide.HasPixels() || grabDigitizer == 0 || grabBuffer == 0) return false;
    auto grab = reinterpret_cast<mil::MdigGrabFn>(grabFn);
    auto getError = reinterpret_cast<mil::MappGetErrorFn>(getErrorFn);
    auto bufGet = reinterpret_cast<mil::MbufGetFn>(bufGetFn);
    if (!grab || !getError || !bufGet) return false;
    // The buffer is copied whole: a slide with fewer bytes would overflow.
    const std::uint64_t bytes = std::uint64_t{m_grabSize[0]} * m_grabSize[1];
    if (bytes > slide.GetPixelCount()) return false;
    grab(grabDigitizer, grabBuffer);
    if (getError(mil::kCurrentError, nullptr) != 0) return false;
    bufGet(grabBuffer, slide.GetPixels());
    return true;
}

bool CDigitizer::ReadLiveFrame(std::vector<std::uint8_t>& bytes, std::uint32_t& width, std::uint32_t& height) {
    auto bufGet = reinterpret_cast<mil::MbufGetFn>(bufGetFn);
    if (liveBuffer == 0 || !bufGet) return false;
    width = m_liveSize[0];
    height = m_liveSize[1];
    bytes.resize(std::size_t{width} * height);
    bufGet(liveBuffer, bytes.data());
    return true;
}

}  // namespace voxmill
