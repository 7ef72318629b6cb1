// The AVI export of cines: the RIFF layout byte by byte, then the file as
// two independent readers see it: ffprobe/ffmpeg (libavformat) and
// GStreamer's avidemux, each decoding every frame back to the slide's
// picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "app/archive/File.h"
#include "hardware/AviWriter.h"
#include "imaging/dib/Dib.h"
#include "tests/acquisition/TestSupport.h"
#include "tests/hardware/SlideTestSupport.h"

namespace voxmill {
namespace {

using testing::Bytes;
using testing::ReadAt;

std::string RunCommand(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
    return out;
}

std::string FourCc(const Bytes& b, std::size_t at) { return std::string(b.begin() + at, b.begin() + at + 4); }

// Slide k of a 25-frame 30 x 20 cine: a ramp that moves with k.
std::uint8_t Frame(std::size_t k, std::uint32_t i, std::uint32_t j) {
    return std::uint8_t((i * 7 + j * 3 + k * 11) % 200);
}

// The bytes a top-down grey decoder gives for a slide's bitmap: its rows
// reversed (the bitmap is stored bottom-up), padding columns included.
Bytes TopDown(const CDib& bitmap) {
    Bytes out;
    const std::uint32_t rowBytes = bitmap.GetRowBytes();
    for (std::int32_t r = bitmap.GetHeight() - 1; r >= 0; --r) {
        const std::uint8_t* row = bitmap.GetBits() + static_cast<std::size_t>(r) * rowBytes;
        out.insert(out.end(), row, row + bitmap.GetWidth());
    }
    return out;
}

class AviExport : public ::testing::Test {
protected:
    testing::TempFolder dir;
    CSlideCollection cine;
    Bytes expected;  // every frame top-down, back to back

    void SetUp() override {
        cine.OnNewDocument();
        testing::FillCine(cine, 25, 30, 20, Frame);
        for (std::size_t k = 0; k < cine.GetCount(); ++k) {
            const Bytes frame = TopDown(*cine.GetSlide(k)->MakeBitmap());
            expected.insert(expected.end(), frame.begin(), frame.end());
        }
        cine.ExportAvi(dir.File("cine.avi"));
    }
};

TEST_F(AviExport, RiffLayout) {
    const Bytes b = testing::ReadBytes(dir.File("cine.avi"));
    ASSERT_GT(b.size(), 400u);
    EXPECT_EQ(FourCc(b, 0), "RIFF");
    EXPECT_EQ(ReadAt<std::uint32_t>(b, 4), b.size() - 8);
    EXPECT_EQ(FourCc(b, 8), "AVI ");
    EXPECT_EQ(FourCc(b, 12), "LIST");
    EXPECT_EQ(FourCc(b, 20), "hdrl");
    EXPECT_EQ(FourCc(b, 24), "avih");
    EXPECT_EQ(ReadAt<std::uint32_t>(b, 32), 400000u);     // 10 / 25 s per frame
    EXPECT_EQ(ReadAt<std::uint32_t>(b, 32 + 12), 0x10u);  // has an index
    EXPECT_EQ(ReadAt<std::uint32_t>(b, 32 + 16), 25u);    // frames
    EXPECT_EQ(ReadAt<std::uint32_t>(b, 32 + 24), 1u);     // streams
    EXPECT_EQ(ReadAt<std::uint32_t>(b, 32 + 32), 32u);    // width, padded to 4
    EXPECT_EQ(ReadAt<std::uint32_t>(b, 32 + 36), 20u);
    const std::size_t strh = 88 + 12;
    EXPECT_EQ(FourCc(b, strh), "strh");
    EXPECT_EQ(FourCc(b, strh + 8), "vids");
    EXPECT_EQ(ReadAt<std::uint32_t>(b, strh + 8 + 20), 10u);  // scale
    EXPECT_EQ(ReadAt<std::uint32_t>(b, strh + 8 + 24), 25u);  // rate
    EXPECT_EQ(ReadAt<std::uint32_t>(b, strh + 8 + 32), 25u);  // length
    const std::size_t strf = strh + 64;
    EXPECT_EQ(FourCc(b, strf), "strf");
    EXPECT_EQ(ReadAt<std::uint32_t>(b, strf + 4), 40u + 4 * 256);
    EXPECT_EQ(ReadAt<std::uint32_t>(b, strf + 8), 40u);      // biSize
    EXPECT_EQ(ReadAt<std::uint16_t>(b, strf + 8 + 14), 8u);  // biBitCount
    EXPECT_EQ(b[strf + 8 + 40 + 4 * 37 + 1], 37);            // grey entry 37
    const std::size_t strn = strf + 8 + 40 + 1024;
    EXPECT_EQ(FourCc(b, strn), "strn");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[strn + 8])), "Cine by Voxmill");
    const std::size_t movi = strn + 8 + 16;
    EXPECT_EQ(FourCc(b, movi), "LIST");
    EXPECT_EQ(FourCc(b, movi + 8), "movi");
    EXPECT_EQ(FourCc(b, movi + 12), "00db");
    EXPECT_EQ(ReadAt<std::uint32_t>(b, movi + 16), 640u);
    const std::size_t idx1 = movi + 8 + ReadAt<std::uint32_t>(b, movi + 4);
    EXPECT_EQ(FourCc(b, idx1), "idx1");
    EXPECT_EQ(ReadAt<std::uint32_t>(b, idx1 + 4), 25u * 16);
    EXPECT_EQ(ReadAt<std::uint32_t>(b, idx1 + 8 + 4), 0x10u);  // key frame
    EXPECT_EQ(ReadAt<std::uint32_t>(b, idx1 + 8 + 8), 4u);     // from the "movi" fourcc
    EXPECT_EQ(ReadAt<std::uint32_t>(b, idx1 + 8 + 16 + 8), 4u + 648);
    EXPECT_EQ(idx1 + 8 + 25 * 16, b.size());
}

TEST_F(AviExport, FfprobeSeesOnePalettisedStreamAtTwoAndAHalfFramesPerSecond) {
    const std::string probe = RunCommand("ffprobe -v error -count_frames -show_streams -show_format -of flat '" +
                                         dir.File("cine.avi") + "' 2>&1");
    EXPECT_NE(probe.find("format.nb_streams=1"), std::string::npos) << probe;
    EXPECT_NE(probe.find("streams.stream.0.codec_type=\"video\""), std::string::npos) << probe;
    EXPECT_NE(probe.find("streams.stream.0.codec_name=\"rawvideo\""), std::string::npos) << probe;
    EXPECT_NE(probe.find("streams.stream.0.pix_fmt=\"pal8\""), std::string::npos) << probe;
    EXPECT_NE(probe.find("streams.stream.0.r_frame_rate=\"5/2\""), std::string::npos) << probe;
    EXPECT_NE(probe.find("streams.stream.0.nb_read_frames=\"25\""), std::string::npos) << probe;
    EXPECT_NE(probe.find("streams.stream.0.width=32"), std::string::npos) << probe;
    EXPECT_NE(probe.find("streams.stream.0.height=20"), std::string::npos) << probe;
    EXPECT_NE(probe.find("streams.stream.0.tags.title=\"Cine by Voxmill\""), std::string::npos) << probe;
}

// The palette lookup (rgb24) is exact; ffmpeg's own pal8 -> gray goes
// through limited-range luma and may land one level low, so the grey
// decode is held to within 1 and the rgb24 one to every byte.
TEST_F(AviExport, FfmpegDecodesEveryFrameToTheSlidesPicture) {
    const std::string rgb = dir.File("ffmpeg.rgb"), gray = dir.File("ffmpeg.gray");
    RunCommand("ffmpeg -v error -i '" + dir.File("cine.avi") + "' -f rawvideo -pix_fmt rgb24 '" + rgb + "' 2>&1");
    RunCommand("ffmpeg -v error -i '" + dir.File("cine.avi") + "' -f rawvideo -pix_fmt gray '" + gray + "' 2>&1");
    const Bytes decodedRgb = testing::ReadBytes(rgb);
    ASSERT_EQ(decodedRgb.size(), 3 * expected.size());
    std::size_t wrong = 0;
    for (std::size_t k = 0; k < expected.size(); ++k)
        for (int c = 0; c < 3; ++c) wrong += decodedRgb[3 * k + c] != expected[k];
    EXPECT_EQ(wrong, 0u);

    const Bytes decodedGray = testing::ReadBytes(gray);
    ASSERT_EQ(decodedGray.size(), expected.size());
    int worst = 0;
    for (std::size_t k = 0; k < expected.size(); ++k) worst = std::max(worst, std::abs(decodedGray[k] - expected[k]));
    EXPECT_LE(worst, 1);
}

TEST_F(AviExport, GstreamerAvidemuxDecodesTheSameFrames) {
    const std::string out = dir.File("gst.gray");
    const std::string log =
        RunCommand("gst-launch-1.0 -q filesrc location='" + dir.File("cine.avi") +
                   "' ! avidemux ! videoconvert ! video/x-raw,format=GRAY8 ! filesink location='" + out + "' 2>&1");
    const Bytes decoded = testing::ReadBytes(out);
    // GStreamer pads GRAY8 rows to 4 bytes; 32 columns need none.
    ASSERT_EQ(decoded.size(), expected.size()) << log;
    EXPECT_TRUE(decoded == expected);
}

TEST(AviExportEdges, EmptyFirstSlideOtherSizesAndNoPixels) {
    testing::TempFolder dir;
    CSlideCollection cine;
    cine.OnNewDocument();
    cine.AddSlide();  // no pixels: the format comes from the next slide
    testing::FillCine(cine, 2, 8, 4, Frame);
    cine.ExportAvi(dir.File("a.avi"));
    Bytes b = testing::ReadBytes(dir.File("a.avi"));
    EXPECT_EQ(ReadAt<std::uint32_t>(b, 32 + 16), 2u);       // frames written
    EXPECT_EQ(ReadAt<std::uint32_t>(b, 100 + 8 + 24), 3u);  // rate: every member

    // A frame of another size would make an unplayable video: refused, the
    // previous file kept.
    testing::FillCine(cine, 1, 12, 4, Frame);
    EXPECT_THROW(cine.ExportAvi(dir.File("a.avi")), std::runtime_error);
    EXPECT_EQ(testing::ReadBytes(dir.File("a.avi")), b);

    CSlideCollection empty;
    empty.OnNewDocument();
    empty.AddSlide();
    EXPECT_THROW(empty.ExportAvi(dir.File("e.avi")), std::runtime_error);
    EXPECT_FALSE(std::filesystem::exists(dir.File("e.avi")));
}

TEST(AviWriter, RefusesUnusableStreamsAndCutsLongNames) {
    BITMAPINFOHEADER header{};
    header.biSize = 40;
    header.biWidth = 4;
    header.biHeight = 2;
    header.biPlanes = 1;
    header.biBitCount = 8;
    const RGBQUAD colors[2] = {};
    CMemFile file;
    CAviWriter::Stream stream;
    stream.rate = 0;
    EXPECT_THROW(CAviWriter(file, stream, header, colors, 2), std::runtime_error);
    stream.rate = 1;
    header.biWidth = 0;
    EXPECT_THROW(CAviWriter(file, stream, header, colors, 2), std::runtime_error);
    header.biWidth = 4;

    stream.name = std::string(100, 'n');
    CAviWriter avi(file, stream, header, colors, 2);
    const std::uint8_t frame[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_THROW(avi.WriteFrame(frame, 7), std::runtime_error);  // not the format's size
    avi.WriteFrame(frame, 8);
    avi.Finish();
    const Bytes& b = file.bytes();
    EXPECT_EQ(ReadAt<std::uint32_t>(b, 4), b.size() - 8);
    const std::size_t strn = 100 + 64 + 8 + 40 + 8;
    EXPECT_EQ(FourCc(b, strn), "strn");
    EXPECT_EQ(ReadAt<std::uint32_t>(b, strn + 4), 65u);  // 64 characters and the NUL
    EXPECT_EQ(b[strn + 8 + 64], 0);
    EXPECT_EQ(ReadAt<std::uint32_t>(b, 32 + 16), 1u);
}

}  // namespace
}  // namespace voxmill
