// Result codes as messages show them.
#pragma once

#include <cstdio>
#include <string>

#include "contract/Com.h"
#include "contract/Renderer.h"

namespace voxmill {

// "0x80004005".
inline std::string HResultText(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

// "E_FAIL (0x80004005)" for the codes the contract names, the bare text
// otherwise.
inline std::string HResultName(HRESULT hr) {
    struct Named {
        HRESULT code;
        const char* name;
    };
    static constexpr Named kNames[] = {
        {S_OK, "S_OK"},
        {S_FALSE, "S_FALSE"},
        {E_NOTIMPL, "E_NOTIMPL"},
        {E_NOINTERFACE, "E_NOINTERFACE"},
        {E_POINTER, "E_POINTER"},
        {E_ABORT, "E_ABORT"},
        {E_FAIL, "E_FAIL"},
        {E_UNEXPECTED, "E_UNEXPECTED"},
        {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
        {E_INVALIDARG, "E_INVALIDARG"},
        {CLASS_E_NOAGGREGATION, "CLASS_E_NOAGGREGATION"},
        {CLASS_E_CLASSNOTAVAILABLE, "CLASS_E_CLASSNOTAVAILABLE"},
        {REGDB_E_CLASSNOTREG, "REGDB_E_CLASSNOTREG"},
        {VOXMILL_S_UNEVENCOVERAGE, "VOXMILL_S_UNEVENCOVERAGE"},
    };
    for (const Named& n : kNames)
        if (n.code == hr) return std::string(n.name) + " (" + HResultText(hr) + ")";
    return HResultText(hr);
}

}  // namespace voxmill
