// The exports voxmill-cli offers, by kind and by the input's extension,
// each running the same core export on the opened document.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <pybind11/stl.h>

#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "formats/PngImage.h"
#include "imaging/GreyMap.h"
#include "python/Bindings.h"
#include "python/Errors.h"
#include "reconstruction/Slice.h"
#include "reconstruction/SliceCollection.h"
#include "reconstruction/Volume.h"

namespace py = pybind11;

namespace voxmill::python {
namespace {

// What an export may be given beyond its two paths.
struct ExportOptions {
    std::optional<GreySliders> window;
    std::optional<std::size_t> index;
    PictureOptions picture;  // the PNG pictures' map and value window
};

struct ExportKind {
    const char* kind;
    const char* extension;
    std::function<void(const std::string& in, const std::string& out, const ExportOptions& options)> run;
};

template <class Doc>
std::unique_ptr<Doc> Opened(const std::string& path) {
    return OpenDocument<Doc>(path);
}

void ExportSlice(const std::string& in, const std::string& out, const ExportOptions& o) {
    const auto slice = Opened<CSlice>(in);
    if (!slice->HasPixels()) ThrowValueError(in + ": the slice has no image");
    if (o.window)
        slice->ExportWindowedBitmap(out, *o.window);
    else
        slice->ExportBitmap(out);
}

void ExportSliceCollection(const std::string& in, const std::string& out, const ExportOptions& o) {
    const auto collection = Opened<CSliceCollection>(in);
    const GreySliders* sliders = o.window ? &*o.window : nullptr;
    if (!o.index) {
        collection->ExportSliceBitmaps(out, sliders);
        return;
    }
    if (*o.index >= collection->GetCount())
        throw py::index_error(in + ": index " + std::to_string(*o.index) + " is outside the " +
                              std::to_string(collection->GetCount()) + " slices");
    collection->ExportSliceBitmap(*o.index, out, sliders);
}

template <class Doc>
void ExportImagePng(const std::string& in, const std::string& out, const ExportOptions& o) {
    const auto image = Opened<Doc>(in);
    if (!image->HasPixels()) ThrowValueError(in + ": the image has no pixels");
    WritePng(SurfacePicture(*image, o.picture), out);
}

void ExportCollectionPng(const std::string& in, const std::string& out, const ExportOptions& o) {
    const auto collection = Opened<CSliceCollection>(in);
    if (o.index && *o.index >= collection->GetCount())
        throw py::index_error(in + ": index " + std::to_string(*o.index) + " is outside the " +
                              std::to_string(collection->GetCount()) + " slices");
    WritePng(o.index ? SlicePicture(*collection, *o.index, o.picture) : MontagePicture(*collection, o.picture), out);
}

const std::vector<ExportKind>& ExportKinds() {
    static const std::vector<ExportKind> table = {
        {"raw", ".prj", [](auto& in, auto& out, auto&) { Opened<CProjection>(in)->ExportBinaryMatrix(out); }},
        {"bmp", ".prj", [](auto& in, auto& out, auto&) { Opened<CProjection>(in)->ExportBitmap(out); }},
        {"dicom", ".prj", [](auto& in, auto& out, auto&) { Opened<CProjection>(in)->ExportDicom(out); }},
        {"sinogram", ".prs", [](auto& in, auto& out, auto&) { Opened<CProjectionCollection>(in)->ExportSinogram(out); }},
        {"hdf", ".vol", [](auto& in, auto& out, auto&) { Opened<CVolume>(in)->ExportHdf(out); }},
        {"raw", ".vol", [](auto& in, auto& out, auto&) { Opened<CVolume>(in)->ExportRaw(out); }},
        {"bmp", ".slc", &ExportSlice},
        {"bmp", ".sls", &ExportSliceCollection},
        {"png", ".slc", &ExportImagePng<CSlice>},
        {"png", ".prj", &ExportImagePng<CProjection>},
        {"png", ".sls", &ExportCollectionPng},
    };
    return table;
}

std::string LowerExtension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

void Export(const std::string& kind, const py::object& source, const py::object& destination,
            const py::object& index, const py::object& window, const std::string& colourMap,
            const py::object& valueWindow) {
    const std::string in = PathText(source);
    const std::string out = PathText(destination);
    const std::string ext = LowerExtension(in);
    ExportOptions options;
    if (!index.is_none()) {
        const long long i = index.cast<long long>();
        if (i < 0) throw py::index_error("index must not be negative");
        options.index = static_cast<std::size_t>(i);
    }
    if (!window.is_none()) {
        const auto w = window.cast<std::pair<int, int>>();
        for (int v : {w.first, w.second})
            if (v < 1 || v > kGreyWindowSliderMax)
                ThrowValueError("window: the slider values run from 1 to " + std::to_string(kGreyWindowSliderMax));
        options.window = GreySliders{w.first, w.second};
    }
    if (!ParseColourMap(colourMap, options.picture.map))
        ThrowValueError("colour_map: '" + colourMap + "' is none of grey, diverging, perceptual");
    if (!valueWindow.is_none()) {
        const auto w = valueWindow.cast<std::pair<float, float>>();
        if (!(w.first < w.second)) ThrowValueError("value_window: low must be below high");
        options.picture.hasWindow = true;
        options.picture.low = w.first;
        options.picture.high = w.second;
    }
    if (kind != "png" && (colourMap != "grey" || options.picture.hasWindow))
        ThrowValueError("colour_map and value_window are for 'png' exports");
    std::string known;
    for (const ExportKind& k : ExportKinds()) {
        if (ext != k.extension) continue;
        if (kind == k.kind) {
            if ((options.index && ext != ".sls") || (options.window && (kind == "png" || (ext != ".slc" && ext != ".sls"))))
                ThrowValueError(std::string("export ") + k.kind + " of " + ext + " files takes no index or window");
            ForFile(out, [&] { k.run(in, out, options); });
            return;
        }
        known += std::string(known.empty() ? "" : ", ") + k.kind;
    }
    if (known.empty()) ThrowValueError(in + ": there is no export of " + (ext.empty() ? "files without extension" : ext + " files"));
    ThrowValueError("cannot export " + in + " as '" + kind + "' (" + ext + " files export as " + known + ")");
}

}  // namespace

void BindExports(py::module_& m) {
    m.def("export", &Export, py::arg("kind"), py::arg("source"), py::arg("destination"), py::arg("index") = py::none(),
          py::arg("window") = py::none(), py::arg("colour_map") = "grey", py::arg("value_window") = py::none(), R"doc(
The exports of `voxmill-cli export`, chosen by kind and the source's
extension: .prj as 'raw', 'bmp' or 'dicom'; .prs as 'sinogram'; .vol as
'hdf' or 'raw'; .slc as 'bmp'; .sls as 'bmp' of slice `index`, or of every
slice into the folder `destination` when no index is given. window=(width,
position) exports a slice thresholded as an image view shows it with its
sliders there (1 to 1000 each). 'png' writes an 8-bit picture of a .slc,
a .prj, slice `index` of a .sls or, without an index, the montage of all
its slices: colour_map 'grey' (default), 'diverging' (blue-white-red,
centred on 0) or 'perceptual', through value_window=(low, high) or the
image's own value range. A failed export leaves an existing file as it
was.)doc");
}

}  // namespace voxmill::python
