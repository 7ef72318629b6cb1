// The pixel loops that turn an image of either pixel type into an 8-bit
// grey bitmap: the full-size, bottom-up copy and the 64 x 64-style
// thumbnail. The mapping of one pixel to a grey index is the caller's
// (the float window or the 8-bit whole-number stretch), so both image
// kinds sample and flip rows in exactly one place.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "imaging/GreyMap.h"
#include "imaging/dib/Dib.h"

namespace voxmill {

// Bitmap row r (bottom-up) receives image row height - 1 - r; the padding
// columns are left as they are. The bitmap must be at least width wide and
// exactly height high.
template <class Pixel, class Map>
void WriteGreyRows(CDib& bitmap, const Pixel* pixels, std::uint32_t width, std::uint32_t height, Map map) {
    const std::uint32_t rowBytes = bitmap.GetRowBytes();
    std::uint8_t* bits = bitmap.GetBits();
    for (std::uint32_t r = 0; r < height; ++r) {
        const Pixel* src = pixels + static_cast<std::size_t>(height - 1 - r) * width;
        std::uint8_t* dst = bits + static_cast<std::size_t>(r) * rowBytes;
        for (std::uint32_t c = 0; c < width; ++c) dst[c] = map(src[c]);
    }
}

// A thumbnail outWidth (+ outWidth mod 4) x outHeight: output row y from
// the top takes source row trunc(y x (height - 1) / (outHeight - 1)), column
// x source column trunc(x x (width - 1) / (outWidth - 1)), in single
// precision. One output row is left black (its scale is undefined); one
// output column shows source column 0. Null for a size that is not positive.
template <class Pixel, class Map>
std::unique_ptr<CDib> MakeGreyThumbnail(const Pixel* pixels, std::uint32_t width, std::uint32_t height, int outWidth,
                                        int outHeight, Map map, bool animatedPalette = false) {
    if (!pixels || outWidth <= 0 || outHeight <= 0) return nullptr;
    auto bitmap = NewGreyDib(static_cast<std::uint32_t>(outWidth + outWidth % 4), static_cast<std::uint32_t>(outHeight),
                             animatedPalette);
    if (!bitmap->HasBits()) return nullptr;
    if (outHeight == 1) return bitmap;

    const float sx = outWidth > 1 ? static_cast<float>(width - 1) / static_cast<float>(outWidth - 1) : 0.0f;
    const float sy = static_cast<float>(height - 1) / static_cast<float>(outHeight - 1);
    const std::uint32_t rowBytes = bitmap->GetRowBytes();
    for (int y = 0; y < outHeight; ++y) {
        const auto row = std::min(static_cast<std::uint32_t>(static_cast<float>(y) * sy), height - 1);
        const Pixel* src = pixels + static_cast<std::size_t>(row) * width;
        std::uint8_t* dst = bitmap->GetBits() + static_cast<std::size_t>(outHeight - 1 - y) * rowBytes;
        for (int x = 0; x < outWidth; ++x) {
            const auto col = std::min(static_cast<std::uint32_t>(static_cast<float>(x) * sx), width - 1);
            dst[x] = map(src[col]);
        }
    }
    return bitmap;
}

}  // namespace voxmill
