// Result codes as messages show them.
#pragma once

#include <cstdio>
#include <string>

#include "contract/Com.h"

namespace voxmill {

// "0x80004005".
inline std::string HResultText(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

}  // namespace voxmill
