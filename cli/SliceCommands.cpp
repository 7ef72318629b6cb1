#include "cli/SliceCommands.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "app/ListElementStub.h"
#include "cli/Command.h"
#include "cli/DocumentCommands.h"
#include "imaging/GreyMap.h"
#include "reconstruction/Slice.h"
#include "reconstruction/SliceCollection.h"
#include "reconstruction/Slicing.h"
#include "reconstruction/Volume.h"

namespace voxmill::cli {

const char* const kSliceUsage =
    "  slice VOL.vol --axis x|y|z OUT.sls [--force]\n"
    "                               cut a volume into one slice per voxel layer along an axis,\n"
    "                               the first at the last voxel centre; --force replaces OUT.sls\n"
    "  slice compare A B [--index N]\n"
    "                               mean absolute difference of two slices of the same size, each\n"
    "                               a .slc file or slice N of a .sls file (default: the central one)";

const char* const kExportSliceBitmapUsage =
    "  export bmp IN.slc OUT.bmp [--window WIDTH POSITION]\n"
    "                               8-bit grey bitmap of the full value range, or thresholded as\n"
    "                               an image view shows it with its sliders at WIDTH and POSITION\n"
    "                               (1 to 1000 each)";
const char* const kExportSliceCollectionBitmapUsage =
    "  export bmp IN.sls OUT.bmp --index N [--window WIDTH POSITION]\n"
    "  export bmp IN.sls FOLDER --all [--window WIDTH POSITION]\n"
    "                               slice N (from 0) as a bitmap, or every slice into FOLDER as\n"
    "                               slice-000.bmp, slice-001.bmp, ...";

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
    throw CliError("--axis: '" + word + "' is none of x, y, z");
}

// The slider values of --window, or false without the option.
bool ReadSliders(Args& args, GreySliders& sliders) {
    int values[2];
    if (!args.Option("--window", values, 2)) return false;
    for (int v : values)
        if (v < 1 || v > kGreyWindowSliderMax)
            throw CliError("--window: the slider values run from 1 to " + std::to_string(kGreyWindowSliderMax));
    sliders.width = values[0];
    sliders.position = values[1];
    return true;
}

std::size_t ParseIndex(int index, std::size_t count, const std::string& path) {
    if (index < 0 || static_cast<std::size_t>(index) >= count)
        throw CliError(path + ": --index " + std::to_string(index) + " is outside 0 .. " +
                       std::to_string(count == 0 ? 0 : count - 1) + " (" + std::to_string(count) + " slices)");
    return static_cast<std::size_t>(index);
}

// One slice to compare: a .slc file, or one slice of a .sls file kept
// loaded while the holder lives.
class ComparedSlice {
public:
    ComparedSlice(const std::string& path, const int* index) {
        const std::string ext = LowerExtension(path);
        if (ext == ".slc") {
            m_single = OpenDocument<CSlice>(path);
            m_slice = m_single.get();
            m_label = path;
            return;
        }
        if (ext != ".sls") throw CliError(path + ": slices are compared from .slc or .sls files");
        m_collection = OpenDocument<CSliceCollection>(path);
        const std::size_t count = m_collection->GetCount();
        if (count == 0) throw CliError(path + ": the collection has no slices");
        const std::size_t i = index ? ParseIndex(*index, count, path) : count / 2;
        CListElementStub& entry = *m_collection->GetEntry(i);
        m_slice = m_collection->GetSlice(i);
        if (!m_slice || !entry.Load()) throw CliError(path + ": slice " + std::to_string(i) + " cannot be read");
        m_label = path + " slice " + std::to_string(i);
    }

    CSlice& Slice() const { return *m_slice; }
    std::string Label() const {
        std::string description;
        m_slice->GetDescription(description);
        return m_label + " (" + description + ")";
    }

private:
    std::unique_ptr<CSlice> m_single;
    std::unique_ptr<CSliceCollection> m_collection;
    CSlice* m_slice = nullptr;
    std::string m_label;
};

int RunSliceCompare(Args& args) {
    int index = 0;
    const bool hasIndex = args.Option("--index", &index, 1);
    const std::string a = args.Next("first slice file (.slc or .sls)");
    const std::string b = args.Next("second slice file (.slc or .sls)");
    args.Finish();
    const ComparedSlice first(a, hasIndex ? &index : nullptr);
    const ComparedSlice second(b, hasIndex ? &index : nullptr);
    const CSlice& s = first.Slice();
    const CSlice& t = second.Slice();
    if (!s.HasPixels() || !t.HasPixels()) throw CliError("a slice without an image cannot be compared");
    if (s.GetWidth() != t.GetWidth() || s.GetHeight() != t.GetHeight())
        throw CliError("the slices differ in size: " + std::to_string(s.GetWidth()) + " x " +
                       std::to_string(s.GetHeight()) + " against " + std::to_string(t.GetWidth()) + " x " +
                       std::to_string(t.GetHeight()));
    double sum = 0;
    for (std::size_t k = 0; k < s.GetPixelCount(); ++k)
        sum += std::fabs(static_cast<double>(s.GetPixels()[k]) - t.GetPixels()[k]);
    const double mae = sum / static_cast<double>(s.GetPixelCount());
    char line[64];
    std::snprintf(line, sizeof line, "%.6g", mae);
    std::cout << "mean absolute error: " << line << " over " << s.GetPixelCount() << " pixels\n"
              << "  " << first.Label() << "\n  " << second.Label() << '\n';
    return 0;
}

int RunSliceVolume(Args& args) {
    const bool force = args.Flag("--force");
    std::string axisWord;
    if (!args.OptionString("--axis", axisWord)) throw CliError("--axis x|y|z is required");
    const std::uint32_t axis = ParseAxis(axisWord);
    const std::string in = args.Next("volume file (.vol)");
    const std::string out = args.Next("output slice collection (.sls)");
    args.Finish();
    std::error_code ec;
    if (!force && std::filesystem::exists(out, ec)) throw CliError(out + " already exists (use --force to replace it)");

    const std::unique_ptr<CVolume> volume = OpenDocument<CVolume>(in);
    CSliceCollection collection;
    collection.m_bAutoDelete = false;
    collection.OnNewDocument();
    SliceVolume(*volume, axis, collection);
    try {
        collection.Save(out);
    } catch (const std::exception& e) {
        throw CliError(out + ": " + e.what());
    }
    const CSlice* first = collection.GetCount() ? collection.GetSlice(0) : nullptr;
    std::cout << "wrote " << out << ": " << collection.GetCount() << ' ' << SliceAxisLetter(axis) << " slices";
    if (first) std::cout << " of " << first->GetWidth() << " x " << first->GetHeight() << " pixels";
    std::cout << (volume->IsAllocated() ? "" : " (the volume is empty)") << '\n';
    return 0;
}

void PrintSliceLines(CSlice& s, std::ostream& out, const char* indent) {
    std::string description;
    s.GetDescription(description);
    char line[256];
    out << indent << "description: " << description << '\n';
    std::snprintf(line, sizeof line, "%sposition: %.17g\n", indent, s.GetPosition());
    out << line;
    std::snprintf(line, sizeof line, "%simage: %u x %u pixels, %g x %g units\n", indent, s.GetWidth(),
                  s.GetHeight(), s.GetDimX(), s.GetDimY());
    out << line;
    if (s.HasPixels()) {
        std::snprintf(line, sizeof line, "%svalues: %g .. %g\n", indent, static_cast<double>(s.GetMinValue()),
                      static_cast<double>(s.GetMaxValue()));
        out << line;
    } else {
        out << indent << "values: none (no pixels)\n";
    }
}

}  // namespace

int RunSliceCommand(Args& args) {
    if (Args peek = args; !peek.Empty() && peek.Next("") == "compare") {
        args.Next("compare");
        return RunSliceCompare(args);
    }
    return RunSliceVolume(args);
}

void ExportSliceBitmap(const std::string& in, const std::string& out, Args& options) {
    GreySliders sliders;
    const bool windowed = ReadSliders(options, sliders);
    options.Finish();
    const std::unique_ptr<CSlice> slice = OpenDocument<CSlice>(in);
    if (!slice->HasPixels()) throw CliError(in + ": the slice has no image");
    if (windowed)
        slice->ExportWindowedBitmap(out, sliders);
    else
        slice->ExportBitmap(out);
}

void ExportSliceCollectionBitmap(const std::string& in, const std::string& out, Args& options) {
    GreySliders sliders;
    const bool windowed = ReadSliders(options, sliders);
    int index = 0;
    const bool hasIndex = options.Option("--index", &index, 1);
    const bool all = options.Flag("--all");
    options.Finish();
    if (hasIndex == all) throw CliError("export bmp IN.sls: give either --index N or --all");

    const std::unique_ptr<CSliceCollection> collection = OpenDocument<CSliceCollection>(in);
    if (hasIndex) {
        collection->ExportSliceBitmap(ParseIndex(index, collection->GetCount(), in), out,
                                      windowed ? &sliders : nullptr);
        return;
    }
    const auto written = collection->ExportSliceBitmaps(out, windowed ? &sliders : nullptr);
    std::cout << "wrote " << written.size() << " bitmaps into " << out << '\n';
}

void PrintSliceInfo(const std::string& path, std::ostream& out) {
    const std::unique_ptr<CSlice> slice = OpenDocument<CSlice>(path);
    out << "kind: slice\n";
    out << "axis: " << SliceAxisLetter(slice->GetAxis()) << '\n';
    PrintSliceLines(*slice, out, "");
}

void PrintSliceCollectionInfo(const std::string& path, std::ostream& out) {
    const std::unique_ptr<CSliceCollection> collection = OpenDocument<CSliceCollection>(path);
    out << "kind: slice collection\n";
    out << "axis: " << SliceAxisLetter(collection->GetAxis()) << '\n';
    out << "slices: " << collection->GetCount() << '\n';
    // The descriptions as the collection window lists them, one a line.
    for (std::size_t i = 0; i < collection->GetCount(); ++i)
        out << "slice " << i << ": " << collection->EntryDescription(i) << '\n';
}

}  // namespace voxmill::cli
