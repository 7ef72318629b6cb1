// PNG pictures read back through libpng: exact pixels of a known image in
// grey (the bitmap export's levels) and in both colour maps, the montage's
// layout, the panel, and failed writes that keep the previous file.
#include <filesystem>
#include <fstream>
#include <limits>

#include <gtest/gtest.h>

#include "app/ListElementStub.h"
#include "formats/PngImage.h"
#include "imaging/GreyMap.h"
#include "imaging/dib/Dib.h"
#include "reconstruction/Slice.h"
#include "reconstruction/SliceCollection.h"
#include "tests/common/TempDir.h"

namespace voxmill {
namespace {

using test::TempDir;

// 5 x 3 values -0.5 + 0.1 (c + 5 r), row 0 first: -0.5 .. 0.9.
void FillRamp(CSurface& s, std::uint32_t w = 5, std::uint32_t h = 3, float base = -0.5f) {
    ASSERT_TRUE(s.Create(1.0, 1.0, w, h));
    for (std::uint32_t k = 0; k < w * h; ++k) s.GetPixels()[k] = base + 0.1f * static_cast<float>(k);
    s.UpdateRange();
}

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class Png : public ::testing::Test {
protected:
    TempDir m_dir;
};

TEST_F(Png, GreyIsTheBitmapExportsLevelsRowZeroOnTop) {
    CSlice slice;
    slice.m_bAutoDelete = false;
    FillRamp(slice);
    const std::string path = m_dir.File("grey.png");
    WritePng(SurfacePicture(slice, {}), path);
    const PngPicture back = ReadPng(path);
    ASSERT_EQ(back.width, 5u);
    ASSERT_EQ(back.height, 3u);
    ASSERT_EQ(back.channels, 1);
    const std::unique_ptr<CDib> bitmap = slice.MakeBitmap();
    for (std::uint32_t r = 0; r < 3; ++r)
        for (std::uint32_t c = 0; c < 5; ++c) {
            const std::uint8_t expected = GreyIndex(slice.GetPixel(c, r), slice.GetMinValue(), slice.GetMaxValue());
            EXPECT_EQ(back.bytes[r * 5 + c], expected) << c << ", " << r;
            // The bitmap is bottom-up, its rows padded to 8 here.
            EXPECT_EQ(back.bytes[r * 5 + c], bitmap->GetBits()[(2 - r) * bitmap->GetRowBytes() + c]);
        }
    EXPECT_EQ(back.bytes.front(), 0);
    EXPECT_GE(back.bytes.back(), 254);  // single-precision truncation, as in the bitmap
    // Through a window of its own.
    PictureOptions windowed;
    windowed.hasWindow = true;
    windowed.low = 0.0f;
    windowed.high = 0.4f;
    WritePng(SurfacePicture(slice, windowed), path);
    const PngPicture w = ReadPng(path);
    EXPECT_EQ(w.bytes[0], 0);                                   // -0.5, below
    EXPECT_EQ(w.bytes[7], GreyIndex(0.2f, 0.0f, 0.4f));         // 0.2
    EXPECT_EQ(w.bytes[14], 255);                                // 0.9, above
}

TEST_F(Png, ColourMapsWriteRgbOfTheMapsColours) {
    CSlice slice;
    slice.m_bAutoDelete = false;
    FillRamp(slice);
    for (ColourMapKind kind : {ColourMapKind::diverging, ColourMapKind::perceptual}) {
        PictureOptions options;
        options.map = kind;
        const std::string path = m_dir.File(std::string(ColourMapName(kind)) + ".png");
        WritePng(SurfacePicture(slice, options), path);
        const PngPicture back = ReadPng(path);
        ASSERT_EQ(back.channels, 3) << ColourMapName(kind);
        for (std::uint32_t r = 0; r < 3; ++r)
            for (std::uint32_t c = 0; c < 5; ++c)
                EXPECT_EQ(back.At(c, r), MapColour(kind, slice.GetPixel(c, r), -0.5f, 0.9f)) << c << ", " << r;
    }
    // The diverging map of the range -0.5 .. 0.9: pixel 5 holds 0 (white),
    // the last pixel 0.9 the red end, the first -0.5 blue five ninths of the way.
    PictureOptions diverging;
    diverging.map = ColourMapKind::diverging;
    const PngPicture p = SurfacePicture(slice, diverging);
    EXPECT_EQ(p.At(0, 1), (Rgb{255, 255, 255}));
    EXPECT_EQ(p.At(4, 2), kDivergingPositive);
    EXPECT_EQ(p.At(0, 0), (Rgb{132, 170, 209}));
}

TEST_F(Png, MontageTilesSlicesInOrderInANearSquareGrid) {
    CSliceCollection collection;
    collection.m_bAutoDelete = false;
    // Five slices of 2 x 2, the third 3 x 1: cells of 3 x 2, three columns, two rows.
    for (int k = 0; k < 5; ++k) {
        CListElementStub* entry = collection.AddSlice();
        ASSERT_NE(entry, nullptr);
        auto* s = static_cast<CSlice*>(entry->m_pElement);
        if (k == 2)
            FillRamp(*s, 3, 1, 10.0f * k);
        else
            FillRamp(*s, 2, 2, 10.0f * k);
    }
    PictureOptions options;
    options.hasWindow = true;
    options.low = 0.0f;
    options.high = 50.0f;
    const std::string path = m_dir.File("montage.png");
    WritePng(MontagePicture(collection, options), path);
    const PngPicture m = ReadPng(path);
    ASSERT_EQ(m.width, 9u);
    ASSERT_EQ(m.height, 4u);
    ASSERT_EQ(m.channels, 1);
    // Pixel k of the slice starting at `base`, computed as FillRamp does.
    auto level = [](float base, int k) { return GreyIndex(base + 0.1f * static_cast<float>(k), 0.0f, 50.0f); };
    // Slice k's pixel (c, r) sits at column 3 (k mod 3) + c, row 2 (k div 3) + r.
    EXPECT_EQ(m.bytes[0], level(0.0f, 0));
    EXPECT_EQ(m.bytes[1 * 9 + 1], level(0.0f, 3));
    EXPECT_EQ(m.bytes[3], level(10.0f, 0));
    EXPECT_EQ(m.bytes[6 + 2], level(20.0f, 2));    // the wide slice's last pixel
    EXPECT_EQ(m.bytes[1 * 9 + 6], 0);           // below it: black
    EXPECT_EQ(m.bytes[2 * 9 + 0], level(30.0f, 0));
    EXPECT_EQ(m.bytes[3 * 9 + 4], level(40.0f, 3));
    EXPECT_EQ(m.bytes[2 * 9 + 2], 0);           // right of a narrow slice
    for (std::uint32_t r = 2; r < 4; ++r)
        for (std::uint32_t c = 6; c < 9; ++c) EXPECT_EQ(m.bytes[r * 9 + c], 0);  // the empty cell

    // Without a window, one range over all slices.
    const PngPicture full = MontagePicture(collection, {});
    EXPECT_EQ(full.bytes[0], 0);
    EXPECT_EQ(full.bytes[3 * 9 + 4], 255);

    CSliceCollection empty;
    empty.m_bAutoDelete = false;
    EXPECT_THROW(MontagePicture(empty, {}), std::runtime_error);
}

TEST_F(Png, PanelSetsPicturesSideBySideOnWhite) {
    PngPicture grey;
    grey.width = 2;
    grey.height = 3;
    grey.bytes = {10, 20, 30, 40, 50, 60};
    PngPicture rgb;
    rgb.width = 1;
    rgb.height = 1;
    rgb.channels = 3;
    rgb.bytes = {1, 2, 3};
    const std::string path = m_dir.File("panel.png");
    WritePng(PanelPicture({grey, rgb, grey}, 2), path);
    const PngPicture p = ReadPng(path);
    ASSERT_EQ(p.width, 2u + 2 + 1 + 2 + 2);
    ASSERT_EQ(p.height, 3u);
    ASSERT_EQ(p.channels, 3);
    EXPECT_EQ(p.At(1, 2), (Rgb{60, 60, 60}));
    EXPECT_EQ(p.At(2, 0), (Rgb{255, 255, 255}));  // the gap
    EXPECT_EQ(p.At(4, 0), (Rgb{1, 2, 3}));
    EXPECT_EQ(p.At(4, 1), (Rgb{255, 255, 255}));  // below the short picture
    EXPECT_EQ(p.At(7, 0), (Rgb{10, 10, 10}));
    EXPECT_THROW(PanelPicture({}), std::invalid_argument);
}

TEST_F(Png, FailedWritesKeepThePreviousFileAndLeaveNoTemporaries) {
    PngPicture picture;
    picture.width = picture.height = 2;
    picture.bytes = {0, 1, 2, 3};
    const std::string path = m_dir.File("kept.png");
    WritePng(picture, path);
    const std::string before = FileText(path);
    ASSERT_FALSE(before.empty());

    PngPicture torn = picture;
    torn.bytes.pop_back();
    EXPECT_THROW(WritePng(torn, path), std::invalid_argument);
    PngPicture none;
    EXPECT_THROW(WritePng(none, path), std::invalid_argument);
    EXPECT_EQ(FileText(path), before);

    // A folder in the way: the rename fails, the temporary file goes.
    const std::string folder = m_dir.File("folder.png");
    std::filesystem::create_directory(folder);
    std::ofstream(folder + "/inside") << "x";
    EXPECT_ANY_THROW(WritePng(picture, folder));
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_ANY_THROW(WritePng(picture, m_dir.File("missing/x.png")));
    EXPECT_EQ(m_dir.Entries(), (std::vector<std::string>{"folder.png", "kept.png"}));
    EXPECT_EQ(FileText(path), before);
}

TEST_F(Png, DamagedFilesAreReportedNotRead) {
    const std::string path = m_dir.File("bad.png");
    std::ofstream(path, std::ios::binary) << "\x89PNG\r\n\x1a\n but nothing more";
    EXPECT_THROW(ReadPng(path), std::runtime_error);
    EXPECT_THROW(ReadPng(m_dir.File("absent.png")), std::runtime_error);
    // A valid file cut short.
    PngPicture picture;
    picture.width = picture.height = 64;
    picture.bytes.assign(64 * 64, 7);
    WritePng(picture, path);
    std::string bytes = FileText(path);
    bytes.resize(bytes.size() / 2);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    EXPECT_THROW(ReadPng(path), std::runtime_error);
}

}  // namespace
}  // namespace voxmill
