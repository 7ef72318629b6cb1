#include "python/ProjectionStack.h"

#include <string>

#include "acquisition/CircularOrbit.h"
#include "acquisition/Detector.h"
#include "acquisition/DetectorTrajectory.h"
#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "acquisition/ProjectorOptions.h"
#include "acquisition/Trajectory.h"
#include "app/ListElementStub.h"
#include "python/Errors.h"

namespace py = pybind11;

namespace voxmill::python {
namespace {

void Copy3(const CVector4& v, double (&out)[3]) {
    out[0] = v.x;
    out[1] = v.y;
    out[2] = v.z;
}

// An (N, width) float64 array of one field of every pose.
template <class Field>
py::array_t<double> PoseArray(const ProjectionGeometry& g, int width, Field field) {
    py::array_t<double> out({static_cast<py::ssize_t>(g.poses.size()), static_cast<py::ssize_t>(width)});
    auto view = out.mutable_unchecked<2>();
    for (std::size_t k = 0; k < g.poses.size(); ++k) {
        const double* values = field(g.poses[k]);
        for (int c = 0; c < width; ++c) view(static_cast<py::ssize_t>(k), c) = values[c];
    }
    return out;
}

// Reads an (N, width) array of numbers into every pose; N is fixed by the
// first array read (poses empty) or must match.
template <class Field>
void ReadPoseArray(ProjectionGeometry& g, const py::handle& object, int width, const char* what, Field field) {
    py::array_t<double, py::array::c_style | py::array::forcecast> a =
        py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(object);
    if (!a || a.ndim() != 2 || a.shape(1) != width) {
        PyErr_Clear();
        ThrowValueError(std::string(what) + " must be an array of shape (N, " + std::to_string(width) + ")");
    }
    if (g.poses.empty()) g.poses.resize(static_cast<std::size_t>(a.shape(0)));
    if (static_cast<std::size_t>(a.shape(0)) != g.poses.size())
        ThrowValueError(std::string(what) + " has " + std::to_string(a.shape(0)) + " rows, not " +
                        std::to_string(g.poses.size()));
    auto view = a.unchecked<2>();
    for (std::size_t k = 0; k < g.poses.size(); ++k) {
        double* values = field(g.poses[k]);
        for (int c = 0; c < width; ++c) values[c] = view(static_cast<py::ssize_t>(k), c);
    }
}

ProjectionGeometry MakeGeometry(const py::object& sources, const py::object& centers, const py::object& horizontals,
                                const py::object& verticals, const py::object& sizes,
                                const std::pair<std::uint32_t, std::uint32_t>& pixels) {
    ProjectionGeometry g;
    ReadPoseArray(g, sources, 3, "sources", [](ProjectionPose& p) { return p.source; });
    ReadPoseArray(g, centers, 3, "centers", [](ProjectionPose& p) { return p.center; });
    ReadPoseArray(g, horizontals, 3, "horizontals", [](ProjectionPose& p) { return p.horizontal; });
    ReadPoseArray(g, verticals, 3, "verticals", [](ProjectionPose& p) { return p.vertical; });
    // One size for all, or one per projection.
    py::array_t<double> s = py::array_t<double, py::array::forcecast>::ensure(sizes);
    if (s && s.ndim() == 1 && s.shape(0) == 2) {
        for (ProjectionPose& p : g.poses) {
            p.size[0] = s.at(0);
            p.size[1] = s.at(1);
        }
    } else {
        PyErr_Clear();
        ReadPoseArray(g, sizes, 2, "detector_sizes", [](ProjectionPose& p) { return p.size; });
    }
    if (pixels.first == 0 || pixels.second == 0) ThrowValueError("pixels must be two positive counts (columns, rows)");
    g.columns = pixels.first;
    g.rows = pixels.second;
    return g;
}

}  // namespace

ProjectionPose ProjectionPose::Of(const CProjection& projection) {
    ProjectionPose p;
    const CDetector& d = projection.GetDetector();
    Copy3(projection.GetSource().GetPosition(), p.source);
    Copy3(d.GetCenter(), p.center);
    Copy3(d.GetHorizontal(), p.horizontal);
    Copy3(d.GetVertical(), p.vertical);
    p.size[0] = d.GetDimX();
    p.size[1] = d.GetDimY();
    return p;
}

ProjectionGeometry ProjectionGeometry::OfCircle(const ProjectorPageValues& values) {
    const double theta0 = DegreesToRadians(values.snapshots.startAngle);
    const double step = DegreesToRadians(values.snapshots.StepAngle());
    std::unique_ptr<CTrajectory> sourcePath = MakeSourcePath(values.path.sourceAxisDistance, theta0, step);
    std::unique_ptr<CDetectorTrajectory> detectorPath =
        MakeDetectorPath(values.detector, values.path.axisDetectorDistance, theta0, step);
    ProjectionGeometry g;
    g.columns = values.detector.width;
    g.rows = values.detector.height;
    for (int k = 0; k < values.snapshots.stepNumber; ++k) {
        CDetector placed;
        detectorPath->Place(placed);
        ProjectionPose p;
        Copy3(sourcePath->GetCurrent(), p.source);
        Copy3(detectorPath->GetCurrent(), p.center);
        Copy3(detectorPath->GetHorizontal(), p.horizontal);
        Copy3(detectorPath->GetVertical(), p.vertical);
        p.size[0] = placed.GetDimX();
        p.size[1] = placed.GetDimY();
        g.poses.push_back(p);
        sourcePath->Step();
        detectorPath->Step();
    }
    return g;
}

bool ProjectionGeometry::Place(std::size_t k, CProjection& projection, float* lentPixels) const {
    const ProjectionPose& p = poses.at(k);
    if (!projection.SetGeometry(CPoint4(p.center[0], p.center[1], p.center[2]),
                                CDirection4(p.horizontal[0], p.horizontal[1], p.horizontal[2]),
                                CDirection4(p.vertical[0], p.vertical[1], p.vertical[2]), p.size[0], p.size[1], columns,
                                rows, lentPixels))
        return false;
    projection.SetSourcePosition(CPoint4(p.source[0], p.source[1], p.source[2]));
    return true;
}

ProjectionStack::ProjectionStack(const py::handle& pixels, ProjectionGeometry geometry)
    : m_pixels(FloatInput(pixels, 3, "projections")), m_geometry(std::move(geometry)) {
    const auto n = static_cast<std::size_t>(m_pixels.shape(0));
    if (n != m_geometry.poses.size())
        ThrowValueError("the geometry has " + std::to_string(m_geometry.poses.size()) + " projections, the array " +
                        std::to_string(n));
    if (static_cast<std::uint32_t>(m_pixels.shape(1)) != m_geometry.rows ||
        static_cast<std::uint32_t>(m_pixels.shape(2)) != m_geometry.columns)
        ThrowValueError("the array's projections are " + std::to_string(m_pixels.shape(2)) + " x " +
                        std::to_string(m_pixels.shape(1)) + " pixels, the geometry's " +
                        std::to_string(m_geometry.columns) + " x " + std::to_string(m_geometry.rows) +
                        " (columns x rows)");
    m_collection = std::make_unique<CProjectionCollection>();
    m_collection->m_bAutoDelete = false;
    m_collection->OnNewDocument();
    // Renderers only read projections; a read-only array may be lent too.
    float* base = const_cast<float*>(m_pixels.data());
    const std::size_t each = std::size_t{m_geometry.columns} * m_geometry.rows;
    for (std::size_t k = 0; k < n; ++k) {
        CProjection* projection = m_collection->NewProjection() ? m_collection->GetProjection(k) : nullptr;
        if (!projection || !m_geometry.Place(k, *projection, base + k * each))
            ThrowValueError("projection " + std::to_string(k) + " cannot take its geometry (detector size " +
                            std::to_string(m_geometry.poses[k].size[0]) + " x " +
                            std::to_string(m_geometry.poses[k].size[1]) + ")");
        projection->UpdateRange();
    }
}

ProjectionStack::~ProjectionStack() = default;

py::array ProjectionStack::Pixels(const py::object& self) const {
    const std::size_t n = m_collection->GetCount();
    float* first = n ? m_collection->GetProjection(0)->GetPixels() : nullptr;
    const std::size_t each = std::size_t{m_geometry.columns} * m_geometry.rows;
    for (std::size_t k = 0; k < n; ++k)
        if (m_collection->GetProjection(k)->GetPixels() != first + k * each)
            ThrowRuntimeError("the projections do not lie in one block");
    const std::vector<py::ssize_t> shape = {static_cast<py::ssize_t>(n), m_geometry.rows, m_geometry.columns};
    if (!first) return py::array_t<float>(shape);
    py::array_t<float> view(shape, first, self);
    // A read-only array (a read-only memory map, say) stays read-only.
    if (!m_pixels.writeable()) view.attr("setflags")(py::arg("write") = false);
    return view;
}

void BindProjectionGeometry(py::module_& m) {
    py::class_<ProjectionGeometry>(m, "ProjectionGeometry", R"doc(
Where each projection of a stack was taken: per projection the source
point, the detector centre, the detector's horizontal and vertical vectors
H and V (world units, absolute frame) and the detector size; and the pixel
counts (columns, rows) all projections share. Projection k's pixel
(row r, column c) is centred at
centre + (-0.5 + (c + 0.5) / columns) dimX H + (0.5 - (r + 0.5) / rows) dimY V.)doc")
        .def(py::init(&MakeGeometry), py::arg("sources"), py::arg("centers"), py::arg("horizontals"),
             py::arg("verticals"), py::arg("detector_sizes"), py::arg("pixels"),
             "From (N, 3) arrays of sources, detector centres, H and V; detector_sizes is one (dimX, dimY) "
             "pair for all or an (N, 2) array; pixels is (columns, rows).")
        .def(
            "__len__", [](const ProjectionGeometry& g) { return g.poses.size(); }, "The number of projections.")
        .def_property_readonly(
            "sources", [](const ProjectionGeometry& g) { return PoseArray(g, 3, [](const ProjectionPose& p) { return p.source; }); },
            "(N, 3) source points.")
        .def_property_readonly(
            "centers", [](const ProjectionGeometry& g) { return PoseArray(g, 3, [](const ProjectionPose& p) { return p.center; }); },
            "(N, 3) detector centres.")
        .def_property_readonly(
            "horizontals",
            [](const ProjectionGeometry& g) { return PoseArray(g, 3, [](const ProjectionPose& p) { return p.horizontal; }); },
            "(N, 3) detector H vectors (along the columns).")
        .def_property_readonly(
            "verticals",
            [](const ProjectionGeometry& g) { return PoseArray(g, 3, [](const ProjectionPose& p) { return p.vertical; }); },
            "(N, 3) detector V vectors (up the rows).")
        .def_property_readonly(
            "detector_sizes",
            [](const ProjectionGeometry& g) { return PoseArray(g, 2, [](const ProjectionPose& p) { return p.size; }); },
            "(N, 2) detector sizes dimX, dimY in world units.")
        .def_property_readonly(
            "pixels", [](const ProjectionGeometry& g) { return py::make_tuple(g.columns, g.rows); },
            "(columns, rows) of every projection.")
        .def("__repr__", [](const ProjectionGeometry& g) {
            return "<voxmill.ProjectionGeometry of " + std::to_string(g.poses.size()) + " projections, " +
                   std::to_string(g.columns) + " x " + std::to_string(g.rows) + " pixels>";
        });

    py::class_<ProjectionStack>(m, "ProjectionStack", R"doc(
A stack of projections (N, rows, columns) with its geometry, as the
renderers read it. A C-contiguous float32 array is used in place: the
projections the core builds point into its memory, and `pixels` views that
same memory. Any other dtype or layout is converted once, here.)doc")
        .def(py::init([](const py::object& pixels, const ProjectionGeometry& geometry) {
                 return std::make_unique<ProjectionStack>(pixels, geometry);
             }),
             py::arg("pixels"), py::arg("geometry"))
        .def_property_readonly(
            "pixels", [](const py::object& self) { return self.cast<const ProjectionStack&>().Pixels(self); },
            "The projections' pixels, viewing the memory the core reads.")
        .def_property_readonly(
            "geometry", [](const ProjectionStack& s) { return s.Geometry(); }, "The ProjectionGeometry.")
        .def(
            "__len__", [](const ProjectionStack& s) { return s.Geometry().poses.size(); }, "The number of projections.");
}

}  // namespace voxmill::python
