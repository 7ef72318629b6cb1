// The projector run: snapshot angles and paths, the members it makes in
// place or linked, what it does with bad input, progress, and the empty
// .pro file.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <limits>
#include <map>
#include <vector>

#include "acquisition/DetectorTrajectory.h"
#include "acquisition/PreviewScene.h"
#include "acquisition/ProjectionCollection.h"
#include "acquisition/Projector.h"
#include "acquisition/ProjectorOptions.h"
#include "acquisition/Trajectory.h"
#include "app/DocTemplate.h"
#include "app/ListElementStub.h"
#include "app/archive/ErrorSink.h"
#include "phantom/SheppLogan.h"
#include "tests/acquisition/projector/ProjectorTestSupport.h"
#include "tests/common/TempDir.h"

namespace voxmill {
namespace {

using test::AddElement;

constexpr double kPi = 3.14159265359;

struct NewPhantom : CPhantom {
    NewPhantom() {
        OnNewDocument();
        test::AddElement<CPhantomElementEllipsoid>(*this, 0.8, 0.6, 0.7, 0.2, 0.3, 0.1, 0.1, 0, 0, 1.0f);
    }
};

struct NewProjector : CProjector {
    explicit NewProjector(std::int32_t collectionMode = kInPlaceCollection) {
        OnNewDocument();
        m_collectionMode = collectionMode;
    }
};

// Small pages so that runs stay quick.
ProjectorPageValues SmallPages() {
    ProjectorPageValues values;
    values.detector.width = values.detector.height = 32;
    return values;
}

void ExpectPoint(const CVector4& p, double x, double y, double z, double tolerance = 1e-9) {
    EXPECT_NEAR(p.x, x, tolerance);
    EXPECT_NEAR(p.y, y, tolerance);
    EXPECT_NEAR(p.z, z, tolerance);
}

double SnapshotAngle(const CProjection& p) {
    const CPoint4& s = p.GetSource().GetPosition();
    double a = std::atan2(s.x, s.z) * 180 / kPi;
    return a < -1e-6 ? a + 360 : a;
}

// --- snapshot angles -----------------------------------------------------------

TEST(ProjectorRun, DefaultsTakeSixSnapshotsFromZeroTo300Degrees) {
    NewPhantom phantom;
    NewProjector projector;
    ProjectorPageValues values;  // the page defaults
    ProjectorRunReport report = projector.Render(&phantom, values);
    ASSERT_TRUE(report.Complete()) << report.problem;
    CProjectionCollection& c = *report.collection;
    ASSERT_EQ(c.GetCount(), 6u);
    for (std::size_t k = 0; k < 6; ++k) {
        EXPECT_NEAR(SnapshotAngle(*c.GetProjection(k)), 60.0 * k, 1e-9);
        EXPECT_EQ(c.GetProjection(k)->GetWidth(), 128u);
    }
    const double s60 = std::sin(60 * kPi / 180), c60 = std::cos(60 * kPi / 180);
    ExpectPoint(c.GetProjection(1)->GetSource().GetPosition(), 4 * s60, 0, 4 * c60);
    ExpectPoint(c.GetProjection(1)->GetDetector().GetCenter(), -4 * s60, 0, -4 * c60);
    ExpectPoint(c.GetProjection(1)->GetDetector().GetHorizontal(), c60, 0, -s60);
}

TEST(ProjectorRun, SnapshotsComeFromRepeatedMultiplication) {
    NewPhantom phantom;
    NewProjector projector;
    ProjectorPageValues values = SmallPages();
    values.snapshots.startAngle = 10;
    values.snapshots.endAngle = 350;
    values.snapshots.stepNumber = 7;
    ProjectorRunReport report = projector.Render(&phantom, values);
    ASSERT_TRUE(report.Complete());
    const double step = (350.0 - 10.0) / 7 * kPi / 180;
    auto path = MakeSourcePath(4.0, 10 * kPi / 180, step);
    for (std::size_t k = 0; k < 7; ++k) {
        const CPoint4& got = report.collection->GetProjection(k)->GetSource().GetPosition();
        EXPECT_EQ(got.x, path->GetCurrent().x);
        EXPECT_EQ(got.z, path->GetCurrent().z);
        path->Step();
    }
}

TEST(ProjectorRun, OneStepIsTheStartAngleWhateverTheEnd) {
    NewPhantom phantom;
    NewProjector projector;
    ProjectorPageValues values = SmallPages();
    values.snapshots.startAngle = 30;
    values.snapshots.endAngle = 200;
    values.snapshots.stepNumber = 1;
    ProjectorRunReport report = projector.Render(&phantom, values);
    ASSERT_EQ(report.collection->GetCount(), 1u);
    EXPECT_NEAR(SnapshotAngle(*report.collection->GetProjection(0)), 30.0, 1e-9);
}

TEST(ProjectorRun, NinetyToOneEightyInThreeSteps) {
    NewPhantom phantom;
    NewProjector projector;
    ProjectorPageValues values = SmallPages();
    values.path.sourceAxisDistance = 5;
    values.snapshots.startAngle = 90;
    values.snapshots.endAngle = 180;
    values.snapshots.stepNumber = 3;
    ProjectorRunReport report = projector.Render(&phantom, values);
    ASSERT_EQ(report.collection->GetCount(), 3u);
    for (std::size_t k = 0; k < 3; ++k)
        EXPECT_NEAR(SnapshotAngle(*report.collection->GetProjection(k)), 90.0 + 30 * k, 1e-9);
    const CProjection& first = *report.collection->GetProjection(0);
    ExpectPoint(first.GetSource().GetPosition(), 5, 0, 0);
    ExpectPoint(first.GetDetector().GetHorizontal(), 0, 0, -1);
}

TEST(ProjectorRun, PageValuesOutOfRangeAreRefused) {
    NewPhantom phantom;
    NewProjector projector;
    auto refused = [&](ProjectorPageValues values) {
        ProjectorRunReport report = projector.Render(&phantom, values);
        return !report.collection && !report.problem.empty();
    };
    ProjectorPageValues v = SmallPages();
    v.snapshots.endAngle = v.snapshots.startAngle + 0.5;
    EXPECT_TRUE(refused(v));
    v = SmallPages();
    v.snapshots.startAngle = 361;
    EXPECT_TRUE(refused(v));
    v = SmallPages();
    v.snapshots.stepNumber = 0;
    EXPECT_TRUE(refused(v));
    v.snapshots.stepNumber = 721;
    EXPECT_TRUE(refused(v));
    v = SmallPages();
    v.detector.width = 31;
    EXPECT_TRUE(refused(v));
    v = SmallPages();
    v.path.axisDetectorDistance = std::numeric_limits<double>::quiet_NaN();
    EXPECT_TRUE(refused(v));
    v = SmallPages();
    v.snapshots.startAngle = 359;
    v.snapshots.endAngle = 360;
    EXPECT_FALSE(refused(v));
    EXPECT_EQ(SnapshotValues{}.Problem(), "");
}

// --- members ---------------------------------------------------------------------

TEST(ProjectorRun, LinkedMembersAreWrittenBesideTheCollectionAndUnloaded) {
    test::TempDir dir;
    NewPhantom phantom;
    NewProjector linked(CProjector::kLinkedCollection);
    const std::string prs = dir.File("scan.PRS");
    ProjectorRunReport report = linked.Render(&phantom, SmallPages(), prs);
    ASSERT_TRUE(report.Complete()) << report.problem;
    // Staged beside their files until the collection is saved.
    EXPECT_EQ(dir.Entries(),
              (std::vector<std::string>{"scan.PRS.0.PRJ.voxmill-new", "scan.PRS.1.PRJ.voxmill-new",
                                        "scan.PRS.2.PRJ.voxmill-new", "scan.PRS.3.PRJ.voxmill-new",
                                        "scan.PRS.4.PRJ.voxmill-new", "scan.PRS.5.PRJ.voxmill-new",
                                        "scan.PRS.voxmill-journal"}));
    CProjectionCollection& c = *report.collection;
    EXPECT_EQ(c.GetPathName(), prs);
    EXPECT_TRUE(c.IsModified());
    c.Save(prs);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"scan.PRS", "scan.PRS.0.PRJ", "scan.PRS.1.PRJ",
                                                       "scan.PRS.2.PRJ", "scan.PRS.3.PRJ", "scan.PRS.4.PRJ",
                                                       "scan.PRS.5.PRJ"}));

    NewProjector inPlace;
    ProjectorRunReport same = inPlace.Render(&phantom, SmallPages());
    // Held only in memory: closing it must ask.
    EXPECT_TRUE(same.collection->IsModified());
    for (std::size_t k = 0; k < 6; ++k) {
        CListElementStub* stub = c.GetMember(k);
        EXPECT_TRUE(stub->m_bLinked);
        EXPECT_FALSE(stub->m_bLoaded);
        EXPECT_FALSE(c.GetProjection(k)->HasPixels());
        EXPECT_EQ(stub->m_strPath, CProjector::MemberPath(prs, static_cast<int>(k)));
        CProjection file;
        file.Open(stub->m_strPath);
        EXPECT_TRUE(test::SameBits(file, *same.collection->GetProjection(k)));
        ASSERT_TRUE(stub->Load());
        EXPECT_TRUE(test::SameBits(*c.GetProjection(k), *same.collection->GetProjection(k)));
    }
}

TEST(ProjectorRun, InPlaceMembersStayInMemoryAndTravelWithTheCollection) {
    test::TempDir dir;
    NewPhantom phantom;
    NewProjector projector;
    ProjectorRunReport report = projector.Render(&phantom, SmallPages());
    ASSERT_TRUE(report.Complete());
    EXPECT_TRUE(report.collection->GetPathName().empty());
    for (std::size_t k = 0; k < 6; ++k) {
        EXPECT_FALSE(report.collection->GetMember(k)->m_bLinked);
        EXPECT_TRUE(report.collection->GetProjection(k)->HasPixels());
    }
    EXPECT_TRUE(dir.Entries().empty());  // nothing written by the run
    report.collection->Save(dir.File("scan.prs"));
    CProjectionCollection reopened;
    reopened.Open(dir.File("scan.prs"));
    ASSERT_EQ(reopened.GetCount(), 6u);
    for (std::size_t k = 0; k < 6; ++k)
        EXPECT_TRUE(test::SameBits(*reopened.GetProjection(k), *report.collection->GetProjection(k)));
}

TEST(ProjectorRun, LentPixelsTakeTheSameImagesAndAreNeverFreed) {
    NewPhantom phantom;
    NewProjector own;
    ProjectorRunReport expected = own.Render(&phantom, SmallPages());
    ASSERT_TRUE(expected.Complete());

    constexpr std::size_t kEach = 32 * 32;
    // Member 4 is refused room and so allocates its own.
    std::vector<float> block(6 * kEach, std::numeric_limits<float>::quiet_NaN());
    std::vector<std::array<std::uint32_t, 3>> asked;
    NewProjector lent;
    lent.SetPixelLender([&](int k, std::uint32_t width, std::uint32_t height) -> float* {
        asked.push_back({static_cast<std::uint32_t>(k), width, height});
        return k == 4 ? nullptr : block.data() + k * kEach;
    });
    {
        ProjectorRunReport report = lent.Render(&phantom, SmallPages());
        ASSERT_TRUE(report.Complete());
        for (std::size_t k = 0; k < 6; ++k) {
            const CProjection& p = *report.collection->GetProjection(k);
            EXPECT_EQ(p.GetPixels() == block.data() + k * kEach, k != 4) << k;
            EXPECT_EQ(p.OwnsPixels(), k == 4) << k;
            EXPECT_TRUE(test::SameBits(p, *expected.collection->GetProjection(k))) << k;
        }
    }
    // The collection is gone; the block is still the caller's and intact.
    ASSERT_EQ(asked.size(), 6u);
    EXPECT_EQ(asked[5], (std::array<std::uint32_t, 3>{5, 32, 32}));
    const CProjection& first = *expected.collection->GetProjection(0);
    EXPECT_TRUE(std::equal(first.GetPixels(), first.GetPixels() + kEach, block.begin()));
}

// Two shares of one run, as two processes take it: each traces its own
// snapshots on the paths' own steps; their members, written to the staged
// files of a collection that adopts them, make the linked run's files.
TEST(ProjectorRun, SharedRunsTogetherMakeTheLinkedRunsFiles) {
    test::TempDir dir;
    NewPhantom phantom;
    NewProjector whole(CProjector::kLinkedCollection);
    const std::string one = dir.File("one.PRS");
    whole.Render(&phantom, SmallPages(), one).collection->Save(one);

    const std::string two = dir.File("two.PRS");
    CProjectionCollection adopted;
    adopted.OnNewDocument();
    adopted.SetPathName(two);
    std::vector<std::string> staged;
    for (int k = 0; k < 6; ++k) {
        CListElementStub* stub = adopted.NewProjection();
        EXPECT_EQ(stub->AdoptStagedFile(CProjector::MemberPath(two, k)), "") << "nothing pending yet";
        adopted.StageLinkedMember(*stub);
        staged.push_back(stub->AdoptStagedFile(CProjector::MemberPath(two, k)));
        EXPECT_EQ(staged.back(), CProjector::MemberPath(two, k) + ".voxmill-new");
    }
    for (int part = 0; part < 2; ++part) {
        NewProjector share;
        std::vector<int> done;
        share.SetSnapshotShare({[part](int k) { return k % 2 == part; },
                                [&](int k, CProjection& projection) {
                                    done.push_back(k);
                                    projection.SetPathName(CProjector::MemberPath(two, k), true);
                                    projection.Save(staged[static_cast<std::size_t>(k)]);
                                    projection.ReleaseData();
                                }});
        const ProjectorRunReport report = share.Render(&phantom, SmallPages());
        EXPECT_EQ(done, part ? (std::vector<int>{1, 3, 5}) : (std::vector<int>{0, 2, 4}));
        EXPECT_EQ(report.emptyMembers, part ? (std::vector<int>{0, 2, 4}) : (std::vector<int>{1, 3, 5}));
    }
    adopted.Save(two);
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(test::ReadBytes(CProjector::MemberPath(one, k)), test::ReadBytes(CProjector::MemberPath(two, k))) << k;
        EXPECT_FALSE(std::filesystem::exists(staged[static_cast<std::size_t>(k)]));
    }
    // The records differ only in the collection's own name inside the paths.
    CProjectionCollection reread;
    reread.Open(two);
    ASSERT_EQ(reread.GetCount(), 6u);
    EXPECT_EQ(reread.GetMember(5)->m_strPath, CProjector::MemberPath(two, 5));
}

TEST(ProjectorRun, ProjectionsStartAtZero) {
    // Freed blocks full of NaN are what a new image would otherwise find.
    for (int k = 0; k < 8; ++k) {
        std::unique_ptr<float[]> junk(new float[32 * 32]);
        std::fill(junk.get(), junk.get() + 32 * 32, std::numeric_limits<float>::quiet_NaN());
    }
    CPhantom empty;
    empty.OnNewDocument();
    NewProjector projector;
    ProjectorRunReport report = projector.Render(&empty, SmallPages());
    ASSERT_TRUE(report.Complete());
    for (std::size_t k = 0; k < 6; ++k) {
        const CProjection& p = *report.collection->GetProjection(k);
        for (std::size_t i = 0; i < p.GetPixelCount(); ++i) ASSERT_EQ(p.GetPixels()[i], 0.0f);
    }
}

TEST(ProjectorRun, TheCollectionTemplateMakesTheCollection) {
    CDocTemplate tmpl(130, "\nProjection Collection\nProjection Collection\nProjection Collection Files (*.prs)\n.PRS\n"
                      "ProjectionCollection.Document\nProjection Collection Document",
                      true, [] { return static_cast<CDocument*>(new CProjectionCollection); });
    NewPhantom phantom;
    NewProjector projector;
    ProjectorRunReport report = projector.Render(&phantom, SmallPages(), {}, &tmpl);
    ASSERT_TRUE(report.collection);
    EXPECT_EQ(report.collection->GetDocTemplate(), &tmpl);
    EXPECT_EQ(tmpl.GetDocuments().size(), 1u);
    report.collection.reset();
    EXPECT_TRUE(tmpl.GetDocuments().empty());
}

// --- bad input -------------------------------------------------------------------

TEST(ProjectorRun, ADetectorOfSizeZeroLeavesMembersEmptyButStillStepsAndWrites) {
    test::TempDir dir;
    NewPhantom phantom;
    NewProjector projector(CProjector::kLinkedCollection);
    DetectorPageValues detector;
    detector.dimX = 0;  // the page accepts it; the projection refuses it
    detector.width = detector.height = 32;
    const double step = 60 * kPi / 180;
    auto source = MakeSourcePath(4, 0, step);
    auto path = MakeDetectorPath(detector, 4, 0, step);
    ProjectorRunReport report = projector.Run(&phantom, *source, *path, 6, dir.File("scan.PRS"));
    ASSERT_TRUE(report.collection);
    EXPECT_EQ(report.emptyMembers, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_TRUE(report.unwrittenMembers.empty());
    report.collection->Save(dir.File("scan.PRS"));
    for (std::size_t k = 0; k < 6; ++k) {
        EXPECT_FALSE(report.collection->GetProjection(k)->HasPixels());
        EXPECT_TRUE(std::filesystem::exists(CProjector::MemberPath(dir.File("scan.PRS"), static_cast<int>(k))));
    }
    // Six steps of 60 degrees: back at the start, so both paths stepped.
    ExpectPoint(source->GetCurrent(), 0, 0, 4);
    ExpectPoint(path->GetCurrent(), 0, 0, -4);
}

TEST(ProjectorRun, AnUnwritableFolderKeepsTheMembersInMemory) {
    test::TempDir dir;
    test::WriteBytes(dir.File("plain-file"), {1, 2, 3});
    NewPhantom phantom;
    NewProjector projector(CProjector::kLinkedCollection);
    ClearLastReportedError();
    const std::string prs = dir.File("plain-file") + "/scan.PRS";  // a folder that cannot exist
    ProjectorRunReport report = projector.Render(&phantom, SmallPages(), prs);
    ASSERT_TRUE(report.collection);
    EXPECT_FALSE(report.Complete());
    ASSERT_EQ(report.unwrittenMembers.size(), 6u);
    EXPECT_EQ(report.unwrittenMembers[0], prs + ".0.PRJ");
    EXPECT_FALSE(LastReportedError().empty());
    for (std::size_t k = 0; k < 6; ++k) {
        EXPECT_TRUE(report.collection->GetMember(k)->m_bLinked);
        EXPECT_TRUE(report.collection->GetMember(k)->m_bLoaded);
        EXPECT_TRUE(report.collection->GetProjection(k)->HasPixels());
    }
}

TEST(ProjectorRun, NothingIsMadeWithoutAPhantomOrAFileName) {
    NewPhantom phantom;
    CProjectionCollection notAPhantom;
    NewProjector inPlace;
    NewProjector linked(CProjector::kLinkedCollection);
    auto source = MakeSourcePath(4, 0, 1);
    auto path = MakeDetectorPath(SmallPages().detector, 4, 0, 1);

    ProjectorRunReport none = inPlace.Run(nullptr, *source, *path, 6);
    EXPECT_FALSE(none.collection);
    EXPECT_FALSE(none.problem.empty());
    EXPECT_FALSE(inPlace.Run(&notAPhantom, *source, *path, 6).collection);
    EXPECT_FALSE(linked.Run(&phantom, *source, *path, 6, "").collection);  // the save prompt was cancelled
    EXPECT_FALSE(inPlace.Run(&phantom, *source, *path, 0).collection);
    ExpectPoint(source->GetCurrent(), 0, 0, 4);  // nothing stepped
}

// --- progress and the document ----------------------------------------------------

TEST(ProjectorRun, ProgressEndsWithTheAverageTime) {
    NewPhantom phantom;
    NewProjector projector;
    std::uint64_t now = 0;
    projector.SetClock([&now] { return now += 100000; });  // 10 ms a reading
    ProjectorRunReport report = projector.Render(&phantom, SmallPages());
    ASSERT_TRUE(report.Complete());
    EXPECT_EQ(projector.m_strStepText, "Projecting...");
    EXPECT_EQ(projector.m_nSteps, 6u);
    EXPECT_EQ(projector.m_nStep, 6u);
    EXPECT_EQ(projector.GetStatusText(), COperator::FormatAverageTime(10, 0));
}

// Every file in the folder with its bytes.
std::map<std::string, std::vector<std::uint8_t>> FolderBytes(const test::TempDir& dir) {
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (const std::string& name : dir.Entries()) files[name] = test::ReadBytes(dir.File(name));
    return files;
}

TEST(ProjectorRun, ACancelAtStepThreeOfTenLeavesThePreviousCollectionWhole) {
    test::TempDir dir;
    NewPhantom phantom;
    ProjectorPageValues values = SmallPages();
    values.snapshots.stepNumber = 10;
    const std::string prs = dir.File("scan.PRS");
    {
        NewProjector first(CProjector::kLinkedCollection);
        ProjectorRunReport report = first.Render(&phantom, values, prs);
        ASSERT_TRUE(report.Complete()) << report.problem;
        report.collection->Save(prs);
    }
    const auto previous = FolderBytes(dir);
    ASSERT_EQ(previous.size(), 11u);

    NewProjector projector(CProjector::kLinkedCollection);
    int readings = 0;  // BeginRun, then one a step
    projector.SetClock([&] {
        if (++readings == 4) projector.RequestCancel();  // during step 3
        return COperator::SystemFileTime();
    });
    ProjectorRunReport cancelled = projector.Render(&phantom, values, prs);
    EXPECT_TRUE(cancelled.stopped);
    EXPECT_FALSE(cancelled.Complete());
    EXPECT_EQ(cancelled.collection, nullptr);
    EXPECT_EQ(projector.m_nStep, 3u);
    EXPECT_EQ(projector.GetStatusText(), COperator::kCancelledText);
    // No staged member, no journal: the previous collection as it was.
    EXPECT_EQ(FolderBytes(dir), previous);

    // The request is spent: the next run is whole and writes the same bytes.
    projector.SetClock(nullptr);
    ProjectorRunReport again = projector.Render(&phantom, values, prs);
    ASSERT_TRUE(again.Complete()) << again.problem;
    again.collection->Save(prs);
    EXPECT_EQ(FolderBytes(dir), previous);
}

TEST(ProjectorRun, ACancelledInPlaceRunMakesNoCollection) {
    NewPhantom phantom;
    NewProjector projector;
    projector.RequestCancel();  // before the first step ends
    ProjectorRunReport report = projector.Render(&phantom, SmallPages());
    EXPECT_TRUE(report.stopped);
    EXPECT_EQ(report.collection, nullptr);
    EXPECT_EQ(projector.m_nStep, 1u);
    EXPECT_FALSE(projector.CancelRequested());
}

TEST(ProjectorDocument, ASavedProjectorIsEmptyAndOpensWithTheDefaults) {
    test::TempDir dir;
    NewProjector projector;
    projector.m_collectionMode = CProjector::kInPlaceCollection;
    projector.m_rayMode = CProjector::kFiveRays;
    projector.Save(dir.File("p.pro"));
    EXPECT_TRUE(test::ReadBytes(dir.File("p.pro")).empty());

    CProjector reopened;
    ASSERT_TRUE(reopened.OnOpenDocument(dir.File("p.pro")));
    EXPECT_EQ(reopened.m_collectionMode, CProjector::kLinkedCollection);
    EXPECT_EQ(reopened.m_rayMode, CProjector::kOneRay);
    EXPECT_TRUE(CProjector::AcceptsTarget(kTargetPhantom));
    EXPECT_TRUE(CProjector::AcceptsTarget(kTargetDigitizer));
    EXPECT_FALSE(CProjector::AcceptsTarget(kTargetProjectionCollection));
}

TEST(ProjectorDocument, ThreadCountComesFromTheRequestOrTheEnvironment) {
    EXPECT_EQ(ProjectorThreadCount(3), 3u);
    setenv("VOXMILL_THREADS", "5", 1);
    EXPECT_EQ(ProjectorThreadCount(), 5u);
    setenv("VOXMILL_THREADS", "nonsense", 1);
    EXPECT_GE(ProjectorThreadCount(), 1u);
    unsetenv("VOXMILL_THREADS");
    EXPECT_GE(ProjectorThreadCount(), 1u);
}

TEST(ProjectorRun, ParallelRunsGiveTheBytesOfOneThread) {
    CPhantom head;
    head.OnNewDocument();
    AddSheppLogan(head);
    ProjectorPageValues values = SmallPages();
    values.detector.width = 80;
    values.detector.height = 72;
    values.snapshots.stepNumber = 5;
    for (std::int32_t rayMode : {CProjector::kOneRay, CProjector::kFiveRays}) {
        NewProjector one, many;
        one.m_rayMode = many.m_rayMode = rayMode;
        one.SetThreadCount(1);
        many.SetThreadCount(4);
        ProjectorRunReport a = one.Render(&head, values), b = many.Render(&head, values);
        for (std::size_t k = 0; k < 5; ++k)
            EXPECT_TRUE(test::SameBits(*a.collection->GetProjection(k), *b.collection->GetProjection(k)));
    }
}

// --- the preview --------------------------------------------------------------------

TEST(ProjectorPreview, TheSceneIsTheAngleZeroGeometry) {
    DetectorPageValues detector;
    detector.dimX = 4;
    detector.dimY = 3;
    SourcePathValues path;
    path.sourceAxisDistance = 5;
    path.axisDetectorDistance = 2;
    const PreviewScene scene = PreviewScene::Make(detector, path);
    EXPECT_EQ(scene.eye, (PreviewScene::Point{7, 2.5f, 2.5f}));
    EXPECT_EQ(scene.center, (PreviewScene::Point{0, 0, 0}));
    EXPECT_EQ(scene.axes[0].from, (PreviewScene::Point{0, 0, -2}));
    EXPECT_EQ(scene.axes[0].to, (PreviewScene::Point{0, 0, 5}));
    EXPECT_EQ(scene.axes[1].to, (PreviewScene::Point{0, 5, 0}));
    EXPECT_EQ(scene.axes[2].to, (PreviewScene::Point{5, 0, 0}));
    EXPECT_EQ(scene.detector[0], (PreviewScene::Point{-2, -1.5f, -2}));
    EXPECT_EQ(scene.detector[1], (PreviewScene::Point{-2, 1.5f, -2}));
    EXPECT_EQ(scene.detector[2], (PreviewScene::Point{2, 1.5f, -2}));
    EXPECT_EQ(scene.detector[3], (PreviewScene::Point{2, -1.5f, -2}));
    EXPECT_EQ(scene.source, (PreviewScene::Point{0, 0, 5}));
    EXPECT_FLOAT_EQ(scene.sourceRadius, 0.25f);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(scene.rays[k].from, scene.source);
        EXPECT_EQ(scene.rays[k].to, scene.detector[k]);
    }
}

}  // namespace
}  // namespace voxmill
