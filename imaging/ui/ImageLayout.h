// Where an image view puts its picture: the zoomed size, the scroll extent
// and the image rectangle, the pixel under a view point, and the pixels a
// drawn line samples. Plain arithmetic in view pixels, shared by the float
// and the 8-bit views so both follow one rule.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace voxmill {

// The six zoom levels, in percent, in menu order.
inline constexpr std::array<int, 6> kZoomLevels = {25, 50, 100, 150, 200, 400};

// A rectangle in view pixels; right and bottom lie one past the last drawn pixel.
struct ViewRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    // The image's edges count as inside, so a point on the right or bottom
    // edge still reads the last column or row.
    bool Contains(int x, int y) const { return !IsEmpty() && x >= left && x <= right && y >= top && y <= bottom; }
    bool operator==(const ViewRect&) const = default;
};

struct ImageLayout {
    static constexpr int kMinExtentX = 300;
    static constexpr int kMinExtentY = 200;
    static constexpr int kMargin = 7;

    int zoomPercent = 100;
    int extentX = kMinExtentX;  // scroll extent
    int extentY = kMinExtentY;
    ViewRect imageRect;         // empty when the level cannot show the image

    // The layout of a width x height image at one of kZoomLevels; a level
    // that is not one of them, or whose size condition fails, shows nothing.
    static ImageLayout At(std::uint32_t width, std::uint32_t height, int zoomPercent);
    // The same at any scale of 1 % or more ("Fit to Window"): the zoomed
    // size is (width x percent div 100, height x percent div 100), shown
    // when both are above 0. At the six levels this is At's layout.
    static ImageLayout AtScale(std::uint32_t width, std::uint32_t height, int zoomPercent);
};

// The largest scale, in whole percent from 1 to kMaxFitPercent, whose
// scroll extent fits a viewport of roomX x roomY (the zoomed image plus
// the margin); 100 for an empty image.
inline constexpr int kMaxFitPercent = 1600;
int FitPercent(std::uint32_t width, std::uint32_t height, int roomX, int roomY);

// The zoom level after `percent` one step up (the smallest level above it)
// or down (the largest below it); `percent` itself past the last level.
int NextZoomLevel(int percent, bool up);

struct PixelIndex {
    int column = 0;
    int row = 0;
    bool operator==(const PixelIndex&) const = default;
};

// The pixel under a view point inside imageRect: trunc(width / rectWidth x
// (x - left)), likewise for rows, each lowered to the last column or row.
PixelIndex PixelAtPoint(const ViewRect& imageRect, std::uint32_t width, std::uint32_t height, int x, int y);

// The same for any point, also outside imageRect, held inside the image
// (a line released outside the picture ends on its border).
PixelIndex ClampedPixelAtPoint(const ViewRect& imageRect, std::uint32_t width, std::uint32_t height, int x, int y);

// The pixels of a line profile: sample k of `count` lies at column
// c0 + k (c1 - c0) div (count - 1) and row r0 + k (r1 - r0) div (count - 1),
// the divisions truncating toward zero.
std::vector<PixelIndex> LineSamplePixels(PixelIndex start, PixelIndex end, int count);

}  // namespace voxmill
