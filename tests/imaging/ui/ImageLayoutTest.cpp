// The image view's layout rules: zoom sizes and their conditions, scroll
// extent and image rectangle, the pixel under a point, line samples.
#include <gtest/gtest.h>

#include <map>

#include "imaging/ui/ImageLayout.h"

namespace voxmill {
namespace {

TEST(ImageLayout, TooSmallForTheLevelShowsNothing) {
    const ImageLayout l = ImageLayout::At(3, 100, 25);
    EXPECT_TRUE(l.imageRect.IsEmpty());
    EXPECT_EQ(l.extentX, 300);
    EXPECT_EQ(l.extentY, 200);
    EXPECT_TRUE(ImageLayout::At(1, 5, 50).imageRect.IsEmpty());
    EXPECT_TRUE(ImageLayout::At(0, 5, 100).imageRect.IsEmpty());
    EXPECT_TRUE(ImageLayout::At(5, 0, 400).imageRect.IsEmpty());
    EXPECT_FALSE(ImageLayout::At(4, 4, 25).imageRect.IsEmpty());
    EXPECT_FALSE(ImageLayout::At(2, 2, 50).imageRect.IsEmpty());
}

TEST(ImageLayout, LargeImageAtFullSize) {
    const ImageLayout l = ImageLayout::At(1000, 800, 100);
    EXPECT_EQ(l.extentX, 1007);
    EXPECT_EQ(l.extentY, 807);
    EXPECT_EQ(l.imageRect, (ViewRect{3, 3, 1003, 803}));
}

TEST(ImageLayout, EveryLevelScalesAndCentres) {
    // zoomed size by level for a 101 x 61 image, integer divisions.
    const std::map<int, std::pair<int, int>> sizes = {
        {25, {25, 15}}, {50, {50, 30}}, {100, {101, 61}}, {150, {151, 91}}, {200, {202, 122}}, {400, {404, 244}}};
    for (const auto& [level, size] : sizes) {
        SCOPED_TRACE(level);
        const ImageLayout l = ImageLayout::At(101, 61, level);
        EXPECT_EQ(l.imageRect.Width(), size.first);
        EXPECT_EQ(l.imageRect.Height(), size.second);
        EXPECT_EQ(l.extentX, std::max(300, 7 + size.first));
        EXPECT_EQ(l.extentY, std::max(200, 7 + size.second));
        EXPECT_EQ(l.imageRect.left, (l.extentX - size.first) / 2);
        EXPECT_EQ(l.imageRect.top, (l.extentY - size.second) / 2);
    }
    EXPECT_TRUE(ImageLayout::At(101, 61, 75).imageRect.IsEmpty());  // not a level
}

TEST(ImageLayout, PixelUnderPoint) {
    const ImageLayout l = ImageLayout::At(1000, 800, 100);
    const ViewRect& r = l.imageRect;
    EXPECT_EQ(PixelAtPoint(r, 1000, 800, r.left, r.top), (PixelIndex{0, 0}));
    // The right and bottom edges read the last column and row.
    EXPECT_EQ(PixelAtPoint(r, 1000, 800, r.right - 1, r.bottom - 1), (PixelIndex{999, 799}));
    EXPECT_EQ(PixelAtPoint(r, 1000, 800, r.right, r.bottom), (PixelIndex{999, 799}));
    EXPECT_TRUE(r.Contains(r.right, r.bottom));
    EXPECT_FALSE(r.Contains(r.right + 1, r.top));

    // At 25 % every view pixel covers four image pixels.
    const ImageLayout q = ImageLayout::At(1000, 800, 25);
    EXPECT_EQ(PixelAtPoint(q.imageRect, 1000, 800, q.imageRect.left + 10, q.imageRect.top + 1), (PixelIndex{40, 4}));
    EXPECT_EQ(PixelAtPoint(q.imageRect, 1000, 800, q.imageRect.right, q.imageRect.top), (PixelIndex{999, 0}));
}

TEST(ImageLayout, PointsOffThePictureClampToItsBorder) {
    const ImageLayout l = ImageLayout::At(50, 40, 200);
    const ViewRect& r = l.imageRect;
    EXPECT_EQ(ClampedPixelAtPoint(r, 50, 40, -100, -100), (PixelIndex{0, 0}));
    EXPECT_EQ(ClampedPixelAtPoint(r, 50, 40, 5000, 5000), (PixelIndex{49, 39}));
    EXPECT_EQ(ClampedPixelAtPoint(r, 50, 40, r.left + 20, 5000), (PixelIndex{10, 39}));
    EXPECT_EQ(ClampedPixelAtPoint(ViewRect{}, 50, 40, 3, 3), (PixelIndex{0, 0}));
}

TEST(ImageLayout, LineSamples) {
    // 0 to 99: every column exactly once.
    const std::vector<PixelIndex> full = LineSamplePixels({0, 0}, {99, 0}, 100);
    ASSERT_EQ(full.size(), 100u);
    for (int k = 0; k < 100; ++k) EXPECT_EQ(full[static_cast<std::size_t>(k)], (PixelIndex{k, 0}));

    // 0 to 9: columns 0 to 8 eleven times each, column 9 once.
    std::map<int, int> hits;
    for (const PixelIndex& p : LineSamplePixels({0, 0}, {9, 0}, 100)) ++hits[p.column];
    for (int c = 0; c <= 8; ++c) EXPECT_EQ(hits[c], 11) << c;
    EXPECT_EQ(hits[9], 1);

    // Backwards and diagonal lines truncate toward zero too.
    const std::vector<PixelIndex> back = LineSamplePixels({9, 5}, {0, 0}, 100);
    EXPECT_EQ(back.front(), (PixelIndex{9, 5}));
    EXPECT_EQ(back[50], (PixelIndex{9 - 50 * 9 / 99, 5 - 50 * 5 / 99}));
    EXPECT_EQ(back.back(), (PixelIndex{0, 0}));
    EXPECT_TRUE(LineSamplePixels({0, 0}, {1, 1}, 0).empty());
}

}  // namespace
}  // namespace voxmill
