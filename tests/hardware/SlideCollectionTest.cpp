// Cines: the .sds record, the cine and multi-file raw imports, the cine
// raw export, member operations and "Generate Projections".
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <stdexcept>

#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "app/ListElementStub.h"
#include "app/archive/ArchiveException.h"
#include "tests/acquisition/TestSupport.h"
#include "tests/common/RepeatedMembers.h"
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
    // Counts whose product wraps 64 bits are refused with the size they
    // name before anything is allocated, not taken for a small read.
    const auto refusal = [&]() -> std::string {
        try {
            cine.ImportCine(dir.File("cine.raw"), v);
        } catch (const std::invalid_argument& e) {
            return e.what();
        }
        return "imported";
    };
    v.count = 4;
    v.matrix.type = kIeeeDouble;
    v.matrix.width = v.matrix.height = 0xFFFFFFFFu;  // 8 x (2^32 - 1)^2 bytes a frame
    EXPECT_EQ(refusal(), "a 4294967295 x 4294967295 matrix of IEEE Double elements is too large");
    v.matrix.width = v.matrix.height = 0x80000000u;  // 8 x 2^62, wraps to 0
    EXPECT_EQ(refusal(), "a 2147483648 x 2147483648 matrix of IEEE Double elements is too large");
    v.matrix.type = kInt8;
    v.matrix.width = v.matrix.height = 0x40000000u;  // 2^60 bytes a frame fit, 16 frames wrap
    v.count = 16;
    EXPECT_EQ(refusal(), "16 matrices of 1152921504606846976 bytes are too many");
    // A product that fits 64 bits but not the file is the archive's refusal.
    v.matrix.width = v.matrix.height = 65536;
    v.count = 4;
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
    // Staged beside their files until the collection is saved.
    EXPECT_TRUE(std::filesystem::exists(dir.File("run.prs.2.PRJ.voxmill-new")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("run.prs.2.PRJ")));
    report.collection->Save(dir.File("run.prs"));
    EXPECT_TRUE(std::filesystem::exists(dir.File("run.prs.2.PRJ")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("run.prs.3.PRJ")));
    CProjection third;
    third.OnNewDocument();
    ASSERT_TRUE(third.OnOpenDocument(dir.File("run.prs.2.PRJ")));
    EXPECT_FLOAT_EQ(third.GetPixel(0, 0), static_cast<float>(std::log(2.0)));
}

// A linked run over a previous one: until the new collection is saved the
// previous one opens whole with its members; a run given up leaves nothing.
TEST_F(GenerateProjections, LinkedRunReplacesThePreviousCollectionAllOrNothing) {
    const std::string prs = dir.File("run.prs");
    CSlideCollection::ProjectionsReport first = cine.GenerateProjections(reference, prs);
    first.collection->Save(prs);
    const Bytes oldRecord = testing::ReadBytes(prs);
    const Bytes oldMember = testing::ReadBytes(dir.File("run.prs.1.PRJ"));

    // Another cine, other line integrals.
    CSlideCollection brighter;
    brighter.OnNewDocument();
    testing::FillCine(brighter, 3, 4, 2, [](std::size_t, std::uint32_t, std::uint32_t) { return std::uint8_t{31}; });
    {
        CSlideCollection::ProjectionsReport given_up = brighter.GenerateProjections(reference, prs);
        ASSERT_TRUE(given_up.collection);
        EXPECT_EQ(testing::ReadBytes(dir.File("run.prs.1.PRJ")), oldMember);
        CProjectionCollection previous;
        previous.Open(prs);
        ASSERT_TRUE(previous.GetMember(1)->Load());
        EXPECT_FLOAT_EQ(previous.GetProjection(1)->GetPixel(1, 0), static_cast<float>(std::log(2.0)));
    }
    EXPECT_EQ(testing::ReadBytes(prs), oldRecord);
    EXPECT_EQ(testing::ReadBytes(dir.File("run.prs.1.PRJ")), oldMember);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"run.prs", "run.prs.0.PRJ", "run.prs.1.PRJ", "run.prs.2.PRJ"}));

    CSlideCollection::ProjectionsReport second = brighter.GenerateProjections(reference, prs);
    second.collection->Save(prs);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"run.prs", "run.prs.0.PRJ", "run.prs.1.PRJ", "run.prs.2.PRJ"}));
    CProjectionCollection replaced;
    replaced.Open(prs);
    ASSERT_TRUE(replaced.GetMember(1)->Load());
    EXPECT_FLOAT_EQ(replaced.GetProjection(1)->GetPixel(1, 0), static_cast<float>(std::log(256.0 / 32.0)));
}

// A cine with a file stages the slides a multi-file import writes; one
// removed before the save leaves its previous file as it was.
TEST(SlideCollectionRawFiles, ImportIntoASavedCineIsStagedUntilItsSave) {
    testing::TempFolder dir;
    std::vector<std::string> paths;
    for (int k = 0; k < 3; ++k) {
        paths.push_back(dir.File("f" + std::to_string(k) + ".raw"));
        testing::WriteBytes(paths.back(), Bytes(4, static_cast<std::uint8_t>(10 + k)));
        testing::WriteBytes(paths.back() + ".SLD", Bytes{1, 2, 3});  // a previous import's slide
    }
    BinaryMatrixImport v;
    v.type = kInt8;
    v.width = v.height = 2;
    CSlideCollection cine;
    cine.OnNewDocument();
    cine.Save(dir.File("c.sds"));
    const CSlideCollection::RawFilesReport report = cine.ImportRawFiles(paths, v);
    ASSERT_EQ(report.importedCount, 3u);
    for (const std::string& path : paths) {
        EXPECT_EQ(testing::ReadBytes(path + ".SLD"), (Bytes{1, 2, 3}));
        EXPECT_TRUE(std::filesystem::exists(path + ".SLD.voxmill-new"));
    }
    cine.RemoveMembers({1});
    EXPECT_FALSE(std::filesystem::exists(paths[1] + ".SLD.voxmill-new"));
    cine.Save(dir.File("c.sds"));
    EXPECT_EQ(testing::ReadBytes(paths[1] + ".SLD"), (Bytes{1, 2, 3}));
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"c.sds", "f0.raw", "f0.raw.SLD", "f1.raw", "f1.raw.SLD",
                                                       "f2.raw", "f2.raw.SLD"}));
    CSlideCollection back;
    back.Open(dir.File("c.sds"));
    ASSERT_EQ(back.GetCount(), 2u);
    ASSERT_TRUE(back.GetMember(1)->Load());
    EXPECT_EQ(back.GetSlide(1)->GetPixel(1, 1), 12);
}

// A .sds of `count` linked slides with empty paths.
Bytes ManyEmptyLinkedSlides(std::uint32_t count) {
    testing::TempFolder dir;
    std::vector<Bytes> saved;
    for (int n = 0; n < 3; ++n) {
        CSlideCollection c;
        c.OnNewDocument();
        for (int i = 0; i < n; ++i) c.AddSlide()->m_bLinked = true;
        c.Save(dir.File("m.sds"));
        saved.push_back(testing::ReadBytes(dir.File("m.sds")));
    }
    return test::RepeatLastMember(saved[0], saved[1], saved[2], count);
}

TEST(SlideCollection, LinkedSlidesCostNoDocumentUntilUsedAndCountsAreCapped) {
    testing::TempFolder dir;
    testing::WriteBytes(dir.File("max.sds"), ManyEmptyLinkedSlides(CListElementStub::kMaxMembers));
    CSlideCollection c;
    c.Open(dir.File("max.sds"));
    ASSERT_EQ(c.GetCount(), CListElementStub::kMaxMembers);
    EXPECT_EQ(c.GetMemberStubs().size(), CListElementStub::kMaxMembers);
    EXPECT_EQ(c.GetMemberStubs()[9], c.GetMember(9));
    for (std::size_t i : {std::size_t{0}, std::size_t{65535}}) {
        EXPECT_EQ(c.GetMember(i)->m_pElement, nullptr) << i;
        EXPECT_TRUE(c.GetMember(i)->CanHaveElement());
    }
    ASSERT_NE(c.GetSlide(7), nullptr);  // made when asked for
    EXPECT_EQ(c.GetSlide(7)->GetDocTemplate(), CSlideCollection::GetSlideTemplate());
    EXPECT_EQ(c.GetMember(8)->m_pElement, nullptr);

    testing::WriteBytes(dir.File("over.sds"), ManyEmptyLinkedSlides(CListElementStub::kMaxMembers + 1));
    try {
        c.Open(dir.File("over.sds"));
        ADD_FAILURE() << "a cine of 65537 slides opened";
    } catch (const CArchiveException& e) {
        EXPECT_NE(std::string(e.what()).find("the collection lists 65537 members, more than the 65536 allowed"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_EQ(c.GetCount(), 0u);
}

}  // namespace
}  // namespace voxmill
