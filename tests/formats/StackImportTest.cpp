#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "app/ListElementStub.h"
#include "app/archive/ArchiveException.h"
#include "formats/DetectorStackImport.h"
#include "formats/DocumentExports.h"
#include "formats/Hdf5File.h"
#include "tests/common/Corruption.h"
#include "tests/common/TempDir.h"
#include "tests/formats/IndependentReader.h"

namespace voxmill {
namespace {

using test::RunReader;
using test::WriteSamples;

// A stack written by tifffile, as acquisition software would write it.
template <class T>
void WriteTiff(const test::TempDir& dir, const std::string& name, const char* dtype, std::uint32_t count,
               std::uint32_t rows, std::uint32_t columns, const std::vector<T>& samples) {
    const std::string raw = dir.File(name + ".raw");
    WriteSamples(raw, samples);
    RunReader("tiff_write.py", {dir.File(name), dtype, std::to_string(count), std::to_string(rows),
                                std::to_string(columns), raw});
}

std::string ImportError(const std::string& input, const StackImportOptions& options) {
    CProjectionCollection c;
    c.OnNewDocument();
    try {
        ImportDetectorStack(c, input, options);
    } catch (const std::exception& e) {
        EXPECT_EQ(c.GetCount(), 0u);
        return e.what();
    }
    return "(imported)";
}

TEST(StackImport, FlatDarkCorrectedSixteenBitWithinTheQuantisationBound) {
    test::TempDir dir;
    constexpr std::uint32_t kCount = 4, kRows = 6, kColumns = 8, kPage = kRows * kColumns;
    std::vector<std::uint16_t> flat(kPage), dark(kPage), stack(kCount * kPage);
    std::vector<double> truth(kCount * kPage);
    for (std::uint32_t i = 0; i < kPage; ++i) {
        dark[i] = static_cast<std::uint16_t>(100 + i % 7);
        flat[i] = static_cast<std::uint16_t>(dark[i] + 40000 + 300 * i);
    }
    for (std::uint32_t n = 0; n < kCount * kPage; ++n) {
        const std::uint32_t i = n % kPage;
        truth[n] = 2.5 * n / (kCount * kPage - 1.0);  // 0 .. 2.5
        const double f = flat[i] - dark[i];
        stack[n] = static_cast<std::uint16_t>(std::lround(f * std::exp(-truth[n])) + dark[i]);
    }
    WriteTiff(dir, "flat.tif", "uint16", 1, kRows, kColumns, flat);
    WriteTiff(dir, "dark.tif", "uint16", 1, kRows, kColumns, dark);
    WriteTiff(dir, "stack.tif", "uint16", kCount, kRows, kColumns, stack);

    CProjectionCollection c;
    c.OnNewDocument();
    StackImportOptions options;
    options.flat = dir.File("flat.tif");
    options.dark = dir.File("dark.tif");
    options.sourceDistance = 10;
    options.detectorDistance = 5;
    options.detectorWidth = 4;
    options.detectorHeight = 3;
    options.startDegrees = 0;
    options.endDegrees = 180;
    options.geometryGiven = true;
    std::size_t calls = 0;
    const StackImportReport report =
        ImportDetectorStack(c, dir.File("stack.tif"), options, [&](std::size_t done, std::size_t total) {
            EXPECT_EQ(done, ++calls);
            EXPECT_EQ(total, kCount);
        });
    ASSERT_EQ(c.GetCount(), kCount);
    EXPECT_EQ(report.counts.clamped, 0u);
    double worst = 0;
    for (std::uint32_t k = 0; k < kCount; ++k) {
        const CProjection& p = *c.GetProjection(k);
        ASSERT_EQ(p.GetWidth(), kColumns);
        ASSERT_EQ(p.GetHeight(), kRows);
        for (std::uint32_t i = 0; i < kPage; ++i) {
            const std::uint32_t n = k * kPage + i;
            const double f = flat[i] - dark[i];
            // |dp| <= -ln(1 - e^p / 2F), plus float32 storage of p.
            const double bound = -std::log(1 - std::exp(truth[n]) / (2 * f)) + 3e-7;
            const double error = std::fabs(p.GetPixels()[i] - truth[n]);
            worst = std::max(worst, error / bound);
            EXPECT_LE(error, bound) << "projection " << k << " pixel " << i;
        }
        // Member k at k x 180 / 4 degrees: source (10 sin, 0, 10 cos).
        const double theta = k * 45.0 * 3.14159265359 / 180;
        EXPECT_NEAR(p.GetSource().GetPosition().x, 10 * std::sin(theta), 1e-9);
        EXPECT_NEAR(p.GetDetector().GetCenter().z, -5 * std::cos(theta), 1e-9);
        EXPECT_DOUBLE_EQ(p.GetDimX(), 4);
        EXPECT_DOUBLE_EQ(p.GetDimY(), 3);
    }
    EXPECT_GT(worst, 0.05);  // the bound is tight, not loose by orders
    RecordProperty("worst_error_over_bound", std::to_string(worst));
}

TEST(StackImport, EightBitAndFloatStacksWithoutFieldsAreLineIntegralsAlready) {
    test::TempDir dir;
    const std::vector<std::uint8_t> bytes = {0, 1, 2, 3, 250, 251, 252, 255};
    WriteTiff(dir, "b.tif", "uint8", 2, 2, 2, bytes);
    const std::vector<float> floats = {0.5f, -1.25f, std::numeric_limits<float>::quiet_NaN(), 3e38f,
                                       std::numeric_limits<float>::infinity(), 7.0f};
    WriteTiff(dir, "f.tif", "float32", 3, 1, 2, floats);
    CProjectionCollection c;
    c.OnNewDocument();
    ImportDetectorStack(c, dir.File("b.tif"), {});
    ASSERT_EQ(c.GetCount(), 2u);
    EXPECT_EQ(c.GetProjection(1)->GetPixels()[3], 255.0f);
    // Default geometry: 1 unit wide, square pixels, radius 4 both sides.
    EXPECT_DOUBLE_EQ(c.GetProjection(0)->GetDimY(), 1.0);
    EXPECT_NEAR(c.GetProjection(1)->GetSource().GetPosition().z, -4.0, 1e-9);
    const StackImportReport report = ImportDetectorStack(c, dir.File("f.tif"), {});
    ASSERT_EQ(c.GetCount(), 3u);
    EXPECT_EQ(report.counts.unreadable, 2u);
    const std::vector<float> expected = {0.5f, -1.25f, 0.0f, 3e38f, 0.0f, 7.0f};
    for (std::size_t k = 0; k < 3; ++k)
        for (std::size_t i = 0; i < 2; ++i) EXPECT_EQ(c.GetProjection(k)->GetPixels()[i], expected[2 * k + i]);
}

TEST(StackImport, CorrectionRulesNeverGiveNaN) {
    ImageStackData stack{2, 1, 2, {150, 90, std::nan(""), 100}};
    const ImageStackData flat{2, 1, 1, {1100, 600}}, dark{2, 1, 1, {100, 100}};
    const CorrectionCounts counts = CorrectIntensities(stack, flat, dark);
    EXPECT_EQ(counts.clamped, 2u);     // 90 below dark, 100 at dark
    EXPECT_EQ(counts.unreadable, 1u);
    EXPECT_DOUBLE_EQ(stack.values[0], -std::log(50.0 / 1000.0));
    EXPECT_DOUBLE_EQ(stack.values[1], -std::log(0.5 / 500.0));
    EXPECT_EQ(stack.values[2], 0.0);
    EXPECT_DOUBLE_EQ(stack.values[3], -std::log(0.5 / 500.0));
    // A flat stack is averaged to one image.
    const ImageStackData mean = AveragePages(ImageStackData{1, 1, 3, {1, 2, 6}});
    EXPECT_EQ(mean.count, 1u);
    EXPECT_EQ(mean.values, std::vector<double>{3});
}

TEST(StackImport, BadInputIsRefusedClearlyWithNothingChanged) {
    test::TempDir dir;
    WriteTiff(dir, "s.tif", "uint16", 2, 2, 3, std::vector<std::uint16_t>(12, 500));
    WriteTiff(dir, "flat.tif", "uint16", 1, 3, 3, std::vector<std::uint16_t>(9, 1000));
    WriteTiff(dir, "bright.tif", "uint16", 1, 2, 3, std::vector<std::uint16_t>{1000, 1000, 1000, 1000, 90, 1000});
    WriteTiff(dir, "dark.tif", "uint16", 1, 2, 3, std::vector<std::uint16_t>(6, 100));
    StackImportOptions o;
    o.flat = dir.File("flat.tif");
    EXPECT_EQ(ImportError(dir.File("s.tif"), o), "the flat field is 3 x 3 pixels, the projections 3 x 2");
    o.flat = dir.File("bright.tif");
    o.dark = dir.File("dark.tif");
    EXPECT_EQ(ImportError(dir.File("s.tif"), o),
              "the dark field is as bright as or brighter than the flat field at column 1, row 1 (flat 90.000000, "
              "dark 100.000000)");
    o.flat.clear();
    EXPECT_EQ(ImportError(dir.File("s.tif"), o), "a dark field needs a flat field as well");

    EXPECT_NE(ImportError(dir.File("missing.tif"), {}).find("cannot open"), std::string::npos);

    // A data set of the wrong rank.
    const std::vector<double> line = {1, 2, 3};
    Hdf5DataSet set;
    set.name = "/line";
    set.shape = {3};
    set.f64 = line.data();
    WriteHdf5File(dir.File("l.h5"), {set}, 0);
    EXPECT_NE(ImportError(dir.File("l.h5") + ":/line", {}).find("data set /line has rank 1; expected 2 to 3"),
              std::string::npos);
    EXPECT_NE(ImportError(dir.File("l.h5") + ":/nothing", {}).find("no data set /nothing"), std::string::npos);
    EXPECT_NE(ImportError(dir.File("s.tif") + ":/x", {}).find("not an HDF5 file"), std::string::npos);
}

TEST(StackImport, RaggedPagesAreRefused) {
    test::TempDir dir;
    // Two single-page files glued by tifffile's append mode.
    WriteTiff(dir, "r.tif", "uint16", 1, 2, 3, std::vector<std::uint16_t>(6, 1));
    const std::string raw = dir.File("second.raw");
    WriteSamples(raw, std::vector<std::uint16_t>(12, 2));
    RunReader("tiff_write.py", {dir.File("r.tif"), "uint16", "1", "4", "3", raw, "append"});
    EXPECT_EQ(ImportError(dir.File("r.tif"), {}),
              "page 1 is 3 x 4 pixels, page 0 3 x 2; every page of a stack must have the same size: " +
                  dir.File("r.tif"));
}

TEST(StackImport, Hdf5ProjectionExportComesBackWithItsOwnGeometry) {
    test::TempDir dir;
    CProjectionCollection original;
    original.OnNewDocument();
    for (std::uint32_t k = 0; k < 5; ++k) {
        auto p = CProjectionCollection::MakeMemberProjection();
        ASSERT_TRUE(p->Create(3.0, 2.0, 6, 4));
        for (std::size_t n = 0; n < 24; ++n) p->GetPixels()[n] = std::sin(0.37f * static_cast<float>(k * 24 + n));
        original.AddMember(p.release());
    }
    original.ApplyCircularGeometry();
    ExportProjectionsHdf5(original, dir.File("p.h5"), 3);

    CProjectionCollection again;
    again.OnNewDocument();
    const StackImportReport report = ImportDetectorStack(again, dir.File("p.h5"), {});
    EXPECT_TRUE(report.geometryFromFile);
    ASSERT_EQ(again.GetCount(), 5u);
    for (std::size_t k = 0; k < 5; ++k) {
        const CProjection& a = *original.GetProjection(k);
        const CProjection& b = *again.GetProjection(k);
        EXPECT_EQ(std::vector<float>(a.GetPixels(), a.GetPixels() + 24),
                  std::vector<float>(b.GetPixels(), b.GetPixels() + 24));
        const auto same = [](const CVector4& x, const CVector4& y) { return x.x == y.x && x.y == y.y && x.z == y.z; };
        EXPECT_TRUE(same(a.GetSource().GetPosition(), b.GetSource().GetPosition())) << k;
        EXPECT_TRUE(same(a.GetDetector().GetCenter(), b.GetDetector().GetCenter())) << k;
        EXPECT_TRUE(same(a.GetDetector().GetHorizontal(), b.GetDetector().GetHorizontal())) << k;
        EXPECT_TRUE(same(a.GetDetector().GetVertical(), b.GetDetector().GetVertical())) << k;
        EXPECT_EQ(a.GetDimX(), b.GetDimX());
        EXPECT_EQ(a.GetDimY(), b.GetDimY());
    }
    // Exported again, the file holds the same data sets, byte for byte.
    ExportProjectionsHdf5(again, dir.File("q.h5"), 3);
    const auto first = RunReader("h5_dump.py", {dir.File("p.h5"), dir.path().string()});
    const auto pixels = test::ReadBytes(dir.File("projections.bin"));
    const auto second = RunReader("h5_dump.py", {dir.File("q.h5"), dir.path().string()});
    EXPECT_EQ(first, second);
    EXPECT_EQ(test::ReadBytes(dir.File("projections.bin")), pixels);
}

// Truncations and byte changes of a small valid file: each read either
// succeeds with the right shape or throws; none may crash.
void Battery(const std::string& path, const std::string& input, std::size_t changes) {
    const std::vector<std::uint8_t> bytes = test::ReadBytes(path);
    const std::string damagedPath = path + ".damaged";
    const std::string damagedInput = damagedPath + input.substr(path.size());
    std::size_t refused = 0, read = 0;
    test::CorruptionOptions options;
    options.changeCases = changes;
    test::ForEachCorruption(
        bytes,
        [&](const std::vector<std::uint8_t>& damaged, const test::Corruption&) {
            test::WriteBytes(damagedPath, damaged);
            try {
                const ImageStackData s = ReadImageStack(StackSource::Parse(damagedInput));
                EXPECT_EQ(s.values.size(), std::size_t{s.columns} * s.rows * s.count);
                ++read;
            } catch (const std::exception& e) {
                EXPECT_NE(std::string(e.what()), "");
                ++refused;
            }
        },
        options);
    EXPECT_GT(refused, bytes.size() / 2);
    ::testing::Test::RecordProperty("read", std::to_string(read));
}

TEST(StackImportCorruption, TiffTruncationsAndFlips) {
    test::TempDir dir;
    WriteTiff(dir, "s.tif", "uint16", 3, 4, 5, std::vector<std::uint16_t>(60, 1234));
    Battery(dir.File("s.tif"), dir.File("s.tif"), 2000);
}

TEST(StackImportCorruption, ADamagedSuperblockIsRefusedBeforeTheLibraryReservesMemory) {
    // Found by the fuzzer: given to the library, these 50 bytes cost 4 GiB.
    const std::vector<std::uint8_t> bytes = {
        0x89, 0x48, 0x44, 0x46, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x08, 0x00, 0x04,
        0x00, 0x10, 0x00, 0x00, 0xff, 0xff, 0xff, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xff, 0x53,
        0xff, 0xff, 0xff, 0xfe, 0xff, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0f, 0x00};
    test::TempDir dir;
    test::WriteBytes(dir.File("d.h5"), bytes);
    EXPECT_EQ(ImportError(dir.File("d.h5"), {}), "the HDF5 superblock is truncated: " + dir.File("d.h5"));
    std::vector<std::uint8_t> version9 = bytes;
    version9[8] = 9;
    test::WriteBytes(dir.File("v.h5"), version9);
    EXPECT_EQ(ImportError(dir.File("v.h5") + ":/x", {}), "HDF5 superblock version 9 is not supported: " + dir.File("v.h5"));
}

TEST(StackImportCorruption, Hdf5TruncationsAndFlips) {
    test::TempDir dir;
    CProjectionCollection c;
    c.OnNewDocument();
    for (int k = 0; k < 2; ++k) {
        auto p = CProjectionCollection::MakeMemberProjection();
        ASSERT_TRUE(p->Create(1, 1, 3, 2));
        c.AddMember(p.release());
    }
    c.ApplyCircularGeometry();
    ExportProjectionsHdf5(c, dir.File("p.h5"), 0);
    Battery(dir.File("p.h5"), dir.File("p.h5") + ":/projections", 600);
}

}  // namespace
}  // namespace voxmill
