// Slides: the .sld record, the raw import preset, and the line integrals
// made from a slide and its reference frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "acquisition/Projection.h"
#include "app/archive/ArchiveException.h"
#include "hardware/Exposure.h"
#include "tests/acquisition/TestSupport.h"
#include "tests/hardware/SlideTestSupport.h"

namespace voxmill {
namespace {

using testing::Bytes;
using testing::ReadAt;

TEST(Slide, RecordIsImageThenSourceThenDetector) {
    testing::TempFolder dir;
    auto s = testing::MakeSlide(3, 2, [](std::uint32_t i, std::uint32_t j) { return std::uint8_t(10 * i + j); });
    s->Save(dir.File("a.sld"));
    const Bytes bytes = testing::ReadBytes(dir.File("a.sld"));
    const auto packed = ReadAt<std::uint32_t>(bytes, 24);
    const std::size_t image = 28 + (packed ? packed : 6);
    ASSERT_EQ(bytes.size(), image + CSource::kRecordBytes + CDetector::kRecordBytes);
    EXPECT_EQ(ReadAt<double>(bytes, image), 1.25);  // source x
    EXPECT_EQ(ReadAt<double>(bytes, image + 8), -0.5);

    CSlide back;
    back.OnNewDocument();
    ASSERT_TRUE(back.OnOpenDocument(dir.File("a.sld")));
    EXPECT_EQ(back.GetWidth(), 3u);
    EXPECT_EQ(back.GetPixel(2, 1), 21);
    EXPECT_EQ(back.GetMinValue(), 0);
    EXPECT_EQ(back.GetMaxValue(), 21);
    EXPECT_EQ(back.GetDetector().GetWidth(), 3);
    std::string text;
    back.GetDescription(text);
    EXPECT_EQ(text, "+1.25,-0.50,+4.00");
}

TEST(Slide, CorruptionBatteryNeverCrashes) {
    testing::TempFolder dir;
    auto s = testing::MakeSlide(6, 4, [](std::uint32_t i, std::uint32_t j) { return std::uint8_t(i * 40 + j); });
    s->Save(dir.File("valid.sld"));
    const Bytes valid = testing::ReadBytes(dir.File("valid.sld"));
    std::size_t opened = 0, refused = 0;
    testing::ForEachDamage(valid, [&](const Bytes& damaged) {
        testing::WriteBytes(dir.File("d.sld"), damaged);
        CSlide t;
        t.OnNewDocument();
        if (t.OnOpenDocument(dir.File("d.sld")))
            ++opened;
        else
            ++refused;
    });
    EXPECT_GE(refused, valid.size());  // every truncation
    EXPECT_GT(opened, 0u);
}

TEST(SlideImport, PresetAndSizeOfFour) {
    EXPECT_EQ(CSlide::ProposeImport(65536).width, 256u);
    EXPECT_EQ(CSlide::ProposeImport(65536).height, 256u);
    EXPECT_EQ(CSlide::ProposeImport(65536).type, kInt8);
    EXPECT_EQ(CSlide::ProposeImport(65535).width, 255u);

    testing::TempFolder dir;
    testing::WriteBytes(dir.File("f.raw"), Bytes(64, 9));
    BinaryMatrixImport v = CSlide::ProposeImport(dir.File("f.raw"));
    EXPECT_EQ(v.width, 8u);
    v.dimX = v.dimY = 1.0f;  // the dialog's size fields are not used
    CSlide s;
    s.OnNewDocument();
    s.ImportRawMatrix(dir.File("f.raw"), v);
    EXPECT_EQ(s.GetDimX(), 4.0);
    EXPECT_EQ(s.GetDimY(), 4.0);
    EXPECT_EQ(s.GetPixel(7, 7), 9);
}

TEST(SlideProjection, LineIntegralsOfTheFormula) {
    auto slide = testing::MakeSlide(4, 1, [](std::uint32_t i, std::uint32_t) {
        const std::uint8_t v[4] = {0, 255, 100, 200};
        return v[i];
    });
    auto reference = testing::MakeSlide(4, 1, [](std::uint32_t i, std::uint32_t) {
        const std::uint8_t v[4] = {255, 255, 0, 50};
        return v[i];
    });
    CProjection p;
    p.OnNewDocument();
    slide->GenerateProjection(*reference, p);
    ASSERT_TRUE(p.HasPixels());
    EXPECT_FLOAT_EQ(p.GetPixel(0, 0), static_cast<float>(std::log(256.0)));  // R = 255 over S = 0: 5.545
    EXPECT_NEAR(p.GetPixel(0, 0), 5.545, 1e-3);
    EXPECT_EQ(p.GetPixel(1, 0), 0.0f);  // S = R: nothing in the ray
    EXPECT_EQ(p.GetPixel(2, 0), 0.0f);  // R = 0: ln(1/101) clamped
    EXPECT_EQ(p.GetPixel(3, 0), 0.0f);  // brighter than the reference
    EXPECT_FLOAT_EQ(p.GetMaxValue(), static_cast<float>(std::log(256.0)));
    EXPECT_EQ(p.GetMinValue(), 0.0f);
    EXPECT_EQ(p.GetDimX(), 4.0);
    EXPECT_EQ(p.GetSource().GetPosition().x, 1.25);
    EXPECT_EQ(p.GetDetector().GetWidth(), 4);

    // A transmission 255 exp(-p) rounded to a byte s comes back as p within
    // the rounding (s +- 0.5) and the +1 of both terms: at most
    // ln((s + 1) / (s - 0.5)) + ln(256 / 255).
    for (double line : {0.1, 0.5, 1.0, 2.0}) {
        const auto s = static_cast<std::uint8_t>(std::lround(255.0 * std::exp(-line)));
        auto one = testing::MakeSlide(1, 1, [&](std::uint32_t, std::uint32_t) { return s; });
        auto ref = testing::MakeSlide(1, 1, [](std::uint32_t, std::uint32_t) { return std::uint8_t{255}; });
        CProjection q;
        q.OnNewDocument();
        one->GenerateProjection(*ref, q);
        EXPECT_NEAR(q.GetPixel(0, 0), line, std::log((s + 1.0) / (s - 0.5)) + std::log(256.0 / 255.0)) << line;
    }
}

TEST(SlideProjection, RefusesMissingPixelsAndASmallerReference) {
    auto slide = testing::MakeSlide(4, 3, [](std::uint32_t, std::uint32_t) { return std::uint8_t{1}; });
    auto wide = testing::MakeSlide(6, 3, [](std::uint32_t i, std::uint32_t) { return std::uint8_t(i); });
    auto narrow = testing::MakeSlide(3, 3, [](std::uint32_t, std::uint32_t) { return std::uint8_t{1}; });
    CSlide empty;
    empty.OnNewDocument();
    EXPECT_FALSE(slide->ProjectionProblem(empty).empty());
    EXPECT_FALSE(empty.ProjectionProblem(*slide).empty());
    EXPECT_FALSE(slide->ProjectionProblem(*narrow).empty());
    CProjection p;
    p.OnNewDocument();
    EXPECT_THROW(slide->GenerateProjection(*narrow, p), std::runtime_error);
    EXPECT_FALSE(p.HasPixels());

    // A wider reference is read with its own row length.
    slide->GenerateProjection(*wide, p);
    EXPECT_FLOAT_EQ(p.GetPixel(3, 2), static_cast<float>(std::log(4.0 / 2.0)));
    EXPECT_EQ(p.GetPixel(0, 1), 0.0f);
}

TEST(SlideExposure, TransmissionFramesAndTheOpenBeam) {
    CProjection p;
    p.OnNewDocument();
    ASSERT_TRUE(p.SetGeometry(CPoint4(0, 0, -4), CDirection4(1, 0, 0), CDirection4(0, 1, 0), 2.0, 1.0, 4, 1));
    const float lines[4] = {0.0f, 1.0f, -0.5f, NAN};
    std::copy(lines, lines + 4, p.GetPixels());
    p.SetSourcePosition(CPoint4(0, 0, 4));
    CSlide frame, open;
    frame.OnNewDocument();
    open.OnNewDocument();
    ASSERT_TRUE(ExposeProjection(p, 255, frame));
    ASSERT_TRUE(ExposeOpenBeam(p, 200, open));
    EXPECT_EQ(frame.GetPixel(0, 0), 255);
    EXPECT_EQ(frame.GetPixel(1, 0), 94);  // round(255 / e) = round(93.8)
    EXPECT_EQ(frame.GetPixel(2, 0), 255);  // negative and NaN integrals: nothing absorbed
    EXPECT_EQ(frame.GetPixel(3, 0), 255);
    EXPECT_EQ(open.GetPixel(3, 0), 200);
    EXPECT_EQ(frame.GetDimX(), 2.0);
    EXPECT_EQ(frame.GetSource().GetPosition().z, 4.0);
    EXPECT_EQ(frame.GetDetector().GetCenter().z, -4.0);
    CProjection empty;
    EXPECT_FALSE(ExposeProjection(empty, 255, frame));
}

}  // namespace
}  // namespace voxmill
