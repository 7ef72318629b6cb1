// Acquisition: the circular geometry of the projector window, the
// projector's run, and the .prj / .prs files as arrays.
#include <cstring>
#include <filesystem>
#include <string>

#include <pybind11/stl.h>

#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "acquisition/Projector.h"
#include "acquisition/ProjectorOptions.h"
#include "app/ListElementStub.h"
#include "app/archive/ErrorSink.h"
#include "phantom/Phantom.h"
#include "python/Arrays.h"
#include "python/Bindings.h"
#include "python/Errors.h"
#include "python/ProjectionStack.h"
#include "python/RunMonitor.h"

namespace py = pybind11;

namespace voxmill::python {
namespace {

ProjectorPageValues MakeCircle(double ds, double dd, const std::pair<double, double>& size,
                               const std::pair<int, int>& pixels, double start, double end, int steps) {
    ProjectorPageValues v;
    v.path.sourceAxisDistance = ds;
    v.path.axisDetectorDistance = dd;
    v.detector.dimX = size.first;
    v.detector.dimY = size.second;
    if (pixels.first < 0 || pixels.second < 0) ThrowValueError("pixels: counts must be between 32 and 4096");
    v.detector.width = static_cast<std::uint32_t>(pixels.first);
    v.detector.height = static_cast<std::uint32_t>(pixels.second);
    v.snapshots.startAngle = start;
    v.snapshots.endAngle = end;
    v.snapshots.stepNumber = steps;
    if (const std::string problem = v.Problem(); !problem.empty()) ThrowValueError(problem);
    return v;
}

// Every member's pixels copied into one (N, rows, columns) stack. Each
// member lets go of its pixels once copied (linked ones are unloaded, the
// others freed: the collection is the caller's to discard), and the
// stack's pages are only touched as they are filled, so the peak holds the
// stack and one projection. ValueError when members differ in size or one
// has no image; FileNotFoundError for a missing member file.
py::array StackMembers(CProjectionCollection& collection, const std::string& path, ProjectionGeometry& geometry) {
    const std::size_t n = collection.GetCount();
    py::array_t<float> stack;
    float* out = nullptr;
    std::size_t each = 0;
    for (std::size_t k = 0; k < n; ++k) {
        CListElementStub* stub = collection.GetMember(k);
        ClearLastReportedError();
        if (!stub->Load()) {
            if (stub->m_bLinked && !std::filesystem::exists(stub->m_strPath))
                ThrowFileNotFound(stub->m_strPath, path + ": member " + std::to_string(k) + " is missing: " +
                                                       stub->m_strPath);
            ThrowValueError(path + ": member " + std::to_string(k) + " cannot be read" +
                            (LastReportedError().empty() ? "" : " (" + LastReportedError() + ")"));
        }
        CProjection* p = collection.GetProjection(k);
        if (!p || !p->HasPixels())
            ThrowValueError(path + ": member " + std::to_string(k) + " has no image");
        if (k == 0) {
            geometry.columns = p->GetWidth();
            geometry.rows = p->GetHeight();
            each = p->GetPixelCount();
            stack = py::array_t<float>({static_cast<py::ssize_t>(n), static_cast<py::ssize_t>(geometry.rows),
                                        static_cast<py::ssize_t>(geometry.columns)});
            out = stack.mutable_data();
        } else if (p->GetWidth() != geometry.columns || p->GetHeight() != geometry.rows) {
            ThrowValueError(path + ": member " + std::to_string(k) + " is " + std::to_string(p->GetWidth()) + " x " +
                            std::to_string(p->GetHeight()) + " pixels, member 0 " + std::to_string(geometry.columns) +
                            " x " + std::to_string(geometry.rows) + ": they do not stack");
        }
        std::memcpy(out + k * each, p->GetPixels(), each * sizeof(float));
        geometry.poses.push_back(ProjectionPose::Of(*p));
        if (stub->m_bLinked)
            stub->Unload();
        else
            p->ReleaseData();
    }
    if (n == 0) return py::array_t<float>(std::vector<py::ssize_t>{0, 0, 0});
    return stack;
}

py::dict ProjectionFields(CProjection& p) {
    const ProjectionPose pose = ProjectionPose::Of(p);
    py::dict d;
    d["source"] = py::make_tuple(pose.source[0], pose.source[1], pose.source[2]);
    d["center"] = py::make_tuple(pose.center[0], pose.center[1], pose.center[2]);
    d["horizontal"] = py::make_tuple(pose.horizontal[0], pose.horizontal[1], pose.horizontal[2]);
    d["vertical"] = py::make_tuple(pose.vertical[0], pose.vertical[1], pose.vertical[2]);
    d["detector_size"] = py::make_tuple(pose.size[0], pose.size[1]);
    d["pixels"] = py::make_tuple(p.GetWidth(), p.GetHeight());
    d["value_range"] = py::make_tuple(p.GetMinValue(), p.GetMaxValue());
    std::string description;
    p.GetDescription(description);
    d["description"] = description;
    return d;
}

py::tuple ReadPrj(const py::object& pathObject) {
    const std::string path = PathText(pathObject);
    std::unique_ptr<CProjection> p = OpenDocument<CProjection>(path);
    py::dict fields = ProjectionFields(*p);
    ProjectionGeometry g;
    g.columns = p->GetWidth();
    g.rows = p->GetHeight();
    g.poses.push_back(ProjectionPose::Of(*p));
    fields["geometry"] = g;
    return py::make_tuple(SurfaceArray(std::move(p)), fields);
}

py::tuple ReadPrs(const py::object& pathObject) {
    const std::string path = PathText(pathObject);
    std::unique_ptr<CProjectionCollection> c = OpenDocument<CProjectionCollection>(path);
    ProjectionGeometry geometry;
    py::array stack = StackMembers(*c, path, geometry);
    py::list members;
    for (std::size_t k = 0; k < c->GetCount(); ++k) {
        const CListElementStub* stub = c->GetMember(k);
        py::dict member;
        member["linked"] = stub->m_bLinked;
        member["path"] = stub->m_strPath;
        members.append(member);
    }
    py::dict fields;
    fields["count"] = c->GetCount();
    fields["members"] = members;
    fields["geometry"] = geometry;
    return py::make_tuple(stack, fields);
}

void WritePrj(const py::object& pathObject, const py::object& pixels, const ProjectionGeometry& geometry,
              std::size_t index) {
    const std::string path = PathText(pathObject);
    FloatArray image = FloatInput(pixels, 2, "pixels");
    if (index >= geometry.poses.size()) throw py::index_error("index out of range of the geometry");
    if (static_cast<std::uint32_t>(image.shape(0)) != geometry.rows ||
        static_cast<std::uint32_t>(image.shape(1)) != geometry.columns)
        ThrowValueError("pixels must be (rows, columns) = (" + std::to_string(geometry.rows) + ", " +
                        std::to_string(geometry.columns) + ")");
    CProjection p;
    p.m_bAutoDelete = false;
    p.OnNewDocument();
    if (!geometry.Place(index, p, const_cast<float*>(image.data())))
        ThrowValueError("the projection cannot take that geometry");
    p.UpdateRange();
    SaveDocumentTo(p, path);
}

void WritePrs(const py::object& pathObject, const py::object& projections, const ProjectionGeometry& geometry,
              bool linked) {
    const std::string path = PathText(pathObject);
    ProjectionStack stack(projections, geometry);
    CProjectionCollection& c = stack.Collection();
    if (linked) {
        c.SetPathName(std::filesystem::absolute(path).lexically_normal().string());
        for (std::size_t k = 0; k < c.GetCount(); ++k) {
            CListElementStub* stub = c.GetMember(k);
            stub->m_bLinked = true;
            // Staged: a previous collection at the path keeps its members
            // until this one is saved whole.
            c.StageLinkedMember(*stub);
            const std::string member = CProjector::MemberPath(c.GetPathName(), static_cast<int>(k));
            if (!stub->SetLinkPath(member)) ThrowOsError(member, "the member could not be written");
        }
    }
    SaveDocumentTo(c, path);
}

py::tuple Project(CPhantom& phantom, const ProjectorPageValues& circle, int rays, const py::object& threads,
                  const py::object& progress) {
    if (rays != 1 && rays != 5) ThrowValueError("rays must be 1 (central ray) or 5");
    unsigned threadCount = 0;
    if (!threads.is_none()) {
        const int t = threads.cast<int>();
        if (t < 1 || t > 1024) ThrowValueError("threads must be between 1 and 1024");
        threadCount = static_cast<unsigned>(t);
    }
    // The projector traces straight into the array handed out.
    const py::ssize_t n = circle.snapshots.stepNumber;
    const std::uint32_t columns = circle.detector.width, rows = circle.detector.height;
    const std::size_t each = std::size_t{columns} * rows;
    py::array_t<float> stack({n, static_cast<py::ssize_t>(rows), static_cast<py::ssize_t>(columns)});
    float* const block = stack.mutable_data();

    RunMonitor monitor(progress);
    MonitoredOperator<CProjector> projector(monitor);
    projector.OnNewDocument();
    projector.m_bAutoDelete = false;
    projector.m_collectionMode = CProjector::kInPlaceCollection;
    projector.m_rayMode = rays == 5 ? CProjector::kFiveRays : CProjector::kOneRay;
    projector.SetThreadCount(threadCount);
    projector.SetPixelLender([=](int k, std::uint32_t width, std::uint32_t height) -> float* {
        const bool fits = k >= 0 && k < n && width == columns && height == rows;
        return fits ? block + static_cast<std::size_t>(k) * each : nullptr;
    });
    ProjectorRunReport report;
    {
        py::gil_scoped_release release;
        report = projector.Render(&phantom, circle);
    }
    monitor.Finish();
    if (!report.collection) ThrowValueError(report.problem);
    if (!report.Complete() || report.collection->GetCount() != static_cast<std::size_t>(n))
        ThrowRuntimeError("the projector could not make every projection (the detector could not take the geometry)");
    ProjectionGeometry geometry;
    geometry.columns = columns;
    geometry.rows = rows;
    for (py::ssize_t k = 0; k < n; ++k) {
        const CProjection* p = report.collection->GetProjection(static_cast<std::size_t>(k));
        if (p->GetPixels() != block + k * each) ThrowRuntimeError("a projection was not traced into the stack");
        geometry.poses.push_back(ProjectionPose::Of(*p));
    }
    return py::make_tuple(stack, geometry);
}

}  // namespace

void BindAcquisition(py::module_& m) {
    BindProjectionGeometry(m);

    py::class_<ProjectorPageValues>(m, "CircularGeometry", R"doc(
The projector's circular acquisition: the source circles the y axis at
distance ds, the flat detector faces it at distance dd on the other side;
snapshot k of steps is taken at start + k (end - start) / steps degrees
(end itself never is). Ranges as in the projector window: detector size
0 to 1000, pixels 32 to 4096, distances 0 to 100, start 0 to 360, end
start + 1 to 360, steps 1 to 720; ValueError names the first out of range.)doc")
        .def(py::init(&MakeCircle), py::arg("ds") = 4.0, py::arg("dd") = 4.0,
             py::arg("detector_size") = std::pair<double, double>(4.0, 4.0),
             py::arg("pixels") = std::pair<int, int>(128, 128), py::arg("start") = 0.0, py::arg("end") = 360.0,
             py::arg("steps") = 6,
             "Defaults as `voxmill-cli project`: a 4 x 4 detector of 128 x 128 pixels (columns, rows), "
             "Ds = Dd = 4, 0 to 360 degrees in 6 steps.")
        .def_property_readonly(
            "ds", [](const ProjectorPageValues& v) { return v.path.sourceAxisDistance; },
            "Source to rotation axis distance, world units.")
        .def_property_readonly(
            "dd", [](const ProjectorPageValues& v) { return v.path.axisDetectorDistance; },
            "Rotation axis to detector distance, world units.")
        .def_property_readonly(
            "detector_size", [](const ProjectorPageValues& v) { return py::make_tuple(v.detector.dimX, v.detector.dimY); },
            "(width, height) of the detector, world units.")
        .def_property_readonly(
            "pixels", [](const ProjectorPageValues& v) { return py::make_tuple(v.detector.width, v.detector.height); },
            "(columns, rows) of the detector.")
        .def_property_readonly(
            "start", [](const ProjectorPageValues& v) { return v.snapshots.startAngle; },
            "Angle of the first snapshot, degrees from +z toward +x.")
        .def_property_readonly(
            "end", [](const ProjectorPageValues& v) { return v.snapshots.endAngle; },
            "End of the turn, degrees (never a snapshot itself).")
        .def_property_readonly(
            "steps", [](const ProjectorPageValues& v) { return v.snapshots.stepNumber; }, "Number of snapshots.")
        .def("projection_geometry", &ProjectionGeometry::OfCircle,
             "The per-projection geometry a projector run on this circle gives (the same numbers, bit for bit).")
        .def("__repr__", [](const ProjectorPageValues& v) {
            return "<voxmill.CircularGeometry ds=" + std::to_string(v.path.sourceAxisDistance) +
                   " dd=" + std::to_string(v.path.axisDetectorDistance) + " " + std::to_string(v.detector.width) +
                   "x" + std::to_string(v.detector.height) + " pixels, " + std::to_string(v.snapshots.stepNumber) +
                   " steps>";
        });

    m.def("project", &Project, py::arg("phantom"), py::arg("geometry"), py::arg("rays") = 1,
          py::arg("threads") = py::none(), py::arg("progress") = py::none(), R"doc(
Simulates the acquisition of a phantom on a CircularGeometry, as
`voxmill-cli project` does (the same pixels, bit for bit): each pixel holds
the line integral of MU along one ray (rays=1) or the mean of five
(rays=5). threads: None for VOXMILL_THREADS or every core; the result does
not depend on it. progress(step, count, caption) is called once per
snapshot. The GIL is released while tracing; Ctrl-C stops the run at the
next snapshot with KeyboardInterrupt.

Returns (projections, geometry): a float32 array (N, rows, columns) and the
ProjectionGeometry of its snapshots. The projector traces straight into
that array: the projections are never held twice.)doc");

    m.def("read_prj", &ReadPrj, py::arg("path"), R"doc(
Reads a projection (.prj): (pixels, fields) with pixels a float32 array
(rows, columns) owning the file's image, and fields a dict: source, center,
horizontal, vertical, detector_size, pixels (columns, rows), value_range,
description and geometry (a ProjectionGeometry of one projection).)doc");
    m.def("read_prs", &ReadPrs, py::arg("path"), R"doc(
Reads a projection collection (.prs) and its linked members:
(projections, fields) with projections a float32 array (N, rows, columns)
and fields: geometry (its ProjectionGeometry), count and members (a list
of dicts: linked, path). Members must share one size; each is
copied once into the stack and let go of at once.)doc");
    m.def("write_prj", &WritePrj, py::arg("path"), py::arg("pixels"), py::arg("geometry"), py::arg("index") = 0,
          "Writes pixels (rows, columns) as a .prj with projection `index` of the geometry.");
    m.def("write_prs", &WritePrs, py::arg("path"), py::arg("projections"), py::arg("geometry"),
          py::arg("linked") = false, R"doc(
Writes a projection collection (.prs): in place (one file), or linked, each
projection k in its own file <path>.<k>.PRJ beside it as the projector
writes them.)doc");
}

}  // namespace voxmill::python
