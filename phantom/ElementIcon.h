// Drawing of the elements' 16 x 16 list pictures (24-bit, white background).
// Internal to the phantom library.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace voxmill {

class CDib;

struct ElementIconColor {
    std::uint8_t r, g, b;
};

// Calls `shade` for every pixel, x to the right and y downward from the top
// left corner, and stores its colour in a new 16 x 16 bitmap.
std::unique_ptr<CDib> DrawElementIcon(const std::function<ElementIconColor(int x, int y)>& shade);

}  // namespace voxmill
