// A slice: its description, the .slc record and its round trips, the
// bitmap-only form through the "Bitmap" template, and the two bitmap
// exports of the slice window.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "app/archive/Archive.h"
#include "app/archive/ArchiveException.h"
#include "imaging/GreyMap.h"
#include "imaging/dib/Dib.h"
#include "reconstruction/Slice.h"
#include "tests/common/ArchiveBytes.h"
#include "tests/common/TempDir.h"
#include "tests/reconstruction/slices/SliceTestSupport.h"

namespace voxmill::test {
namespace {

std::string Describe(CSlice& s) {
    std::string text;
    s.GetDescription(text);
    return text;
}

// A w x h slice of values 0, 1, 2, ... row by row, range updated.
std::unique_ptr<CSlice> Ramp(std::uint32_t w, std::uint32_t h, double dimX = 2, double dimY = 1) {
    auto s = std::make_unique<CSlice>();
    s->m_bAutoDelete = false;
    s->OnNewDocument();
    if (!s->Create(dimX, dimY, w, h)) return nullptr;
    for (std::size_t k = 0; k < s->GetPixelCount(); ++k) s->GetPixels()[k] = static_cast<float>(k);
    s->UpdateRange();
    return s;
}

std::uint32_t Dword(const Bytes& b, std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

double Double(const Bytes& b, std::size_t at) {
    double v;
    std::memcpy(&v, b.data() + at, 8);
    return v;
}

// --- description -------------------------------------------------------------

TEST(SliceDescription, AxisLetterAndSignedPositionToThreeDecimals) {
    CSlice s;
    s.SetAxisPosition(kSliceAxisZ, -0.984375);
    EXPECT_EQ(Describe(s), "Z = -0.984");
    s.SetAxisPosition(kSliceAxisX, 0.984375);
    EXPECT_EQ(Describe(s), "X = +0.984");
    s.SetAxisPosition(kSliceAxisY, 0.0);
    EXPECT_EQ(Describe(s), "Y = +0.000");
    s.SetAxisPosition(kSliceAxisY, -12.3456);
    EXPECT_EQ(Describe(s), "Y = -12.346");
}

TEST(SliceDescription, NewSliceIsAnXSliceAtZero) {
    CSlice s;
    s.SetAxisPosition(kSliceAxisZ, 3.0);
    ASSERT_TRUE(s.OnNewDocument());
    EXPECT_EQ(s.GetAxis(), kSliceAxisX);
    EXPECT_EQ(s.GetPosition(), 0.0);
    EXPECT_EQ(Describe(s), "X = +0.000");
}

TEST(SliceDescription, AnAxisThatIsNoneIsRefusedAndChangesNothing) {
    CSlice s;
    s.SetAxisPosition(kSliceAxisY, 0.5);
    EXPECT_THROW(s.SetAxisPosition(3, 1.0), std::invalid_argument);
    EXPECT_EQ(s.GetAxis(), kSliceAxisY);
    EXPECT_EQ(s.GetPosition(), 0.5);
    EXPECT_STREQ(SliceAxisLetter(7), "?");
}

// --- the .slc record -----------------------------------------------------------

TEST(SliceFile, RecordEndsWithAxisPositionAndExtents) {
    auto s = Ramp(3, 2, 1.5, 0.75);
    s->SetAxisPosition(kSliceAxisZ, -0.984375);
    const Bytes b = Store([&](CArchive& ar) { s->Serialize(ar); });
    const Bytes image = Store([&](CArchive& ar) { s->StoreNative(ar); });
    ASSERT_EQ(b.size(), image.size() + CSlice::kTrailerBytes);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), b.begin()));
    const std::size_t t = image.size();
    EXPECT_EQ(Dword(b, t), 2u);
    EXPECT_EQ(Double(b, t + 4), -0.984375);
    EXPECT_EQ(Double(b, t + 12), 1.5);
    EXPECT_EQ(Double(b, t + 20), 0.75);
}

TEST(SliceFile, SaveAndReloadKeepAxisPositionImageAndRange) {
    TempDir dir;
    auto s = Ramp(5, 3);
    s->SetAxisPosition(kSliceAxisY, 0.40625);
    s->Save(dir.File("a.slc"));

    CSlice back;
    back.m_bAutoDelete = false;
    back.Open(dir.File("a.slc"));
    EXPECT_EQ(back.GetAxis(), kSliceAxisY);
    EXPECT_EQ(back.GetPosition(), 0.40625);
    ASSERT_TRUE(back.HasPixels());
    EXPECT_EQ(back.GetWidth(), 5u);
    EXPECT_EQ(back.GetHeight(), 3u);
    EXPECT_EQ(back.GetDimX(), 2.0);
    EXPECT_EQ(back.GetDimY(), 1.0);
    EXPECT_EQ(0, std::memcmp(back.GetPixels(), s->GetPixels(), 15 * sizeof(float)));
    // A fresh document's range: min(1000, 0) and max(0, 14).
    EXPECT_EQ(back.GetMinValue(), 0.0f);
    EXPECT_EQ(back.GetMaxValue(), 14.0f);
}

TEST(SliceFile, EmptySliceKeepsAxisAndPosition) {
    CSlice s;
    s.OnNewDocument();
    s.SetAxisPosition(kSliceAxisZ, -1.5);
    const Bytes b = Store([&](CArchive& ar) { s.Serialize(ar); });
    EXPECT_EQ(b.size(), 24u + CSlice::kTrailerBytes);  // image header only
    CSlice back;
    Load(b, [&](CArchive& ar) { back.Serialize(ar); });
    EXPECT_FALSE(back.HasPixels());
    EXPECT_EQ(back.GetAxis(), kSliceAxisZ);
    EXPECT_EQ(back.GetPosition(), -1.5);
}

TEST(SliceFile, DamagedTrailersAreArchiveErrors) {
    auto s = Ramp(2, 2);
    s->SetAxisPosition(kSliceAxisX, 0.25);
    const Bytes good = Store([&](CArchive& ar) { s->Serialize(ar); });
    const std::size_t t = good.size() - CSlice::kTrailerBytes;

    Bytes badAxis = good;
    badAxis[t] = 3;
    Bytes badExtent = good;
    const double other = 2.5;
    std::memcpy(badExtent.data() + t + 12, &other, 8);
    Bytes shortTrailer(good.begin(), good.end() - 1);
    for (const Bytes* b : {&badAxis, &badExtent, &shortTrailer}) {
        CSlice back;
        back.SetAxisPosition(kSliceAxisZ, 9.0);
        EXPECT_THROW(Load(*b, [&](CArchive& ar) { back.Serialize(ar); }), CArchiveException);
        EXPECT_EQ(back.GetAxis(), kSliceAxisZ);  // axis and position only change on a good trailer
        EXPECT_EQ(back.GetPosition(), 9.0);
    }
}

TEST(SliceFile, FailedOpenLeavesAnEmptySlice) {
    TempDir dir;
    auto s = Ramp(2, 2);
    const Bytes good = Store([&](CArchive& ar) { s->Serialize(ar); });
    WriteBytes(dir.File("short.slc"), Bytes(good.begin(), good.end() - 5));
    CSlice back;
    back.m_bAutoDelete = false;
    EXPECT_FALSE(back.OnOpenDocument(dir.File("short.slc")));
    EXPECT_FALSE(back.HasPixels());
}

// --- through the Bitmap template -------------------------------------------------

TEST(SliceFile, BitmapTemplateWritesOnlyTheBitmap) {
    TempDir dir;
    auto bitmapType = BitmapTemplate();
    auto s = Ramp(5, 3);
    s->SetAxisPosition(kSliceAxisZ, 0.5);
    s->ExportBitmap(dir.File("export.bmp"));
    s->SetDocTemplate(bitmapType.get());
    s->Save(dir.File("saved.bmp"));
    const Bytes saved = ReadBytes(dir.File("saved.bmp"));
    EXPECT_EQ(saved, ReadBytes(dir.File("export.bmp")));
    ASSERT_EQ(saved.size(), 1078u + 8 * 3);  // rows padded to 8 bytes
    EXPECT_EQ(saved[0], 'B');
    EXPECT_EQ(saved[1], 'M');

    // Loading in that format reads nothing and changes nothing.
    CSlice other;
    other.SetDocTemplate(bitmapType.get());
    other.SetAxisPosition(kSliceAxisY, 1.0);
    Load(saved, [&](CArchive& ar) { other.Serialize(ar); });
    EXPECT_FALSE(other.HasPixels());
    EXPECT_EQ(other.GetAxis(), kSliceAxisY);
    s->SetDocTemplate(nullptr);
    other.SetDocTemplate(nullptr);
}

// --- the slice window's exports ----------------------------------------------------

// The picture a float view shows after its sliders moved: its full-range
// bitmap rewritten through the grey window of the slider values.
std::unique_ptr<CDib> ViewPicture(const CSlice& s, int width, int position) {
    auto picture = s.MakeBitmap();
    const GreyWindow w = FloatGreyWindow(s.GetMinValue(), s.GetMaxValue(), width, position);
    s.FillBitmap(*picture, w.low, w.high);
    return picture;
}

TEST(SliceExport, ThresholdedExportIsTheShownPictureByteForByte) {
    TempDir dir;
    auto s = Ramp(7, 5);  // 0 .. 34
    auto picture = ViewPicture(*s, 400, 300);
    ASSERT_TRUE(picture->WriteFile(dir.File("shown.bmp")));
    s->ExportShownBitmap(dir.File("thresholded.bmp"), *picture);
    const Bytes thresholded = ReadBytes(dir.File("thresholded.bmp"));
    EXPECT_EQ(thresholded, ReadBytes(dir.File("shown.bmp")));
    EXPECT_EQ(s->GetExportBitmap(), nullptr);

    // Independently: window centre 300 x 34 / 999 = 10.21, half 6.8.
    const GreyWindow w = FloatGreyWindow(0, 34, 400, 300);
    EXPECT_NEAR(w.low, 3.4102, 1e-3);
    EXPECT_NEAR(w.high, 17.0102, 1e-3);
    const std::size_t bits = 1078;
    for (std::uint32_t r = 0; r < 5; ++r)
        for (std::uint32_t c = 0; c < 7; ++c) {
            const float v = s->GetPixel(c, r);
            EXPECT_EQ(thresholded[bits + (4 - r) * 8 + c], GreyIndex(v, w.low, w.high)) << c << "," << r;
        }
    // It differs from the original export, which shows the whole range.
    s->ExportBitmap(dir.File("original.bmp"));
    EXPECT_NE(ReadBytes(dir.File("original.bmp")), thresholded);
}

TEST(SliceExport, WindowedExportIsThePictureOfTheSliders) {
    TempDir dir;
    auto s = Ramp(6, 3);
    s->ExportWindowedBitmap(dir.File("windowed.bmp"), {250, 700});
    ASSERT_TRUE(ViewPicture(*s, 250, 700)->WriteFile(dir.File("shown.bmp")));
    EXPECT_EQ(ReadBytes(dir.File("windowed.bmp")), ReadBytes(dir.File("shown.bmp")));
    EXPECT_EQ(s->GetExportBitmap(), nullptr);
    EXPECT_THROW(s->ExportWindowedBitmap(dir.File("bad.bmp"), {0, 500}), std::invalid_argument);
    EXPECT_THROW(s->ExportWindowedBitmap(dir.File("bad.bmp"), {500, 1001}), std::invalid_argument);
    CSlice empty;
    EXPECT_THROW(empty.ExportWindowedBitmap(dir.File("bad.bmp"), {}), std::runtime_error);
    EXPECT_FALSE(std::filesystem::exists(dir.File("bad.bmp")));
}

TEST(SliceExport, ExportBitmapIsClearedWhenTheExportFails) {
    TempDir dir;
    auto s = Ramp(2, 2);
    auto picture = ViewPicture(*s, 1000, 499);
    EXPECT_ANY_THROW(s->ExportShownBitmap(dir.File("missing/folder/x.bmp"), *picture));
    EXPECT_EQ(s->GetExportBitmap(), nullptr);
    EXPECT_TRUE(dir.Entries().empty());
}

}  // namespace
}  // namespace voxmill::test
