// Float images: value range, the three formats byte by byte, the grey
// mapping shared by bitmaps, thumbnails and the view's grey window.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "app/DocTemplate.h"
#include "app/archive/Archive.h"
#include "app/archive/File.h"
#include "imaging/GreyMap.h"
#include "imaging/Surface.h"
#include "imaging/dib/Dib.h"
#include "tests/acquisition/TestSupport.h"

namespace voxmill {
namespace {

using testing::Append;
using testing::Bytes;
using testing::ReadAt;

// A native record with the pixels unpacked.
Bytes NativeRecord(std::uint32_t w, std::uint32_t h, const std::vector<float>& pixels, double dimX = 2.0,
                   double dimY = 1.0) {
    Bytes b;
    Append(b, w);
    Append(b, h);
    Append(b, dimX);
    Append(b, dimY);
    Append(b, std::uint32_t{0});
    for (float v : pixels) Append(b, v);
    return b;
}

void LoadNativeBytes(CSurface& s, const Bytes& bytes) {
    CMemFile file(bytes);
    CArchive ar(file, CArchive::load);
    s.LoadNative(ar);
}

Bytes StoreNativeBytes(const CSurface& s, std::size_t scratch = 0) {
    CMemFile file;
    CArchive ar(file, CArchive::store);
    s.StoreNative(ar, scratch);
    ar.Close();
    return file.bytes();
}

std::unique_ptr<CSurface> Ramp(std::uint32_t w, std::uint32_t h) {
    auto s = std::make_unique<CSurface>();
    EXPECT_TRUE(s->Create(w, h, w, h));
    for (std::size_t k = 0; k < s->GetPixelCount(); ++k) s->GetPixels()[k] = static_cast<float>(k);
    s->UpdateRange();
    return s;
}

TEST(SurfaceStorage, CreateDerivesTheGridAndRefusesBadSizes) {
    CSurface s;
    EXPECT_FALSE(s.Create(0.0, 1.0, 4, 4));
    EXPECT_FALSE(s.Create(1.0, 1.0, 0, 4));
    EXPECT_FALSE(s.Create(1.0, -1.0, 4, 4));
    EXPECT_FALSE(s.HasPixels());
    ASSERT_TRUE(s.Create(1.0, 2.0, 64, 4));
    EXPECT_DOUBLE_EQ(s.GetPitchX(), 0.015625);
    EXPECT_DOUBLE_EQ(s.GetFirstX(), -0.4921875);
    EXPECT_DOUBLE_EQ(s.GetLastX(), 0.4921875);
    EXPECT_DOUBLE_EQ(s.GetFirstY(), -0.75);
    EXPECT_FLOAT_EQ(s.GetMinValue(), 1000.0f);
    EXPECT_FLOAT_EQ(s.GetMaxValue(), 0.0f);
    // Already has pixels: refused, nothing changes.
    EXPECT_FALSE(s.Create(5.0, 5.0, 8, 8));
    EXPECT_EQ(s.GetWidth(), 64u);
    s.ReleaseData();
    EXPECT_FALSE(s.HasPixels());
    EXPECT_EQ(s.GetWidth(), 64u);  // the description survives
}

TEST(SurfaceStorage, CreateOverUsesTheCallersBlockAndNeverFreesIt) {
    std::vector<float> block(8, 2.5f);
    CSurface s;
    EXPECT_FALSE(s.CreateOver(1.0, 1.0, 4, 2, nullptr));
    EXPECT_FALSE(s.CreateOver(0.0, 1.0, 4, 2, block.data()));
    ASSERT_TRUE(s.CreateOver(1.0, 2.0, 4, 2, block.data()));
    EXPECT_EQ(s.GetPixels(), block.data());
    EXPECT_FALSE(s.OwnsPixels());
    EXPECT_DOUBLE_EQ(s.GetPitchX(), 0.25);
    EXPECT_DOUBLE_EQ(s.GetFirstY(), -0.5);
    EXPECT_FALSE(s.Create(1.0, 1.0, 4, 2));  // it has pixels
    s.GetPixels()[3] = -1.0f;
    s.UpdateRange();
    EXPECT_FLOAT_EQ(s.GetMinValue(), -1.0f);
    EXPECT_EQ(block[3], -1.0f);
    s.ReleaseData();  // a delete[] of the vector's block would be caught here
    EXPECT_FALSE(s.HasPixels());
    // An image made afterwards owns its own block again.
    ASSERT_TRUE(s.Create(1.0, 1.0, 2, 2));
    EXPECT_TRUE(s.OwnsPixels());
    EXPECT_NE(s.GetPixels(), block.data());
    ASSERT_TRUE(s.GetPixels() != nullptr);
    // Destroyed while it holds a lent block: the block is left alone.
    std::vector<float> other(4, 1.0f);
    auto t = std::make_unique<CSurface>();
    ASSERT_TRUE(t->CreateOver(1.0, 1.0, 2, 2, other.data()));
    t.reset();
    EXPECT_EQ(other[3], 1.0f);
}

TEST(SurfaceStorage, RangeAfterLoadingStartsFromThousandAndZero) {
    const struct {
        float lo, hi, wantMin, wantMax;
    } cases[] = {{2.0f, 5.0f, 2.0f, 5.0f}, {1500.0f, 2000.0f, 1000.0f, 2000.0f}, {-3.0f, -1.0f, -3.0f, 0.0f}};
    for (const auto& c : cases) {
        CSurface s;
        LoadNativeBytes(s, NativeRecord(2, 2, {c.lo, c.hi, c.lo, (c.lo + c.hi) / 2}));
        EXPECT_FLOAT_EQ(s.GetMinValue(), c.wantMin) << c.lo;
        EXPECT_FLOAT_EQ(s.GetMaxValue(), c.wantMax) << c.lo;
    }
}

TEST(SurfaceStorage, UpdateRangeNeverNarrowsAndClampLeavesIt) {
    CSurface s;
    ASSERT_TRUE(s.Create(1, 1, 3, 1));
    float* p = s.GetPixels();
    p[0] = -4.0f;
    p[1] = std::numeric_limits<float>::quiet_NaN();
    p[2] = 3.0f;
    s.UpdateRange();
    EXPECT_FLOAT_EQ(s.GetMinValue(), -4.0f);
    EXPECT_FLOAT_EQ(s.GetMaxValue(), 3.0f);
    s.ClampNegative();
    EXPECT_EQ(p[0], 0.0f);
    EXPECT_FALSE(std::signbit(p[0]));
    EXPECT_EQ(p[1], 0.0f);
    EXPECT_EQ(p[2], 3.0f);
    EXPECT_FLOAT_EQ(s.GetMinValue(), -4.0f);
    p[2] = 1.0f;
    s.UpdateRange();
    EXPECT_FLOAT_EQ(s.GetMaxValue(), 3.0f);
}

// --- native format ---------------------------------------------------------

TEST(SurfaceNative, PackedRecordLayoutAndRoundTrip) {
    auto s = Ramp(5, 3);
    const Bytes bytes = StoreNativeBytes(*s);
    ASSERT_GE(bytes.size(), 28u);
    EXPECT_EQ(ReadAt<std::uint32_t>(bytes, 0), 5u);
    EXPECT_EQ(ReadAt<std::uint32_t>(bytes, 4), 3u);
    EXPECT_EQ(ReadAt<double>(bytes, 8), 5.0);
    EXPECT_EQ(ReadAt<double>(bytes, 16), 3.0);
    const auto packed = ReadAt<std::uint32_t>(bytes, 24);
    ASSERT_NE(packed, 0u);
    EXPECT_EQ(bytes.size(), 28u + packed);
    EXPECT_EQ(bytes[28], 0x78);  // a zlib stream

    CSurface back;
    LoadNativeBytes(back, bytes);
    ASSERT_TRUE(back.HasPixels());
    for (std::size_t k = 0; k < 15; ++k) EXPECT_EQ(back.GetPixels()[k], static_cast<float>(k));
    EXPECT_FLOAT_EQ(back.GetMinValue(), 0.0f);
    EXPECT_FLOAT_EQ(back.GetMaxValue(), 14.0f);
}

TEST(SurfaceNative, UnpackedFallbackWhenZlibOutputDoesNotFit) {
    auto s = Ramp(4, 4);
    s->GetPixels()[3] = -7.5f;
    const Bytes bytes = StoreNativeBytes(*s, 8);  // far too small for any zlib stream
    EXPECT_EQ(ReadAt<std::uint32_t>(bytes, 24), 0u);
    ASSERT_EQ(bytes.size(), 28u + 64u);
    EXPECT_EQ(ReadAt<float>(bytes, 28 + 12), -7.5f);
    CSurface back;
    LoadNativeBytes(back, bytes);
    ASSERT_TRUE(back.HasPixels());
    for (std::size_t k = 0; k < 16; ++k) EXPECT_EQ(back.GetPixels()[k], s->GetPixels()[k]);
}

TEST(SurfaceNative, ImagelessRecordIsTheHeaderAlone) {
    CSurface s;
    ASSERT_TRUE(s.Create(2.0, 3.0, 8, 8));
    s.ReleaseData();
    const Bytes bytes = StoreNativeBytes(s);
    ASSERT_EQ(bytes.size(), 24u);
    // Counts written as 0 so that the record reads back as an empty image.
    EXPECT_EQ(ReadAt<std::uint32_t>(bytes, 0), 0u);
    EXPECT_EQ(ReadAt<double>(bytes, 8), 2.0);
    CSurface back;
    LoadNativeBytes(back, bytes);
    EXPECT_FALSE(back.HasPixels());
}

TEST(SurfaceNative, DamagedHeadersAreRefusedBeforeAllocating) {
    // 60000 x 60000 pixels claimed, 4 packed bytes: refused without a 14 GB block.
    Bytes b;
    Append(b, std::uint32_t{60000});
    Append(b, std::uint32_t{60000});
    Append(b, 1.0);
    Append(b, 1.0);
    Append(b, std::uint32_t{4});
    Append(b, std::uint32_t{0});
    CSurface s;
    EXPECT_THROW(LoadNativeBytes(s, b), CArchiveException);
    EXPECT_FALSE(s.HasPixels());

    // Unpacked pixels missing.
    Bytes shortRecord = NativeRecord(4, 4, {1, 2, 3});
    EXPECT_THROW(LoadNativeBytes(s, shortRecord), CArchiveException);

    // A packed stream with a flipped byte inside.
    Bytes packed = StoreNativeBytes(*Ramp(8, 8));
    packed[packed.size() - 6] ^= 0x5A;
    EXPECT_THROW(LoadNativeBytes(s, packed), CArchiveException);
}

TEST(SurfaceNative, CorruptionBatteryNeverCrashes) {
    const Bytes valid = StoreNativeBytes(*Ramp(6, 5));
    std::size_t read = 0, refused = 0;
    testing::ForEachDamage(valid, [&](const Bytes& damaged) {
        CSurface s;
        try {
            LoadNativeBytes(s, damaged);
            ++read;
        } catch (const CArchiveException&) {
            ++refused;
        }
    });
    EXPECT_GT(refused, 0u);
    EXPECT_EQ(read + refused, valid.size() + 3000);
}

// --- binary matrix ---------------------------------------------------------

class SurfaceBinaryMatrix : public ::testing::Test {
protected:
    testing::TempFolder dir;

    std::unique_ptr<CSurface> Import(const Bytes& bytes, std::int32_t type, std::uint32_t w, std::uint32_t h,
                                     std::uint32_t offset = 0) {
        testing::WriteBytes(dir.File("m.raw"), bytes);
        BinaryMatrixImport v;
        v.type = type;
        v.width = w;
        v.height = h;
        v.offset = offset;
        auto s = std::make_unique<CSurface>();
        s->ImportBinaryMatrix(dir.File("m.raw"), v);
        return s;
    }
};

TEST_F(SurfaceBinaryMatrix, SixElementTypesConvert) {
    Bytes f, d, i8, i16, i32, i64;
    Append(f, 1.5f);
    Append(f, -2.25f);
    Append(d, 0.1);
    Append(d, -1e300);
    i8 = {0x80, 0x7F};
    i16 = {0xFF, 0xFF, 0x00, 0x80};
    Append(i32, std::int32_t{-123456});
    Append(i32, std::int32_t{16777217});
    Append(i64, std::int64_t{-5});
    Append(i64, std::int64_t{1} << 40);
    const struct {
        std::int32_t type;
        const Bytes* bytes;
        float a, b;
    } cases[] = {
        {kIeeeFloat, &f, 1.5f, -2.25f},
        {kIeeeDouble, &d, 0.1f, -std::numeric_limits<float>::infinity()},
        {kInt8, &i8, -128.0f, 127.0f},
        {kInt16, &i16, -1.0f, -32768.0f},
        {kInt32, &i32, -123456.0f, 16777216.0f},
        {kInt64, &i64, -5.0f, 1099511627776.0f},
    };
    for (const auto& c : cases) {
        auto s = Import(*c.bytes, c.type, 2, 1);
        ASSERT_TRUE(s->HasPixels()) << c.type;
        EXPECT_EQ(s->GetPixels()[0], c.a) << BinaryMatrixTypeText(c.type);
        EXPECT_EQ(s->GetPixels()[1], c.b) << BinaryMatrixTypeText(c.type);
        EXPECT_EQ(s->GetImportElementSize(), BinaryMatrixElementSize(c.type));
    }
}

TEST_F(SurfaceBinaryMatrix, OffsetSkipsExactlyThatManyBytes) {
    Bytes b(10, 0xEE);
    Append(b, std::int16_t{7});
    Append(b, std::int16_t{-9});
    auto s = Import(b, kInt16, 1, 2, 10);
    EXPECT_EQ(s->GetPixels()[0], 7.0f);
    EXPECT_EQ(s->GetPixels()[1], -9.0f);
    BinaryMatrixImport v;
    v.type = kInt16;
    v.width = 1;
    v.height = 2;
    v.offset = 10;
    EXPECT_EQ(v.ReadLength(), 2u * 2u * 1u + 10u);
}

TEST_F(SurfaceBinaryMatrix, ShortFileOrOffsetBeyondTheEndIsAnError) {
    auto imported = Import(Bytes(16, 0), kIeeeFloat, 2, 2);
    CSurface& target = *imported;
    Bytes shortFile(15, 0);
    testing::WriteBytes(dir.File("short.raw"), shortFile);
    BinaryMatrixImport v;
    v.width = v.height = 2;
    try {
        target.ImportBinaryMatrix(dir.File("short.raw"), v);
        FAIL() << "a short file was read";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.cause(), CArchiveException::endOfFile);
        EXPECT_NE(std::string(e.what()).find("need 16 bytes"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(target.HasPixels());  // the previous image is kept
    v.width = v.height = 1;
    v.offset = 100;
    EXPECT_THROW(target.ImportBinaryMatrix(dir.File("short.raw"), v), CArchiveException);
    v.offset = 0;
    v.width = 0;
    EXPECT_THROW(target.ImportBinaryMatrix(dir.File("short.raw"), v), std::invalid_argument);
}

TEST_F(SurfaceBinaryMatrix, ExportWritesFloatsRowZeroFirst) {
    auto s = Ramp(3, 2);
    s->ExportBinaryMatrix(dir.File("out.raw"));
    const Bytes out = testing::ReadBytes(dir.File("out.raw"));
    ASSERT_EQ(out.size(), 24u);
    for (std::size_t k = 0; k < 6; ++k) EXPECT_EQ(ReadAt<float>(out, 4 * k), static_cast<float>(k));
}

TEST(BinaryMatrixDialog, ProposalsAndReadLength) {
    EXPECT_EQ(ProposedMatrixSide(16384), 64u);
    EXPECT_EQ(ProposedMatrixSide(16383), 63u);
    EXPECT_EQ(ProposedMatrixSide(0), 0u);
    EXPECT_EQ(ProposedMatrixSide(4ull * 2000000000ull * 2000000000ull), 2000000000u);
    EXPECT_EQ(ProposedMatrixSide(4ull * 2000000000ull * 2000000000ull - 1), 1999999999u);
    BinaryMatrixImport v = BinaryMatrixImport::ForFileLength(16384);
    EXPECT_EQ(v.width, 64u);
    EXPECT_EQ(v.height, 64u);
    EXPECT_EQ(v.dimX, 1.0f);
    const std::uint64_t sizes[] = {4, 8, 1, 2, 4, 8};
    for (std::int32_t t = 0; t < 6; ++t) {
        v.type = t;
        v.offset = 10;
        EXPECT_EQ(v.ReadLength(), sizes[t] * 64 * 64 + 10);
    }
    EXPECT_EQ(BinaryMatrixTypeFromName("int16"), std::optional<std::int32_t>(kInt16));
    EXPECT_FALSE(BinaryMatrixTypeFromName("uint8").has_value());
    v.type = 6;
    EXPECT_FALSE(v.Problem().empty());
}

TEST_F(SurfaceBinaryMatrix, SerializeFollowsTheAttachedTemplate) {
    CDocTemplate binary(0, "\nBinary Matrix\n\nBinary Matrix Raw Files (*.raw)\n.raw\nBinaryMatrix.Document\n", false,
                        nullptr);
    auto s = Ramp(2, 2);
    s->SetDocTemplate(&binary);
    s->Save(dir.File("t.raw"));
    EXPECT_EQ(testing::ReadBytes(dir.File("t.raw")).size(), 16u);
    s->SetDocTemplate(nullptr);
    s->Save(dir.File("n.raw"));
    EXPECT_EQ(ReadAt<std::uint32_t>(testing::ReadBytes(dir.File("n.raw")), 0), 2u);
}

// The element size comes from the type, so an image sized by Create alone
// (no import values given) still reads its floats; an import then brings
// the new image's grid, range and import values over whole, and a new
// document forgets them all.
TEST_F(SurfaceBinaryMatrix, LoadAfterCreateImportAndNewDocument) {
    CSurface s;
    ASSERT_TRUE(s.Create(2.0, 1.0, 2, 1));
    EXPECT_EQ(s.GetImportElementSize(), 0);
    Bytes f;
    Append(f, 3.5f);
    Append(f, -1.0f);
    {
        CMemFile file(f);
        CArchive ar(file, CArchive::load);
        s.LoadBinaryMatrix(ar);
    }
    EXPECT_EQ(s.GetPixel(0, 0), 3.5f);
    EXPECT_EQ(s.GetPixel(1, 0), -1.0f);
    EXPECT_EQ(s.GetImportElementSize(), 4);
    EXPECT_EQ(s.GetMinValue(), -1.0f);
    EXPECT_EQ(s.GetMaxValue(), 3.5f);

    Bytes i16;
    for (std::int16_t v = 1; v <= 8; ++v) Append(i16, v);
    testing::WriteBytes(dir.File("g.raw"), i16);
    BinaryMatrixImport v;
    v.type = kInt16;
    v.width = 4;
    v.height = 2;
    v.dimX = 2.0f;
    s.ImportBinaryMatrix(dir.File("g.raw"), v);
    EXPECT_EQ(s.GetWidth(), 4u);
    EXPECT_EQ(s.GetHeight(), 2u);
    EXPECT_EQ(s.GetPitchX(), 0.5);
    EXPECT_EQ(s.GetPitchY(), 0.5);
    EXPECT_EQ(s.GetFirstX(), -0.75);
    EXPECT_EQ(s.GetLastX(), 0.75);
    EXPECT_EQ(s.GetFirstY(), -0.25);
    EXPECT_EQ(s.GetLastY(), 0.25);
    EXPECT_EQ(s.GetPixel(3, 1), 8.0f);
    EXPECT_EQ(s.GetMinValue(), 1.0f);  // not widened from the old image's range
    EXPECT_EQ(s.GetMaxValue(), 8.0f);
    EXPECT_EQ(s.GetImportType(), kInt16);
    EXPECT_EQ(s.GetImportElementSize(), 2);

    EXPECT_TRUE(s.OnNewDocument());
    EXPECT_FALSE(s.HasPixels());
    EXPECT_EQ(s.GetPixelCount(), 0u);
    EXPECT_EQ(s.GetDimX(), 0.0);
    EXPECT_EQ(s.GetLastY(), 0.0);
    EXPECT_EQ(s.GetImportType(), kIeeeFloat);
    EXPECT_EQ(s.GetImportElementSize(), 0);
    EXPECT_EQ(s.GetMinValue(), CSurface::kInitialMinValue);
    EXPECT_EQ(s.GetMaxValue(), CSurface::kInitialMaxValue);
}

// --- pictures ----------------------------------------------------------------

TEST(SurfaceBitmap, FiveByThreeIsEightWideWithRowsFlipped) {
    auto s = Ramp(5, 3);  // values 0 .. 14, row r holds 5r .. 5r + 4
    auto bmp = s->MakeBitmap();
    ASSERT_TRUE(bmp);
    EXPECT_EQ(bmp->GetWidth(), 8);
    EXPECT_EQ(bmp->GetHeight(), 3);
    EXPECT_EQ(bmp->GetImageSize(), 24u);
    const std::uint8_t* bits = bmp->GetBits();
    // Bitmap row 0 (the bottom) holds image row 2.
    for (int c = 0; c < 5; ++c) EXPECT_EQ(bits[c], GreyIndex(static_cast<float>(10 + c), 0.0f, 14.0f)) << c;
    // Single precision: 255 / 14 x 14 falls a hair short of 255.
    EXPECT_EQ(bits[4], 254);
    EXPECT_EQ(bits[5], 0);  // padding
    EXPECT_EQ(bits[2 * 8 + 0], 0);
    EXPECT_EQ(bits[2 * 8 + 1], static_cast<std::uint8_t>(255.0f / 14.0f * 1.0f));
    EXPECT_EQ(bmp->GetColorTable()[200].rgbRed, 200);
    EXPECT_EQ(bmp->GetColorTable()[200].rgbReserved, 0);
    EXPECT_TRUE(bmp->HasPalette());
}

TEST(SurfaceBitmap, FlatImageIsBlackAndBitmapFileLayout) {
    testing::TempFolder dir;
    CSurface s;
    ASSERT_TRUE(s.Create(1, 1, 3, 2));
    for (int k = 0; k < 6; ++k) s.GetPixels()[k] = 2.5f;
    s.UpdateRange();
    s.ExportBitmap(dir.File("flat.bmp"));
    const Bytes b = testing::ReadBytes(dir.File("flat.bmp"));
    ASSERT_EQ(b.size(), 1078u + 8u);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(ReadAt<std::uint32_t>(b, 2), 0u);
    EXPECT_EQ(ReadAt<std::uint32_t>(b, 10), 1078u);
    EXPECT_EQ(ReadAt<std::int32_t>(b, 18), 4);  // width rounded up to 4
    for (std::size_t k = 1078; k < b.size(); ++k) EXPECT_EQ(b[k], 0) << k;

    CSurface empty;
    EXPECT_THROW(empty.ExportBitmap(dir.File("none.bmp")), std::runtime_error);
    EXPECT_FALSE(std::filesystem::exists(dir.File("none.bmp")));
}

TEST(SurfaceBitmap, ExportBitmapFieldWinsOverTheImage) {
    testing::TempFolder dir;
    auto s = Ramp(4, 4);
    auto window = s->MakeBitmap(4.0f, 8.0f);
    s->SetExportBitmap(window.get());
    s->ExportBitmap(dir.File("w.bmp"));
    s->SetExportBitmap(nullptr);
    const Bytes b = testing::ReadBytes(dir.File("w.bmp"));
    ASSERT_EQ(b.size(), 1078u + 16u);
    EXPECT_EQ(0, std::memcmp(b.data() + 1078, window->GetBits(), 16));
}

TEST(SurfaceGreyWindow, InitialSlidersAndTheViewPicture) {
    const GreyWindow w = FloatGreyWindow(0.0f, 10.0f, kGreyWindowInitialWidth, kGreyWindowInitialPosition);
    EXPECT_FLOAT_EQ(w.low, 0.0f);
    EXPECT_NEAR(w.high, 9.994995f, 1e-5);
    EXPECT_EQ(kGreyWindowInitialPosition, 499);

    // Below low 0, above high 255, equal ends all black.
    EXPECT_EQ(GreyIndex(-1.0f, 0.0f, 1.0f), 0);
    EXPECT_EQ(GreyIndex(2.0f, 0.0f, 1.0f), 255);
    EXPECT_EQ(GreyIndex(1.0f, 0.0f, 1.0f), 255);
    EXPECT_EQ(GreyIndex(0.5f, 0.0f, 1.0f), 127);
    EXPECT_EQ(GreyIndex(std::numeric_limits<float>::quiet_NaN(), 0.0f, 1.0f), 0);
    EXPECT_EQ(GreyIndex(5.0f, 3.0f, 3.0f), 0);

    // A view rewriting its bitmap gives the same bytes as a fresh windowed bitmap.
    auto s = Ramp(7, 3);
    auto shown = s->MakeBitmap();
    ASSERT_TRUE(s->FillBitmap(*shown, 3.0f, 12.0f));
    auto fresh = s->MakeBitmap(3.0f, 12.0f);
    ASSERT_EQ(shown->GetImageSize(), fresh->GetImageSize());
    EXPECT_EQ(0, std::memcmp(shown->GetBits(), fresh->GetBits(), fresh->GetImageSize()));
    ASSERT_TRUE(s->FillBitmap(*shown, 6.0f, 6.0f));
    for (std::uint32_t k = 0; k < shown->GetImageSize(); ++k) ASSERT_EQ(shown->GetBits()[k], 0);
}

TEST(SurfaceThumbnail, ResamplesTopRowFirst) {
    auto s = Ramp(128, 128);
    std::unique_ptr<CDib> t(s->MakeThumbnail(64, 64));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->GetWidth(), 64);
    EXPECT_EQ(t->GetHeight(), 64);
    const float max = 128.0f * 128.0f - 1.0f;
    // The top output row (the last bitmap row) shows source row 0.
    const std::uint8_t* top = t->GetBits() + 63 * t->GetRowBytes();
    EXPECT_EQ(top[0], 0);
    const float sx = 127.0f / 63.0f;
    const auto col = static_cast<std::uint32_t>(10.0f * sx);
    EXPECT_EQ(top[10], GreyIndex(static_cast<float>(col), 0.0f, max));
    // The bottom output row shows source row 127, the last column column 127.
    EXPECT_EQ(t->GetBits()[63], 255);

    std::unique_ptr<CDib> line(s->MakeThumbnail(8, 1));
    ASSERT_TRUE(line);
    for (std::uint32_t k = 0; k < line->GetImageSize(); ++k) EXPECT_EQ(line->GetBits()[k], 0);
    std::unique_ptr<CDib> narrow(s->MakeThumbnail(1, 4));
    EXPECT_TRUE(narrow);
    CSurface empty;
    EXPECT_EQ(empty.MakeThumbnail(64, 64), nullptr);
}

}  // namespace
}  // namespace voxmill
