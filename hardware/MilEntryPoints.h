// The frame grabber's entry points as this program calls them, shared by
// the digitizer, the start-up and the simulated camera libraries that stand
// in for the vendor's. Identifiers are 32-bit, 0 meaning "none"; results
// that the program reads come back through the result pointer and as the
// return value.
#pragma once

#include <cstdint>

namespace voxmill::mil {

using Id = std::uint32_t;
using Int = std::int32_t;

// Values handed over whose meaning is the library's business.
inline constexpr Int kDefault = 0x10000000;     // the library's default value
inline constexpr Int kError = 0x40000000;       // MappControl: error reporting
inline constexpr Int kPrintDisable = 0;         // ... switched off
inline constexpr Int kSystemType = 1008;        // MsysInquire: system type
inline constexpr Int kGenesisSystemType = 17;   // a Matrox Genesis board
inline constexpr Int kSizeX = 1002;             // MdigInquire / MbufInquire
inline constexpr Int kSizeY = 1003;
inline constexpr Int kSizeBit = 1005;
inline constexpr Int kGrabScale = 4010;         // MdigControl
inline constexpr Int kGrabScaleInquire = 4011;  // MdigInquire: the decimation the scale gives
inline constexpr Int kSourceSizeX = 4022;
inline constexpr Int kSourceSizeY = 4023;
inline constexpr Int kSourceOffsetX = 4024;
inline constexpr Int kSourceOffsetY = 4025;
inline constexpr Int kGrabTriggerSource = 4200;
inline constexpr Int kGrabTrigger = 4053;
inline constexpr Int kGrabFrameEnd = 3;         // MdigGrabWait mode
inline constexpr Int kCurrentError = 1;         // MappGetError
inline constexpr Int kGrabBufferAttribute = 0x1C;
inline constexpr Int kLiveBufferAttribute = 0x3C;

extern "C" {
// Genesis native library (libgenlib.so).
using ImDevAllocFn = Id (*)(Int deviceNumber, Int initFlag);
using ImThrAllocFn = Id (*)(Id device, Int initFlag);
using ImFreeFn = void (*)(Id id);
// libmilgen.so: only has to be there.
using MDGenesisCommandDecoderFn = Int (*)(Int command, void* data);
// Imaging library (libmil.so).
using MappAllocFn = Id (*)(Int initFlag, Id* appId);
using MappControlFn = void (*)(Int controlType, Int controlValue);
using MappGetErrorFn = Int (*)(Int errorType, void* result);
using MsysAllocFn = Id (*)(const char* descriptor, Int systemNumber, Int initFlag, Id* systemId);
using MsysInquireFn = Int (*)(Id systemId, Int inquireType, void* result);
using MdigAllocFn = Id (*)(Id systemId, Int deviceNumber, const char* cameraFile, Int initFlag, Id* digitizerId);
using MdigInquireFn = Int (*)(Id digitizer, Int inquireType, void* result);
using MdigControlFn = void (*)(Id digitizer, Int controlType, double value);
using MdigGrabFn = void (*)(Id digitizer, Id buffer);
using MdigGrabWaitFn = void (*)(Id digitizer, Int mode);
using MdigHaltFn = void (*)(Id digitizer);
using MdispAllocFn = Id (*)(Id systemId, Int displayNumber, const char* format, Int initFlag, Id* displayId);
using MdispSelectFn = void (*)(Id display, Id buffer);
using MbufAlloc2dFn = Id (*)(Id systemId, Int sizeX, Int sizeY, Int type, Int attribute, Id* bufferId);
using MbufInquireFn = Int (*)(Id buffer, Int inquireType, void* result);
using MbufGetFn = void (*)(Id buffer, void* userArray);
using MFreeFn = void (*)(Id id);
}

}  // namespace voxmill::mil
