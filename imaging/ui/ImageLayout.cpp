#include "imaging/ui/ImageLayout.h"

#include <algorithm>
#include <cstdint>

namespace voxmill {
namespace {

struct ZoomedSize {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool shown = false;
};

ZoomedSize Zoomed(std::int64_t w, std::int64_t h, int zoomPercent) {
    switch (zoomPercent) {
        case 25: return {w / 4, h / 4, w > 3 && h > 3};
        case 50: return {w / 2, h / 2, w > 1 && h > 1};
        case 100: return {w, h, w > 0 && h > 0};
        case 150: return {3 * w / 2, 3 * h / 2, w > 0 && h > 0};
        case 200: return {2 * w, 2 * h, w > 0 && h > 0};
        case 400: return {4 * w, 4 * h, w > 0 && h > 0};
        default: return {};
    }
}

// Widget coordinates are ints; a zoomed image past this is not drawable.
constexpr std::int64_t kMaxZoomedSide = 1 << 24;

int TruncScaled(std::uint32_t count, int span, int offset) {
    return static_cast<int>(static_cast<double>(count) / span * offset);
}

ImageLayout LaidOut(const ZoomedSize& z, int zoomPercent) {
    ImageLayout layout;
    layout.zoomPercent = zoomPercent;
    if (!z.shown || z.width > kMaxZoomedSide || z.height > kMaxZoomedSide) return layout;
    const int zw = static_cast<int>(z.width), zh = static_cast<int>(z.height);
    layout.extentX = std::max(ImageLayout::kMinExtentX, ImageLayout::kMargin + zw);
    layout.extentY = std::max(ImageLayout::kMinExtentY, ImageLayout::kMargin + zh);
    layout.imageRect.left = (layout.extentX - zw) / 2;
    layout.imageRect.top = (layout.extentY - zh) / 2;
    layout.imageRect.right = layout.imageRect.left + zw;
    layout.imageRect.bottom = layout.imageRect.top + zh;
    return layout;
}

}  // namespace

ImageLayout ImageLayout::At(std::uint32_t width, std::uint32_t height, int zoomPercent) {
    return LaidOut(Zoomed(width, height, zoomPercent), zoomPercent);
}

ImageLayout ImageLayout::AtScale(std::uint32_t width, std::uint32_t height, int zoomPercent) {
    if (zoomPercent < 1) return LaidOut({}, zoomPercent);
    const std::int64_t zw = std::int64_t{width} * zoomPercent / 100, zh = std::int64_t{height} * zoomPercent / 100;
    return LaidOut({zw, zh, zw > 0 && zh > 0}, zoomPercent);
}

int FitPercent(std::uint32_t width, std::uint32_t height, int roomX, int roomY) {
    if (width == 0 || height == 0) return 100;
    const std::int64_t roomW = std::max(0, roomX - ImageLayout::kMargin);
    const std::int64_t roomH = std::max(0, roomY - ImageLayout::kMargin);
    // w p div 100 <= roomW exactly when p <= (100 roomW + 99) div w.
    const std::int64_t p = std::min((100 * roomW + 99) / width, (100 * roomH + 99) / height);
    return static_cast<int>(std::clamp<std::int64_t>(p, 1, kMaxFitPercent));
}

int NextZoomLevel(int percent, bool up) {
    if (up) {
        for (int level : kZoomLevels)
            if (level > percent) return level;
        return percent;
    }
    for (auto it = kZoomLevels.rbegin(); it != kZoomLevels.rend(); ++it)
        if (*it < percent) return *it;
    return percent;
}

PixelIndex PixelAtPoint(const ViewRect& r, std::uint32_t width, std::uint32_t height, int x, int y) {
    if (r.IsEmpty() || width == 0 || height == 0) return {};
    PixelIndex p{TruncScaled(width, r.Width(), x - r.left), TruncScaled(height, r.Height(), y - r.top)};
    p.column = std::min(p.column, static_cast<int>(width - 1));
    p.row = std::min(p.row, static_cast<int>(height - 1));
    return p;
}

PixelIndex ClampedPixelAtPoint(const ViewRect& r, std::uint32_t width, std::uint32_t height, int x, int y) {
    if (r.IsEmpty()) return {};
    return PixelAtPoint(r, width, height, std::clamp(x, r.left, r.right), std::clamp(y, r.top, r.bottom));
}

std::vector<PixelIndex> LineSamplePixels(PixelIndex start, PixelIndex end, int count) {
    std::vector<PixelIndex> samples;
    if (count <= 0) return samples;
    samples.reserve(static_cast<std::size_t>(count));
    const int steps = std::max(1, count - 1);
    for (int k = 0; k < count; ++k)
        samples.push_back({start.column + k * (end.column - start.column) / steps,
                           start.row + k * (end.row - start.row) / steps});
    return samples;
}

}  // namespace voxmill
