#include "acquisition/Projector.h"

#include <algorithm>
#include <filesystem>

#include "acquisition/CircularOrbit.h"
#include "acquisition/Detector.h"
#include "acquisition/DetectorTrajectory.h"
#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "acquisition/ProjectionTracer.h"
#include "acquisition/ProjectorOptions.h"
#include "acquisition/Trajectory.h"
#include "app/DocTemplate.h"
#include "app/ListElementStub.h"
#include "app/Target.h"
#include "phantom/Phantom.h"

namespace voxmill {
namespace {

std::string MemberExtension() {
    const CDocTemplate* tmpl = CProjectionCollection::GetProjectionTemplate();
    const std::string ext = tmpl ? tmpl->GetDocString(CDocTemplate::filterExt) : std::string();
    return ext.empty() ? CProjector::kMemberExtension : ext;
}

// Members are found again through the paths stored in the collection, so
// they must not depend on the directory the run happened in.
std::string FullPath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
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
    if (!target->IsKindOf(RUNTIME_CLASS(CPhantom))) {
        const auto* asTarget = dynamic_cast<const CTarget*>(target);
        report.problem = asTarget && asTarget->GetTargetType() == kTargetDigitizer
                             ? "Grabbing runs need the frame grabber, which this build does not drive"
                             : "The target is not a phantom";
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

    std::unique_ptr<CProjectionCollection> collection = NewCollection(collectionTemplate);
    if (!collection || !collection->OnNewDocument()) {
        report.problem = "No projection collection could be made";
        return report;
    }
    const std::string fullPath = linked ? FullPath(collectionPath) : std::string();
    if (linked) {
        collection->SetPathName(fullPath);
        collection->SetModifiedFlag();
    }

    BeginRun(static_cast<unsigned>(count), kStepText);
    for (int k = 0; k < count; ++k) {
        CListElementStub* stub = collection->NewProjection();
        CProjection* projection = stub ? collection->GetProjection(collection->GetCount() - 1) : nullptr;
        if (!stub || !projection) {
            // Nothing to place: the paths stay where they are.
            report.missingMembers.push_back(k);
            Step();
            continue;
        }
        if (PlaceProjection(*projection, sourcePath, detectorPath, m_lender, k))
            Project(target, projection);
        else
            report.emptyMembers.push_back(k);
        sourcePath.Step();
        detectorPath.Step();
        if (linked) {
            stub->m_bLinked = true;
            // Staged: the previous collection at fullPath and its members
            // stay whole until the new collection is saved.
            collection->StageLinkedMember(*stub);
            const std::string path = MemberPath(fullPath, k);
            if (stub->SetLinkPath(path))
                stub->Unload();
            else
                report.unwrittenMembers.push_back(path);
        }
        Step();
    }
    report.collection = std::move(collection);
    return report;
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
