// The projector: the operator that simulates a cone-beam acquisition of a
// phantom. For each snapshot it places source and detector on their
// circular paths, traces one or five rays per detector pixel through the
// phantom's elements and stores the line integrals sum(MU x chord) as a
// new projection of a new projection collection, kept in place or linked
// to one "<collection path>.<k>.PRJ" file per projection.
//
// The two options below are all the document holds, and they are not
// archived: a .pro file is empty and opens with the defaults. The sheet's
// geometry belongs to the window; every operation takes it as arguments,
// so the window, the command line and the tests run the same code.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Operator.h"
#include "app/Target.h"

namespace voxmill {

class CDetectorTrajectory;
class CDocTemplate;
class CListElementStub;
class CProjection;
class CProjectionCollection;
class CSurfacei;
class CTrajectory;
struct ProjectorPageValues;

// What a run made, and what went wrong on the way.
struct ProjectorRunReport {
    // The new collection, or null when the run made none (no phantom, no
    // file name in linked mode, no snapshots); see `problem`.
    std::unique_ptr<CProjectionCollection> collection;
    // A grabbing run's new slide collection instead (a CSlideCollection).
    std::unique_ptr<CTarget> grabbed;
    std::string problem;
    // A manual-trigger prompt was cancelled: the run ended early.
    bool cancelled = false;
    // The run was stopped on request (CancelRequested): no collection is
    // made, and the member files the run wrote are gone.
    bool stopped = false;
    // Snapshots whose grab reported an error: their slides stay as created.
    std::vector<int> failedGrabs;
    // Snapshots whose projection could not take the geometry: the members
    // exist but hold no image.
    std::vector<int> emptyMembers;
    // Snapshots for which no member could be made at all.
    std::vector<int> missingMembers;
    // Linked member files that could not be written; those members stay
    // in memory, still marked linked.
    std::vector<std::string> unwrittenMembers;

    bool Complete() const {
        return (collection || grabbed) && emptyMembers.empty() && missingMembers.empty() &&
               unwrittenMembers.empty() && failedGrabs.empty() && !cancelled && !stopped;
    }
};

class CProjector : public COperator {
    VOXMILL_DECLARE_SERIAL(CProjector)

public:
    enum CollectionMode : std::int32_t {
        kLinkedCollection = 0,   // "Collection Linked to Projections files"
        kInPlaceCollection = 1,  // "Projections are In-place (memory hungry)"
    };
    enum RayMode : std::int32_t {
        kOneRay = 0,    // "One (central) ray per detector pixel only"
        kFiveRays = 1,  // "Add four more rays please (a lot slower)"
    };

    static constexpr const char* kStepText = "Projecting...";
    static constexpr const char* kGrabStepText = "Grabbing...";
    // The Projection type's extension when no Projection template is set.
    static constexpr const char* kMemberExtension = ".PRJ";

    CProjector();
    ~CProjector() override;

    // Stores and loads nothing: the options are not archived.
    void Serialize(CArchive& ar) override;
    bool OnNewDocument() override;

    // Whether the Target page accepts a drop of that target type code
    // (phantom or digitizer).
    static bool AcceptsTarget(std::uint16_t targetType);

    // Ray-traces the phantom into the projection with the geometry the
    // projection carries, adding sum(MU x chord) to what each pixel holds,
    // then widens the projection's value range. Nothing when either is
    // null; a target that is not a phantom only widens the range. Pixels
    // are summed element by element in list order whatever the number of
    // threads, so every thread count gives the same bits. False when
    // nothing was traced (no phantom, no image, or an image whose size
    // differs from its detector's pixel counts).
    virtual bool Project(CDocument* target, CProjection* projection);

    // The grabbing run's single grab: GrabInto on a frame-grabber target,
    // then, whenever both are there, the slide's value range. False when
    // nothing was grabbed.
    virtual bool Grab(CDocument* target, CSurfacei* slide);

    // One acquisition of `count` snapshots along the two paths. Projection
    // mode needs a phantom target; in linked mode `collectionPath` is the
    // collection's file (given, not written: the members are written
    // beside it as they are made). With `collectionTemplate` the
    // collection is made by that template (and so is in its list), else
    // on its own; either way the caller owns the result.
    virtual ProjectorRunReport Run(CDocument* target, CTrajectory& sourcePath, CDetectorTrajectory& detectorPath,
                                   int count, const std::string& collectionPath = {},
                                   CDocTemplate* collectionTemplate = nullptr);

    // The "Render" command with the sheet's values: checks them, builds
    // the circular paths from the start angle and the step (end - start)/N,
    // and runs.
    ProjectorRunReport Render(CDocument* target, const ProjectorPageValues& values,
                              const std::string& collectionPath = {}, CDocTemplate* collectionTemplate = nullptr);

    // Where a run's member k gets its pixels: without a lender (the
    // default) each projection allocates its own; a front end that wants
    // the images in one block of its own (a numpy stack) lends them. The
    // lender returns room for width x height floats that outlives the
    // collection, or null to let that member allocate as usual.
    using PixelLender = std::function<float*(int k, std::uint32_t width, std::uint32_t height)>;
    void SetPixelLender(PixelLender lender) { m_lender = std::move(lender); }
    // What differs between the projection and the grabbing run: how a
    // member is made, placed on the snapshot's geometry and filled.
    struct MemberSteps {
        std::string extension;  // of linked member files
        const char* stepText = kStepText;
        // A new member at the end of the collection, or null.
        std::function<CListElementStub*()> append;
        // Gives the member the snapshot's geometry; false leaves it empty.
        std::function<bool(CListElementStub&, const CTrajectory&, const CDetectorTrajectory&, int k)> place;
        // Where linked members are staged, so that the previous collection
        // stays whole until the new one is saved; null writes them directly.
        CTarget* collection = nullptr;
        // Fills a placed member; false cancels the run (the member is
        // removed by then). Snapshot index and report for what went wrong.
        std::function<bool(CListElementStub&, int, ProjectorRunReport&)> acquire;
    };
    // The snapshot loop both runs share: member, geometry, acquisition,
    // the paths' step, the linked member's file ("<fullPath>.<k><ext>"),
    // progress. An empty `fullPath` keeps members in place. A cancel
    // request stops it after the step in progress (`report.stopped`).
    void RunSnapshots(CTrajectory& sourcePath, CDetectorTrajectory& detectorPath, int count,
                      const std::string& fullPath, const MemberSteps& steps, ProjectorRunReport& report);
    // A run shared among processes: each traces the snapshots `mine`
    // accepts and hands each finished projection to `done` (which may write
    // it and release its pixels). The other snapshots still step the paths
    // and are left unplaced, reported among the empty members. Without a
    // share (the default) every snapshot is traced.
    struct SnapshotShare {
        std::function<bool(int k)> mine;
        std::function<void(int k, CProjection& projection)> done;
    };
    void SetSnapshotShare(SnapshotShare share) { m_share = std::move(share); }
    // Asked before every grab with the manual trigger (the "Import"
    // prompt); false cancels. Without one, every grab goes ahead.
    void SetGrabPrompt(std::function<bool()> prompt) { m_grabPrompt = std::move(prompt); }
    const std::function<bool()>& GetGrabPrompt() const { return m_grabPrompt; }
    // A collection path made absolute, as members are found through it.
    static std::string FullPath(const std::string& path);

    // Threads Project uses: 0 (the default) lets ProjectorThreadCount decide.
    void SetThreadCount(unsigned threads) { m_nThreads = threads; }
    unsigned GetThreadCount() const { return m_nThreads; }

    // The name of linked member k of the collection file `collectionPath`.
    static std::string MemberPath(const std::string& collectionPath, int k);

    std::int32_t m_collectionMode = kLinkedCollection;
    std::int32_t m_rayMode = kOneRay;

private:
    unsigned m_nThreads = 0;
    PixelLender m_lender;
    SnapshotShare m_share;
    std::function<bool()> m_grabPrompt;
};

}  // namespace voxmill
