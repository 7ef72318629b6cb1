// Registration identifiers, names and dispatch ids of the Karvex renderer.
#pragma once

#include "contract/Com.h"

namespace voxmill {

// {C38054D2-7332-11D3-B405-F04640D171F5}
inline constexpr GUID LIBID_KARVEXLib = {
    0xC38054D2, 0x7332, 0x11D3, {0xB4, 0x05, 0xF0, 0x46, 0x40, 0xD1, 0x71, 0xF5}};
// {D5CD8B30-7333-11D3-B405-F04640D171F5}
inline constexpr IID DIID__DKarvex = {
    0xD5CD8B30, 0x7333, 0x11D3, {0xB4, 0x05, 0xF0, 0x46, 0x40, 0xD1, 0x71, 0xF5}};
// {D5CD8B31-7333-11D3-B405-F04640D171F5}
inline constexpr IID DIID__DKarvexEvents = {
    0xD5CD8B31, 0x7333, 0x11D3, {0xB4, 0x05, 0xF0, 0x46, 0x40, 0xD1, 0x71, 0xF5}};
// {D5CD8B32-7333-11D3-B405-F04640D171F5}
inline constexpr CLSID CLSID_KarvexCtrl = {
    0xD5CD8B32, 0x7333, 0x11D3, {0xB4, 0x05, 0xF0, 0x46, 0x40, 0xD1, 0x71, 0xF5}};
// {D5CD8B33-7333-11D3-B405-F04640D171F5}
inline constexpr CLSID CLSID_KarvexPropPage = {
    0xD5CD8B33, 0x7333, 0x11D3, {0xB4, 0x05, 0xF0, 0x46, 0x40, 0xD1, 0x71, 0xF5}};

inline constexpr const char* kKarvexTypeLibName = "KARVEXLib";
inline constexpr const char* kKarvexTypeLibVersion = "1.0";
inline constexpr const char* kKarvexCtrlProgId = "KARVEX.KarvexCtrl.1";
inline constexpr const char* kKarvexPropPageProgId = "KARVEX.KarvexPropPage.1";
inline constexpr const char* kKarvexCtrlName = "Karvex Control";
inline constexpr const char* kKarvexPropPageName = "Karvex Property Page";

// Dispatch ids of the control's properties.
inline constexpr std::int32_t DISPID_KARVEX_ISFILTERING = 1;
inline constexpr std::int32_t DISPID_KARVEX_ISALLOWEDINDEXLUTBOOST = 2;
inline constexpr std::int32_t DISPID_KARVEX_ISALLOWEDSIMMETRYBOOST = 3;
inline constexpr std::int32_t DISPID_KARVEX_INTERPOLATIONMODE = 4;
inline constexpr std::int32_t DISPID_KARVEX_ISALLOWEDSKIPINTERPOLATION = 5;
inline constexpr std::int32_t DISPID_KARVEX_ISFIXEDPOINT = 6;
inline constexpr std::int32_t DISPID_KARVEX_ISPADFFT = 7;
inline constexpr std::int32_t DISPID_KARVEX_ISREALFFT = 8;
// Beyond the program's eight: the filter window, its cutoff (percent of
// Nyquist) and the short-scan weighting (automatic when set).
inline constexpr std::int32_t DISPID_KARVEX_FILTERWINDOW = 9;
inline constexpr std::int32_t DISPID_KARVEX_FILTERCUTOFF = 10;
inline constexpr std::int32_t DISPID_KARVEX_SHORTSCANWEIGHTING = 11;

}  // namespace voxmill
