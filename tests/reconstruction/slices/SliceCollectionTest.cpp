// A slice collection: its entries and their ties, the .sls record and its
// round trips (in place and linked), windows on its slices, and the
// bitmap exports of one slice or of all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "app/ListElementStub.h"
#include "app/archive/Archive.h"
#include "app/archive/ArchiveException.h"
#include "imaging/dib/Dib.h"
#include "reconstruction/Slice.h"
#include "reconstruction/SliceCollection.h"
#include "tests/common/ArchiveBytes.h"
#include "tests/common/RepeatedMembers.h"
#include "tests/common/TempDir.h"
#include "tests/reconstruction/slices/SliceTestSupport.h"

namespace voxmill::test {
namespace {

class SliceCollectionTest : public ::testing::Test {
protected:
    void SetUp() override { CSliceCollection::SetSliceTemplate(m_template.get()); }
    void TearDown() override { CSliceCollection::SetSliceTemplate(nullptr); }

    // A slice of w x h pixels valued base, base + 1, ... at that axis and position.
    static CSlice* Fill(CSliceCollection& c, std::uint32_t axis, double position, std::uint32_t w, std::uint32_t h,
                        float base) {
        CListElementStub* entry = c.AddSlice();
        auto* s = static_cast<CSlice*>(entry->m_pElement);
        EXPECT_TRUE(s->Create(1.0, 0.5, w, h));
        for (std::size_t k = 0; k < s->GetPixelCount(); ++k) s->GetPixels()[k] = base + static_cast<float>(k);
        s->UpdateRange();
        s->SetAxisPosition(axis, position);
        return s;
    }

    std::unique_ptr<CDocTemplate> m_template = SliceTemplate();
    TempDir m_dir;
};

// --- entries --------------------------------------------------------------------

TEST_F(SliceCollectionTest, AddSliceAppendsAnInPlaceEntryWithANewSlice) {
    CSliceCollection c;
    CListElementStub* first = c.AddSlice();
    CListElementStub* second = c.AddSlice();
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(c.GetCount(), 2u);
    EXPECT_EQ(c.GetEntry(0), first);
    EXPECT_EQ(c.GetEntry(1), second);
    EXPECT_EQ(c.GetEntry(2), nullptr);
    EXPECT_FALSE(first->m_bLinked);
    EXPECT_TRUE(first->m_bLoaded);
    CSlice* s = c.GetSlice(0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(static_cast<CListElement*>(s), first->m_pElement);
    EXPECT_FALSE(s->m_bAutoDelete);
    EXPECT_EQ(s->GetDocTemplate(), m_template.get());
    EXPECT_TRUE(m_template->GetDocuments().empty());  // tied, not listed
    EXPECT_FALSE(s->HasPixels());
    EXPECT_EQ(first->GetCachedDescription(), "X = +0.000");
}

TEST_F(SliceCollectionTest, TargetTypeAndAxis) {
    CSliceCollection c;
    EXPECT_EQ(c.GetTargetType(), 102);
    c.SetAxis(kSliceAxisZ);
    EXPECT_EQ(c.GetAxis(), kSliceAxisZ);
    EXPECT_THROW(c.SetAxis(3), std::invalid_argument);
    EXPECT_EQ(c.GetAxis(), kSliceAxisZ);
    c.OnNewDocument();
    EXPECT_EQ(c.GetAxis(), kSliceAxisX);
}

TEST_F(SliceCollectionTest, ClosingTheLastWindowOfASliceLeavesItInTheCollection) {
    CSliceCollection c;
    CSlice* s = Fill(c, kSliceAxisY, 0.25, 3, 2, 1.0f);
    {
        TestFrame window(*s);
        ASSERT_EQ(s->GetViews().size(), 1u);
        window.DestroyWindow();
        EXPECT_TRUE(s->GetViews().empty());
    }
    ASSERT_EQ(c.GetCount(), 1u);
    EXPECT_EQ(c.GetSlice(0), s);
    EXPECT_TRUE(s->HasPixels());
    EXPECT_EQ(s->GetPixel(2, 1), 6.0f);
}

TEST_F(SliceCollectionTest, DeleteContentsClosesTheWindowsOfItsSlices) {
    CSliceCollection c;
    CSlice* s = Fill(c, kSliceAxisY, 0.25, 3, 2, 1.0f);
    TestFrame window(*s);
    c.DeleteContents();
    EXPECT_EQ(c.GetCount(), 0u);
    EXPECT_FALSE(window.IsOpen());
}

// --- the .sls record --------------------------------------------------------------

TEST_F(SliceCollectionTest, EmptyCollectionIsTargetFlagAxisAndCount) {
    CSliceCollection c;
    c.SetAxis(kSliceAxisZ);
    const Bytes b = Store([&](CArchive& ar) { c.Serialize(ar); });
    EXPECT_EQ(b, B({0, 0, 0, 0, 2, 0, 0, 0, 0, 0}));  // the count is a 16-bit word
}

TEST_F(SliceCollectionTest, SaveAndReloadKeepAxisPositionsAndPixels) {
    CSliceCollection c;
    c.SetAxis(kSliceAxisZ);
    Fill(c, kSliceAxisZ, 0.75, 4, 2, 10.0f);
    Fill(c, kSliceAxisZ, 0.25, 4, 2, 20.0f);
    c.AddSlice();  // one that stayed empty
    c.Save(m_dir.File("c.sls"));

    CSliceCollection back;
    back.m_bAutoDelete = false;
    back.Open(m_dir.File("c.sls"));
    EXPECT_EQ(back.GetAxis(), kSliceAxisZ);
    ASSERT_EQ(back.GetCount(), 3u);
    const double positions[] = {0.75, 0.25, 0.0};
    for (std::size_t i = 0; i < 3; ++i) {
        CSlice* s = back.GetSlice(i);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->GetAxis(), i < 2 ? kSliceAxisZ : kSliceAxisX);
        EXPECT_EQ(s->GetPosition(), positions[i]);
        EXPECT_EQ(s->GetDocTemplate(), m_template.get());
        EXPECT_FALSE(s->m_bAutoDelete);
        EXPECT_EQ(s->HasPixels(), i < 2);
    }
    EXPECT_EQ(back.GetSlice(1)->GetPixel(3, 1), 27.0f);
    EXPECT_EQ(back.GetEntry(0)->GetCachedDescription(), "Z = +0.750");
    // Written again, the same bytes.
    back.Save(m_dir.File("again.sls"));
    EXPECT_EQ(ReadBytes(m_dir.File("again.sls")), ReadBytes(m_dir.File("c.sls")));
}

TEST_F(SliceCollectionTest, LinkedEntryGetsAnEmptySliceThatLoadsItsFile) {
    CSliceCollection c;
    c.SetAxis(kSliceAxisX);
    CSlice* s = Fill(c, kSliceAxisX, -0.5, 2, 2, 5.0f);
    CListElementStub* entry = c.GetEntry(0);
    entry->GetCachedDescription();
    entry->m_bLinked = true;
    ASSERT_TRUE(entry->SetLinkPath(m_dir.File("member.slc")));
    entry->Unload();
    EXPECT_FALSE(s->HasPixels());
    c.Save(m_dir.File("linked.sls"));

    CSliceCollection back;
    back.m_bAutoDelete = false;
    back.Open(m_dir.File("linked.sls"));
    ASSERT_EQ(back.GetCount(), 1u);
    CListElementStub* e = back.GetEntry(0);
    ASSERT_TRUE(e->m_bLinked);
    EXPECT_FALSE(e->m_bLoaded);
    CSlice* empty = back.GetSlice(0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->GetDocTemplate(), m_template.get());
    EXPECT_FALSE(empty->m_bAutoDelete);
    EXPECT_EQ(e->GetCachedDescription(), "X = -0.500");  // from the cache, before any load
    ASSERT_TRUE(e->Load());
    EXPECT_EQ(empty->GetAxis(), kSliceAxisX);
    EXPECT_EQ(empty->GetPosition(), -0.5);
    EXPECT_EQ(empty->GetPixel(1, 1), 8.0f);
}

TEST_F(SliceCollectionTest, MissingSliceFileListsAsNotAvailableAndCachesNothing) {
    CSliceCollection c;
    Fill(c, kSliceAxisY, 0.125, 2, 2, 1.0f);
    CListElementStub* entry = c.GetEntry(0);
    entry->m_bLinked = true;
    ASSERT_TRUE(entry->SetLinkPath(m_dir.File("moved.slc")));
    entry->Unload();
    std::filesystem::rename(m_dir.File("moved.slc"), m_dir.File("away.slc"));
    EXPECT_EQ(c.EntryDescription(0), "n/a");
    EXPECT_TRUE(entry->m_strDescription.empty());
    EXPECT_FALSE(entry->m_bLoaded);
    std::filesystem::rename(m_dir.File("away.slc"), m_dir.File("moved.slc"));
    EXPECT_EQ(c.EntryDescription(0), "Y = +0.125");
    EXPECT_FALSE(entry->m_bLoaded);  // read for the text, released again
    EXPECT_EQ(c.EntryDescription(1), "n/a");
}

TEST_F(SliceCollectionTest, AnAxisThatIsNoneIsAnArchiveError) {
    CSliceCollection back;
    EXPECT_THROW(Load(B({0, 0, 0, 0, 3, 0, 0, 0, 0, 0}), [&](CArchive& ar) { back.Serialize(ar); }),
                 CArchiveException);
}

TEST_F(SliceCollectionTest, AMemberThatIsNoSliceIsRefused) {
    // An entry holding a plain float image where a slice belongs.
    auto entry = std::make_unique<CListElementStub>();
    auto surface = std::make_unique<CSurface>();
    surface->Create(1, 1, 1, 1);
    surface->GetPixels()[0] = 1.0f;
    entry->m_pElement = surface.get();
    const Bytes b = Store([&](CArchive& ar) {
        ar.WriteFlag(false);
        ar.WriteDword(kSliceAxisY);
        ar.WriteCount(1);
        ar.WriteObject(entry.get());
    });
    entry->m_pElement = nullptr;
    CSliceCollection back;
    try {
        Load(b, [&](CArchive& ar) { back.Serialize(ar); });
        FAIL() << "read a surface as a slice";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.cause(), CArchiveException::badClass);
    }
    back.DeleteContents();  // frees what was read
    EXPECT_EQ(back.GetCount(), 0u);
}

// --- bitmap exports -----------------------------------------------------------------

TEST_F(SliceCollectionTest, OneSliceByIndexIsItsOriginalBitmap) {
    CSliceCollection c;
    Fill(c, kSliceAxisY, 0.5, 5, 3, 0.0f);
    CSlice* second = Fill(c, kSliceAxisY, 0.0, 5, 3, 100.0f);
    c.ExportSliceBitmap(1, m_dir.File("one.bmp"));
    second->ExportBitmap(m_dir.File("direct.bmp"));
    EXPECT_EQ(ReadBytes(m_dir.File("one.bmp")), ReadBytes(m_dir.File("direct.bmp")));
    EXPECT_THROW(c.ExportSliceBitmap(2, m_dir.File("none.bmp")), std::out_of_range);
    c.AddSlice();
    EXPECT_THROW(c.ExportSliceBitmap(2, m_dir.File("none.bmp")), std::runtime_error);
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("none.bmp")));
}

TEST_F(SliceCollectionTest, AllSlicesIntoAFolderInEntryOrder) {
    CSliceCollection c;
    for (int i = 0; i < 3; ++i) Fill(c, kSliceAxisZ, 1.0 - i, 4, 4, 10.0f * static_cast<float>(i));
    const auto written = c.ExportSliceBitmaps(m_dir.File("out"));
    ASSERT_EQ(written.size(), 3u);
    TempDir expected;
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(written[i], m_dir.File("out/" + CSliceCollection::BitmapFileName(i, 3)));
        c.GetSlice(i)->ExportBitmap(expected.File("e.bmp"));
        EXPECT_EQ(ReadBytes(written[i]), ReadBytes(expected.File("e.bmp"))) << i;
    }
}

TEST(SliceBitmapNames, PaddedToTheLastIndexAndAtLeastThreeDigits) {
    EXPECT_EQ(CSliceCollection::BitmapFileName(0, 1), "slice-000.bmp");
    EXPECT_EQ(CSliceCollection::BitmapFileName(5, 1000), "slice-005.bmp");
    EXPECT_EQ(CSliceCollection::BitmapFileName(5, 1001), "slice-0005.bmp");
    EXPECT_EQ(CSliceCollection::BitmapFileName(1000, 1001), "slice-1000.bmp");
}

TEST_F(SliceCollectionTest, LinkedSlicesCostNoDocumentUntilUsedAndCountsAreCapped) {
    TempDir dir;
    std::vector<Bytes> saved;
    for (int n = 0; n < 3; ++n) {
        CSliceCollection c;
        for (int i = 0; i < n; ++i) c.AddSlice()->m_bLinked = true;
        c.Save(dir.File("m.sls"));
        saved.push_back(ReadBytes(dir.File("m.sls")));
    }
    WriteBytes(dir.File("max.sls"), RepeatLastMember(saved[0], saved[1], saved[2], CListElementStub::kMaxMembers));
    CSliceCollection c;
    c.Open(dir.File("max.sls"));
    ASSERT_EQ(c.GetCount(), CListElementStub::kMaxMembers);
    EXPECT_EQ(c.GetEntry(100)->m_pElement, nullptr);
    EXPECT_NE(c.GetSlice(100), nullptr);  // made when asked for
    EXPECT_EQ(c.EntryDescription(101), "n/a");  // no file to read it from

    WriteBytes(dir.File("over.sls"),
               RepeatLastMember(saved[0], saved[1], saved[2], CListElementStub::kMaxMembers + 1));
    try {
        c.Open(dir.File("over.sls"));
        ADD_FAILURE() << "a collection of 65537 slices opened";
    } catch (const CArchiveException& e) {
        EXPECT_NE(std::string(e.what()).find("65537 slices, more than the 65536 allowed"), std::string::npos)
            << e.what();
    }
}

}  // namespace
}  // namespace voxmill::test
