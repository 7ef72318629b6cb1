#include "app/ui/DibImage.h"

#include <cstdint>
#include <cstdlib>

#include "imaging/dib/Dib.h"

namespace voxmill {
namespace {

constexpr std::int64_t kMaxSide = 1 << 15;

QRgb ColorAt(const CDib& dib, unsigned index) {
    if (index >= dib.GetColorCount() || !dib.GetColorTable()) return qRgb(0, 0, 0);
    const RGBQUAD& c = dib.GetColorTable()[index];
    return qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue);
}

QRgb PixelAt(const CDib& dib, const std::uint8_t* row, int x) {
    switch (dib.GetBitCount()) {
        case 1: return ColorAt(dib, (row[x / 8] >> (7 - x % 8)) & 1u);
        case 4: return ColorAt(dib, (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xFu);
        case 8: return ColorAt(dib, row[x]);
        case 16: {
            // 5-5-5, the only 16-bit layout without bit fields.
            const unsigned v = row[2 * x] | (row[2 * x + 1] << 8);
            return qRgb(((v >> 10) & 31) * 255 / 31, ((v >> 5) & 31) * 255 / 31, (v & 31) * 255 / 31);
        }
        case 24: return qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
        case 32: return qRgb(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
        default: return qRgb(0, 0, 0);
    }
}

}  // namespace

QImage DibToImage(const CDib& dib) {
    if (!dib.HasImage() || !dib.HasBits()) return {};
    const BITMAPINFOHEADER* h = dib.GetHeader();
    const std::int64_t width = h->biWidth;
    const std::int64_t height = std::llabs(static_cast<long long>(h->biHeight));
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return {};
    switch (h->biBitCount) {
        case 1: case 4: case 8: case 16: case 24: case 32: break;
        default: return {};
    }
    const std::uint64_t rowBytes = dib.GetRowBytes();
    if (rowBytes * static_cast<std::uint64_t>(height) > dib.GetImageSize()) return {};

    const bool bottomUp = h->biHeight > 0;
    QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB32);
    const std::uint8_t* bits = dib.GetBits();
    for (int y = 0; y < height; ++y) {
        const std::int64_t stored = bottomUp ? height - 1 - y : y;
        const std::uint8_t* row = bits + stored * rowBytes;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) line[x] = PixelAt(dib, row, x);
    }
    return image;
}

}  // namespace voxmill
