#include "tests/integration/ScanRoad.h"

#include <cstdio>

#include "acquisition/ProjectionCollection.h"
#include "acquisition/Projector.h"
#include "app/archive/ErrorSink.h"
#include "phantom/Phantom.h"
#include "phantom/PhantomElement.h"
#include "phantom/PhantomElementEllipsoid.h"
#include "phantom/SheppLogan.h"
#include "reconstruction/HResultText.h"
#include "reconstruction/Volume.h"

namespace voxmill::test {

ProjectorPageValues Acquisition::Pages() const {
    ProjectorPageValues values;
    values.detector.dimX = width;
    values.detector.dimY = height;
    values.detector.width = columns;
    values.detector.height = rows;
    values.path.sourceAxisDistance = Ds;
    values.path.axisDetectorDistance = Dd;
    values.snapshots.startAngle = 0.0;
    values.snapshots.endAngle = arc;
    values.snapshots.stepNumber = snapshots;
    return values;
}

std::string Acquisition::Describe() const {
    char text[160];
    std::snprintf(text, sizeof text, "Ds %g, Dd %g, %g x %g detector of %u x %u pixels, %d snapshots", Ds, Dd, width,
                  height, columns, rows, snapshots);
    return text;
}

Acquisition HeadScan() {
    Acquisition a;
    a.width = a.height = 8.0;
    a.columns = a.rows = 128;
    a.snapshots = 180;
    return a;
}

std::unique_ptr<CPhantom> SheppLoganHead() {
    auto phantom = std::make_unique<CPhantom>();
    phantom->OnNewDocument();
    AddSheppLogan(*phantom);
    return phantom;
}

std::unique_ptr<CPhantom> UniformBall(double radius, float mu) {
    auto phantom = std::make_unique<CPhantom>();
    phantom->OnNewDocument();
    CPhantomElement* ball = phantom->AddElement(CPhantomElementEllipsoid::ThisClass());
    ball->m_scale = CScaling(radius, radius, radius);
    ball->m_mu = mu;
    ball->UpdateMatrices();
    return phantom;
}

std::unique_ptr<CProjectionCollection> Project(CPhantom& phantom, const Acquisition& acquisition,
                                               std::string* problem) {
    CProjector projector;
    projector.OnNewDocument();
    projector.m_collectionMode = CProjector::kInPlaceCollection;
    projector.m_rayMode = CProjector::kOneRay;
    ProjectorRunReport report = projector.Render(&phantom, acquisition.Pages());
    if (!report.Complete()) {
        *problem = "projection run incomplete: " + report.problem;
        return nullptr;
    }
    return std::move(report.collection);
}

CRendererRoad::CRendererRoad(const std::string& modulePath, const std::string& name) {
    std::string error;
    if (const HRESULT hr = CPluginRegistry::RegisterModule(modulePath, &error); hr != S_OK) {
        m_problem = "registering " + modulePath + ": " + HResultText(hr) + " " + error;
        return;
    }
    const auto clsid = m_registry.FindPlugin(name, &error);
    if (!clsid) {
        m_problem = "no plug-in " + name + ": " + error;
        return;
    }
    m_backProjector.m_bAutoDelete = false;
    m_backProjector.OnNewDocument();
    if (m_backProjector.ChooseRenderer(*clsid, m_registry) != CBackProjector::RendererChoice::replaced)
        m_problem = "hosting " + name + ": " + LastReportedError();
}

std::unique_ptr<CVolume> CRendererRoad::Reconstruct(CProjectionCollection& collection, bool collectionMode,
                                                    const CBackProjector::VolumeSize& size, std::string* problem) {
    if (!SetOption("IsProcessCollection", collectionMode ? "1" : "0", problem)) return nullptr;
    return Render(collection, size, problem);
}

bool CRendererRoad::SetOption(const std::string& name, const std::string& value, std::string* problem) {
    std::string error;
    if (const HRESULT hr = m_backProjector.SetRendererOption(name, value, &error); hr != S_OK) {
        *problem = name + ": " + HResultText(hr) + " " + error;
        return false;
    }
    return true;
}

std::unique_ptr<CVolume> CRendererRoad::Reconstruct(CProjectionCollection& collection,
                                                    const CBackProjector::VolumeSize& size, std::string* problem) {
    return Render(collection, size, problem);
}

std::unique_ptr<CVolume> CRendererRoad::Voxelize(CPhantom& phantom, const CBackProjector::VolumeSize& size,
                                                 std::string* problem) {
    return Render(phantom, size, problem);
}

std::unique_ptr<CVolume> CRendererRoad::Render(CDocument& target, const CBackProjector::VolumeSize& size,
                                               std::string* problem) {
    if (!Ready()) {
        *problem = m_problem;
        return nullptr;
    }
    HRESULT hr = E_UNEXPECTED;
    std::unique_ptr<CVolume> volume = m_backProjector.Render(&target, size, nullptr, &hr);
    if (hr != S_OK) *problem = "render: " + HResultText(hr);
    if (!volume || !volume->IsAllocated() || FAILED(hr)) return nullptr;
    return volume;
}

CBackProjector::VolumeSize Cube(std::uint32_t count) {
    CBackProjector::VolumeSize size;
    size.dimX = size.dimY = size.dimZ = 2.0;
    size.nX = size.nY = size.nZ = count;
    return size;
}

}  // namespace voxmill::test
