// What a renderer's property page shows, as data: group boxes in order,
// each with an optional radio group bound to one integer property (button
// n stands for value n) and check boxes bound to boolean properties.
#pragma once

#include <vector>

#include "contract/Ole.h"

namespace voxmill {

struct CPropertyPageLayout {
    struct Radio {
        DISPID id = -1;              // -1: the group has no radios
        VARTYPE type = VT_I4;        // how the value is put: VT_I2 or VT_I4
        const char* objectName = ""; // button n is named "<objectName><n>"
        std::vector<const char*> labels;
        std::vector<bool> enabled;   // per button; missing entries enabled
    };
    struct Check {
        DISPID id;
        const char* label;
        const char* objectName;
    };
    struct Group {
        const char* title;
        const char* objectName;
        Radio radio;
        std::vector<Check> checks;
        const char* note = nullptr;  // a line of text under the controls
    };

    const char16_t* title;  // the page's tab title
    std::vector<Group> groups;
};

}  // namespace voxmill
