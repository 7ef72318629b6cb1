// Identifiers and the call-log entry points of the test renderer module
// (TestRendererModule.cpp), shared with the tests that load it.
#pragma once

#include "contract/Com.h"

namespace voxmill::test {

// Two renderer classes in the plug-in category: A lists two property pages,
// B one.
inline constexpr CLSID CLSID_TestRendererA = {0x7E57A001, 0x0001, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x01}};
inline constexpr CLSID CLSID_TestRendererB = {0x7E57A001, 0x0001, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x02}};
inline constexpr CLSID CLSID_TestPage1 = {0x7E57A001, 0x0001, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x11}};
inline constexpr CLSID CLSID_TestPage2 = {0x7E57A001, 0x0001, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x12}};
inline constexpr CLSID CLSID_TestPageB = {0x7E57A001, 0x0001, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x13}};
// Served by a factory that reports success and hands out no object.
inline constexpr CLSID CLSID_TestNullObject = {0x7E57A001, 0x0001, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x21}};
// Not served by the module at all.
inline constexpr CLSID CLSID_TestUnknown = {0x7E57A001, 0x0001, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x22}};

inline constexpr const char* kTestRendererAName = "Voxmill Test Renderer A";
inline constexpr const char* kTestRendererBName = "Voxmill Test Renderer B";

// extern "C" in the module: the calls it saw, one per line, and a reset.
inline constexpr const char* kTestLogSymbol = "VoxmillTestRenderer_Log";
inline constexpr const char* kTestClearLogSymbol = "VoxmillTestRenderer_ClearLog";
using PFN_TestLog = const char* (*)();
using PFN_TestClearLog = void (*)();

}  // namespace voxmill::test
