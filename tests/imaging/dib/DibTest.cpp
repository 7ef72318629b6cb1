// BMP reading and writing: exact layout of what is written, colour counts
// and image sizes, and every malformed header refused as a read error.
#include <gtest/gtest.h>

#include <climits>

#include "app/archive/File.h"
#include "tests/common/TempDir.h"
#include "tests/imaging/dib/DibTestSupport.h"

namespace voxmill::test {
namespace {

std::uint32_t DwordAt(const Bytes& b, std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

TEST(DibWrite, EightBitBitsAt1078WithFileSizeZero) {
    const CDib dib = GreyDib(5, 3);
    const Bytes bytes = DibBytes(dib);
    ASSERT_EQ(bytes.size(), 1078u + 24u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(DwordAt(bytes, 2), 0u);   // file size field
    EXPECT_EQ(DwordAt(bytes, 6), 0u);   // two reserved words
    EXPECT_EQ(DwordAt(bytes, 10), 1078u);
    const Bytes expectedHeader = Cat({Le32(40), Le32(5), Le32(3), Le16(1), Le16(8), Le32(0), Le32(0), Le32(0),
                                      Le32(0), Le32(256), Le32(256)});
    EXPECT_EQ(Hex(Slice(bytes, 14, 40)), Hex(expectedHeader));
    EXPECT_EQ(Hex(Slice(bytes, 54 + 4 * 200, 4)), "C8 37 C8 00");  // colour 200: blue, green, red, reserved
    EXPECT_EQ(Slice(bytes, 1078, 24), Pattern(24));
}

TEST(DibWrite, WithoutASectionTheRecordStillHasItsBits) {
    const CDib dib(4, 2, 24);
    const Bytes bytes = DibBytes(dib);
    EXPECT_EQ(DwordAt(bytes, 10), 54u);
    EXPECT_EQ(bytes.size(), 54u + 24u);
}

TEST(DibWrite, EmptyBitmapIsAWriteError) {
    RecordingSink sink;
    CMemFile file;
    EXPECT_FALSE(CDib().Write(file));
    EXPECT_EQ(sink.messages, std::vector<std::string>{"write error"});
    EXPECT_EQ(file.GetLength(), 0u);
}

TEST(DibSizes, ImageSizeRoundsRowsUpToFourBytes) {
    EXPECT_EQ(CDib(5, 3, 8).GetImageSize(), 24u);
    EXPECT_EQ(CDib(5, 3, 8).GetRowBytes(), 8u);
    EXPECT_EQ(CDib(4, 3, 8).GetImageSize(), 12u);
    EXPECT_EQ(CDib(5, 2, 24).GetImageSize(), 32u);
    EXPECT_EQ(CDib(33, 1, 1).GetImageSize(), 8u);
    EXPECT_EQ(CDib(9, 2, 4).GetImageSize(), 16u);
    EXPECT_EQ(CDib(3, 3, 32).GetImageSize(), 36u);

    // Read from a file whose biSizeImage is 0: 5 wide, 8 bits -> 8 x height.
    RecordingSink sink;
    CDib dib;
    CMemFile file(BmpFile(InfoHeader(5, 4, 8), Bytes(1024), Pattern(32)));
    ASSERT_TRUE(dib.Read(file));
    EXPECT_EQ(dib.GetImageSize(), 32u);
    EXPECT_EQ(Bytes(dib.GetBits(), dib.GetBits() + 32), Pattern(32));
    // A stated size wins over the computed one.
    BITMAPINFOHEADER h = InfoHeader(5, 4, 8);
    h.biSizeImage = 40;
    CMemFile stated(BmpFile(h, Bytes(1024), Pattern(40)));
    ASSERT_TRUE(dib.Read(stated));
    EXPECT_EQ(dib.GetImageSize(), 40u);
    // Top-down bitmaps have a negative height.
    CMemFile topDown(BmpFile(InfoHeader(5, -4, 8), Bytes(1024), Pattern(32)));
    ASSERT_TRUE(dib.Read(topDown));
    EXPECT_EQ(dib.GetImageSize(), 32u);
    EXPECT_TRUE(sink.messages.empty());
}

TEST(DibSizes, ABitmapOfMoreThanFourGibibytesGetsNoSection) {
    // 65536 x 65537 bytes cut to 32 bits would be a 65536-byte section
    // that the grey writer then fills row by row.
    CDib dib(65536, 65537, 8);
    EXPECT_FALSE(dib.CreateSection());
    EXPECT_FALSE(dib.HasBits());
    RecordingSink sink;
    CMemFile file;
    EXPECT_FALSE(dib.Write(file));
    EXPECT_EQ(file.GetLength(), 0u);
    EXPECT_TRUE(CDib(65536, 65535, 8).GetImageSize() == 65536u * 65535u);
}

TEST(DibSizes, ColourCountFollowsClrUsedThenBitCount) {
    struct Case {
        std::uint16_t bits;
        std::uint32_t clrUsed, expected;
    };
    for (const Case& c : {Case{1, 0, 2}, Case{4, 0, 16}, Case{8, 0, 256}, Case{16, 0, 0}, Case{24, 0, 0},
                          Case{32, 0, 0}, Case{8, 17, 17}, Case{24, 3, 3}}) {
        BITMAPINFOHEADER h = InfoHeader(1, 1, c.bits);
        h.biClrUsed = c.clrUsed;
        EXPECT_EQ(CDib::ColorCountOf(h), c.expected) << c.bits << " bits, biClrUsed " << c.clrUsed;
    }
}

TEST(DibRead, TwentyFourBitWithoutTableHasBitsRightAfter54Bytes) {
    RecordingSink sink;
    const Bytes bits = Pattern(2 * 8);  // 2 x 2 pixels, rows of 6 bytes padded to 8
    CMemFile file(BmpFile(InfoHeader(2, 2, 24), {}, bits));
    CDib dib;
    ASSERT_TRUE(dib.Read(file));
    EXPECT_EQ(dib.GetColorCount(), 0u);
    EXPECT_EQ(dib.GetImageSize(), 16u);
    EXPECT_FALSE(dib.HasPalette());
    EXPECT_EQ(Bytes(dib.GetBits(), dib.GetBits() + 16), bits);
    EXPECT_EQ(DwordAt(DibBytes(dib), 10), 54u);
    EXPECT_TRUE(sink.messages.empty());
}

TEST(DibRead, RoundTripKeepsHeaderTableBitsAndMakesThePalette) {
    const CDib original = GreyDib(7, 5);
    CMemFile file(DibBytes(original));
    CDib back;
    ASSERT_TRUE(back.Read(file));
    EXPECT_EQ(back.GetWidth(), 7);
    EXPECT_EQ(back.GetHeight(), 5);
    EXPECT_EQ(back.GetBitCount(), 8);
    EXPECT_EQ(back.GetColorCount(), 256u);
    ASSERT_EQ(back.GetImageSize(), original.GetImageSize());
    EXPECT_EQ(0, std::memcmp(back.GetBits(), original.GetBits(), original.GetImageSize()));
    EXPECT_EQ(0, std::memcmp(back.GetColorTable(), original.GetColorTable(), 1024));
    ASSERT_EQ(back.GetPalette().size(), 256u);
    const PALETTEENTRY& e = back.GetPalette()[10];
    EXPECT_EQ(e.peRed, 10);
    EXPECT_EQ(e.peGreen, 245);
    EXPECT_EQ(e.peBlue, 10);
    EXPECT_EQ(e.peFlags, 0);
    EXPECT_EQ(DibBytes(back), DibBytes(original));
    EXPECT_EQ(back.GetHeaderOwnership(), 1);
}

TEST(DibRead, ExtraBytesBetweenTableAndBitsAreSkipped) {
    // Bits offset 16 bytes past the table: the bits are read from there.
    Bytes file = BmpFile(InfoHeader(4, 1, 24), Bytes(16, 0xEE), Pattern(12), 0x4D42, 54 + 16);
    CMemFile in(file);
    CDib dib;
    ASSERT_TRUE(dib.Read(in));
    EXPECT_EQ(dib.GetColorCount(), 0u);
    EXPECT_EQ(Bytes(dib.GetBits(), dib.GetBits() + 12), Pattern(12));
}

struct RefusedCase {
    const char* name;
    Bytes file;
};

std::vector<RefusedCase> RefusedFiles() {
    std::vector<RefusedCase> cases;
    const Bytes table(1024);
    cases.push_back({"empty", {}});
    cases.push_back({"thirteen bytes", Bytes(13, 0x42)});
    cases.push_back({"BA magic", BmpFile(InfoHeader(2, 2, 8), table, Pattern(8), 0x4142)});
    BITMAPINFOHEADER rle = InfoHeader(2, 2, 8);
    rle.biCompression = 1;
    cases.push_back({"run-length compression", BmpFile(rle, table, Pattern(8))});
    BITMAPINFOHEADER fields = InfoHeader(2, 2, 32);
    fields.biCompression = 3;
    cases.push_back({"bit fields", BmpFile(fields, Bytes(12), Pattern(16))});
    for (std::uint32_t size : {12u, 56u, 108u, 124u, 0u}) {
        BITMAPINFOHEADER h = InfoHeader(2, 2, 24);
        h.biSize = size;
        cases.push_back({"biSize not 40", BmpFile(h, {}, Pattern(16))});
    }
    cases.push_back({"bits missing", BmpFile(InfoHeader(2, 2, 24), {}, Pattern(15))});
    BITMAPINFOHEADER stated = InfoHeader(2, 2, 24);
    stated.biSizeImage = 0x7FFFFFF0;
    cases.push_back({"stated image size beyond the file", BmpFile(stated, {}, Pattern(16))});
    cases.push_back({"huge computed image size", BmpFile(InfoHeader(0x7FFFFFFF, 0x7FFFFFFF, 32), {}, Pattern(16))});
    cases.push_back({"table cut by the bits offset", BmpFile(InfoHeader(2, 2, 8), table, Pattern(8), 0x4D42, 54 + 512)});
    cases.push_back({"bits offset inside the headers", BmpFile(InfoHeader(2, 2, 24), {}, Pattern(16), 0x4D42, 40)});
    cases.push_back({"bits offset beyond the file", BmpFile(InfoHeader(2, 2, 24), {}, Pattern(16), 0x4D42, 0xFFFFFFF0)});
    BITMAPINFOHEADER small = InfoHeader(5, 4, 8);
    small.biSizeImage = 20;  // the rows need 32
    cases.push_back({"stated image size smaller than the rows", BmpFile(small, table, Pattern(20))});
    BITMAPINFOHEADER odd = InfoHeader(2, 2, 7);
    cases.push_back({"bit count not 1, 4, 8, 16, 24 or 32", BmpFile(odd, Bytes(512), Pattern(8))});
    BITMAPINFOHEADER manyColours = InfoHeader(2, 2, 8);
    manyColours.biClrUsed = 0x40000000;
    cases.push_back({"colour count beyond the file", BmpFile(manyColours, table, Pattern(8))});
    return cases;
}

TEST(DibRead, MalformedFilesAreRefusedWithReadSectionError) {
    for (const RefusedCase& c : RefusedFiles()) {
        SCOPED_TRACE(c.name);
        RecordingSink sink;
        CDib dib = GreyDib(3, 3);  // previous content is cleared, not kept half-way
        CMemFile file(c.file);
        EXPECT_FALSE(dib.Read(file));
        EXPECT_EQ(sink.messages, std::vector<std::string>{"ReadSection error"});
        EXPECT_EQ(LastReportedError(), "ReadSection error");
        EXPECT_FALSE(dib.HasBits());
    }
}

TEST(DibRead, RowsThatOverflowOrOutgrowTheStatedSizeAreRefused) {
    RecordingSink sink;
    // Width INT_MIN with a small stated size: the rows need 2 GiB.
    BITMAPINFOHEADER wide = InfoHeader(INT32_MIN, 1, 8);
    wide.biSizeImage = 4;
    CMemFile wideFile(BmpFile(wide, Bytes(1024), Pattern(4)));
    CDib dib;
    EXPECT_FALSE(dib.Read(wideFile));
    // 2^33 bytes a row times 2^31 rows wraps to 0 in 64 bits.
    CMemFile wrapFile(BmpFile(InfoHeader(INT32_MIN, INT32_MIN, 32), {}, {}));
    EXPECT_FALSE(dib.Read(wrapFile));
    EXPECT_EQ(sink.messages, (std::vector<std::string>{"ReadSection error", "ReadSection error"}));
    // A bitmap built that wide still reports its row length without overflow.
    EXPECT_EQ(CDib(0x80000000u, 1, 8).GetRowBytes(), 0x80000000u);
}

TEST(DibPalette, PlainAnimatedAndAnimatedEntries) {
    CDib dib(1, 1, 4);
    RGBQUAD* table = dib.GetColorTable();
    for (int i = 0; i < 16; ++i)
        table[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(16 + i), static_cast<std::uint8_t>(32 + i), 0};
    ASSERT_TRUE(dib.MakePalette());
    ASSERT_EQ(dib.GetPalette().size(), 16u);
    EXPECT_EQ(dib.GetPalette()[3].peRed, 35);
    EXPECT_EQ(dib.GetPalette()[3].peGreen, 19);
    EXPECT_EQ(dib.GetPalette()[3].peBlue, 3);
    EXPECT_EQ(dib.GetPalette()[3].peFlags, 0);

    ASSERT_TRUE(dib.MakeAnimatedPalette());
    EXPECT_EQ(dib.GetPalette()[0].peBlue, 15);  // reverse order
    EXPECT_EQ(dib.GetPalette()[15].peBlue, 0);
    EXPECT_EQ(dib.GetPalette()[0].peFlags, CDib::kPcReserved);

    const RGBQUAD entries[3] = {{1, 1, 1, 0}, {2, 2, 2, 0}, {3, 3, 3, 0}};
    dib.SetPaletteEntries(14, 3, entries);  // clipped to the two entries left, reversed
    EXPECT_EQ(dib.GetPalette()[14].peRed, 2);
    EXPECT_EQ(dib.GetPalette()[15].peRed, 1);
    EXPECT_EQ(dib.GetPalette()[14].peFlags, CDib::kPcReserved);
    dib.SetPaletteEntries(16, 1, entries);  // outside: ignored

    CDib trueColour(2, 2, 24);
    EXPECT_FALSE(trueColour.MakePalette());
    EXPECT_FALSE(CDib().MakeAnimatedPalette());
}

TEST(DibSection, OnlyOnceAndOnlyWithAHeader) {
    EXPECT_FALSE(CDib().CreateSection());
    CDib dib(3, 2, 8);
    EXPECT_FALSE(dib.HasBits());
    ASSERT_TRUE(dib.CreateSection());
    EXPECT_EQ(Bytes(dib.GetBits(), dib.GetBits() + dib.GetImageSize()), Bytes(8, 0));
    EXPECT_FALSE(dib.CreateSection());
    dib.Clear();
    EXPECT_FALSE(dib.HasImage());
    EXPECT_EQ(dib.GetImageSize(), 0u);
    EXPECT_EQ(dib.GetColorCount(), 0u);
    EXPECT_EQ(dib.GetHeaderOwnership(), 0);
}

TEST(DibFiles, WriteAndReadFiles) {
    TempDir dir;
    RecordingSink sink;
    const CDib original = GreyDib(6, 6);
    ASSERT_TRUE(original.WriteFile(dir.File("icon.bmp")));
    EXPECT_EQ(ReadBytes(dir.File("icon.bmp")), DibBytes(original));
    CDib back;
    ASSERT_TRUE(back.ReadFile(dir.File("icon.bmp")));
    EXPECT_EQ(DibBytes(back), DibBytes(original));
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"icon.bmp"});
}

TEST(DibFiles, FailuresAreReportedAndKeepThePreviousFile) {
    TempDir dir;
    RecordingSink sink;
    const CDib dib = GreyDib(2, 2);
    EXPECT_FALSE(dib.WriteFile(dir.File("missing/icon.bmp")));
    EXPECT_EQ(sink.messages, std::vector<std::string>{"write error"});

    ASSERT_TRUE(dib.WriteFile(dir.File("icon.bmp")));
    const Bytes before = ReadBytes(dir.File("icon.bmp"));
    sink.messages.clear();
    EXPECT_FALSE(CDib().WriteFile(dir.File("icon.bmp")));  // nothing to write
    EXPECT_EQ(sink.messages, std::vector<std::string>{"write error"});
    EXPECT_EQ(ReadBytes(dir.File("icon.bmp")), before);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"icon.bmp"});

    sink.messages.clear();
    CDib back;
    EXPECT_FALSE(back.ReadFile(dir.File("nothing.bmp")));
    EXPECT_FALSE(back.ReadFile(dir.path().string()));  // a folder
    EXPECT_EQ(sink.messages, (std::vector<std::string>{"ReadSection error", "ReadSection error"}));
}

}  // namespace
}  // namespace voxmill::test
