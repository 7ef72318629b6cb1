// The processor on projection collections: values refused before anything
// happens, in-place and linked members warped and kept, progress, linked
// member files replaced by the collection's save all together or not at
// all, unreadable members left alone, and the empty .prc file.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "app/ListElementStub.h"
#include "app/View.h"
#include "app/archive/ErrorSink.h"
#include "imaging/Warp.h"
#include "imaging/processor/Processor.h"
#include "imaging/dib/Dib.h"
#include "tests/acquisition/TestSupport.h"
#include "tests/imaging/processor/UnwritableMember.h"

namespace voxmill {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::ReadBytes;

constexpr std::uint32_t kSide = 6;

// Member i holds 100 i + 1, 100 i + 2, ... row by row.
void Fill(CProjection& p, int i) {
    ASSERT_TRUE(p.Create(3.0, 3.0, kSide, kSide));
    for (std::size_t k = 0; k < p.GetPixelCount(); ++k) p.GetPixels()[k] = static_cast<float>(100 * i + 1 + k);
    p.UpdateRange();
}

std::vector<float> Expected(int i, const WarpValues& values) {
    CProjection p;
    Fill(p, i);
    values.Apply(p);
    return {p.GetPixels(), p.GetPixels() + p.GetPixelCount()};
}

Bytes ThumbnailBits(const CDib& dib) {
    return dib.GetBits() ? Bytes(dib.GetBits(), dib.GetBits() + dib.GetImageSize()) : Bytes();
}

std::vector<float> PixelsOf(const CProjection& p) { return {p.GetPixels(), p.GetPixels() + p.GetPixelCount()}; }

WarpValues ShiftRight() {
    WarpValues v;
    v.shiftEnabled = true;
    v.shiftX = 1;
    return v;
}

class Processor : public ::testing::Test {
protected:
    void SetUp() override {
        processor.m_bAutoDelete = false;
        processor.OnNewDocument();
        ClearLastReportedError();
    }

    // A collection of `count` members, linked to m<i>.prj files in the
    // temporary folder and saved as c.prs when `linked`.
    std::unique_ptr<CProjectionCollection> Collection(int count, bool linked) {
        auto c = std::make_unique<CProjectionCollection>();
        c->m_bAutoDelete = false;
        c->OnNewDocument();
        for (int i = 0; i < count; ++i) {
            CListElementStub* stub = c->NewProjection();
            Fill(*static_cast<CProjection*>(stub->m_pElement), i);
            if (!linked) continue;
            stub->m_bLinked = true;
            EXPECT_TRUE(stub->SetLinkPath(Member(i)));
            stub->Unload();
        }
        if (linked) {
            c->Save(dir.File("c.prs"));
            // Read back, as a user would open it.
            c = std::make_unique<CProjectionCollection>();
            c->m_bAutoDelete = false;
            c->Open(dir.File("c.prs"));
        }
        c->SetModifiedFlag(false);
        return c;
    }
    std::string Member(int i) const { return dir.File("m" + std::to_string(i) + ".prj"); }
    std::vector<Bytes> MemberBytes(int count) const {
        std::vector<Bytes> all;
        for (int i = 0; i < count; ++i) all.push_back(ReadBytes(Member(i)));
        return all;
    }
    std::vector<float> ReadMember(int i) const {
        CProjection p;
        p.m_bAutoDelete = false;
        p.Open(Member(i));
        return PixelsOf(p);
    }

    testing::TempFolder dir;
    CProcessor processor;
};

TEST_F(Processor, RefusesBadValuesAndOtherTargetsBeforeAnythingHappens) {
    auto c = Collection(2, false);
    WarpValues values = ShiftRight();
    values.angle = 400.0f;
    ProcessorReport report = processor.Process(c.get(), values);
    EXPECT_FALSE(report.Ran());
    EXPECT_EQ(report.problem, "The angle must lie between 0 and 360 degrees");
    EXPECT_EQ(processor.m_nSteps, 0u);
    EXPECT_EQ(PixelsOf(*c->GetProjection(0)), Expected(0, WarpValues{}));
    EXPECT_FALSE(c->IsModified());

    EXPECT_FALSE(processor.Process(nullptr, ShiftRight()).Ran());
    CProjection notACollection;
    Fill(notACollection, 0);
    report = processor.Process(&notACollection, ShiftRight());
    EXPECT_EQ(report.problem, "The target is not a projection collection");
    EXPECT_EQ(PixelsOf(notACollection), Expected(0, WarpValues{}));

    EXPECT_TRUE(CProcessor::AcceptsTarget(kTargetProjectionCollection));
    EXPECT_FALSE(CProcessor::AcceptsTarget(kTargetPhantom));
    EXPECT_FALSE(CProcessor::AcceptsTarget(kTargetSliceCollection));
}

TEST_F(Processor, WarpsEveryInPlaceMemberWithOneStepEach) {
    auto c = Collection(3, false);
    // Thumbnails made before the run must not outlive it.
    ASSERT_TRUE(c->GetMember(1)->GetCachedThumbnail());
    WarpValues values = ShiftRight();
    values.rotateEnabled = true;
    values.angle = 15.0f;
    values.spherizeEnabled = true;
    values.amount = -20;
    const ProcessorReport report = processor.Process(c.get(), values);
    EXPECT_TRUE(report.Complete());
    EXPECT_EQ(report.warped, 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(PixelsOf(*c->GetProjection(i)), Expected(i, values)) << i;
    EXPECT_TRUE(c->IsModified());
    EXPECT_EQ(c->GetMember(1)->m_pThumbnail, nullptr);
    EXPECT_EQ(processor.m_nSteps, 3u);
    EXPECT_EQ(processor.m_nStep, 3u);
    EXPECT_EQ(processor.m_strStepText, "Processing...");
    EXPECT_EQ(processor.GetStatusText().rfind("Average time:", 0), 0u) << processor.GetStatusText();

    // Nothing enabled: the run still steps through, and changes nothing.
    auto untouched = Collection(2, false);
    EXPECT_EQ(processor.Process(untouched.get(), WarpValues{}).warped, 2u);
    EXPECT_EQ(PixelsOf(*untouched->GetProjection(1)), Expected(1, WarpValues{}));
}

TEST_F(Processor, RewritesEveryLinkedMemberFileWithTheCollectionsSave) {
    auto c = Collection(3, true);
    const std::vector<Bytes> before = MemberBytes(3);
    const Bytes thumbnailBefore = ThumbnailBits(*c->GetMember(2)->GetCachedThumbnail());
    const ProcessorReport report = processor.Process(c.get(), ShiftRight());
    ASSERT_TRUE(report.Complete()) << (report.unwritten.empty() ? "" : report.unwritten[0]);
    EXPECT_EQ(report.warped, 3u);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(c->GetMember(i)->m_bLoaded) << "member " << i << " stays unloaded";
    // Staged until the save: the member files are as they were, the
    // collection shows the warped images.
    EXPECT_EQ(MemberBytes(3), before);
    EXPECT_TRUE(fs::exists(Member(1) + ".voxmill-new"));
    ASSERT_TRUE(c->GetMember(1)->Load());
    EXPECT_EQ(PixelsOf(*c->GetProjection(1)), Expected(1, ShiftRight()));
    // The cached thumbnail shows the warped image, so the collection needs saving.
    CDib* thumbnail = c->GetMember(2)->m_pThumbnail.get();
    ASSERT_TRUE(thumbnail);
    EXPECT_NE(ThumbnailBits(*thumbnail), thumbnailBefore);
    EXPECT_TRUE(c->IsModified());

    c->Save(dir.File("c.prs"));
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(ReadBytes(Member(i)), before[i]) << i;
        EXPECT_EQ(ReadMember(i), Expected(i, ShiftRight())) << i;
    }
    // Only the collection and its members are left: no staged copies, no journal.
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"c.prs", "m0.prj", "m1.prj", "m2.prj"}));
    CProjectionCollection again;
    again.m_bAutoDelete = false;
    again.Open(dir.File("c.prs"));
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(again.GetMember(i)->Load());
        EXPECT_EQ(PixelsOf(*again.GetProjection(i)), Expected(i, ShiftRight())) << i;
    }
}

TEST_F(Processor, ACancelLeavesEveryMemberAsItWas) {
    // Readings: BeginRun, then one a step; the request comes during step 2.
    int readings = 0;
    processor.SetClock([&] {
        if (++readings == 3) processor.RequestCancel();
        return COperator::SystemFileTime();
    });
    auto inPlace = Collection(3, false);
    ProcessorReport report = processor.Process(inPlace.get(), ShiftRight());
    EXPECT_TRUE(report.stopped);
    EXPECT_FALSE(report.Complete());
    EXPECT_EQ(report.warped, 0u);
    EXPECT_EQ(processor.m_nStep, 2u);
    EXPECT_EQ(processor.GetStatusText(), COperator::kCancelledText);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(PixelsOf(*inPlace->GetProjection(i)), Expected(i, WarpValues{})) << i;
    EXPECT_EQ(inPlace->GetProjection(1)->GetMaxValue(), Expected(1, WarpValues{}).back());
    EXPECT_FALSE(inPlace->IsModified());

    readings = 0;
    auto linked = Collection(3, true);
    const std::vector<Bytes> before = MemberBytes(3);
    ASSERT_TRUE(linked->GetMember(0)->Load());  // one held by a view, say
    report = processor.Process(linked.get(), ShiftRight());
    EXPECT_TRUE(report.stopped);
    EXPECT_EQ(report.warped, 0u);
    EXPECT_EQ(PixelsOf(*linked->GetProjection(0)), Expected(0, WarpValues{}));
    EXPECT_FALSE(linked->IsModified());
    linked.reset();
    EXPECT_EQ(MemberBytes(3), before);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"c.prs", "m0.prj", "m1.prj", "m2.prj"}));

    // The request is spent: the next run warps.
    processor.SetClock(nullptr);
    auto again = Collection(2, false);
    EXPECT_TRUE(processor.Process(again.get(), ShiftRight()).Complete());
    EXPECT_EQ(PixelsOf(*again->GetProjection(1)), Expected(1, ShiftRight()));
}

TEST_F(Processor, ALinkedCollectionClosedUnsavedKeepsItsMemberFiles) {
    auto c = Collection(2, true);
    const std::vector<Bytes> before = MemberBytes(2);
    ASSERT_TRUE(processor.Process(c.get(), ShiftRight()).Complete());
    c.reset();
    EXPECT_EQ(MemberBytes(2), before);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"c.prs", "m0.prj", "m1.prj"}));
}

class UpdateRecorder : public CView {
public:
    ~UpdateRecorder() override { DetachFromDocument(); }
    void OnUpdate(CView*, long hint, CObject*) override { hints.push_back(hint); }
    std::vector<long> hints;
};

TEST_F(Processor, ALoadedLinkedMemberStaysLoadedWithItsViewsTold) {
    auto c = Collection(2, true);
    ASSERT_TRUE(c->GetMember(1)->Load());
    UpdateRecorder view;
    c->GetProjection(1)->AddView(&view);
    EXPECT_TRUE(processor.Process(c.get(), ShiftRight()).Complete());
    EXPECT_TRUE(c->GetMember(1)->m_bLoaded);
    EXPECT_EQ(PixelsOf(*c->GetProjection(1)), Expected(1, ShiftRight()));
    EXPECT_EQ(view.hints, std::vector<long>{CSurface::kHintImageChanged});
    c->GetProjection(1)->RemoveView(&view);
}

TEST_F(Processor, AMemberThatCannotBeWrittenChangesNothingNotEvenAPendingWarp) {
    auto c = Collection(3, true);
    ASSERT_TRUE(c->GetMember(0)->Load());  // held open by a window, say
    const std::vector<Bytes> before = MemberBytes(3);
    // A first warp, staged and not saved yet.
    ASSERT_TRUE(processor.Process(c.get(), ShiftRight()).Complete());
    const std::string longName = testing::MakeUnwritable(Member(2));

    const ProcessorReport report = processor.Process(c.get(), ShiftRight());
    ASSERT_EQ(report.unwritten.size(), 1u);
    EXPECT_NE(report.unwritten[0].find("m2.prj"), std::string::npos) << report.unwritten[0];
    EXPECT_EQ(report.warped, 0u);
    EXPECT_EQ(processor.m_nStep, processor.m_nSteps);
    // Every member still holds the first warp alone, the loaded one included.
    EXPECT_TRUE(c->GetMember(0)->m_bLoaded);
    EXPECT_EQ(PixelsOf(*c->GetProjection(0)), Expected(0, ShiftRight()));
    ASSERT_TRUE(c->GetMember(1)->Load());
    EXPECT_EQ(PixelsOf(*c->GetProjection(1)), Expected(1, ShiftRight()));
    EXPECT_EQ(MemberBytes(3), before);

    // Closed unsaved: the previous collection, and nothing else.
    c.reset();
    EXPECT_EQ(MemberBytes(3), before);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"c.prs", longName, "m0.prj", "m1.prj", "m2.prj"}));
}

TEST_F(Processor, AnUnreadableMemberIsLeftAloneAndReported) {
    auto c = Collection(3, true);
    fs::remove(Member(1));
    const ProcessorReport report = processor.Process(c.get(), ShiftRight());
    EXPECT_TRUE(report.Ran());
    EXPECT_EQ(report.unreadable, std::vector<std::size_t>{1});
    EXPECT_EQ(report.warped, 2u);
    c->Save(dir.File("c.prs"));
    EXPECT_EQ(ReadMember(0), Expected(0, ShiftRight()));
    EXPECT_EQ(ReadMember(2), Expected(2, ShiftRight()));
    EXPECT_FALSE(fs::exists(Member(1)));
}

TEST_F(Processor, ItsFileHoldsNothingAndOpensAgain) {
    processor.Save(dir.File("p.prc"));
    EXPECT_TRUE(ReadBytes(dir.File("p.prc")).empty());
    CProcessor again;
    again.m_bAutoDelete = false;
    EXPECT_NO_THROW(again.Open(dir.File("p.prc")));
}

}  // namespace
}  // namespace voxmill
