#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "app/archive/ArchiveException.h"
#include "formats/DocumentExports.h"
#include "formats/TextHeaderVolume.h"
#include "formats/TiffStack.h"
#include "reconstruction/Slice.h"
#include "reconstruction/SliceCollection.h"
#include "reconstruction/Volume.h"
#include "app/ListElementStub.h"
#include "tests/common/TempDir.h"
#include "tests/formats/IndependentReader.h"

namespace voxmill {
namespace {

using test::Field;
using test::Numbers;
using test::ReadSamples;
using test::RunReader;

// 5 x 4 x 3 voxels over 2 x 1.5 x 1 units, voxel (i, j, k) = i + 10 j + 100 k + 0.25,
// one negative and one huge value to catch any rescaling.
void FillVolume(CVolume& v) {
    ASSERT_TRUE(v.Allocate(2.0, 1.5, 1.0, 5, 4, 3));
    for (std::uint32_t k = 0; k < 3; ++k)
        for (std::uint32_t j = 0; j < 4; ++j)
            for (std::uint32_t i = 0; i < 5; ++i) v.Voxel(i, j, k) = static_cast<float>(i + 10 * j + 100 * k) + 0.25f;
    v.Voxel(1, 2, 0) = -1.5f;
    v.Voxel(4, 3, 2) = 3.0e38f;
}

std::vector<float> Voxels(const CVolume& v) { return {v.GetVoxels(), v.GetVoxels() + v.GetVoxelCount()}; }

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(VolumeExport, Hdf5ReadByH5pyWithEveryAttribute) {
    test::TempDir dir;
    CVolume volume;
    FillVolume(volume);
    volume.SetProvenance({"Tessor Renderer", {{"IsProcessCollection", "1"}, {"FilterName", "Ram-Lak"}}});
    for (int level : {0, 6}) {
        SCOPED_TRACE(level);
        const std::string path = dir.File("v" + std::to_string(level) + ".h5");
        ExportVolumeHdf5(volume, path, level);
        const auto lines = RunReader("h5_dump.py", {path, dir.path().string()});
        EXPECT_EQ(Field(lines, "dataset"), std::string("volume shape 3,4,5 dtype <f4 chunks 1,4,5 compression ") +
                                               (level ? "gzip" : "None"));
        EXPECT_EQ(ReadSamples<float>(dir.File("volume.bin")), Voxels(volume));
        EXPECT_EQ(Numbers(Field(lines, "attr volume voxel_size value =")),
                  (std::vector<double>{volume.GetPitchX(), volume.GetPitchY(), volume.GetPitchZ()}));
        EXPECT_EQ(Numbers(Field(lines, "attr volume origin value =")),
                  (std::vector<double>{volume.GetMinX(), volume.GetMaxY(), volume.GetMaxZ()}));
        EXPECT_EQ(Numbers(Field(lines, "attr volume direction value =")),
                  (std::vector<double>{1, 0, 0, 0, -1, 0, 0, 0, -1}));
        EXPECT_EQ(Numbers(Field(lines, "attr volume extent value =")), (std::vector<double>{2.0, 1.5, 1.0}));
        EXPECT_EQ(Field(lines, "attr volume units value ="), "unit");
        EXPECT_EQ(Field(lines, "attr volume renderer value ="), "Tessor Renderer");
        EXPECT_EQ(Field(lines, "attr volume renderer_options list ="), "IsProcessCollection=1 FilterName=Ram-Lak");
    }
    // The first voxel's centre is where the volume says it is.
    EXPECT_DOUBLE_EQ(volume.GetMinX(), -1.0 + 0.2);
    EXPECT_DOUBLE_EQ(volume.GetMaxY(), 0.75 - 0.1875);
}

TEST(VolumeExport, VolumeFromFileCarriesNoRenderer) {
    test::TempDir dir;
    CVolume volume;
    FillVolume(volume);
    ExportVolumeHdf5(volume, dir.File("v.h5"));
    const auto lines = RunReader("h5_dump.py", {dir.File("v.h5"), dir.path().string()});
    for (const std::string& line : lines) EXPECT_EQ(line.find("renderer"), std::string::npos) << line;
}

TEST(VolumeExport, TiffReadByTifffileWithImageJScale) {
    test::TempDir dir;
    CVolume volume;
    FillVolume(volume);
    const std::string path = dir.File("v.tif");
    ExportVolumeTiff(volume, path);
    const auto lines = RunReader("tiff_dump.py", {path, dir.File("v.bin")});
    EXPECT_EQ(Field(lines, "pages"), "3");
    EXPECT_EQ(Field(lines, "dtype"), "<f4");
    EXPECT_EQ(Field(lines, "shape"), "3,4,5");
    EXPECT_EQ(Field(lines, "bigtiff"), "0");
    EXPECT_EQ(Field(lines, "imagej"), "1");
    EXPECT_EQ(Field(lines, "ij images ="), "3");
    EXPECT_EQ(Field(lines, "ij slices ="), "3");
    EXPECT_EQ(Field(lines, "ij unit ="), "unit");
    EXPECT_DOUBLE_EQ(Numbers(Field(lines, "ij spacing ="))[0], volume.GetPitchZ());
    const auto x = Numbers(Field(lines, "xres")), y = Numbers(Field(lines, "yres"));
    EXPECT_NEAR(x[1] / x[0], volume.GetPitchX(), 1e-6);
    EXPECT_NEAR(y[1] / y[0], volume.GetPitchY(), 1e-6);
    EXPECT_EQ(ReadSamples<float>(dir.File("v.bin")), Voxels(volume));
}

TEST(VolumeExport, BigTiffPastTheLimit) {
    test::TempDir dir;
    CVolume volume;
    FillVolume(volume);
    const std::string path = dir.File("big.tif");
    // 240 bytes of samples: past a limit of 239, within one of 240.
    WriteTiffStack(path, VolumeStackGeometry(volume), volume.GetVoxels(), 239);
    EXPECT_EQ(ReadText(path).substr(0, 4), std::string("II\x2B\0", 4));
    const auto lines = RunReader("tiff_dump.py", {path, dir.File("big.bin")});
    EXPECT_EQ(Field(lines, "bigtiff"), "1");
    EXPECT_EQ(Field(lines, "pages"), "3");
    EXPECT_EQ(ReadSamples<float>(dir.File("big.bin")), Voxels(volume));
    WriteTiffStack(path, VolumeStackGeometry(volume), volume.GetVoxels(), 240);
    EXPECT_EQ(ReadText(path).substr(0, 4), std::string("II\x2A\0", 4));
}

TEST(VolumeExport, MetaImageAndNrrdHeadersAndVtkReadBack) {
    test::TempDir dir;
    CVolume volume;
    ASSERT_TRUE(volume.Allocate(2.0, 1.0, 4.0, 4, 2, 8));
    for (std::size_t n = 0; n < volume.GetVoxelCount(); ++n) volume.GetVoxels()[n] = 0.5f * static_cast<float>(n) - 3;
    const StackGeometry g = VolumeStackGeometry(volume);
    EXPECT_EQ(MetaImageHeader(g),
              "ObjectType = Image\nNDims = 3\nBinaryData = True\nBinaryDataByteOrderMSB = False\n"
              "CompressedData = False\nTransformMatrix = 1 0 0 0 -1 0 0 0 -1\nOffset = -0.75 0.25 1.75\n"
              "CenterOfRotation = 0 0 0\nElementSpacing = 0.5 0.5 0.5\nDimSize = 4 2 8\nElementType = MET_FLOAT\n"
              "ElementDataFile = LOCAL\n");
    EXPECT_EQ(NrrdHeader(g),
              "NRRD0004\n# voxmill volume\ntype: float\ndimension: 3\nspace dimension: 3\nsizes: 4 2 8\n"
              "space directions: (0.5,0,0) (0,-0.5,0) (0,0,-0.5)\nspace origin: (-0.75,0.25,1.75)\n"
              "space units: \"unit\" \"unit\" \"unit\"\nkinds: domain domain domain\nendian: little\n"
              "encoding: raw\n\n");
    ExportVolumeMetaImage(volume, dir.File("v.mha"));
    EXPECT_EQ(ReadText(dir.File("v.mha")).size(), MetaImageHeader(g).size() + 4 * volume.GetVoxelCount());
    auto lines = RunReader("vtk_dump.py", {dir.File("v.mha"), dir.File("mha.bin")});
    EXPECT_EQ(Field(lines, "dims"), "4 2 8");
    EXPECT_EQ(Numbers(Field(lines, "spacing")), (std::vector<double>{0.5, 0.5, 0.5}));
    EXPECT_EQ(Numbers(Field(lines, "origin")), (std::vector<double>{-0.75, 0.25, 1.75}));
    EXPECT_EQ(Field(lines, "dtype"), "<f4");
    EXPECT_EQ(ReadSamples<float>(dir.File("mha.bin")), Voxels(volume));

    ExportVolumeNrrd(volume, dir.File("v.nrrd"));
    EXPECT_EQ(ReadText(dir.File("v.nrrd")).size(), NrrdHeader(g).size() + 4 * volume.GetVoxelCount());
    lines = RunReader("nrrd_dump.py", {dir.File("v.nrrd"), dir.File("nrrd.bin")});
    EXPECT_EQ(Field(lines, "type"), "float");
    EXPECT_EQ(Field(lines, "sizes"), "4 2 8");
    EXPECT_EQ(Field(lines, "space_directions"), "(0.5,0,0) (0,-0.5,0) (0,0,-0.5)");
    EXPECT_EQ(Field(lines, "space_origin"), "(-0.75,0.25,1.75)");
    EXPECT_EQ(Field(lines, "kinds"), "domain domain domain");
    EXPECT_EQ(ReadSamples<float>(dir.File("nrrd.bin")), Voxels(volume));
}

// Three projections of 4 x 3 pixels on the collection's circle.
void FillCollection(CProjectionCollection& c, std::uint32_t count = 3, std::uint32_t width = 4, std::uint32_t height = 3) {
    c.OnNewDocument();
    for (std::uint32_t k = 0; k < count; ++k) {
        auto p = CProjectionCollection::MakeMemberProjection();
        ASSERT_TRUE(p->Create(2.0, 1.5, width, height));
        for (std::size_t n = 0; n < p->GetPixelCount(); ++n) p->GetPixels()[n] = static_cast<float>(k * 100 + n) / 7.0f;
        c.AddMember(p.release());
    }
    c.ApplyCircularGeometry();
}

TEST(ProjectionExport, Hdf5HoldsImagesAndEveryProjectionsGeometry) {
    test::TempDir dir;
    CProjectionCollection c;
    FillCollection(c);
    const std::string path = dir.File("p.h5");
    ExportProjectionsHdf5(c, path, 1);
    const auto lines = RunReader("h5_dump.py", {path, dir.path().string()});
    EXPECT_EQ(Field(lines, "dataset projections"), "shape 3,3,4 dtype <f4 chunks 1,3,4 compression gzip");
    EXPECT_EQ(Field(lines, "dataset source"), "shape 3,3 dtype <f8 chunks  compression None");
    EXPECT_EQ(Field(lines, "dataset detector_size"), "shape 3,2 dtype <f8 chunks  compression None");
    std::vector<float> pixels;
    std::vector<double> source, centre, h, v, size;
    for (std::size_t k = 0; k < 3; ++k) {
        const CProjection& p = *c.GetProjection(k);
        pixels.insert(pixels.end(), p.GetPixels(), p.GetPixels() + p.GetPixelCount());
        const auto add = [](std::vector<double>& to, const CVector4& q) { to.insert(to.end(), {q.x, q.y, q.z}); };
        add(source, p.GetSource().GetPosition());
        add(centre, p.GetDetector().GetCenter());
        add(h, p.GetDetector().GetHorizontal());
        add(v, p.GetDetector().GetVertical());
        size.insert(size.end(), {2.0, 1.5});
    }
    EXPECT_EQ(ReadSamples<float>(dir.File("projections.bin")), pixels);
    EXPECT_EQ(ReadSamples<double>(dir.File("source.bin")), source);
    EXPECT_EQ(ReadSamples<double>(dir.File("detector_centre.bin")), centre);
    EXPECT_EQ(ReadSamples<double>(dir.File("detector_h.bin")), h);
    EXPECT_EQ(ReadSamples<double>(dir.File("detector_v.bin")), v);
    EXPECT_EQ(ReadSamples<double>(dir.File("detector_size.bin")), size);
    // Member 1 of 3 sits a third of the way round: source R (0, 0, 4).
    EXPECT_NEAR(source[3], 4 * std::sin(2 * 3.14159265359 / 3), 1e-9);
}

TEST(ProjectionExport, TiffOnePagePerProjection) {
    test::TempDir dir;
    CProjectionCollection c;
    FillCollection(c);
    ExportProjectionsTiff(c, dir.File("p.tif"));
    const auto lines = RunReader("tiff_dump.py", {dir.File("p.tif"), dir.File("p.bin")});
    EXPECT_EQ(Field(lines, "shape"), "3,3,4");
    EXPECT_EQ(ReadSamples<float>(dir.File("p.bin")).size(), 36u);
}

TEST(SliceExport, TiffAndHdf5StacksWithSpacing) {
    test::TempDir dir;
    CSliceCollection slices;
    slices.OnNewDocument();
    slices.SetAxis(2);
    for (int k = 0; k < 2; ++k) {
        CSlice* s = static_cast<CSlice*>(slices.AddSlice()->m_pElement);
        ASSERT_TRUE(s->Create(1.0, 2.0, 2, 4));
        s->SetAxisPosition(2, 0.5 - 0.25 * k);
        for (std::size_t n = 0; n < 8; ++n) s->GetPixels()[n] = static_cast<float>(10 * k + n);
    }
    ExportSlicesTiff(slices, dir.File("s.tif"));
    auto lines = RunReader("tiff_dump.py", {dir.File("s.tif"), dir.File("s.bin")});
    EXPECT_EQ(Field(lines, "shape"), "2,4,2");
    EXPECT_EQ(Numbers(Field(lines, "ij spacing =")), std::vector<double>{0.25});
    EXPECT_EQ(ReadSamples<float>(dir.File("s.bin"))[9], 11.0f);
    ExportSlicesHdf5(slices, dir.File("s.h5"));
    lines = RunReader("h5_dump.py", {dir.File("s.h5"), dir.path().string()});
    EXPECT_EQ(Field(lines, "attr slices axis value ="), "z");
    EXPECT_EQ(Numbers(Field(lines, "attr slices positions value =")), (std::vector<double>{0.5, 0.25}));
    EXPECT_EQ(Numbers(Field(lines, "attr slices pixel_size value =")), (std::vector<double>{0.5, 0.5}));
}

TEST(ExportFailure, PreviousFileSurvives) {
    test::TempDir dir;
    const std::string path = dir.File("keep.h5");
    test::WriteBytes(path, {'o', 'l', 'd'});
    CVolume empty;
    for (auto exportTo : {&ExportVolumeTiff, &ExportVolumeMetaImage, &ExportVolumeNrrd})
        EXPECT_THROW(exportTo(empty, path), CFileException);
    EXPECT_THROW(ExportVolumeHdf5(empty, path), CFileException);
    CProjectionCollection ragged;
    FillCollection(ragged, 2);
    auto odd = CProjectionCollection::MakeMemberProjection();
    ASSERT_TRUE(odd->Create(1, 1, 5, 3));
    ragged.AddMember(odd.release());
    try {
        ExportProjectionsHdf5(ragged, path);
        ADD_FAILURE() << "a ragged collection was exported";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("projection 2 is 5 x 3 pixels, the first 4 x 3"), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(ReadText(path), "old");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"keep.h5"});
}

}  // namespace
}  // namespace voxmill
