#include "cli/PictureCommands.h"

#include <iostream>
#include <vector>

#include "acquisition/Projection.h"
#include "cli/Command.h"
#include "cli/DocumentCommands.h"
#include "formats/PngImage.h"
#include "hardware/Slide.h"
#include "reconstruction/Slice.h"
#include "reconstruction/SliceCollection.h"

namespace voxmill::cli {

const char* const kExportPngUsage =
    "  export png IN.slc|IN.prj|IN.sld|IN.sls OUT.png [--map grey|diverging|perceptual] [--window LO HI]\n"
    "                               8-bit picture through the window LO to HI (default: the image's\n"
    "                               value range); grey writes the grey levels of the bitmap export,\n"
    "                               diverging is blue-white-red centred on 0 (scale max(|LO|, |HI|)),\n"
    "                               perceptual runs from dark violet to yellow. A slice collection\n"
    "                               gives a montage of its slices, in order, in a near-square grid\n"
    "                               through one window, or slice N alone with --index N (from 0)";
const char* const kPngPanelUsage =
    "  png-panel OUT.png IN.png... [--gap N]\n"
    "                               the pictures side by side, tops aligned, N white columns between\n"
    "                               them (default 8)";

namespace {

PictureOptions ReadPictureOptions(Args& options) {
    PictureOptions picture;
    std::string map;
    if (options.OptionString("--map", map) && !ParseColourMap(map, picture.map))
        throw CliError("--map: '" + map + "' is none of grey, diverging, perceptual");
    double window[2];
    if (options.Option("--window", window, 2)) {
        if (!(window[0] < window[1])) throw CliError("--window: LO must be below HI");
        picture.hasWindow = true;
        picture.low = static_cast<float>(window[0]);
        picture.high = static_cast<float>(window[1]);
    }
    options.Finish();
    return picture;
}

void Write(const PngPicture& picture, const std::string& out) {
    try {
        WritePng(picture, out);
    } catch (const std::exception& e) {
        throw CliError(std::string(e.what()) + "; nothing written");
    }
}

template <class Doc>
void ExportSurfacePng(const std::string& in, const std::string& out, Args& options) {
    const PictureOptions picture = ReadPictureOptions(options);
    const std::unique_ptr<Doc> image = OpenDocument<Doc>(in);
    if (!image->HasPixels()) throw CliError(in + ": the image has no pixels");
    Write(SurfacePicture(*image, picture), out);
}

}  // namespace

void ExportSlicePng(const std::string& in, const std::string& out, Args& options) {
    ExportSurfacePng<CSlice>(in, out, options);
}

void ExportProjectionPng(const std::string& in, const std::string& out, Args& options) {
    ExportSurfacePng<CProjection>(in, out, options);
}

void ExportSlidePng(const std::string& in, const std::string& out, Args& options) {
    const PictureOptions picture = ReadPictureOptions(options);
    const std::unique_ptr<CSlide> slide = OpenDocument<CSlide>(in);
    if (!slide->HasPixels()) throw CliError(in + ": the slide has no pixels");
    // The bytes as values, so slides share the float images' windows and maps.
    const std::vector<float> values(slide->GetPixels(), slide->GetPixels() + slide->GetPixelCount());
    const float low = picture.hasWindow ? picture.low : slide->GetMinValue();
    const float high = picture.hasWindow ? picture.high : slide->GetMaxValue();
    Write(ValuesPicture(values.data(), slide->GetWidth(), slide->GetHeight(), picture.map, low, high), out);
}

void ExportMontagePng(const std::string& in, const std::string& out, Args& options) {
    int index = 0;
    const bool single = options.Option("--index", &index, 1);
    const PictureOptions picture = ReadPictureOptions(options);
    const std::unique_ptr<CSliceCollection> collection = OpenDocument<CSliceCollection>(in);
    if (single && (index < 0 || static_cast<std::size_t>(index) >= collection->GetCount()))
        throw CliError("--index " + std::to_string(index) + ": " + in + " holds " +
                       std::to_string(collection->GetCount()) + " slices (from 0)");
    PngPicture result;
    try {
        result = single ? SlicePicture(*collection, static_cast<std::size_t>(index), picture)
                        : MontagePicture(*collection, picture);
    } catch (const std::exception& e) {
        throw CliError(in + ": " + e.what());
    }
    Write(result, out);
}

int RunPngPanelCommand(Args& args) {
    int gap = 8;
    if (args.Option("--gap", &gap, 1) && (gap < 0 || gap > 1000)) throw CliError("--gap: 0 to 1000 columns");
    const std::string out = args.Next("panel file (.png)");
    std::vector<std::string> inputs = {args.Next("picture (.png)")};
    while (!args.Empty()) inputs.push_back(args.Next("picture (.png)"));
    std::vector<PngPicture> pictures;
    for (const std::string& in : inputs) {
        try {
            pictures.push_back(ReadPng(in));
        } catch (const std::exception& e) {
            throw CliError(e.what());
        }
    }
    PngPicture panel;
    try {
        panel = PanelPicture(pictures, static_cast<std::uint32_t>(gap));
    } catch (const std::exception& e) {
        throw CliError(e.what());
    }
    Write(panel, out);
    std::cout << "wrote " << out << ": " << panel.width << " x " << panel.height << " pixels\n";
    return 0;
}

}  // namespace voxmill::cli
