// Slides and cines: the .sld / .sds files as 8-bit arrays with their
// geometry, read and written as the workbench reads and writes them.
#include <cstring>
#include <filesystem>
#include <string>

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include "app/ListElementStub.h"
#include "hardware/Slide.h"
#include "hardware/SlideCollection.h"
#include "python/Bindings.h"
#include "python/Errors.h"

namespace py = pybind11;

namespace voxmill::python {
namespace {

using ByteArray = py::array_t<std::uint8_t, py::array::c_style>;

// A linked slide's file: "<cine>.<k>.SLD", as the grabbing run names them.
constexpr const char* kSlideExtension = ".SLD";

// Frames are bytes: anything else would have to be clipped or wrapped,
// which is the caller's decision, not ours.
ByteArray ByteInput(const py::handle& object, int dims, const char* what) {
    const py::array array = py::array::ensure(object);
    if (!array) ThrowValueError(std::string(what) + " must be a numpy array");
    if (!array.dtype().is(py::dtype::of<std::uint8_t>()))
        ThrowValueError(std::string(what) + " must be uint8 (8-bit frames), not " +
                        py::str(array.dtype()).cast<std::string>());
    if (array.ndim() != dims)
        ThrowValueError(std::string(what) + " must have " + std::to_string(dims) + " dimensions, not " +
                        std::to_string(array.ndim()));
    return ByteArray::ensure(array);
}

py::tuple Xyz(const CVector4& v) { return py::make_tuple(v.x, v.y, v.z); }

// The fields every slide carries: its geometry, counts and byte range.
py::dict SlideFields(CSlide& s) {
    const CDetector& d = s.GetDetector();
    py::dict fields;
    fields["source"] = Xyz(s.GetSource().GetPosition());
    fields["center"] = Xyz(d.GetCenter());
    fields["horizontal"] = Xyz(d.GetHorizontal());
    fields["vertical"] = Xyz(d.GetVertical());
    fields["detector_size"] = py::make_tuple(d.GetDimX(), d.GetDimY());
    fields["size"] = py::make_tuple(s.GetDimX(), s.GetDimY());
    fields["pixels"] = py::make_tuple(s.GetWidth(), s.GetHeight());
    fields["value_range"] = py::make_tuple(s.GetMinValue(), s.GetMaxValue());
    std::string description;
    s.GetDescription(description);
    fields["description"] = description;
    return fields;
}

// A slide of `image` (rows, columns) covering `size`; its geometry stays
// the new slide's until the caller poses it.
void FillSlide(CSlide& slide, const std::uint8_t* pixels, std::uint32_t rows, std::uint32_t columns,
               const std::pair<double, double>& size) {
    if (!(size.first > 0.0) || !(size.second > 0.0))
        ThrowValueError("size: both extents must be greater than 0");
    if (!slide.Create(size.first, size.second, columns, rows))
        ThrowValueError("a slide of " + std::to_string(columns) + " x " + std::to_string(rows) +
                        " pixels cannot be made (counts must be at least 1)");
    std::memcpy(slide.GetPixels(), pixels, slide.GetPixelCount());
    slide.UpdateRange();
}

py::tuple ReadSld(const py::object& pathObject) {
    const std::string path = PathText(pathObject);
    std::unique_ptr<CSlide> s = OpenDocument<CSlide>(path);
    ByteArray pixels(std::vector<py::ssize_t>{static_cast<py::ssize_t>(s->GetHeight()),
                                              static_cast<py::ssize_t>(s->GetWidth())});
    if (s->HasPixels()) std::memcpy(pixels.mutable_data(), s->GetPixels(), s->GetPixelCount());
    return py::make_tuple(pixels, SlideFields(*s));
}

py::tuple ReadSds(const py::object& pathObject) {
    const std::string path = PathText(pathObject);
    std::unique_ptr<CSlideCollection> c = OpenDocument<CSlideCollection>(path);
    const std::size_t n = c->GetCount();
    ByteArray stack(std::vector<py::ssize_t>{0, 0, 0});
    std::uint32_t width = 0, height = 0;
    py::list slides;
    for (std::size_t k = 0; k < n; ++k) {
        CListElementStub* stub = c->GetMember(k);
        CSlide* s = c->GetSlide(k);
        if (!s || !stub->Load()) {
            if (stub->m_bLinked && !std::filesystem::exists(stub->m_strPath))
                ThrowFileNotFound(stub->m_strPath,
                                  path + ": slide " + std::to_string(k) + " is missing: " + stub->m_strPath);
            ThrowValueError(path + ": slide " + std::to_string(k) + " cannot be read");
        }
        if (!s->HasPixels()) ThrowValueError(path + ": slide " + std::to_string(k) + " has no image");
        if (k == 0) {
            width = s->GetWidth();
            height = s->GetHeight();
            stack = ByteArray(std::vector<py::ssize_t>{static_cast<py::ssize_t>(n), static_cast<py::ssize_t>(height),
                                                       static_cast<py::ssize_t>(width)});
        } else if (s->GetWidth() != width || s->GetHeight() != height) {
            ThrowValueError(path + ": slide " + std::to_string(k) + " is " + std::to_string(s->GetWidth()) + " x " +
                            std::to_string(s->GetHeight()) + " pixels, slide 0 " + std::to_string(width) + " x " +
                            std::to_string(height) + ": they do not stack");
        }
        std::memcpy(stack.mutable_data() + k * s->GetPixelCount(), s->GetPixels(), s->GetPixelCount());
        py::dict fields = SlideFields(*s);
        fields["linked"] = stub->m_bLinked;
        fields["path"] = stub->m_strPath;
        slides.append(fields);
        if (stub->m_bLinked)
            stub->Unload();
        else
            s->ReleaseData();
    }
    py::dict fields;
    fields["count"] = n;
    fields["slides"] = slides;
    return py::make_tuple(stack, fields);
}

void WriteSld(const py::object& pathObject, const py::object& pixels, const std::pair<double, double>& size) {
    const std::string path = PathText(pathObject);
    const ByteArray image = ByteInput(pixels, 2, "pixels");
    CSlide slide;
    slide.m_bAutoDelete = false;
    slide.OnNewDocument();
    FillSlide(slide, image.data(), static_cast<std::uint32_t>(image.shape(0)),
              static_cast<std::uint32_t>(image.shape(1)), size);
    SaveDocumentTo(slide, path);
}

void WriteSds(const py::object& pathObject, const py::object& frames, const std::pair<double, double>& size,
              bool linked) {
    const std::string path = PathText(pathObject);
    const ByteArray stack = ByteInput(frames, 3, "frames");
    const auto rows = static_cast<std::uint32_t>(stack.shape(1));
    const auto columns = static_cast<std::uint32_t>(stack.shape(2));
    const std::size_t each = std::size_t{rows} * columns;
    CSlideCollection c;
    c.m_bAutoDelete = false;
    c.OnNewDocument();
    // With the path set first, linked slides are staged: a previous cine
    // at the path keeps its slides until this one is saved whole.
    if (linked) c.SetPathName(std::filesystem::absolute(path).lexically_normal().string());
    for (py::ssize_t k = 0; k < stack.shape(0); ++k) {
        c.AddSlide();
        FillSlide(*c.GetSlide(static_cast<std::size_t>(k)), stack.data() + static_cast<std::size_t>(k) * each, rows,
                  columns, size);
    }
    // Posed as a multi-file import poses them: slide k of n at k x 360 / n
    // degrees.
    c.ApplyCircularGeometry();
    for (std::size_t k = 0; linked && k < c.GetCount(); ++k) {
        CListElementStub* stub = c.GetMember(k);
        stub->m_bLinked = true;
        c.StageLinkedMember(*stub);
        const std::string member = c.GetPathName() + "." + std::to_string(k) + kSlideExtension;
        if (!stub->SetLinkPath(member)) ThrowOsError(member, "the slide could not be written");
        stub->Unload();
    }
    SaveDocumentTo(c, path);
}

}  // namespace

void BindSlides(py::module_& m) {
    m.def("read_sld", &ReadSld, py::arg("path"), R"doc(
A slide (.sld) as (pixels, fields): a uint8 array (rows, columns) and a dict
of source, center, horizontal, vertical, detector_size, size, pixels
(columns, rows), value_range and description.)doc");
    m.def("read_sds", &ReadSds, py::arg("path"), R"doc(
A cine (.sds) as (frames, fields): a uint8 array (N, rows, columns) and a
dict of count and slides, one dict per slide with the fields of read_sld
plus linked and path. FileNotFoundError for a missing linked slide,
ValueError when a slide has no image or slides differ in size.)doc");
    m.def("write_sld", &WriteSld, py::arg("path"), py::arg("pixels"), py::arg("size") = std::make_pair(4.0, 4.0),
          R"doc(
Writes a uint8 array (rows, columns) as a slide covering size (dx, dy).)doc");
    m.def("write_sds", &WriteSds, py::arg("path"), py::arg("frames"), py::arg("size") = std::make_pair(4.0, 4.0),
          py::arg("linked") = false, R"doc(
Writes a uint8 array (N, rows, columns) as a cine, slide k posed at
k x 360 / N degrees on the full circle of radius 4. linked=True writes
each slide to "<path>.<k>.SLD"; a cine already at the path keeps its slides
until the new one is complete.)doc");
}

}  // namespace voxmill::python
