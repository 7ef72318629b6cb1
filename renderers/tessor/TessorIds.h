// Registration identifiers and names of the Tessor renderer: its type
// library, dispatch interfaces, control class and property page class.
#pragma once

#include "contract/Com.h"

namespace voxmill {

// {9C3B49C0-7BFF-11D3-BDC1-00902724DB28}
inline constexpr GUID LIBID_NrTESSORLib = {
    0x9C3B49C0, 0x7BFF, 0x11D3, {0xBD, 0xC1, 0x00, 0x90, 0x27, 0x24, 0xDB, 0x28}};
// {9C3B49C1-7BFF-11D3-BDC1-00902724DB28}
inline constexpr IID DIID__DTessor = {
    0x9C3B49C1, 0x7BFF, 0x11D3, {0xBD, 0xC1, 0x00, 0x90, 0x27, 0x24, 0xDB, 0x28}};
// {9C3B49C2-7BFF-11D3-BDC1-00902724DB28}
inline constexpr IID DIID__DTessorEvents = {
    0x9C3B49C2, 0x7BFF, 0x11D3, {0xBD, 0xC1, 0x00, 0x90, 0x27, 0x24, 0xDB, 0x28}};
// {67D20F26-7B01-11D3-BDB9-00902724DB28}
inline constexpr CLSID CLSID_TessorCtrl = {
    0x67D20F26, 0x7B01, 0x11D3, {0xBD, 0xB9, 0x00, 0x90, 0x27, 0x24, 0xDB, 0x28}};
// {9C3B49C3-7BFF-11D3-BDC1-00902724DB28}
inline constexpr CLSID CLSID_TessorPropPage = {
    0x9C3B49C3, 0x7BFF, 0x11D3, {0xBD, 0xC1, 0x00, 0x90, 0x27, 0x24, 0xDB, 0x28}};

inline constexpr const char* kTessorTypeLibName = "NrTESSORLib";
inline constexpr const char* kTessorTypeLibVersion = "1.0";
inline constexpr const char* kTessorCtrlProgId = "TESSOR.TessorCtrl.1";
inline constexpr const char* kTessorPropPageProgId = "TESSOR.TessorPropPage.1";
inline constexpr const char* kTessorCtrlName = "Tessor Control";
inline constexpr const char* kTessorPropPageName = "Tessor Property Page";

// Dispatch ids of the control's properties: the program's two, then the
// filter window, its cutoff (percent of Nyquist), zero padding and the
// short-scan weighting (automatic when set).
inline constexpr std::int32_t DISPID_TESSOR_INTERPOLATIONMODE = 1;
inline constexpr std::int32_t DISPID_TESSOR_ISPROCESSCOLLECTION = 2;
inline constexpr std::int32_t DISPID_TESSOR_FILTERWINDOW = 3;
inline constexpr std::int32_t DISPID_TESSOR_FILTERCUTOFF = 4;
inline constexpr std::int32_t DISPID_TESSOR_ZEROPADDING = 5;
inline constexpr std::int32_t DISPID_TESSOR_SHORTSCANWEIGHTING = 6;

}  // namespace voxmill
