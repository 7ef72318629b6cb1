// libmil.so of the simulated camera: application, system, digitizers,
// image buffers and displays with the state a grabbing run needs. A single
// grab renders the camera's frame into the buffer and turns the turntable
// one step; a continuous grab makes the buffer live, so that every read of
// it (MbufGet) shows the picture of that moment.
#include <chrono>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "hardware/MilEntryPoints.h"
#include "hardware/simcam/SimCamera.h"

using namespace voxmill;
using namespace voxmill::simcam;
using mil::Id;
using mil::Int;

namespace {

constexpr Int kGrabError = 2;  // what MappGetError reports after a failed grab
constexpr Int kLargestSide = 8192;  // as the largest frame a camera file may ask for

struct Digitizer {
    std::shared_ptr<Camera> camera;
    GrabWindow window;
    double triggerSource = 0;
    double trigger = 0;
    long grabs = 0;  // single grabs so far: the turntable's position
};

struct Buffer {
    Int width = 0, height = 0;
    std::vector<std::uint8_t> bytes;
    Id liveFrom = 0;  // the digitizer of a running continuous grab
    std::chrono::steady_clock::time_point liveSince;
};

struct State {
    Id next = 1;
    Id app = 0, system = 0;
    Int error = 0;
    std::map<Id, Digitizer> digitizers;
    std::map<Id, Buffer> buffers;
    std::map<Id, Id> displays;  // display -> selected buffer (0: none)
};

State& S() {
    static State state;
    return state;
}

Id Give(Id* out, Id id) {
    if (out) *out = id;
    return id;
}

Int Answer(void* out, Int value) {
    if (out) std::memcpy(out, &value, sizeof value);
    return value;
}

double Angle(const Digitizer& d) {
    return d.camera->Config().startAngle + static_cast<double>(d.grabs) * d.camera->Config().stepAngle;
}

// 25 frames a second of pattern movement while a buffer is live.
void RenderLive(Buffer& buffer) {
    const auto found = S().digitizers.find(buffer.liveFrom);
    if (found == S().digitizers.end()) return;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - buffer.liveSince).count();
    found->second.camera->Render(found->second.window, static_cast<std::uint32_t>(buffer.width),
                                 static_cast<std::uint32_t>(buffer.height), seconds * 25.0, Angle(found->second),
                                 buffer.bytes.data());
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) Id MappAlloc(Int initFlag, Id* appId) {
    // A new application starts the library afresh, even when it stayed loaded.
    S() = State();
    Failures().Reset();
    const Id id = Failures().Fails("MappAlloc") ? 0 : S().next++;
    S().app = id;
    LogCall(Call("MappAlloc", Arg(std::int64_t{initFlag})) + " = " + Arg(std::int64_t{id}));
    return Give(appId, id);
}

__attribute__((visibility("default"))) void MappControl(Int controlType, Int controlValue) {
    LogCall(Call("MappControl", Arg(std::int64_t{controlType}), Arg(std::int64_t{controlValue})));
}

__attribute__((visibility("default"))) Int MappGetError(Int errorType, void* result) {
    const Int error = S().error;
    LogCall(Call("MappGetError", Arg(std::int64_t{errorType}), Arg(static_cast<const char*>(nullptr))) + " = " +
            Arg(std::int64_t{error}));
    return Answer(result, error);
}

__attribute__((visibility("default"))) void MappFree(Id id) {
    S().app = 0;
    LogCall(Call("MappFree", Arg(std::int64_t{id})));
}

__attribute__((visibility("default"))) Id MsysAlloc(const char* descriptor, Int systemNumber, Int initFlag,
                                                    Id* systemId) {
    const Id id = Failures().Fails("MsysAlloc") ? 0 : S().next++;
    S().system = id;
    LogCall(Call("MsysAlloc", Arg(descriptor), Arg(std::int64_t{systemNumber}), Arg(std::int64_t{initFlag})) +
            " = " + Arg(std::int64_t{id}));
    return Give(systemId, id);
}

__attribute__((visibility("default"))) Int MsysInquire(Id systemId, Int inquireType, void* result) {
    const Int value = inquireType == mil::kSystemType ? mil::kGenesisSystemType : 0;
    LogCall(Call("MsysInquire", Arg(std::int64_t{systemId}), Arg(std::int64_t{inquireType})) + " = " +
            Arg(std::int64_t{value}));
    return Answer(result, value);
}

__attribute__((visibility("default"))) void MsysFree(Id id) {
    S().system = 0;
    LogCall(Call("MsysFree", Arg(std::int64_t{id})));
}

__attribute__((visibility("default"))) Id MdigAlloc(Id systemId, Int deviceNumber, const char* cameraFile,
                                                    Int initFlag, Id* digitizerId) {
    CameraConfig config = CameraConfig::Read(cameraFile ? cameraFile : "");
    Failures().Add(config.failRules);
    Id id = 0;
    if (!Failures().Fails("MdigAlloc") && systemId != 0 && systemId == S().system) {
        id = S().next++;
        Digitizer& d = S().digitizers[id];
        d.camera = std::make_shared<Camera>(std::move(config));
        d.window.regionWidth = d.camera->Config().width;
        d.window.regionHeight = d.camera->Config().height;
    }
    LogCall(Call("MdigAlloc", Arg(std::int64_t{systemId}), Arg(std::int64_t{deviceNumber}), Arg(cameraFile),
                 Arg(std::int64_t{initFlag})) +
            " = " + Arg(std::int64_t{id}));
    return Give(digitizerId, id);
}

__attribute__((visibility("default"))) Int MdigInquire(Id digitizer, Int inquireType, void* result) {
    Int value = 0;
    const auto found = S().digitizers.find(digitizer);
    if (found != S().digitizers.end()) {
        const Digitizer& d = found->second;
        switch (inquireType) {
            case mil::kSizeX: value = static_cast<Int>(d.camera->Config().width); break;
            case mil::kSizeY: value = static_cast<Int>(d.camera->Config().height); break;
            case mil::kSizeBit: value = 8; break;
            case mil::kGrabScaleInquire:
                value = d.window.scale > 0 ? static_cast<Int>(std::lround(1.0 / d.window.scale)) : 0;
                break;
            default: break;
        }
    }
    LogCall(Call("MdigInquire", Arg(std::int64_t{digitizer}), Arg(std::int64_t{inquireType})) + " = " +
            Arg(std::int64_t{value}));
    return Answer(result, value);
}

__attribute__((visibility("default"))) void MdigControl(Id digitizer, Int controlType, double value) {
    LogCall(Call("MdigControl", Arg(std::int64_t{digitizer}), Arg(std::int64_t{controlType}), Arg(value)));
    const auto found = S().digitizers.find(digitizer);
    if (found == S().digitizers.end()) return;
    GrabWindow& w = found->second.window;
    switch (controlType) {
        case mil::kGrabScale: if (value > 0) w.scale = value; break;
        case mil::kSourceSizeX: w.regionWidth = value; break;
        case mil::kSourceSizeY: w.regionHeight = value; break;
        case mil::kSourceOffsetX: w.offsetX = value; break;
        case mil::kSourceOffsetY: w.offsetY = value; break;
        case mil::kGrabTriggerSource: found->second.triggerSource = value; break;
        case mil::kGrabTrigger: found->second.trigger = value; break;
        default: break;
    }
}

__attribute__((visibility("default"))) void MdigGrab(Id digitizer, Id buffer) {
    S().error = 0;
    const auto d = S().digitizers.find(digitizer);
    const auto b = S().buffers.find(buffer);
    if (Failures().Fails("MdigGrab") || d == S().digitizers.end() || b == S().buffers.end()) {
        S().error = kGrabError;  // the buffer keeps what it held
    } else {
        d->second.camera->Render(d->second.window, static_cast<std::uint32_t>(b->second.width),
                                 static_cast<std::uint32_t>(b->second.height), static_cast<double>(d->second.grabs),
                                 Angle(d->second), b->second.bytes.data());
        ++d->second.grabs;
    }
    LogCall(Call("MdigGrab", Arg(std::int64_t{digitizer}), Arg(std::int64_t{buffer})));
}

__attribute__((visibility("default"))) void MdigGrabContinuous(Id digitizer, Id buffer) {
    const auto b = S().buffers.find(buffer);
    if (b != S().buffers.end() && S().digitizers.count(digitizer)) {
        b->second.liveFrom = digitizer;
        b->second.liveSince = std::chrono::steady_clock::now();
    }
    LogCall(Call("MdigGrabContinuous", Arg(std::int64_t{digitizer}), Arg(std::int64_t{buffer})));
}

__attribute__((visibility("default"))) void MdigGrabWait(Id digitizer, Int mode) {
    LogCall(Call("MdigGrabWait", Arg(std::int64_t{digitizer}), Arg(std::int64_t{mode})));
}

__attribute__((visibility("default"))) void MdigHalt(Id digitizer) {
    for (auto& [id, buffer] : S().buffers)
        if (buffer.liveFrom == digitizer) {
            RenderLive(buffer);  // the last frame stays in the buffer
            buffer.liveFrom = 0;
        }
    LogCall(Call("MdigHalt", Arg(std::int64_t{digitizer})));
}

__attribute__((visibility("default"))) void MdigFree(Id id) {
    for (auto& [bufferId, buffer] : S().buffers)
        if (buffer.liveFrom == id) buffer.liveFrom = 0;
    S().digitizers.erase(id);
    LogCall(Call("MdigFree", Arg(std::int64_t{id})));
}

__attribute__((visibility("default"))) Id MdispAlloc(Id systemId, Int displayNumber, const char* format,
                                                     Int initFlag, Id* displayId) {
    Id id = 0;
    if (!Failures().Fails("MdispAlloc") && systemId != 0 && systemId == S().system) {
        id = S().next++;
        S().displays[id] = 0;
    }
    LogCall(Call("MdispAlloc", Arg(std::int64_t{systemId}), Arg(std::int64_t{displayNumber}), Arg(format),
                 Arg(std::int64_t{initFlag}), Arg(displayId ? "result" : nullptr)) +
            " = " + Arg(std::int64_t{id}));
    return Give(displayId, id);
}

__attribute__((visibility("default"))) void MdispSelect(Id display, Id buffer) {
    if (S().displays.count(display)) S().displays[display] = buffer;
    LogCall(Call("MdispSelect", Arg(std::int64_t{display}), Arg(std::int64_t{buffer})));
}

__attribute__((visibility("default"))) void MdispDeselect(Id display, Id buffer) {
    if (S().displays.count(display) && S().displays[display] == buffer) S().displays[display] = 0;
    LogCall(Call("MdispDeselect", Arg(std::int64_t{display}), Arg(std::int64_t{buffer})));
}

__attribute__((visibility("default"))) void MdispFree(Id id) {
    S().displays.erase(id);
    LogCall(Call("MdispFree", Arg(std::int64_t{id})));
}

__attribute__((visibility("default"))) Id MbufAlloc2d(Id systemId, Int sizeX, Int sizeY, Int type, Int attribute,
                                                      Id* bufferId) {
    Id id = 0;
    // 8-bit buffers of a sensible size only; anything else is an allocation failure.
    const bool usable = systemId != 0 && systemId == S().system && type == 8 && sizeX > 0 && sizeY > 0 &&
                        sizeX <= kLargestSide && sizeY <= kLargestSide;
    if (!Failures().Fails("MbufAlloc2d") && usable) {
        Buffer b;
        b.width = sizeX;
        b.height = sizeY;
        try {
            b.bytes.assign(static_cast<std::size_t>(sizeX) * static_cast<std::size_t>(sizeY), 0);
            id = S().next++;
            S().buffers[id] = std::move(b);
        } catch (const std::bad_alloc&) {
            id = 0;  // reported as a failed allocation, never thrown into the caller
        }
    }
    LogCall(Call("MbufAlloc2d", Arg(std::int64_t{systemId}), Arg(std::int64_t{sizeX}), Arg(std::int64_t{sizeY}),
                 Arg(std::int64_t{type}), Arg(std::int64_t{attribute}), Arg(bufferId ? "result" : nullptr)) +
            " = " + Arg(std::int64_t{id}));
    return Give(bufferId, id);
}

__attribute__((visibility("default"))) Int MbufInquire(Id buffer, Int inquireType, void* result) {
    Int value = 0;
    const auto found = S().buffers.find(buffer);
    if (found != S().buffers.end()) {
        if (inquireType == mil::kSizeX) value = found->second.width;
        if (inquireType == mil::kSizeY) value = found->second.height;
    }
    LogCall(Call("MbufInquire", Arg(std::int64_t{buffer}), Arg(std::int64_t{inquireType})) + " = " +
            Arg(std::int64_t{value}));
    return Answer(result, value);
}

__attribute__((visibility("default"))) void MbufGet(Id buffer, void* userArray) {
    const auto found = S().buffers.find(buffer);
    if (found != S().buffers.end() && userArray) {
        if (found->second.liveFrom != 0) RenderLive(found->second);
        std::memcpy(userArray, found->second.bytes.data(), found->second.bytes.size());
    }
    LogCall(Call("MbufGet", Arg(std::int64_t{buffer})));
}

__attribute__((visibility("default"))) void MbufFree(Id id) {
    S().buffers.erase(id);
    for (auto& [display, selected] : S().displays)
        if (selected == id) selected = 0;
    LogCall(Call("MbufFree", Arg(std::int64_t{id})));
}

}  // extern "C"

// The entry points keep the argument lists the program calls them with.
static_assert(std::is_same_v<decltype(&MdigAlloc), mil::MdigAllocFn>);
static_assert(std::is_same_v<decltype(&MdigControl), mil::MdigControlFn>);
static_assert(std::is_same_v<decltype(&MbufAlloc2d), mil::MbufAlloc2dFn>);
static_assert(std::is_same_v<decltype(&MdispAlloc), mil::MdispAllocFn>);
static_assert(std::is_same_v<decltype(&MappGetError), mil::MappGetErrorFn>);
static_assert(std::is_same_v<decltype(&MbufInquire), mil::MbufInquireFn>);
static_assert(std::is_same_v<decltype(&MsysAlloc), mil::MsysAllocFn>);
