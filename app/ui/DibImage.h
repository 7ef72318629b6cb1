// Conversion of a device-independent bitmap (bottom-up or top-down rows
// padded to 4 bytes, 1, 4, 8, 16, 24 or 32 bits, colour table) to a QImage
// for drawing. Malformed bitmaps give a null image, never a crash.
#pragma once

#include <QImage>

namespace voxmill {

class CDib;

QImage DibToImage(const CDib& dib);

}  // namespace voxmill
