// Slices: a volume cut along an axis as the volume window cuts it, and the
// .slc / .sls files as arrays.
#include <cctype>
#include <cstring>
#include <filesystem>
#include <string>

#include <pybind11/stl.h>

#include "app/ListElementStub.h"
#include "python/Arrays.h"
#include "python/Bindings.h"
#include "python/Errors.h"
#include "reconstruction/Slice.h"
#include "reconstruction/SliceCollection.h"
#include "reconstruction/Slicing.h"
#include "reconstruction/Volume.h"

namespace py = pybind11;

namespace voxmill::python {
namespace {

std::uint32_t ParseAxis(const std::string& word) {
    if (word.size() == 1) {
        switch (std::tolower(static_cast<unsigned char>(word[0]))) {
            case 'x': return kSliceAxisX;
            case 'y': return kSliceAxisY;
            case 'z': return kSliceAxisZ;
            default: break;
        }
    }
    ThrowValueError("axis must be 'x', 'y' or 'z', not '" + word + "'");
}

std::string AxisName(std::uint32_t axis) {
    std::string letter = SliceAxisLetter(axis);
    for (char& c : letter) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return letter;
}

// A .vol path, or an array (nz, ny, nx) with its box `size`, as a volume;
// an array is lent to the volume, and `keep` holds it meanwhile.
std::unique_ptr<CVolume> VolumeOf(const py::object& volume, const py::object& size, FloatArray& keep) {
    if (IsPath(volume)) {
        if (!size.is_none()) ThrowValueError("a .vol file carries its own size: give no size with it");
        return OpenDocument<CVolume>(PathText(volume));
    }
    if (size.is_none()) ThrowValueError("a volume given as an array needs its size (dx, dy, dz)");
    keep = FloatInput(volume, 3, "volume");
    const std::vector<double> d = Triple<double>(size, "size");
    auto v = std::make_unique<CVolume>();
    v->m_bAutoDelete = false;
    v->OnNewDocument();
    // Slicing only reads the voxels.
    if (!v->AllocateOver(d[0], d[1], d[2], static_cast<std::uint32_t>(keep.shape(2)),
                         static_cast<std::uint32_t>(keep.shape(1)), static_cast<std::uint32_t>(keep.shape(0)),
                         const_cast<float*>(keep.data())))
        ThrowValueError("a volume of that size cannot be made (extents must be positive, counts at least 1)");
    return v;
}

// Every slice's pixels in one (N, height, width) stack, and their fields.
py::tuple StackSlices(CSliceCollection& c, const std::string& path) {
    const std::size_t n = c.GetCount();
    py::list positions, descriptions;
    py::array_t<float> stack(std::vector<py::ssize_t>{0, 0, 0});
    py::tuple size = py::make_tuple(0.0, 0.0);
    std::uint32_t width = 0, height = 0;
    for (std::size_t k = 0; k < n; ++k) {
        CListElementStub* stub = c.GetEntry(k);
        if (!stub || !stub->Load()) ThrowValueError(path + ": slice " + std::to_string(k) + " cannot be read");
        CSlice* s = c.GetSlice(k);
        if (!s || !s->HasPixels()) ThrowValueError(path + ": slice " + std::to_string(k) + " has no image");
        if (k == 0) {
            width = s->GetWidth();
            height = s->GetHeight();
            size = py::make_tuple(s->GetDimX(), s->GetDimY());
            stack = py::array_t<float>(
                {static_cast<py::ssize_t>(n), static_cast<py::ssize_t>(height), static_cast<py::ssize_t>(width)});
        } else if (s->GetWidth() != width || s->GetHeight() != height) {
            ThrowValueError(path + ": slice " + std::to_string(k) + " differs in size from slice 0");
        }
        std::memcpy(stack.mutable_data() + k * s->GetPixelCount(), s->GetPixels(), s->GetPixelCount() * sizeof(float));
        positions.append(s->GetPosition());
        descriptions.append(c.EntryDescription(k));
        if (stub->m_bLinked) stub->Unload();
    }
    py::dict fields;
    fields["axis"] = AxisName(c.GetAxis());
    fields["positions"] = positions;
    fields["descriptions"] = descriptions;
    fields["size"] = size;
    return py::make_tuple(stack, fields);
}

py::tuple SliceVolumeArrays(const py::object& volume, const std::string& axis, const py::object& size) {
    const std::uint32_t a = ParseAxis(axis);
    FloatArray keep;
    std::unique_ptr<CVolume> v = VolumeOf(volume, size, keep);
    CSliceCollection c;
    c.m_bAutoDelete = false;
    c.OnNewDocument();
    SliceVolume(*v, a, c);
    return StackSlices(c, "slices");
}

void WriteSls(const py::object& pathObject, const py::object& volume, const std::string& axis,
              const py::object& size) {
    const std::string path = PathText(pathObject);
    const std::uint32_t a = ParseAxis(axis);
    FloatArray keep;
    std::unique_ptr<CVolume> v = VolumeOf(volume, size, keep);
    CSliceCollection c;
    c.m_bAutoDelete = false;
    c.OnNewDocument();
    SliceVolume(*v, a, c);
    SaveDocumentTo(c, path);
}

py::tuple ReadSlc(const py::object& pathObject) {
    std::unique_ptr<CSlice> s = OpenDocument<CSlice>(PathText(pathObject));
    py::dict fields;
    fields["axis"] = AxisName(s->GetAxis());
    fields["position"] = s->GetPosition();
    fields["size"] = py::make_tuple(s->GetDimX(), s->GetDimY());
    fields["value_range"] = py::make_tuple(s->GetMinValue(), s->GetMaxValue());
    std::string description;
    s->GetDescription(description);
    fields["description"] = description;
    return py::make_tuple(SurfaceArray(std::move(s)), fields);
}

py::tuple ReadSls(const py::object& pathObject) {
    const std::string path = PathText(pathObject);
    std::unique_ptr<CSliceCollection> c = OpenDocument<CSliceCollection>(path);
    return StackSlices(*c, path);
}

void WriteSlc(const py::object& pathObject, const py::object& pixels, const py::object& size, const std::string& axis,
              double position) {
    const std::string path = PathText(pathObject);
    FloatArray image = FloatInput(pixels, 2, "pixels");
    const auto dims = size.cast<std::pair<double, double>>();
    CSlice s;
    s.m_bAutoDelete = false;
    s.OnNewDocument();
    if (!s.CreateOver(dims.first, dims.second, static_cast<std::uint32_t>(image.shape(1)),
                      static_cast<std::uint32_t>(image.shape(0)), const_cast<float*>(image.data())))
        ThrowValueError("a slice of that size cannot be made (size must be positive, the image not empty)");
    s.SetAxisPosition(ParseAxis(axis), position);
    s.UpdateRange();
    SaveDocumentTo(s, path);
}

}  // namespace

void BindSlices(py::module_& m) {
    m.def("slice_volume", &SliceVolumeArrays, py::arg("volume"), py::arg("axis"), py::arg("size") = py::none(), R"doc(
Cuts a volume into one slice per voxel layer along axis 'x', 'y' or 'z', as
`voxmill-cli slice` does (the first slice at the last voxel centre).
volume: a .vol path, or an array (nz, ny, nx) with its size (dx, dy, dz).
Returns (slices, fields): a float32 array (N, height, width) and a dict:
axis, positions, descriptions, size (the images' physical width, height).)doc");
    m.def("write_sls", &WriteSls, py::arg("path"), py::arg("volume"), py::arg("axis"), py::arg("size") = py::none(),
          "The same cut written as a slice collection (.sls), as `voxmill-cli slice VOL --axis A OUT.sls`.");
    m.def("read_slc", &ReadSlc, py::arg("path"), R"doc(
Reads a slice (.slc): (pixels, fields) with pixels a float32 array
(height, width) owning the file's image, and fields: axis, position,
size, value_range, description.)doc");
    m.def("read_sls", &ReadSls, py::arg("path"), "Reads a slice collection (.sls): (slices, fields) as slice_volume.");
    m.def("write_slc", &WriteSlc, py::arg("path"), py::arg("pixels"), py::arg("size"), py::arg("axis"),
          py::arg("position"),
          "Writes pixels (height, width) of physical size (width, height) as a slice (.slc) across `axis` at "
          "`position`.");
}

}  // namespace voxmill::python
