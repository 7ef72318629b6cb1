// The projector's grabbing run with a digitizer as its target: the
// projection run's snapshot loop, with one grabbed slide per snapshot in a
// new slide collection, members linked as "<collection>.<k>.SLD".
#include <algorithm>

#include "acquisition/Detector.h"
#include "acquisition/DetectorTrajectory.h"
#include "acquisition/ProjectionCollection.h"
#include "acquisition/Projector.h"
#include "acquisition/Trajectory.h"
#include "app/DocTemplate.h"
#include "app/ListElementStub.h"
#include "hardware/Digitizer.h"
#include "hardware/Slide.h"
#include "hardware/SlideCollection.h"

namespace voxmill {
namespace {

constexpr const char* kSlideExtension = ".SLD";

std::string SlideExtension() {
    const CDocTemplate* tmpl = CSlideCollection::GetSlideTemplate();
    const std::string ext = tmpl ? tmpl->GetDocString(CDocTemplate::filterExt) : std::string();
    return ext.empty() ? kSlideExtension : ext;
}

std::unique_ptr<CSlideCollection> NewCine(CDocTemplate* collectionTemplate) {
    if (!collectionTemplate) return std::make_unique<CSlideCollection>();
    CDocument* doc = collectionTemplate->CreateNewDocument();
    auto* cine = dynamic_cast<CSlideCollection*>(doc);
    if (!cine && doc) {
        collectionTemplate->RemoveDocument(doc);
        doc->m_bAutoDelete = false;
        delete doc;
    }
    return std::unique_ptr<CSlideCollection>(cine);
}

// The snapshot's detector and source on a new slide, its pixels black.
bool PlaceSlide(CSlide& slide, const CTrajectory& sourcePath, const CDetectorTrajectory& detectorPath) {
    CDetector placed;
    detectorPath.Place(placed);
    if (placed.GetWidth() <= 0 || placed.GetHeight() <= 0) return false;
    const auto width = static_cast<std::uint32_t>(placed.GetWidth());
    const auto height = static_cast<std::uint32_t>(placed.GetHeight());
    if (!slide.Create(placed.GetDimX(), placed.GetDimY(), width, height)) return false;
    slide.GetDetector().SetGeometry(detectorPath.GetCurrent(), detectorPath.GetHorizontal(),
                                    detectorPath.GetVertical(), placed.GetDimX(), placed.GetDimY(),
                                    placed.GetWidth(), placed.GetHeight());
    std::fill(slide.GetPixels(), slide.GetPixels() + slide.GetPixelCount(), std::uint8_t{0});
    slide.GetSource().SetPosition(sourcePath.GetCurrent());
    return true;
}

}  // namespace

ProjectorRunReport CDigitizer::RunGrabbing(CProjector& projector, CTrajectory& sourcePath,
                                           CDetectorTrajectory& detectorPath, int count,
                                           const std::string& collectionPath, CDocTemplate* collectionTemplate) {
    ProjectorRunReport report;
    std::unique_ptr<CSlideCollection> cine = NewCine(collectionTemplate);
    if (!cine || !cine->OnNewDocument()) {
        report.problem = "No slide collection could be made";
        return report;
    }
    const bool linked = projector.m_collectionMode == CProjector::kLinkedCollection;
    const std::string fullPath = linked ? CProjector::FullPath(collectionPath) : std::string();
    if (linked) {
        // Only the slides are written now; the cine's file is the user's to save.
        cine->SetPathName(fullPath, false);
        cine->SetModifiedFlag();
    }

    StopLive();
    PrepareGrab();

    CProjector::MemberSteps steps;
    steps.extension = SlideExtension();
    steps.stepText = CProjector::kGrabStepText;
    steps.append = [&cine]() { return cine->AddSlide(); };
    steps.collection = cine.get();
    steps.place = [](CListElementStub& stub, const CTrajectory& source, const CDetectorTrajectory& detector, int) {
        auto* slide = dynamic_cast<CSlide*>(stub.m_pElement);
        return slide && PlaceSlide(*slide, source, detector);
    };
    steps.acquire = [this, &projector, &cine](CListElementStub& stub, int k, ProjectorRunReport& runReport) {
        const auto& prompt = projector.GetGrabPrompt();
        if (triggerMode == kTriggerManual && prompt && !prompt()) {
            cine->RemoveMembers({cine->GetCount() - 1});
            return false;
        }
        if (!projector.Grab(this, static_cast<CSlide*>(stub.m_pElement))) runReport.failedGrabs.push_back(k);
        return true;
    };
    projector.RunSnapshots(sourcePath, detectorPath, count, fullPath, steps, report);
    // A stopped run's cine goes, and with it the slide files it staged.
    if (!report.stopped) report.grabbed = std::move(cine);
    return report;
}

}  // namespace voxmill
