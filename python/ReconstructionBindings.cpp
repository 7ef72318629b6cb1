// Reconstruction: renderers loaded through the registry as the program
// loads them, hosted by a backprojector, on a projection stack, a .prs file
// or a phantom; volumes as arrays that own their voxels.
#include <cstring>
#include <filesystem>
#include <string>

#include <pybind11/stl.h>

#include "acquisition/ProjectionCollection.h"
#include "acquisition/ProjectorOptions.h"
#include "app/archive/ErrorSink.h"
#include "contract/Registry.h"
#include "phantom/Phantom.h"
#include "python/Arrays.h"
#include "python/Bindings.h"
#include "python/Errors.h"
#include "python/ProjectionStack.h"
#include "python/RunMonitor.h"
#include "reconstruction/BackProjector.h"
#include "reconstruction/HResultText.h"
#include "reconstruction/PluginRegistry.h"
#include "reconstruction/Volume.h"

namespace py = pybind11;

namespace voxmill::python {
namespace {

CBackProjector::VolumeSize ReadVolumeSize(const py::handle& voxels, const py::handle& size) {
    const std::vector<int> n = Triple<int>(voxels, "voxels");
    const std::vector<double> d = Triple<double>(size, "size");
    for (int count : n)
        if (count < 1) ThrowValueError("voxels: every count must be a positive integer");
    for (double extent : d)
        if (!(extent > 0)) ThrowValueError("size: every extent must be greater than 0");
    CBackProjector::VolumeSize v;
    v.nX = static_cast<std::uint32_t>(n[0]);
    v.nY = static_cast<std::uint32_t>(n[1]);
    v.nZ = static_cast<std::uint32_t>(n[2]);
    v.dimX = d[0];
    v.dimY = d[1];
    v.dimZ = d[2];
    return v;
}

// An option value as the renderer's property parser reads it.
std::string OptionText(const py::handle& value) {
    if (py::isinstance<py::bool_>(value)) return value.cast<bool>() ? "1" : "0";
    return py::str(value).cast<std::string>();
}

py::dict VolumeFields(const CVolume& v) {
    py::dict d;
    d["voxels"] = py::make_tuple(v.GetCountX(), v.GetCountY(), v.GetCountZ());
    d["extents"] = py::make_tuple(v.GetDimX(), v.GetDimY(), v.GetDimZ());
    d["pitches"] = py::make_tuple(v.GetPitchX(), v.GetPitchY(), v.GetPitchZ());
    d["first_centres"] = py::make_tuple(v.GetMinX(), v.GetMinY(), v.GetMinZ());
    d["last_centres"] = py::make_tuple(v.GetMaxX(), v.GetMaxY(), v.GetMaxZ());
    return d;
}

// The array owning the volume, and its fields.
py::tuple VolumeResult(std::unique_ptr<CVolume> volume) {
    py::dict fields = VolumeFields(*volume);
    return py::make_tuple(VolumeArray(std::move(volume)), fields);
}

// Hosts the renderer `name` in a backprojector, sets the options and
// renders `target` into a new volume; saves it to `out` when given.
py::tuple Render(CDocument& target, const CBackProjector::VolumeSize& size, const std::string& name,
                 const py::dict& options, const py::object& progress, const py::object& out) {
    CPluginRegistry registry;
    registry.RegisterCategory();
    std::string error;
    const std::optional<CLSID> clsid = registry.FindPlugin(name, &error);
    if (!clsid) ThrowValueError(error);

    RunMonitor monitor(progress);
    MonitoredOperator<CBackProjector> backprojector(monitor);
    backprojector.m_bAutoDelete = false;
    backprojector.OnNewDocument();
    ClearLastReportedError();
    if (backprojector.ChooseRenderer(*clsid, registry) != CBackProjector::RendererChoice::replaced)
        ThrowRuntimeError("renderer '" + name + "' could not be loaded" +
                          (LastReportedError().empty() ? "" : ": " + LastReportedError()));
    for (const auto& [key, value] : options) {
        const std::string property = py::str(key).cast<std::string>();
        const std::string text = OptionText(value);
        if (FAILED(backprojector.SetRendererOption(property, text, &error)))
            ThrowValueError("option " + property + "=" + text + ": " + error);
    }

    HRESULT hr = S_OK;
    std::unique_ptr<CVolume> volume;
    {
        py::gil_scoped_release release;
        volume = backprojector.Render(&target, size, nullptr, &hr);
    }
    monitor.Finish();
    if (!volume || !volume->IsAllocated()) {
        std::string what = "cannot allocate a volume of " + std::to_string(size.nX) + " x " +
                           std::to_string(size.nY) + " x " + std::to_string(size.nZ) + " voxels";
        if (hr == E_OUTOFMEMORY) {
            // The figures: what it needs, what the machine has.
            if (std::string refusal = CBackProjector::CheckVolumeSize(size); !refusal.empty()) what = refusal;
            PyErr_SetString(PyExc_MemoryError, what.c_str());
            throw py::error_already_set();
        }
        ThrowValueError(what);
    }
    if (FAILED(hr)) ThrowRuntimeError("the renderer " + name + " failed: " + HResultName(hr) + "; nothing was written");
    if (!out.is_none()) SaveDocumentTo(*volume, PathText(out));
    return VolumeResult(std::move(volume));
}

py::tuple Reconstruct(const py::object& projections, const py::object& geometry, const py::object& voxels,
                      const py::object& size, const std::string& renderer, const py::object& progress,
                      const py::object& out, const py::kwargs& options) {
    const CBackProjector::VolumeSize volumeSize = ReadVolumeSize(voxels, size);
    if (IsPath(projections)) {
        if (!geometry.is_none()) ThrowValueError("a .prs file carries its own geometry: give no geometry with it");
        std::unique_ptr<CProjectionCollection> c = OpenDocument<CProjectionCollection>(PathText(projections));
        return Render(*c, volumeSize, renderer, options, progress, out);
    }
    if (py::isinstance<ProjectionStack>(projections)) {
        if (!geometry.is_none()) ThrowValueError("a ProjectionStack carries its own geometry: give no geometry with it");
        return Render(projections.cast<ProjectionStack&>().Collection(), volumeSize, renderer, options, progress, out);
    }
    if (geometry.is_none()) ThrowValueError("projections given as an array need their geometry");
    ProjectionGeometry poses;
    if (py::isinstance<ProjectorPageValues>(geometry))
        poses = ProjectionGeometry::OfCircle(geometry.cast<const ProjectorPageValues&>());
    else
        poses = geometry.cast<ProjectionGeometry>();
    ProjectionStack stack(projections, std::move(poses));
    return Render(stack.Collection(), volumeSize, renderer, options, progress, out);
}

py::tuple Voxelize(CPhantom& phantom, const py::object& voxels, const py::object& size, const std::string& renderer,
                   const py::object& progress, const py::object& out) {
    return Render(phantom, ReadVolumeSize(voxels, size), renderer, py::dict(), progress, out);
}

py::list Plugins() {
    CPluginRegistry registry;
    registry.RegisterCategory();
    ClearLastReportedError();
    const auto plugins = registry.EnumeratePlugins();
    if (!LastReportedError().empty()) ThrowRuntimeError(LastReportedError());
    py::list list;
    for (const CPluginRegistry::Plugin& p : plugins) {
        py::dict d;
        d["clsid"] = StringFromGUID(p.clsid);
        d["name"] = p.name;
        d["module"] = registry.GetModulePath(p.clsid);
        list.append(d);
    }
    return list;
}

void RegisterPlugin(const py::object& module) {
    const std::string path = PathText(module);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) ThrowFileNotFound(path);
    CPluginRegistry registry;
    registry.RegisterCategory();
    std::string error;
    const HRESULT hr = CPluginRegistry::RegisterModule(path, &error);
    if (FAILED(hr))
        ThrowRuntimeError(path + ": registration failed (" + (error.empty() ? HResultName(hr) : error) + ")");
}

py::tuple ReadVol(const py::object& path) { return VolumeResult(OpenDocument<CVolume>(PathText(path))); }

void WriteVol(const py::object& pathObject, const py::object& voxels, const py::object& size) {
    const std::string path = PathText(pathObject);
    FloatArray v = FloatInput(voxels, 3, "voxels");
    const std::vector<double> d = Triple<double>(size, "size");
    CVolume volume;
    volume.m_bAutoDelete = false;
    volume.OnNewDocument();
    // Saving only reads the voxels: a read-only array may be lent too.
    if (!volume.AllocateOver(d[0], d[1], d[2], static_cast<std::uint32_t>(v.shape(2)),
                             static_cast<std::uint32_t>(v.shape(1)), static_cast<std::uint32_t>(v.shape(0)),
                             const_cast<float*>(v.data())))
        ThrowValueError("a volume of that size cannot be made (extents must be positive, counts at least 1)");
    SaveDocumentTo(volume, path);
}

}  // namespace

void BindReconstruction(py::module_& m) {
    m.def("reconstruct", &Reconstruct, py::arg("projections"), py::arg("geometry") = py::none(),
          py::arg("voxels") = py::make_tuple(64, 64, 64), py::arg("size") = py::make_tuple(2.0, 2.0, 2.0),
          py::arg("renderer") = "Karvex", py::arg("progress") = py::none(), py::arg("out") = py::none(), R"doc(
Reconstructs a volume from projections with a renderer plug-in, as
`voxmill-cli reconstruct` does (the same voxels, bit for bit).

projections: a float32 array (N, rows, columns) with its geometry (a
ProjectionGeometry, or the CircularGeometry it was projected on), a
ProjectionStack, or the path of a .prs file. A C-contiguous float32 array
is read in place; other dtypes or layouts are converted once.
voxels=(nx, ny, nz) over a box size=(dx, dy, dz) centred on the origin.
renderer: a display name ("Karvex", "Tessor"), program id or class id of a
registered renderer. Further keyword arguments set the renderer's
properties by name (e.g. IsProcessCollection=True).
progress(step, count, caption) is called once per step; the GIL is
released while rendering; Ctrl-C stops at the next step with
KeyboardInterrupt. out: a .vol path written (atomically) only on success.

Returns (voxels, fields): a float32 array (nz, ny, nx) in the .vol voxel
order that owns the volume's buffer, and a dict with voxels, extents,
pitches, first_centres, last_centres. ValueError for an unknown renderer
or option, RuntimeError naming the result code when the renderer fails.)doc");
    m.def("voxelize", &Voxelize, py::arg("phantom"), py::arg("voxels") = py::make_tuple(64, 64, 64),
          py::arg("size") = py::make_tuple(2.0, 2.0, 2.0), py::arg("renderer") = "Karvex",
          py::arg("progress") = py::none(), py::arg("out") = py::none(), R"doc(
The phantom sampled into a volume by a renderer's Synthesize, as
`voxmill-cli reconstruct PHANTOM.pha` does. Arguments and result as for
reconstruct.)doc");
    m.def("plugins", &Plugins, R"doc(
The renderer plug-ins of the registry ($VOXMILL_REGISTRY, else
$XDG_CONFIG_HOME/voxmill/registry.ini): a list of dicts clsid, name, module.)doc");
    m.def("register_plugin", &RegisterPlugin, py::arg("module"),
          "Runs a renderer module's self-registration into the registry, as `voxmill-cli plugins register`.");
    m.def("read_vol", &ReadVol, py::arg("path"), R"doc(
Reads a volume (.vol): (voxels, fields) with voxels a float32 array
(nz, ny, nx) owning the file's voxels ((0, 0, 0) for an empty volume) and
fields as reconstruct returns them.)doc");
    m.def("write_vol", &WriteVol, py::arg("path"), py::arg("voxels"), py::arg("size"),
          "Writes an array (nz, ny, nx) over a box size=(dx, dy, dz) as a .vol file, straight from the array "
          "when it is C-contiguous float32.");
}

}  // namespace voxmill::python
