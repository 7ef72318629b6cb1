// Cines: the .sds record, the cine and multi-file raw imports, the cine
// raw export, member operations and "Generate Projections".
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "app/archive/ArchiveException.h"
#include "tests/acquisition/TestSupport.h"
#include "tests/hardware/SlideTestSupport.h"

namespace voxmill {
namespace {

using testing::Bytes;

std::uint8_t Pattern(std::size_t k, std::uint32_t i, std::uint32_t j) { return std::uint8_t(k * 50 + i * 3 + j); }

TEST(SlideCollection, RecordRoundTripInPlace) {
    testing::TempFolder dir;
    CSlideCollection cine;
    cine.OnNewDocument();
    testing::FillCine(cine, 3, 5, 4, Pattern);
    cine.AddSlide();  // an empty slide travels too
    cine.Save(dir.File("c.sds"));

    CSlideCollection back;
    back.OnNewDocument();
    ASSERT_TRUE(back.OnOpenDocument(dir.File("c.sds")));
    ASSERT_EQ(back.GetCount(), 4u);
    EXPECT_EQ(back.GetTargetType(), kTargetSlideCollection);
    for (std::size_t k = 0; k < 3; ++k) {
        ASSERT_TRUE(back.GetSlide(k)->HasPixels());
        EXPECT_EQ(back.GetSlide(k)->GetPixel(4, 3), Pattern(k, 4, 3));
    }
    ASSERT_NE(back.GetSlide(3), nullptr);
    EXPECT_FALSE(back.GetSlide(3)->HasPixels());
}

TEST(SlideCollection, CorruptionBatteryNeverCrashes) {
    testing::TempFolder dir;
    CSlideCollection cine;
    cine.OnNewDocument();
    testing::FillCine(cine, 2, 4, 3, Pattern);
    cine.Save(dir.File("valid.sds"));
    const Bytes valid = testing::ReadBytes(dir.File("valid.sds"));
    std::size_t opened = 0, refused = 0;
    testing::ForEachDamage(valid, [&](const Bytes& damaged) {
        testing::WriteBytes(dir.File("d.sds"), damaged);
        CSlideCollection c;
        c.OnNewDocument();
        if (c.OnOpenDocument(dir.File("d.sds")))
            ++opened;
        else
            ++refused;
    });
    EXPECT_GE(refused, valid.size());
    EXPECT_GT(opened, 0u);
}

TEST(SlideCollection, AddAndRemoveMembers) {
    CSlideCollection cine;
    cine.OnNewDocument();
    testing::FillCine(cine, 5, 2, 2, Pattern);
    cine.RemoveMembers({3, 1, 3, 99});
    ASSERT_EQ(cine.GetCount(), 3u);
    EXPECT_EQ(cine.GetSlide(1)->GetPixel(0, 0), Pattern(2, 0, 0));
    EXPECT_EQ(cine.GetSlide(2)->GetPixel(0, 0), Pattern(4, 0, 0));
    CListElementStub* added = cine.AddSlide();
    EXPECT_EQ(cine.GetCount(), 4u);
    EXPECT_EQ(added->m_pElement->GetDocTemplate(), CSlideCollection::GetSlideTemplate());
    cine.DeleteContents();
    EXPECT_EQ(cine.GetCount(), 0u);
}

TEST(SlideCollectionCine, ImportReadsUnitsFramesAfterTheOffset) {
    testing::TempFolder dir;
    Bytes file(400);
    for (std::size_t k = 0; k < file.size(); ++k) file[k] = static_cast<std::uint8_t>(k % 251);
    testing::WriteBytes(dir.File("cine.raw"), file);
    SinogramImport v = CSlideCollection::ProposeCineImport(dir.File("cine.raw"));
    EXPECT_EQ(v.matrix.type, kIeeeFloat);
    EXPECT_EQ(v.matrix.width, 10u);  // trunc(sqrt(400 / 4))
    EXPECT_EQ(v.count, 1u);
    v.matrix.type = kInt8;
    v.matrix.dimX = 2.0f;
    v.matrix.dimY = 3.0f;
    v.matrix.offset = 16;
    v.count = 3;
    EXPECT_EQ(v.ReadLength(), 316u);

    CSlideCollection cine;
    cine.OnNewDocument();
    testing::FillCine(cine, 1, 2, 2, Pattern);
    cine.ImportCine(dir.File("cine.raw"), v);
    ASSERT_EQ(cine.GetCount(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        const CSlide& s = *cine.GetSlide(k);
        EXPECT_EQ(s.GetDimX(), 2.0);
        EXPECT_EQ(s.GetDimY(), 3.0);
        EXPECT_EQ(s.GetPixel(0, 0), file[16 + 100 * k]);
        EXPECT_EQ(s.GetPixel(9, 9), file[16 + 100 * k + 99]);  // the last frame ends at byte 315
        EXPECT_FALSE(cine.GetMember(k)->m_bLinked);
    }

    // Too short: nothing changes.
    v.count = 4;
    EXPECT_THROW(cine.ImportCine(dir.File("cine.raw"), v), CArchiveException);
    EXPECT_EQ(cine.GetCount(), 3u);
    v.count = 0;
    EXPECT_THROW(cine.ImportCine(dir.File("cine.raw"), v), std::invalid_argument);
    // Counts whose product wraps 64 bits (8 x 2^32 x 2^32 x 4) are refused
    // before anything is allocated, not taken for a small read.
    v.count = 4;
    v.matrix.type = kIeeeDouble;
    v.matrix.width = v.matrix.height = 0xFFFFFFFFu;
    EXPECT_THROW(cine.ImportCine(dir.File("cine.raw"), v), CArchiveException);
    v.matrix.width = v.matrix.height = 0x80000000u;  // 8 x 2^62 x 4 = 2^67, wraps to 0
    EXPECT_THROW(cine.ImportCine(dir.File("cine.raw"), v), CArchiveException);
    EXPECT_EQ(cine.GetCount(), 3u);
}

TEST(SlideCollectionCine, ExportWritesEveryFrameBackToBack) {
    testing::TempFolder dir;
    CSlideCollection cine;
    cine.OnNewDocument();
    testing::FillCine(cine, 3, 100, 50, Pattern);
    cine.ExportCine(dir.File("out.raw"));
    const Bytes out = testing::ReadBytes(dir.File("out.raw"));
    ASSERT_EQ(out.size(), 15000u);
    EXPECT_EQ(out[5000 + 50 * 100 - 1], Pattern(1, 99, 49));

    // Slides without pixels write nothing; a failed export keeps the file.
    cine.AddSlide();
    cine.ExportCine(dir.File("out.raw"));
    EXPECT_EQ(testing::ReadBytes(dir.File("out.raw")).size(), 15000u);
}

TEST(SlideCollectionRawFiles, LinkedSlidesOnTheFullCircle) {
    testing::TempFolder dir;
    std::vector<std::string> paths;
    for (int k = 5; k < 9; ++k) {
        paths.push_back(dir.File("frame" + std::to_string(k) + ".raw"));
        testing::WriteBytes(paths.back(), Bytes(36, static_cast<std::uint8_t>(k)));
    }
    paths.push_back(dir.File("missing.raw"));
    BinaryMatrixImport v;
    v.type = kInt8;
    v.width = v.height = 6;
    v.dimX = v.dimY = 3.0f;
    CSlideCollection cine;
    cine.OnNewDocument();
    const CSlideCollection::RawFilesReport report = cine.ImportRawFiles(paths, v);
    EXPECT_EQ(report.importedCount, 4u);
    ASSERT_EQ(report.dropped.size(), 1u);
    ASSERT_EQ(cine.GetCount(), 4u);
    EXPECT_TRUE(std::filesystem::exists(dir.File("frame7.raw.SLD")));
    EXPECT_EQ(cine.GetMember(2)->m_strPath, dir.File("frame7.raw.SLD"));
    EXPECT_TRUE(cine.GetMember(2)->m_bLinked);

    // Slide 1 of 4 at 90 degrees: source (4, 0, 0), detector at (-4, 0, 0).
    CListElementStub& stub = *cine.GetMember(1);
    ASSERT_TRUE(stub.Load());
    const CSlide& s = *cine.GetSlide(1);
    EXPECT_NEAR(s.GetSource().GetPosition().x, 4.0, 1e-9);
    EXPECT_NEAR(s.GetSource().GetPosition().z, 0.0, 1e-9);
    EXPECT_NEAR(s.GetDetector().GetCenter().x, -4.0, 1e-9);
    EXPECT_NEAR(s.GetDetector().GetHorizontal().z, -1.0, 1e-9);
    EXPECT_EQ(s.GetDetector().GetWidth(), 6);
    EXPECT_EQ(s.GetDimX(), 3.0);
    EXPECT_EQ(s.GetPixel(0, 0), 6);
    stub.Unload();

    // The geometry is in the slide files: a saved cine reloads it.
    cine.Save(dir.File("c.sds"));
    CSlideCollection back;
    back.OnNewDocument();
    ASSERT_TRUE(back.OnOpenDocument(dir.File("c.sds")));
    ASSERT_TRUE(back.GetMember(1)->Load());
    EXPECT_NEAR(back.GetSlide(1)->GetSource().GetPosition().x, 4.0, 1e-9);
    EXPECT_EQ(back.GetMember(3)->GetCachedDescription().substr(0, 12), "-4.00,+0.00,");
}

class GenerateProjections : public ::testing::Test {
protected:
    testing::TempFolder dir;
    CSlideCollection cine, reference;

    void SetUp() override {
        cine.OnNewDocument();
        reference.OnNewDocument();
        testing::FillCine(cine, 3, 4, 2, [](std::size_t k, std::uint32_t i, std::uint32_t) {
            return std::uint8_t(k == 1 && i == 0 ? 0 : 127);
        });
        testing::FillCine(reference, 3, 4, 2,
                          [](std::size_t, std::uint32_t, std::uint32_t) { return std::uint8_t{255}; });
    }
};

TEST_F(GenerateProjections, InPlacePairByPair) {
    CSlideCollection::ProjectionsReport report = cine.GenerateProjections(reference);
    ASSERT_TRUE(report.collection);
    ASSERT_EQ(report.collection->GetCount(), 3u);
    EXPECT_TRUE(report.skipped.empty());
    const CProjection& p = *report.collection->GetProjection(1);
    EXPECT_FLOAT_EQ(p.GetPixel(0, 1), static_cast<float>(std::log(256.0)));
    EXPECT_FLOAT_EQ(p.GetPixel(1, 0), static_cast<float>(std::log(2.0)));
    EXPECT_FALSE(report.collection->GetMember(0)->m_bLinked);
}

TEST_F(GenerateProjections, ReferenceOfAnotherLengthMakesNothing) {
    reference.AddSlide();
    EXPECT_FALSE(cine.GenerateProjections(reference).collection);
    CSlideCollection shorter;
    shorter.OnNewDocument();
    EXPECT_FALSE(cine.GenerateProjections(shorter).collection);
}

TEST_F(GenerateProjections, LinkedMembersAndSkippedPairs) {
    cine.AddSlide();
    reference.AddSlide();  // a pair without pixels is left out
    reference.Save(dir.File("ref.sds"));
    CSlideCollection::ProjectionsReport report = cine.GenerateProjections(dir.File("ref.sds"), dir.File("run.prs"));
    ASSERT_TRUE(report.collection);
    EXPECT_EQ(report.collection->GetCount(), 3u);
    EXPECT_EQ(report.skipped.size(), 1u);
    EXPECT_EQ(report.collection->GetPathName(), dir.File("run.prs"));
    EXPECT_TRUE(std::filesystem::exists(dir.File("run.prs.2.PRJ")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("run.prs.3.PRJ")));
    CProjection third;
    third.OnNewDocument();
    ASSERT_TRUE(third.OnOpenDocument(dir.File("run.prs.2.PRJ")));
    EXPECT_FLOAT_EQ(third.GetPixel(0, 0), static_cast<float>(std::log(2.0)));
}

}  // namespace
}  // namespace voxmill
