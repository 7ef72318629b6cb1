// 8-bit images: value range, the three formats byte by byte, the six
// element conversions, the whole-number grey stretch and the 8-bit grey
// window.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "app/DocTemplate.h"
#include "app/archive/Archive.h"
#include "app/archive/ArchiveException.h"
#include "app/archive/File.h"
#include "imaging/GreyMap.h"
#include "imaging/Surfacei.h"
#include "imaging/dib/Dib.h"
#include "tests/acquisition/TestSupport.h"

namespace voxmill {
namespace {

using testing::Append;
using testing::Bytes;
using testing::ReadAt;

void LoadNativeBytes(CSurfacei& s, const Bytes& bytes) {
    CMemFile file(bytes);
    CArchive ar(file, CArchive::load);
    s.LoadNative(ar);
}

Bytes StoreNativeBytes(const CSurfacei& s, std::size_t scratch = 0) {
    CMemFile file;
    CArchive ar(file, CArchive::store);
    s.StoreNative(ar, scratch);
    ar.Close();
    return file.bytes();
}

std::unique_ptr<CSurfacei> Image(std::uint32_t w, std::uint32_t h, const std::vector<std::uint8_t>& pixels) {
    auto s = std::make_unique<CSurfacei>();
    EXPECT_TRUE(s->Create(2.0, 1.0, w, h));
    std::copy(pixels.begin(), pixels.end(), s->GetPixels());
    s->UpdateRange();
    return s;
}

TEST(SurfaceiStorage, CreateRangeAndRefusals) {
    CSurfacei s;
    EXPECT_EQ(s.GetMinValue(), 255);
    EXPECT_EQ(s.GetMaxValue(), 0);
    EXPECT_FALSE(s.Create(0.0, 1.0, 4, 4));
    EXPECT_FALSE(s.Create(1.0, 1.0, 0, 4));
    ASSERT_TRUE(s.Create(4.0, 2.0, 4, 2));
    EXPECT_DOUBLE_EQ(s.GetPitchX(), 1.0);
    EXPECT_DOUBLE_EQ(s.GetFirstX(), -1.5);
    EXPECT_DOUBLE_EQ(s.GetLastY(), 0.5);
    EXPECT_FALSE(s.Create(1.0, 1.0, 8, 8));  // pixels exist
    EXPECT_EQ(s.GetWidth(), 4u);

    // A fresh image loaded with 7 to 9 reports exactly that range.
    auto t = Image(3, 1, {8, 7, 9});
    EXPECT_EQ(t->GetMinValue(), 7);
    EXPECT_EQ(t->GetMaxValue(), 9);
}

TEST(SurfaceiNative, RecordBytesPackedAndPlain) {
    auto s = Image(3, 2, {1, 2, 3, 4, 5, 6});
    // A scratch block too small for zlib's output: plain bytes, length 0.
    const Bytes plain = StoreNativeBytes(*s, 4);
    ASSERT_EQ(plain.size(), 4u + 4 + 8 + 8 + 4 + 6);
    EXPECT_EQ(ReadAt<std::uint32_t>(plain, 0), 3u);
    EXPECT_EQ(ReadAt<std::uint32_t>(plain, 4), 2u);
    EXPECT_EQ(ReadAt<double>(plain, 8), 2.0);
    EXPECT_EQ(ReadAt<std::uint32_t>(plain, 24), 0u);
    EXPECT_EQ(plain[28], 1);
    EXPECT_EQ(plain[33], 6);

    // A larger flat image packs into its (w + 4) x (h + 4) scratch.
    auto flat = Image(32, 32, std::vector<std::uint8_t>(1024, 77));
    const Bytes packed = StoreNativeBytes(*flat);
    const auto packedLength = ReadAt<std::uint32_t>(packed, 24);
    EXPECT_GT(packedLength, 0u);
    EXPECT_EQ(packed.size(), 28u + packedLength);

    for (const Bytes* record : {&plain, &packed}) {
        CSurfacei back;
        LoadNativeBytes(back, *record);
        ASSERT_TRUE(back.HasPixels());
        const CSurfacei& original = record == &plain ? *s : *flat;
        EXPECT_EQ(back.GetWidth(), original.GetWidth());
        EXPECT_EQ(0, std::memcmp(back.GetPixels(), original.GetPixels(), original.GetPixelCount()));
        EXPECT_EQ(back.GetMinValue(), original.GetMinValue());
    }

    // No pixels: only the header.
    CSurfacei empty;
    EXPECT_EQ(StoreNativeBytes(empty).size(), 24u);
}

TEST(SurfaceiNative, DamagedRecordsAreRefusedBeforeAllocating) {
    Bytes b;
    Append(b, std::uint32_t{60000});
    Append(b, std::uint32_t{60000});
    Append(b, 1.0);
    Append(b, 1.0);
    Append(b, std::uint32_t{4});
    Append(b, std::uint32_t{0});
    CSurfacei s;
    EXPECT_THROW(LoadNativeBytes(s, b), CArchiveException);
    EXPECT_FALSE(s.HasPixels());
}

TEST(SurfaceiNative, CorruptionBatteryNeverCrashes) {
    std::vector<std::uint8_t> pixels(48);
    for (std::size_t k = 0; k < pixels.size(); ++k) pixels[k] = static_cast<std::uint8_t>(k * 5);
    for (std::size_t scratch : {std::size_t{0}, std::size_t{4}}) {
        const Bytes valid = StoreNativeBytes(*Image(8, 6, pixels), scratch);
        std::size_t read = 0, refused = 0;
        testing::ForEachDamage(valid, [&](const Bytes& damaged) {
            CSurfacei t;
            try {
                LoadNativeBytes(t, damaged);
                ++read;
            } catch (const CArchiveException&) {
                ++refused;
            }
        });
        EXPECT_GE(refused, valid.size());  // every truncation
        EXPECT_EQ(read + refused, valid.size() + 3000);
    }
}

// --- binary matrix ---------------------------------------------------------

class SurfaceiBinaryMatrix : public ::testing::Test {
protected:
    testing::TempFolder dir;

    std::unique_ptr<CSurfacei> Import(const Bytes& bytes, std::int32_t type, std::uint32_t w, std::uint32_t h,
                                      std::uint32_t offset = 0) {
        testing::WriteBytes(dir.File("m.raw"), bytes);
        BinaryMatrixImport v;
        v.type = type;
        v.width = w;
        v.height = h;
        v.offset = offset;
        auto s = std::make_unique<CSurfacei>();
        s->ImportBinaryMatrix(dir.File("m.raw"), v);
        return s;
    }
};

TEST_F(SurfaceiBinaryMatrix, SixConversionsToAByte) {
    Bytes f;
    for (float v : {-1.5f, 255.9f, 300.0f, -0.5f, NAN, 1e30f}) Append(f, v);
    auto s = Import(f, kIeeeFloat, 6, 1);
    EXPECT_EQ(s->GetPixel(0, 0), 255);  // trunc -1 -> low byte 255
    EXPECT_EQ(s->GetPixel(1, 0), 255);
    EXPECT_EQ(s->GetPixel(2, 0), 44);
    EXPECT_EQ(s->GetPixel(3, 0), 0);
    EXPECT_EQ(s->GetPixel(4, 0), 0);  // NaN: no integer to keep
    EXPECT_EQ(s->GetPixel(5, 0), static_cast<std::uint8_t>(std::fmod(1e30f, 256.0)));
    EXPECT_EQ(s->GetImportElementSize(), 4);

    Bytes d;
    for (double v : {-1.5, 511.0, -256.0}) Append(d, v);
    s = Import(d, kIeeeDouble, 3, 1);
    EXPECT_EQ(s->GetPixel(0, 0), 255);
    EXPECT_EQ(s->GetPixel(1, 0), 255);
    EXPECT_EQ(s->GetPixel(2, 0), 0);

    s = Import({0x80, 0x07}, kInt8, 2, 1);
    EXPECT_EQ(s->GetPixel(0, 0), 0x80);
    EXPECT_EQ(s->GetPixel(1, 0), 7);

    Bytes i16;
    Append(i16, std::int16_t{300});
    Append(i16, std::int16_t{-1});
    s = Import(i16, kInt16, 2, 1);
    EXPECT_EQ(s->GetPixel(0, 0), 44);
    EXPECT_EQ(s->GetPixel(1, 0), 255);

    // Whatever the other three bytes hold, the low byte 120 is kept.
    Bytes i32;
    Append(i32, std::uint32_t{0xDEADBE78});
    Append(i32, std::int32_t{120});
    s = Import(i32, kInt32, 2, 1);
    EXPECT_EQ(s->GetPixel(0, 0), 120);
    EXPECT_EQ(s->GetPixel(1, 0), 120);

    Bytes i64;
    Append(i64, std::int64_t{0x0102030405060709});
    s = Import(i64, kInt64, 1, 1);
    EXPECT_EQ(s->GetPixel(0, 0), 9);
    EXPECT_EQ(s->GetMinValue(), 9);
    EXPECT_EQ(s->GetMaxValue(), 9);
}

TEST_F(SurfaceiBinaryMatrix, OffsetShortFileAndExport) {
    Bytes b(20);
    for (std::size_t k = 0; k < b.size(); ++k) b[k] = static_cast<std::uint8_t>(k);
    auto s = Import(b, kInt8, 5, 2, 10);
    EXPECT_EQ(s->GetPixel(0, 0), 10);
    EXPECT_EQ(s->GetPixel(4, 1), 19);
    EXPECT_THROW(Import(b, kInt8, 5, 3, 10), CArchiveException);
    EXPECT_THROW(Import(b, kInt8, 5, 2, 30), CArchiveException);

    s->ExportBinaryMatrix(dir.File("out.raw"));
    const Bytes out = testing::ReadBytes(dir.File("out.raw"));
    EXPECT_EQ(out, Bytes(b.begin() + 10, b.end()));

    // 8 x 2^31 x 2^31 bytes wraps 64 bits to 0: refused with its size
    // before the file is read, not read as empty.
    try {
        Import(b, kIeeeDouble, 0x80000000u, 0x80000000u);
        ADD_FAILURE() << "a matrix of 2^65 bytes was imported";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "a 2147483648 x 2147483648 matrix of IEEE Double elements is too large");
    }
    std::uint64_t bytes = 1;
    BinaryMatrixImport huge;
    huge.type = kIeeeDouble;
    huge.width = huge.height = 0x80000000u;
    EXPECT_FALSE(MatrixBytesWithin(huge, ~std::uint64_t{0}, bytes));
    EXPECT_EQ(bytes, 0u);
    huge.width = huge.height = 4;
    EXPECT_TRUE(MatrixBytesWithin(huge, 384, bytes, 3));
    EXPECT_EQ(bytes, 384u);
    EXPECT_FALSE(MatrixBytesWithin(huge, 383, bytes, 3));

    // A failed import keeps the image.
    EXPECT_THROW(s->ImportBinaryMatrix(dir.File("missing.raw"), s->GetImportValues()), std::exception);
    EXPECT_EQ(s->GetPixel(0, 0), 10);
}

// Opening a raw matrix through the attached template: the offset is skipped
// once, a file one byte short names what it lacks, and the record written
// back is the bytes alone.
TEST_F(SurfaceiBinaryMatrix, SerializeReadsAndWritesTheMatrix) {
    CDocTemplate binary(0, "\nBinary Matrix\n\nBinary Matrix Raw Files (*.raw)\n.raw\nBinaryMatrix.Document\n", false,
                        nullptr);
    Bytes b = {0xEE, 0xEE, 0xEE};
    Append(b, std::int16_t{0x0105});
    Append(b, std::int16_t{0x0203});
    BinaryMatrixImport v;
    v.type = kInt16;
    v.width = 2;
    v.height = 1;
    v.offset = 3;
    CSurfacei s;
    s.SetDocTemplate(&binary);
    s.SetImportValues(v);
    {
        CMemFile file(b);
        CArchive ar(file, CArchive::load);
        s.Serialize(ar);
    }
    EXPECT_EQ(s.GetPixel(0, 0), 5);
    EXPECT_EQ(s.GetPixel(1, 0), 3);
    EXPECT_EQ(s.GetMinValue(), 3);
    EXPECT_EQ(s.GetMaxValue(), 5);
    EXPECT_EQ(s.GetLastX(), 0.25);

    b.pop_back();
    CSurfacei shortOne;
    shortOne.SetDocTemplate(&binary);
    shortOne.SetImportValues(v);
    try {
        CMemFile file(b);
        CArchive ar(file, CArchive::load);
        shortOne.Serialize(ar);
        ADD_FAILURE() << "a short matrix was read";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.cause(), CArchiveException::endOfFile);
        EXPECT_STREQ(e.what(),
                     "archive error at byte 3: binary matrix: 2 x 1 16 bit Integer elements need 4 bytes, "
                     "the file has 3 left");
    }
    EXPECT_FALSE(shortOne.HasPixels());

    CMemFile out;
    {
        CArchive ar(out, CArchive::store);
        s.Serialize(ar);
        ar.Close();
    }
    EXPECT_EQ(out.bytes(), Bytes({5, 3}));
}

// --- pictures --------------------------------------------------------------

TEST(SurfaceiGrey, WholeNumberStretch) {
    EXPECT_EQ(IntegerGreyIndex(10, 10, 138), 0);
    EXPECT_EQ(IntegerGreyIndex(74, 10, 138), 64);
    EXPECT_EQ(IntegerGreyIndex(138, 10, 138), 128);  // k = 1
    EXPECT_EQ(IntegerGreyIndex(60, 10, 60), 250);    // k = 5
    EXPECT_EQ(IntegerGreyIndex(100, 0, 100), 200);
    EXPECT_EQ(IntegerGreyIndex(200, 0, 200), 200);
    EXPECT_EQ(IntegerGreyIndex(5, 5, 5), 0);
}

TEST(SurfaceiGrey, BitmapRowsPaddingAndFlatImage) {
    auto s = Image(5, 3, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 138, 74});
    const std::unique_ptr<CDib> b = s->MakeBitmap();
    ASSERT_TRUE(b);
    EXPECT_EQ(b->GetWidth(), 8);
    EXPECT_EQ(b->GetHeight(), 3);
    EXPECT_EQ(b->GetColorCount(), 256u);
    EXPECT_EQ(b->GetColorTable()[200].rgbGreen, 200);
    const std::uint8_t* bits = b->GetBits();
    EXPECT_EQ(bits[0], 100);  // bitmap row 0 = image row 2: (110 - 10) x 1
    EXPECT_EQ(bits[3], 128);
    EXPECT_EQ(bits[4], 64);
    EXPECT_EQ(bits[5], 0);   // padding
    EXPECT_EQ(bits[16], 0);  // image row 0, column 0

    auto flat = Image(6, 4, std::vector<std::uint8_t>(24, 99));
    const std::unique_ptr<CDib> fb = flat->MakeBitmap();
    ASSERT_TRUE(fb);
    EXPECT_EQ(fb->GetWidth(), 8);
    EXPECT_EQ(fb->GetHeight(), 4);
    for (std::uint32_t k = 0; k < fb->GetImageSize(); ++k) ASSERT_EQ(fb->GetBits()[k], 0);
    std::unique_ptr<CDib> thumb(flat->MakeThumbnail(64, 64));
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->GetWidth(), 64);
    for (std::uint32_t k = 0; k < thumb->GetImageSize(); ++k) ASSERT_EQ(thumb->GetBits()[k], 0);
}

TEST(SurfaceiGrey, ThumbnailSamplesTopRowFirst) {
    std::vector<std::uint8_t> px(100 * 50);
    for (std::uint32_t r = 0; r < 50; ++r)
        for (std::uint32_t c = 0; c < 100; ++c) px[r * 100 + c] = static_cast<std::uint8_t>(r);
    auto s = Image(100, 50, px);
    std::unique_ptr<CDib> t(s->MakeThumbnail(64, 64));
    ASSERT_TRUE(t);
    // Top output row (bitmap row 63) from source row 0; bottom from row 49.
    EXPECT_EQ(t->GetBits()[63 * 64], 0);
    const auto bottomRow = static_cast<std::uint32_t>(63.0f * (49.0f / 63.0f));
    EXPECT_EQ(t->GetBits()[0], bottomRow * 5);  // k = floor(255 / 49) = 5
    EXPECT_GE(bottomRow, 48u);
}

TEST(SurfaceiGrey, EightBitGreyWindowDividesInWholeNumbers) {
    // Range 0..100, initial sliders: centre 499 x 100 div 999 = 49, half
    // 1000 x 100 div 2000 = 50: [-1, 99] clamped to [0, 99].
    GreyWindow w = IntegerGreyWindow(0, 100, 1000, 499);
    EXPECT_EQ(w.low, 0.0f);
    EXPECT_EQ(w.high, 99.0f);
    // The float rule would give 99.95 here.
    EXPECT_NEAR(FloatGreyWindow(0, 100, 1000, 499).high, 99.95f, 1e-4);
    // Range 10..60, width 100, position 600: centre 600 x 50 div 999 + 10 =
    // 40, half 100 x 50 div 2000 = 2.
    w = IntegerGreyWindow(10, 60, 100, 600);
    EXPECT_EQ(w.low, 38.0f);
    EXPECT_EQ(w.high, 42.0f);
    // A width of 1 on a small range: low equals high, the picture is black.
    w = IntegerGreyWindow(0, 50, 1, 500);
    EXPECT_EQ(w.low, w.high);
    auto s = Image(2, 1, {0, 50});
    const std::unique_ptr<CDib> b = s->MakeBitmap(w.low, w.high);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->GetBits()[0], 0);
    EXPECT_EQ(b->GetBits()[1], 0);
    // The windowed picture maps v in [low, high] by the float rule.
    const std::unique_ptr<CDib> b2 = s->MakeBitmap(0.0f, 100.0f);
    EXPECT_EQ(b2->GetBits()[1], 127);
}

TEST(SurfaceiBitmap, ExportWritesTheFullRangePicture) {
    testing::TempFolder dir;
    auto s = Image(3, 2, {0, 1, 2, 3, 4, 5});
    s->ExportBitmap(dir.File("s.bmp"));
    CDib read;
    ASSERT_TRUE(read.ReadFile(dir.File("s.bmp")));
    EXPECT_EQ(read.GetWidth(), 4);
    EXPECT_EQ(read.GetBits()[0], 3 * 51);  // bitmap row 0 = image row 1, k = 51
    CSurfacei empty;
    EXPECT_THROW(empty.ExportBitmap(dir.File("e.bmp")), std::runtime_error);
}

}  // namespace
}  // namespace voxmill
