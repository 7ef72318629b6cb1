// Projections: the .prj record, IProjection, the raw-matrix import with its
// dialogs' values, and the exports (raw, bitmap, DICOM checked by dcmdump).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "acquisition/GeometryValues.h"
#include "acquisition/Projection.h"
#include "contract/ProjectionCollection.h"
#include "app/archive/Archive.h"
#include "app/archive/File.h"
#include "tests/acquisition/TestSupport.h"

namespace voxmill {
namespace {

using testing::Append;
using testing::Bytes;
using testing::ReadAt;

std::unique_ptr<CProjection> MakeProjection(std::uint32_t w, std::uint32_t h) {
    auto p = std::make_unique<CProjection>();
    p->OnNewDocument();
    EXPECT_TRUE(p->SetGeometry(CPoint4(0, 0, -4), CDirection4(1, 0, 0), CDirection4(0, 1, 0), 2.0, 1.0, w, h));
    for (std::size_t k = 0; k < p->GetPixelCount(); ++k) p->GetPixels()[k] = 0.5f * static_cast<float>(k);
    p->UpdateRange();
    p->SetSourcePosition(CPoint4(0, 0, 4));
    return p;
}

std::string RunCommand(const std::string& command) { return test::RunShell(command).out; }

// The dcmdump line of one tag, e.g. "(0028,0010) US 2 ...".
std::string DumpLine(const std::string& dump, const std::string& tag) {
    const std::size_t at = dump.find(tag);
    if (at == std::string::npos) return {};
    return dump.substr(at, dump.find('\n', at) - at);
}

TEST(Projection, PrjRecordRoundTrip) {
    testing::TempFolder dir;
    auto p = MakeProjection(5, 3);
    p->Save(dir.File("a.prj"));
    const Bytes bytes = testing::ReadBytes(dir.File("a.prj"));
    const auto packed = ReadAt<std::uint32_t>(bytes, 24);
    ASSERT_EQ(bytes.size(), 28u + packed + 32u + 224u);
    EXPECT_EQ(ReadAt<double>(bytes, 28 + packed + 16), 4.0);  // source z
    EXPECT_EQ(ReadAt<double>(bytes, 28 + packed + 24), 1.0);  // source w
    EXPECT_EQ(ReadAt<std::int32_t>(bytes, 28 + packed + 32 + 16), 5);  // detector width

    CProjection back;
    back.Open(dir.File("a.prj"));
    ASSERT_TRUE(back.HasPixels());
    for (std::size_t k = 0; k < 15; ++k) EXPECT_EQ(back.GetPixels()[k], p->GetPixels()[k]);
    EXPECT_EQ(back.GetSource().GetPosition().z, 4.0);
    EXPECT_EQ(back.GetDetector().GetCenter().z, -4.0);
    EXPECT_EQ(back.GetDetector().GetDimX(), 2.0);
    EXPECT_EQ(back.GetDetector().GetHeight(), 3);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(back.GetDetector().GetToWorld().m[r][c], p->GetDetector().GetToWorld().m[r][c]);
    std::string text;
    back.GetDescription(text);
    EXPECT_EQ(text, "+0.00,+0.00,+4.00");
}

TEST(Projection, InterfaceReportsGeometrySourceDetectorAndPixels) {
    CProjection p;
    p.OnNewDocument();
    ASSERT_TRUE(p.SetGeometry(CPoint4(1, 2, 3), CDirection4(0, 0, -1), CDirection4(0, 1, 0), 1.0, 1.0, 64, 64));
    p.SetSourcePosition(CPoint4(4, 0, 0));
    auto* ip = static_cast<IProjection*>(p.GetInterface(IID_IProjection));
    ASSERT_NE(ip, nullptr);
    float width, height, uMin, vMin, uMax, vMax, du, dv;
    LONG columns, rows;
    EXPECT_EQ(ip->GetGeometry(&width, &height, &uMin, &vMin, &uMax, &vMax, &du, &dv, &columns, &rows), S_OK);
    EXPECT_EQ(du, 0.015625f);
    EXPECT_EQ(uMin, -0.4921875f);
    EXPECT_EQ(uMax, 0.4921875f);
    EXPECT_EQ(vMax, 0.4921875f);
    EXPECT_EQ(columns, 64);
    float x, y, z;
    ip->GetSourcePosition(&x, &y, &z);
    EXPECT_EQ(x, 4.0f);
    ip->GetDetectorPosition(&x, &y, &z);
    EXPECT_EQ(z, 3.0f);
    double m[16];
    ip->GetMatrix(m);
    EXPECT_EQ(m[0 * 4 + 0], 0.0);   // column 0 is H = (0, 0, -1)
    EXPECT_EQ(m[2 * 4 + 0], -1.0);
    EXPECT_EQ(m[0 * 4 + 2], 1.0);   // column 2 is N = H x V = (1, 0, 0)
    float* data = nullptr;
    ip->GetData(&data);
    EXPECT_EQ(data, p.GetPixels());
    void* again = nullptr;
    EXPECT_EQ(ip->QueryInterface(IID_IProjection, &again), S_OK);
    EXPECT_EQ(again, ip);
    EXPECT_EQ(ip->QueryInterface(IID_IProjectionCollection, &again), E_NOINTERFACE);
}

TEST(Projection, SetGeometryRefusesAnImageThatExists) {
    auto p = MakeProjection(4, 4);
    EXPECT_FALSE(p->SetGeometry(CPoint4(9, 9, 9), CDirection4(1, 0, 0), CDirection4(0, 1, 0), 1.0, 1.0, 8, 8));
    EXPECT_EQ(p->GetDetector().GetCenter().x, 0.0);
    CProjection q;
    EXPECT_FALSE(q.SetGeometry(CPoint4(9, 9, 9), CDirection4(1, 0, 0), CDirection4(0, 1, 0), 0.0, 1.0, 8, 8));
    EXPECT_EQ(q.GetDetector().GetCenter().x, 0.0);
}

TEST(ProjectionImport, RawMatrixWithItsThreeDialogs) {
    testing::TempFolder dir;
    Bytes raw;
    for (int k = 0; k < 4096; ++k) Append(raw, static_cast<float>(k));
    testing::WriteBytes(dir.File("scan.raw"), raw);
    BinaryMatrixImport matrix = CProjection::ProposeImport(dir.File("scan.raw"));
    EXPECT_EQ(matrix.width, 64u);  // 16,384 bytes proposes 64 x 64
    EXPECT_EQ(matrix.height, 64u);
    matrix.width = 128;
    matrix.height = 32;
    matrix.dimX = 4.0f;
    matrix.dimY = 1.0f;

    CProjection p;
    p.OnNewDocument();
    p.SetPathName(dir.File("keep.prj"), false);
    SourcePositionValues source = SourcePositionValues::From(p.GetSource());
    source.z = 6.0f;
    DetectorPlacementValues placement = DetectorPlacementValues::From(p.GetDetector());
    placement.center[2] = -2.0f;
    p.ImportBinaryMatrix(dir.File("scan.raw"), matrix, source, placement);
    ASSERT_TRUE(p.HasPixels());
    EXPECT_EQ(p.GetWidth(), 128u);
    EXPECT_EQ(p.GetPixel(5, 1), 133.0f);
    EXPECT_EQ(p.GetMaxValue(), 4095.0f);
    EXPECT_EQ(p.GetSource().GetPosition().z, 6.0);
    EXPECT_EQ(p.GetDetector().GetCenter().z, -2.0);
    EXPECT_EQ(p.GetDetector().GetWidth(), 128);
    EXPECT_EQ(p.GetDetector().GetDimX(), 4.0);
    EXPECT_EQ(p.GetPathName(), dir.File("keep.prj"));  // a later Save must not hit the raw file

    // A second import into the same projection takes its own counts.
    matrix.width = 16;
    matrix.height = 16;
    matrix.type = kInt8;
    p.ImportBinaryMatrix(dir.File("scan.raw"), matrix, source, placement);
    EXPECT_EQ(p.GetWidth(), 16u);
    EXPECT_EQ(p.GetDetector().GetWidth(), 16);

    // A file too short for the values changes nothing.
    matrix.type = kIeeeDouble;
    matrix.width = matrix.height = 64;
    source.z = 99.0f;
    EXPECT_THROW(p.ImportBinaryMatrix(dir.File("scan.raw"), matrix, source, placement), CArchiveException);
    EXPECT_EQ(p.GetWidth(), 16u);
    EXPECT_EQ(p.GetSource().GetPosition().z, 6.0);
}

TEST(ProjectionExport, RawAndBitmap) {
    testing::TempFolder dir;
    auto p = MakeProjection(3, 2);
    p->ExportBinaryMatrix(dir.File("p.raw"));
    const Bytes raw = testing::ReadBytes(dir.File("p.raw"));
    ASSERT_EQ(raw.size(), 24u);
    EXPECT_EQ(ReadAt<float>(raw, 20), 2.5f);
    p->ExportBitmap(dir.File("p.bmp"));
    EXPECT_EQ(testing::ReadBytes(dir.File("p.bmp")).size(), 1078u + 8u);
    EXPECT_EQ(p->GetPathName(), "");  // exports leave the document's own path alone
}

TEST(ProjectionDicom, PixelConversion) {
    auto p = MakeProjection(3, 2);  // 0, 0.5, ..., 2.5
    const std::vector<std::uint16_t> words = p->DicomPixelValues();
    ASSERT_EQ(words.size(), 6u);
    EXPECT_EQ(words[0], 0);
    EXPECT_EQ(words[1], 13107);  // trunc(0.5 x 65535 / 2.5)
    EXPECT_EQ(words[5], 65535);
    // The maximum is always 65535, whatever rounding the range brings.
    const float ranges[][2] = {{0.1f, 0.7f}, {-3.3f, 1e-3f}, {1e-7f, 3e-7f}, {-1e6f, 123.456f}};
    for (const auto& r : ranges) {
        p->GetPixels()[0] = r[0];
        p->GetPixels()[5] = r[1];
        p->SetValueRange(r[0], r[1]);
        const std::vector<std::uint16_t> w = p->DicomPixelValues();
        EXPECT_EQ(w[0], 0) << r[0];
        EXPECT_EQ(w[5], 65535) << r[1];
    }
    p->SetValueRange(1.0f, 1.0f);
    for (std::uint16_t w : p->DicomPixelValues()) EXPECT_EQ(w, 0);
    p->SetValueRange(1000.0f, 0.0f);  // never computed
    for (std::uint16_t w : p->DicomPixelValues()) EXPECT_EQ(w, 0);
}

TEST(ProjectionDicom, FileCarriesTheListedElements) {
    testing::TempFolder dir;
    auto p = MakeProjection(3, 2);
    const std::string path = dir.File("p.pap");
    p->ExportDicom(path);
    const std::string dump = RunCommand(std::string(VOXMILL_DCMDUMP) + " +L \"" + path + "\" 2>&1");
    const struct {
        const char* tag;
        const char* value;
    } expected[] = {
        {"(0002,0003)", "[1.2.840.10040.5.1.4.1.1.2]"},
        {"(0002,0016)", "[Voxmill]"},
        {"(0010,0010)", "[n/a]"},
        {"(0008,0020)", "[19940623]"},
        {"(0008,0030)", "[174042]"},
        {"(0008,0060)", "[CR]"},
        {"(0018,0015)", "(no value available)"},
        {"(0008,0070)", "[n/a]"},
        {"(0020,0013)", "[1]"},
        {"(0018,1111)", "[100]"},
        {"(0018,1110)", "[150]"},
        {"(0028,0002)", "US 1 "},
        {"(0028,0004)", "[MONOCHROME2]"},
        {"(0028,0010)", "US 2 "},
        {"(0028,0011)", "US 3 "},
        {"(0028,0100)", "US 16 "},
        {"(0028,0101)", "US 16 "},
        {"(0028,0102)", "US 15 "},
        {"(0028,0103)", "US 0 "},
        {"(0008,0016)", "=ComputedRadiographyImageStorage"},
        {"(0008,0018)", "[1.2.840.10008.5.1.4.1.1.1.333.444.55]"},
        {"(7fe0,0010)", "0000\\3333\\6666\\9999\\cccc\\ffff"},
    };
    for (const auto& e : expected) {
        const std::string line = DumpLine(dump, e.tag);
        EXPECT_NE(line.find(e.value), std::string::npos) << e.tag << ": " << line << "\n" << dump;
    }
    EXPECT_EQ(DumpLine(dump, "(0008,0090)"), "");  // nothing beyond the list in the data set
}

TEST(ProjectionDicom, FlatImageAndRefusal) {
    testing::TempFolder dir;
    auto p = MakeProjection(2, 2);
    for (int k = 0; k < 4; ++k) p->GetPixels()[k] = 3.0f;
    CProjection flat;
    flat.OnNewDocument();
    ASSERT_TRUE(flat.SetGeometry(CPoint4(), CDirection4(1, 0, 0), CDirection4(0, 1, 0), 1, 1, 2, 2));
    for (int k = 0; k < 4; ++k) flat.GetPixels()[k] = 3.0f;
    flat.UpdateRange();
    flat.SetValueRange(3.0f, 3.0f);
    flat.ExportDicom(dir.File("flat.pap"));
    const std::string dump = RunCommand(std::string(VOXMILL_DCMDUMP) + " +L \"" + dir.File("flat.pap") + "\" 2>&1");
    EXPECT_NE(DumpLine(dump, "(7fe0,0010)").find("0000\\0000\\0000\\0000"), std::string::npos) << dump;

    // A folder that does not exist: refused, nothing written.
    EXPECT_THROW(p->ExportDicom(dir.File("missing/x.pap")), std::runtime_error);
    // An export that fails keeps the previous file.
    testing::WriteBytes(dir.File("old.pap"), Bytes{1, 2, 3});
    CProjection empty;
    EXPECT_THROW(empty.ExportDicom(dir.File("old.pap")), std::runtime_error);
    EXPECT_EQ(testing::ReadBytes(dir.File("old.pap")), (Bytes{1, 2, 3}));
    // No temporary files are left behind.
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) entries += entry.is_regular_file();
    EXPECT_EQ(entries, 2u);
}

TEST(Projection, CorruptionBatteryNeverCrashes) {
    testing::TempFolder dir;
    auto p = MakeProjection(4, 3);
    p->Save(dir.File("valid.prj"));
    const Bytes valid = testing::ReadBytes(dir.File("valid.prj"));
    std::size_t opened = 0, refused = 0;
    testing::ForEachDamage(valid, [&](const Bytes& damaged) {
        testing::WriteBytes(dir.File("d.prj"), damaged);
        CProjection q;
        q.OnNewDocument();
        if (q.OnOpenDocument(dir.File("d.prj")))
            ++opened;
        else
            ++refused;
    });
    EXPECT_GT(refused, valid.size() - 1);  // every truncation is refused
    EXPECT_GT(opened, 0u);
}

}  // namespace
}  // namespace voxmill
