#include "acquisition/Projector.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "acquisition/CircularOrbit.h"
#include "acquisition/Detector.h"
#include "acquisition/DetectorTrajectory.h"
#include "acquisition/FrameGrabber.h"
#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "acquisition/ProjectionTracer.h"
#include "acquisition/ProjectorOptions.h"
#include "acquisition/Trajectory.h"
#include "app/DocTemplate.h"
#include "app/ListElementStub.h"
#include "app/Target.h"
#include "imaging/Surfacei.h"
#include "phantom/Phantom.h"

namespace voxmill {
namespace {

std::string MemberExtension() {
    const CDocTemplate* tmpl = CProjectionCollection::GetProjectionTemplate();
    const std::string ext = tmpl ? tmpl->GetDocString(CDocTemplate::filterExt) : std::string();
    return ext.empty() ? CProjector::kMemberExtension : ext;
}

std::unique_ptr<CProjectionCollection> NewCollection(CDocTemplate* collectionTemplate) {
    if (!collectionTemplate) return std::make_unique<CProjectionCollection>();
    CDocument* doc = collectionTemplate->CreateNewDocument();
    auto* collection = dynamic_cast<CProjectionCollection*>(doc);
    if (!collection && doc) {
        collectionTemplate->RemoveDocument(doc);
        doc->m_bAutoDelete = false;
        delete doc;
    }
    return std::unique_ptr<CProjectionCollection>(collection);
}

// Gives new member k the snapshot's geometry, over the lender's pixels when
// it has some. The detector path hands its size and pixel counts over
// through a detector placed by it.
bool PlaceProjection(CProjection& projection, const CTrajectory& sourcePath, const CDetectorTrajectory& detectorPath,
                     const CProjector::PixelLender& lender, int k) {
    CDetector placed;
    detectorPath.Place(placed);
    // Negative counts would wrap to sizes nobody asked for.
    if (placed.GetWidth() <= 0 || placed.GetHeight() <= 0) return false;
    const auto width = static_cast<std::uint32_t>(placed.GetWidth());
    const auto height = static_cast<std::uint32_t>(placed.GetHeight());
    float* lent = lender ? lender(k, width, height) : nullptr;
    if (!projection.SetGeometry(detectorPath.GetCurrent(), detectorPath.GetHorizontal(), detectorPath.GetVertical(),
                                placed.GetDimX(), placed.GetDimY(), width, height, lent))
        return false;
    // The image's new block is uninitialised, and the run adds to it.
    std::fill(projection.GetPixels(), projection.GetPixels() + projection.GetPixelCount(), 0.0f);
    projection.SetSourcePosition(sourcePath.GetCurrent());
    return true;
}

}  // namespace

VOXMILL_IMPLEMENT_DYNCREATE(CProjector, COperator)

// Members are found again through the paths stored in the collection, so
// they must not depend on the directory the run happened in.
std::string CProjector::FullPath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

bool CProjector::Grab(CDocument* target, CSurfacei* slide) {
    if (!target || !slide) return false;
    auto* grabber = dynamic_cast<IFrameGrabber*>(target);
    const bool grabbed = grabber && grabber->GrabInto(*slide);
    slide->UpdateRange();
    return grabbed;
}

CProjector::CProjector() = default;

CProjector::~CProjector() = default;

void CProjector::Serialize(CArchive&) {}

bool CProjector::OnNewDocument() {
    if (!COperator::OnNewDocument()) return false;
    m_collectionMode = kLinkedCollection;
    m_rayMode = kOneRay;
    return true;
}

bool CProjector::AcceptsTarget(std::uint16_t targetType) {
    return targetType == kTargetPhantom || targetType == kTargetDigitizer;
}

std::string CProjector::MemberPath(const std::string& collectionPath, int k) {
    return collectionPath + "." + std::to_string(k) + MemberExtension();
}

bool CProjector::Project(CDocument* target, CProjection* projection) {
    if (!target || !projection) return false;
    bool traced = false;
    if (target->IsKindOf(RUNTIME_CLASS(CPhantom)))
        traced = TraceProjection(static_cast<CPhantom&>(*target), *projection, m_rayMode,
                                 ProjectorThreadCount(m_nThreads));
    projection->UpdateRange();
    return traced;
}

ProjectorRunReport CProjector::Run(CDocument* target, CTrajectory& sourcePath, CDetectorTrajectory& detectorPath,
                                   int count, const std::string& collectionPath, CDocTemplate* collectionTemplate) {
    ProjectorRunReport report;
    if (!target) {
        report.problem = "No target: drop a phantom on the Target page first";
        return report;
    }
    if (count < 1) {
        report.problem = "No snapshots to take";
        return report;
    }
    const bool linked = m_collectionMode == kLinkedCollection;
    if (linked && collectionPath.empty()) {
        report.problem = "No file name for the linked collection";
        return report;
    }
    if (auto* grabber = dynamic_cast<IFrameGrabber*>(target))
        return grabber->RunGrabbing(*this, sourcePath, detectorPath, count, collectionPath, collectionTemplate);
    if (!target->IsKindOf(RUNTIME_CLASS(CPhantom))) {
        report.problem = "The target is neither a phantom nor a frame grabber";
        return report;
    }

    std::unique_ptr<CProjectionCollection> collection = NewCollection(collectionTemplate);
    if (!collection || !collection->OnNewDocument()) {
        report.problem = "No projection collection could be made";
        return report;
    }
    const std::string fullPath = linked ? FullPath(collectionPath) : std::string();
    if (linked) {
        // Only the members are written now; the collection's file is the user's to save.
        collection->SetPathName(fullPath, false);
    }
    // The new collection exists only in memory until it is saved.
    collection->SetModifiedFlag();

    MemberSteps steps;
    steps.extension = MemberExtension();
    steps.append = [&collection]() { return collection->NewProjection(); };
    steps.collection = collection.get();
    steps.place = [this](CListElementStub& stub, const CTrajectory& source, const CDetectorTrajectory& detector,
                         int k) {
        if (m_share.mine && !m_share.mine(k)) return false;
        auto* projection = dynamic_cast<CProjection*>(stub.m_pElement);
        return projection && PlaceProjection(*projection, source, detector, m_lender, k);
    };
    steps.acquire = [this, target](CListElementStub& stub, int k, ProjectorRunReport&) {
        auto* projection = static_cast<CProjection*>(stub.m_pElement);
        Project(target, projection);
        if (m_share.done) m_share.done(k, *projection);
        return true;
    };
    RunSnapshots(sourcePath, detectorPath, count, fullPath, steps, report);
    // A stopped run's collection goes, and with it the member files it staged.
    if (!report.stopped) report.collection = std::move(collection);
    return report;
}

void CProjector::RunSnapshots(CTrajectory& sourcePath, CDetectorTrajectory& detectorPath, int count,
                              const std::string& fullPath, const MemberSteps& steps, ProjectorRunReport& report) {
    BeginRun(static_cast<unsigned>(count), steps.stepText);
    // Member files written straight to their place (no replacement could
    // be staged): a cancelled run takes them away again.
    std::vector<std::string> writtenInPlace;
    const auto stopIfCancelled = [&] {
        if (!CancelRequested()) return false;
        for (const std::string& file : writtenInPlace) std::remove(file.c_str());
        report.stopped = true;
        EndCancelledRun();
        return true;
    };
    for (int k = 0; k < count; ++k) {
        CListElementStub* stub = steps.append();
        if (!stub || !stub->m_pElement) {
            // Nothing to place: the paths stay where they are.
            report.missingMembers.push_back(k);
            Step();
            if (stopIfCancelled()) return;
            continue;
        }
        if (!steps.place(*stub, sourcePath, detectorPath, k))
            report.emptyMembers.push_back(k);
        else if (!steps.acquire(*stub, k, report)) {
            report.cancelled = true;
            return;
        }
        sourcePath.Step();
        detectorPath.Step();
        if (!fullPath.empty()) {
            stub->m_bLinked = true;
            // Staged: the previous collection at fullPath and its members
            // stay whole until the new collection is saved.
            if (steps.collection) steps.collection->StageLinkedMember(*stub);
            const std::string path = fullPath + "." + std::to_string(k) + steps.extension;
            if (stub->SetLinkPath(path)) {
                if (stub->FilePath() == path) writtenInPlace.push_back(path);
                stub->Unload();
            } else {
                report.unwrittenMembers.push_back(path);
            }
        }
        Step();
        if (stopIfCancelled()) return;
    }
}

ProjectorRunReport CProjector::Render(CDocument* target, const ProjectorPageValues& values,
                                      const std::string& collectionPath, CDocTemplate* collectionTemplate) {
    ProjectorRunReport report;
    report.problem = values.Problem();
    if (!report.problem.empty()) return report;
    const SnapshotValues& shots = values.snapshots;
    const double theta0 = DegreesToRadians(shots.startAngle);
    const double step = DegreesToRadians(shots.StepAngle());
    std::unique_ptr<CTrajectory> sourcePath = MakeSourcePath(values.path.sourceAxisDistance, theta0, step);
    std::unique_ptr<CDetectorTrajectory> detectorPath =
        MakeDetectorPath(values.detector, values.path.axisDetectorDistance, theta0, step);
    return Run(target, *sourcePath, *detectorPath, shots.stepNumber, collectionPath, collectionTemplate);
}

}  // namespace voxmill
