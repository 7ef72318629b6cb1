// Projection collections: the .prs record, members in place and linked,
// the circular geometry, the sinogram and multi-file imports, the sinogram
// export, the collection interface, and damaged input of every kind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "acquisition/CircularOrbit.h"
#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "app/DocTemplate.h"
#include "app/ListElementStub.h"
#include "app/archive/ArchiveException.h"
#include "app/archive/ErrorSink.h"
#include "imaging/dib/Dib.h"
#include "tests/acquisition/TestSupport.h"
#include "tests/common/RepeatedMembers.h"

namespace voxmill {
namespace {

namespace fs = std::filesystem;
using testing::Append;
using testing::Bytes;
using testing::ReadAt;

void ExpectPoint(const CVector4& p, double x, double y, double z) {
    EXPECT_NEAR(p.x, x, 1e-9);
    EXPECT_NEAR(p.y, y, 1e-9);
    EXPECT_NEAR(p.z, z, 1e-9);
}

// A member of w x h pixels holding base, base + 1, ...
CProjection* AddImage(CProjectionCollection& c, std::uint32_t w, std::uint32_t h, float base) {
    auto* p = static_cast<CProjection*>(c.NewProjection()->m_pElement);
    EXPECT_TRUE(p->Create(1.0, 1.0, w, h));
    for (std::size_t k = 0; k < p->GetPixelCount(); ++k) p->GetPixels()[k] = base + static_cast<float>(k);
    p->UpdateRange();
    return p;
}

void WriteFloats(const std::string& path, std::size_t count, float base) {
    Bytes b;
    for (std::size_t k = 0; k < count; ++k) Append(b, base + static_cast<float>(k));
    testing::WriteBytes(path, b);
}

BinaryMatrixImport Matrix(std::uint32_t w, std::uint32_t h) {
    BinaryMatrixImport v;
    v.width = w;
    v.height = h;
    return v;
}

TEST(ProjectionCollection, EmptyRecordIsSixBytes) {
    testing::TempFolder dir;
    CProjectionCollection c;
    EXPECT_EQ(c.GetTargetType(), 101);
    c.Save(dir.File("e.prs"));
    EXPECT_EQ(testing::ReadBytes(dir.File("e.prs")), (Bytes{0, 0, 0, 0, 0, 0}));
    CProjectionCollection back;
    back.Open(dir.File("e.prs"));
    EXPECT_EQ(back.GetCount(), 0u);
}

TEST(ProjectionCollection, FourMembersArePosedAtRightAngles) {
    CProjectionCollection c;
    for (int i = 0; i < 4; ++i) AddImage(c, 8, 6, 0);
    c.ApplyCircularGeometry();
    const double sources[4][3] = {{0, 0, 4}, {4, 0, 0}, {0, 0, -4}, {-4, 0, 0}};
    for (std::size_t i = 0; i < 4; ++i) {
        const CProjection* p = c.GetProjection(i);
        ExpectPoint(p->GetSource().GetPosition(), sources[i][0], sources[i][1], sources[i][2]);
        ExpectPoint(p->GetDetector().GetCenter(), -sources[i][0], 0, -sources[i][2]);
        EXPECT_EQ(p->GetDetector().GetWidth(), 8);
        EXPECT_EQ(p->GetDetector().GetDimY(), 1.0);
    }
    ExpectPoint(c.GetProjection(1)->GetDetector().GetHorizontal(), 0, 0, -1);
    ExpectPoint(c.GetProjection(1)->GetDetector().GetNormal(), 1, 0, 0);  // toward the source
}

TEST(ProjectionCollection, InPlaceRoundTripAndInterface) {
    testing::TempFolder dir;
    CProjectionCollection c;
    AddImage(c, 3, 2, 10);
    AddImage(c, 3, 2, 20);
    c.ApplyCircularGeometry();
    c.Save(dir.File("c.prs"));
    const Bytes bytes = testing::ReadBytes(dir.File("c.prs"));
    EXPECT_EQ(ReadAt<std::uint32_t>(bytes, 0), 0u);  // no icon
    EXPECT_EQ(ReadAt<std::uint16_t>(bytes, 4), 2u);  // count
    EXPECT_EQ(ReadAt<std::uint16_t>(bytes, 6), 0xFFFFu);
    EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 28), "CListElementStub");

    CProjectionCollection back;
    back.Open(dir.File("c.prs"));
    ASSERT_EQ(back.GetCount(), 2u);
    auto* collection = static_cast<IProjectionCollection*>(back.GetInterface(IID_IProjectionCollection));
    ASSERT_NE(collection, nullptr);
    LONG valid = 0, count = 0;
    collection->IsValid(&valid);
    collection->GetCount(&count);
    EXPECT_EQ(valid, 1);
    EXPECT_EQ(count, 2);
    IListElement* item = reinterpret_cast<IListElement*>(1);
    EXPECT_EQ(collection->GetItem(2, &item), E_NOINTERFACE);
    EXPECT_EQ(item, nullptr);
    EXPECT_EQ(collection->GetItem(-1, &item), E_NOINTERFACE);
    ASSERT_EQ(collection->GetItem(1, &item), S_OK);
    IProjection* projection = nullptr;
    ASSERT_EQ(item->QueryInterface(IID_IProjection, reinterpret_cast<void**>(&projection)), S_OK);
    float* data = nullptr;
    projection->GetData(&data);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data[5], 25.0f);
    float x, y, z;
    projection->GetSourcePosition(&x, &y, &z);
    EXPECT_NEAR(z, -4.0f, 1e-6);
    EXPECT_EQ(item->Unload(), S_OK);  // in place: nothing happens
    EXPECT_TRUE(back.GetProjection(1)->HasPixels());
}

TEST(ProjectionCollection, HugeOrNullMemberCountsAreRefused) {
    testing::TempFolder dir;
    Bytes huge;
    Append(huge, std::uint32_t{0});
    Append(huge, std::uint16_t{0xFFFF});
    Append(huge, std::uint32_t{0x7FFFFFFF});
    testing::WriteBytes(dir.File("huge.prs"), huge);
    CProjectionCollection c;
    EXPECT_THROW(c.Open(dir.File("huge.prs")), CArchiveException);
    EXPECT_EQ(c.GetCount(), 0u);

    Bytes nulls;
    Append(nulls, std::uint32_t{0});
    Append(nulls, std::uint16_t{1});
    Append(nulls, std::uint16_t{0});  // a null member reference
    Append(nulls, std::uint32_t{0});
    Append(nulls, std::uint16_t{0});
    testing::WriteBytes(dir.File("null.prs"), nulls);
    EXPECT_THROW(c.Open(dir.File("null.prs")), CArchiveException);
}

// A collection file of `count` linked members with empty paths.
Bytes ManyEmptyLinkedMembers(std::uint32_t count) {
    testing::TempFolder dir;
    std::vector<Bytes> saved;
    for (int n = 0; n < 3; ++n) {
        CProjectionCollection c;
        for (int i = 0; i < n; ++i) c.NewProjection()->m_bLinked = true;
        c.Save(dir.File("m.prs"));
        saved.push_back(testing::ReadBytes(dir.File("m.prs")));
    }
    return test::RepeatLastMember(saved[0], saved[1], saved[2], count);
}

TEST(ProjectionCollection, LinkedMembersCostNoDocumentUntilUsedAndCountsAreCapped) {
    testing::TempFolder dir;
    testing::WriteBytes(dir.File("max.prs"), ManyEmptyLinkedMembers(CListElementStub::kMaxMembers));
    CProjectionCollection c;
    c.Open(dir.File("max.prs"));
    ASSERT_EQ(c.GetCount(), CListElementStub::kMaxMembers);
    for (std::size_t i : {std::size_t{0}, std::size_t{65535}}) {
        EXPECT_EQ(c.GetMember(i)->m_pElement, nullptr) << i;
        EXPECT_TRUE(c.GetMember(i)->CanHaveElement());
    }
    ASSERT_NE(c.GetProjection(7), nullptr);  // made when asked for
    EXPECT_NE(c.GetMember(7)->m_pElement, nullptr);
    EXPECT_EQ(c.GetMember(8)->m_pElement, nullptr);

    testing::WriteBytes(dir.File("over.prs"), ManyEmptyLinkedMembers(CListElementStub::kMaxMembers + 1));
    try {
        c.Open(dir.File("over.prs"));
        ADD_FAILURE() << "a collection of 65537 members opened";
    } catch (const CArchiveException& e) {
        EXPECT_NE(std::string(e.what()).find("65537 members, more than the 65536 allowed"), std::string::npos)
            << e.what();
    }
    EXPECT_EQ(c.GetCount(), 0u);
}

TEST(ProjectionCollection, ExportWritesFourBytesPerPixelPerMember) {
    testing::TempFolder dir;
    CProjectionCollection c;
    for (int i = 0; i < 3; ++i) AddImage(c, 5, 4, 100.0f * i);
    c.ExportSinogram(dir.File("s.raw"));
    const Bytes out = testing::ReadBytes(dir.File("s.raw"));
    ASSERT_EQ(out.size(), 4u * 3u * 5u * 4u);
    EXPECT_EQ(ReadAt<float>(out, 4 * 20), 100.0f);
    EXPECT_EQ(ReadAt<float>(out, 4 * 59), 219.0f);

    // A member without an image fails the export and keeps the old file.
    c.NewProjection();
    EXPECT_THROW(c.ExportSinogram(dir.File("s.raw")), std::runtime_error);
    EXPECT_EQ(testing::ReadBytes(dir.File("s.raw")).size(), 240u);
}

TEST(SinogramImport, ProposalAndReadLength) {
    SinogramImport v = SinogramImport::ForFileLength(16384);
    EXPECT_EQ(v.matrix.width, 64u);
    EXPECT_EQ(v.matrix.height, 64u);
    EXPECT_EQ(v.count, 1u);
    v.count = 4;
    EXPECT_EQ(v.ReadLength(), 65536u);
    v.matrix.offset = 12;
    EXPECT_EQ(v.ReadLength(), 65548u);
    v.count = 0;
    EXPECT_FALSE(v.Problem().empty());

    // Sizes whose product wraps in 64 bits are refused, not taken for a few bytes.
    v.count = 1;
    v.matrix.offset = 0;
    v.matrix.type = kIeeeDouble;
    v.matrix.width = 1073807362;
    v.matrix.height = 2147352580;
    EXPECT_EQ(v.matrix.MatrixBytes(), UINT64_MAX);
    EXPECT_EQ(v.ReadLength(), UINT64_MAX);
    EXPECT_NE(v.Problem().find("too large"), std::string::npos) << v.Problem();
    v.matrix.type = kInt8;
    v.matrix.width = v.matrix.height = 0xFFFFFFFFu;
    v.count = 0xFFFFFFFFu;
    EXPECT_TRUE(v.matrix.Problem().empty());
    EXPECT_NE(v.Problem().find("too many"), std::string::npos) << v.Problem();
    EXPECT_EQ(v.ReadLength(), UINT64_MAX);
}

TEST(SinogramImport, ReadsCountMatricesAfterTheOffsetInPlace) {
    testing::TempFolder dir;
    Bytes b(6, 0xAB);
    for (int k = 0; k < 3 * 4; ++k) Append(b, static_cast<std::int16_t>(k - 5));
    testing::WriteBytes(dir.File("sino.raw"), b);

    CProjectionCollection c;
    c.SetPathName(dir.File("mine.prs"), false);
    SinogramImport v;
    v.matrix = Matrix(2, 2);
    v.matrix.type = kInt16;
    v.matrix.offset = 6;
    v.matrix.dimX = 3.0f;
    v.count = 3;
    c.ImportSinogram(dir.File("sino.raw"), v);
    ASSERT_EQ(c.GetCount(), 3u);
    EXPECT_EQ(c.GetProjection(0)->GetPixels()[0], -5.0f);
    EXPECT_EQ(c.GetProjection(2)->GetPixels()[3], 6.0f);
    EXPECT_EQ(c.GetProjection(1)->GetDimX(), 3.0);
    EXPECT_FALSE(c.GetMember(1)->m_bLinked);
    ExpectPoint(c.GetProjection(1)->GetSource().GetPosition(), 4 * std::sin(2 * kOrbitPi / 3), 0,
                4 * std::cos(2 * kOrbitPi / 3));
    EXPECT_EQ(c.GetProjection(2)->GetDetector().GetDimX(), 3.0);
    EXPECT_EQ(c.GetPathName(), dir.File("mine.prs"));

    // count x size beyond the file: an error, the members stay.
    v.count = 4;
    try {
        c.ImportSinogram(dir.File("sino.raw"), v);
        FAIL() << "a short sinogram was read";
    } catch (const CArchiveException& e) {
        EXPECT_NE(std::string(e.what()).find("need 38 bytes"), std::string::npos) << e.what();
    }
    EXPECT_EQ(c.GetCount(), 3u);
    EXPECT_EQ(c.GetProjection(0)->GetPixels()[0], -5.0f);
}

TEST(SinogramImport, TheSinogramTemplateReadsAndWritesTheRawFormat) {
    testing::TempFolder dir;
    WriteFloats(dir.File("sino.raw"), 12, 0.0f);
    CDocTemplate sinogram(0, "\nSinogram\n\nSinogram Raw Files (*.raw)\n.raw\nSinogram.Document\n", false, nullptr);
    CProjectionCollection c;
    c.SetDocTemplate(&sinogram);
    EXPECT_THROW(c.Open(dir.File("sino.raw")), CArchiveException);  // no import values
    SinogramImport v;
    v.matrix = Matrix(2, 2);
    v.count = 3;
    c.m_pImportParams = &v;
    c.Open(dir.File("sino.raw"));
    c.m_pImportParams = nullptr;
    ASSERT_EQ(c.GetCount(), 3u);
    EXPECT_EQ(c.GetProjection(2)->GetPixels()[3], 11.0f);
    c.Save(dir.File("again.raw"));
    EXPECT_EQ(testing::ReadBytes(dir.File("again.raw")), testing::ReadBytes(dir.File("sino.raw")));
    c.SetDocTemplate(nullptr);
}

class LinkedCollection : public ::testing::Test {
protected:
    testing::TempFolder dir;

    std::string Raw(int i) const { return dir.File("scan" + std::to_string(i) + ".raw"); }

    // Three 4 x 2 raw files imported as linked members, saved as c.prs.
    void MakeLinked() {
        for (int i = 0; i < 3; ++i) WriteFloats(Raw(i), 8, 10.0f * i);
        CProjectionCollection c;
        const auto report = c.ImportRawFiles({Raw(0), Raw(1), Raw(2)}, Matrix(4, 2));
        ASSERT_EQ(report.status, CProjectionCollection::RawFilesReport::imported);
        ASSERT_EQ(report.importedCount, 3u);
        ASSERT_EQ(c.GetCount(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_TRUE(c.GetMember(i)->m_bLinked);
            EXPECT_FALSE(c.GetMember(i)->m_bLoaded);
            EXPECT_EQ(c.GetMember(i)->m_strPath, Raw(static_cast<int>(i)) + ".PRJ");
        }
        c.Save(dir.File("c.prs"));
    }
};

TEST_F(LinkedCollection, MembersKeepTheirGeometryInTheirFiles) {
    MakeLinked();
    CProjectionCollection c;
    c.Open(dir.File("c.prs"));
    ASSERT_EQ(c.GetCount(), 3u);
    CListElementStub* stub = c.GetMember(1);
    EXPECT_FALSE(stub->m_bLoaded);
    EXPECT_FALSE(c.GetProjection(1)->HasPixels());
    // Cached with the file: listing reads no member file.
    EXPECT_EQ(stub->m_strDescription, "+3.46,+0.00,-2.00");
    ASSERT_NE(stub->m_pThumbnail, nullptr);
    EXPECT_EQ(stub->m_pThumbnail->GetWidth(), 64);
    ASSERT_TRUE(stub->Load());
    EXPECT_EQ(c.GetProjection(1)->GetPixels()[7], 17.0f);
    ExpectPoint(c.GetProjection(1)->GetSource().GetPosition(), 4 * std::sin(2 * kOrbitPi / 3), 0,
                4 * std::cos(2 * kOrbitPi / 3));
    stub->Unload();
    EXPECT_FALSE(c.GetProjection(1)->HasPixels());

    // The member file is an ordinary projection document.
    CProjection alone;
    alone.Open(Raw(2) + ".PRJ");
    EXPECT_EQ(alone.GetPixels()[0], 20.0f);
}

TEST_F(LinkedCollection, MovedMemberIsFoundInTheCurrentDirectoryAndRewritten) {
    MakeLinked();
    const fs::path moved = dir.path() / "moved";
    fs::create_directory(moved);
    for (int i = 0; i < 3; ++i) fs::rename(Raw(i) + ".PRJ", moved / ("scan" + std::to_string(i) + ".raw.PRJ"));
    fs::rename(dir.File("c.prs"), moved / "c.prs");

    testing::ScopedCwd cwd(moved);
    CProjectionCollection c;
    c.Open((moved / "c.prs").string());
    ASSERT_TRUE(c.GetMember(0)->Load());
    const std::string found = (moved / "scan0.raw.PRJ").string();
    EXPECT_EQ(c.GetMember(0)->m_strPath, found);
    c.Save((moved / "c.prs").string());

    CProjectionCollection again;
    again.Open((moved / "c.prs").string());
    EXPECT_EQ(again.GetMember(0)->m_strPath, found);
    EXPECT_EQ(again.GetMember(1)->m_strPath, Raw(1) + ".PRJ");  // not loaded, not rewritten
}

TEST_F(LinkedCollection, MissingOrCorruptMemberFilesLeaveEmptyMembers) {
    MakeLinked();
    fs::remove(Raw(0) + ".PRJ");
    testing::WriteBytes(Raw(2) + ".PRJ", Bytes{1, 2, 3, 4, 5});
    CProjectionCollection c;
    c.Open(dir.File("c.prs"));
    ASSERT_EQ(c.GetCount(), 3u);

    EXPECT_FALSE(c.GetMember(0)->Load());
    EXPECT_FALSE(c.GetProjection(0)->HasPixels());
    EXPECT_EQ(c.GetMember(0)->GetCachedDescription(), "+0.00,+0.00,+4.00");  // still from the cache

    ClearLastReportedError();
    EXPECT_FALSE(c.GetMember(2)->Load());
    EXPECT_FALSE(LastReportedError().empty());
    EXPECT_FALSE(c.GetProjection(2)->HasPixels());

    // The rest stays usable.
    ASSERT_TRUE(c.GetMember(1)->Load());
    EXPECT_EQ(c.GetProjection(1)->GetPixels()[0], 10.0f);
    c.GetMember(1)->Unload();

    // An export needs every member: it names the missing one and writes nothing.
    try {
        c.ExportSinogram(dir.File("s.raw"));
        FAIL() << "exported with a missing member";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("member 0"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(fs::exists(dir.File("s.raw")));
}

TEST_F(LinkedCollection, RewrittenMembersReplaceTheOldOnesOnlyWithTheCollectionsSave) {
    MakeLinked();
    WriteFloats(Raw(3), 8, 30.0f);
    std::vector<std::string> files{dir.File("c.prs"), Raw(0) + ".PRJ", Raw(1) + ".PRJ", Raw(2) + ".PRJ"};
    std::vector<Bytes> before;
    for (const auto& f : files) before.push_back(testing::ReadBytes(f));
    const auto entries = [&] {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir.path())) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::vector<std::string> previous = entries();

    // A fourth member re-poses all four (every member file is rewritten),
    // but closing without saving keeps the previous collection whole.
    {
        CProjectionCollection c;
        c.Open(dir.File("c.prs"));
        ASSERT_EQ(c.ImportRawFiles({Raw(3)}, Matrix(4, 2)).importedCount, 1u);
        ASSERT_TRUE(c.GetMember(1)->Load());
        ExpectPoint(c.GetProjection(1)->GetSource().GetPosition(), 4, 0, 0);  // read from the staged file
    }
    for (std::size_t i = 0; i < files.size(); ++i) EXPECT_EQ(testing::ReadBytes(files[i]), before[i]) << files[i];
    EXPECT_EQ(entries(), previous);

    // Saved, the new collection and all its members take over together.
    CProjectionCollection c;
    c.Open(dir.File("c.prs"));
    ASSERT_EQ(c.ImportRawFiles({Raw(3)}, Matrix(4, 2)).importedCount, 1u);
    c.Save(dir.File("c.prs"));
    // Member 0 stays at 0 degrees, so its file keeps its bytes.
    for (std::size_t i : {0, 2, 3}) EXPECT_NE(testing::ReadBytes(files[i]), before[i]) << files[i];
    std::vector<std::string> now = previous;
    now.push_back("scan3.raw.PRJ");
    std::sort(now.begin(), now.end());
    EXPECT_EQ(entries(), now);
    CProjectionCollection again;
    again.Open(dir.File("c.prs"));
    ASSERT_EQ(again.GetCount(), 4u);
    ASSERT_TRUE(again.GetMember(1)->Load());
    ExpectPoint(again.GetProjection(1)->GetSource().GetPosition(), 4, 0, 0);
}

TEST_F(LinkedCollection, UnequalLengthsImportNothing) {
    WriteFloats(Raw(0), 8, 0);
    WriteFloats(Raw(1), 9, 0);
    CProjectionCollection c;
    AddImage(c, 2, 2, 0);
    EXPECT_EQ(CProjectionCollection::CommonRawFileLength({Raw(0), Raw(1)}), -1);
    const auto report = c.ImportRawFiles({Raw(0), Raw(1)}, Matrix(2, 2));
    EXPECT_EQ(report.status, CProjectionCollection::RawFilesReport::unequalLengths);
    EXPECT_EQ(c.GetCount(), 1u);
    EXPECT_FALSE(fs::exists(Raw(0) + ".PRJ"));
}

TEST_F(LinkedCollection, UnreadableFilesAreDroppedAndUnwritableLinksStayInPlace) {
    WriteFloats(Raw(0), 8, 0);
    WriteFloats(Raw(1), 8, 50);
    testing::WriteBytes(Raw(2), Bytes{});  // length 0 ends the length check; too short to read
    fs::create_directory(Raw(1) + ".PRJ");  // the member file cannot be written
    EXPECT_EQ(CProjectionCollection::CommonRawFileLength({Raw(0), Raw(1), Raw(2)}), 32);

    CProjectionCollection c;
    const auto report = c.ImportRawFiles({Raw(0), Raw(1), Raw(2)}, Matrix(4, 2));
    EXPECT_EQ(report.importedCount, 2u);
    ASSERT_EQ(report.dropped.size(), 1u);
    EXPECT_NE(report.dropped[0].find("scan2.raw"), std::string::npos);
    ASSERT_EQ(report.inPlace.size(), 1u);
    ASSERT_EQ(c.GetCount(), 2u);
    EXPECT_TRUE(c.GetMember(0)->m_bLinked);
    EXPECT_FALSE(c.GetMember(1)->m_bLinked);

    c.Save(dir.File("mixed.prs"));
    CProjectionCollection back;
    back.Open(dir.File("mixed.prs"));
    ASSERT_EQ(back.GetCount(), 2u);
    EXPECT_EQ(back.GetProjection(1)->GetPixels()[0], 50.0f);  // nothing lost
    ExpectPoint(back.GetProjection(1)->GetSource().GetPosition(), 0, 0, -4);
}

TEST_F(LinkedCollection, EmptyFirstFileOnlyRePosesTheMembers) {
    testing::WriteBytes(Raw(0), Bytes{});
    CProjectionCollection c;
    AddImage(c, 2, 2, 0);
    AddImage(c, 2, 2, 0);
    const auto report = c.ImportRawFiles({Raw(0)}, Matrix(2, 2));
    EXPECT_EQ(report.status, CProjectionCollection::RawFilesReport::emptyFirstFile);
    EXPECT_EQ(c.GetCount(), 2u);
    ExpectPoint(c.GetProjection(1)->GetSource().GetPosition(), 0, 0, -4);
}

TEST(ProjectionCollectionDamage, CorruptionBatteryNeverCrashes) {
    testing::TempFolder dir;
    // One in-place member and one linked member with its cached thumbnail.
    WriteFloats(dir.File("m.raw"), 4, 1);
    CProjectionCollection c;
    AddImage(c, 2, 2, 5);
    ASSERT_EQ(c.ImportRawFiles({dir.File("m.raw")}, Matrix(2, 2)).importedCount, 1u);
    c.Save(dir.File("valid.prs"));
    const Bytes valid = testing::ReadBytes(dir.File("valid.prs"));
    ASSERT_GT(valid.size(), 1078u);
    // Damaged member paths are also looked up by their bare name here.
    testing::ScopedCwd cwd(dir.path());

    std::size_t opened = 0, refused = 0;
    testing::ForEachDamage(valid, [&](const Bytes& damaged) {
        testing::WriteBytes(dir.File("d.prs"), damaged);
        CProjectionCollection d;
        if (d.OnOpenDocument(dir.File("d.prs"))) {
            ++opened;
            for (std::size_t i = 0; i < d.GetCount(); ++i) {
                d.GetMember(i)->Load();
                d.GetMember(i)->Unload();
            }
        } else {
            ++refused;
            EXPECT_EQ(d.GetCount(), 0u);
        }
    });
    EXPECT_GE(refused, valid.size());
    EXPECT_GT(opened, 0u);
}

}  // namespace
}  // namespace voxmill
