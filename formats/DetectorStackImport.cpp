#include "formats/DetectorStackImport.h"

#include <cmath>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "acquisition/CircularOrbit.h"
#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "app/ListElementStub.h"
#include "app/archive/ArchiveException.h"
#include "formats/Hdf5File.h"

namespace voxmill {
namespace {

bool HasHdf5Extension(const std::string& file) {
    std::string ext = std::filesystem::path(file).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".h5" || ext == ".hdf5" || ext == ".nxs" || ext == ".he5";
}

std::string Pixel(std::size_t index, std::uint32_t columns) {
    return "column " + std::to_string(index % columns) + ", row " + std::to_string(index / columns);
}

std::string SizeText(const ImageStackData& s) { return std::to_string(s.columns) + " x " + std::to_string(s.rows); }

// The geometry tables an HDF5 projection export writes beside its images.
struct FileGeometry {
    Hdf5Array source, centre, h, v, size;
};

std::optional<FileGeometry> ReadFileGeometry(const StackSource& s, std::size_t count) {
    if (!s.IsHdf5()) return std::nullopt;
    const std::string group = s.dataSet.substr(0, s.dataSet.rfind('/') + 1);
    const char* names[5] = {"source", "detector_centre", "detector_h", "detector_v", "detector_size"};
    for (const char* name : names)
        if (!Hdf5HasDataSet(s.file, group + name)) return std::nullopt;
    FileGeometry g;
    Hdf5Array* tables[5] = {&g.source, &g.centre, &g.h, &g.v, &g.size};
    for (int i = 0; i < 5; ++i) {
        *tables[i] = ReadHdf5Array(s.file, group + names[i], 2, 2);
        const std::uint64_t width = i == 4 ? 2 : 3;
        if (tables[i]->shape[0] != count || tables[i]->shape[1] != width)
            throw CFileException(s.file, group + names[i] + " does not hold " + std::to_string(width) +
                                             " values for each of the " + std::to_string(count) + " images");
    }
    return g;
}

}  // namespace

StackSource StackSource::Parse(const std::string& text) {
    StackSource s;
    const std::size_t colon = text.find(":/");
    if (colon != std::string::npos) {
        s.file = text.substr(0, colon);
        s.dataSet = text.substr(colon + 1);
        return s;
    }
    s.file = text;
    if (HasHdf5Extension(text)) s.dataSet = Hdf5HasDataSet(text, "/projections") || !Hdf5HasDataSet(text, "/data")
                                                ? "/projections"
                                                : "/data";
    return s;
}

ImageStackData ReadImageStack(const StackSource& source) {
    if (!source.IsHdf5()) return ReadTiffStack(source.file);
    Hdf5Array array = ReadHdf5Array(source.file, source.dataSet, 2, 3);
    const std::size_t rank = array.shape.size();
    ImageStackData stack;
    stack.count = rank == 3 ? static_cast<std::uint32_t>(array.shape[0]) : 1;
    stack.rows = static_cast<std::uint32_t>(array.shape[rank - 2]);
    stack.columns = static_cast<std::uint32_t>(array.shape[rank - 1]);
    if (stack.count == 0 || stack.rows == 0 || stack.columns == 0)
        throw CFileException(source.file, "data set " + source.dataSet + " holds no images");
    stack.values = std::move(array.values);
    return stack;
}

ImageStackData AveragePages(const ImageStackData& stack) {
    if (stack.count <= 1) return stack;
    ImageStackData mean = stack;
    const std::size_t page = std::size_t{stack.columns} * stack.rows;
    mean.count = 1;
    mean.values.assign(page, 0.0);
    for (std::size_t k = 0; k < stack.count; ++k)
        for (std::size_t i = 0; i < page; ++i) mean.values[i] += stack.values[k * page + i];
    for (double& v : mean.values) v /= stack.count;
    return mean;
}

CorrectionCounts CorrectIntensities(ImageStackData& stack, const ImageStackData& flat, const ImageStackData& dark) {
    const bool hasFlat = !flat.values.empty(), hasDark = !dark.values.empty();
    if (hasDark && !hasFlat) throw std::invalid_argument("a dark field needs a flat field as well");
    for (const ImageStackData* field : {&flat, &dark}) {
        if (field->values.empty()) continue;
        if (field->columns != stack.columns || field->rows != stack.rows)
            throw std::invalid_argument(std::string(field == &flat ? "the flat field" : "the dark field") + " is " +
                                        SizeText(*field) + " pixels, the projections " + SizeText(stack));
    }
    const std::size_t page = std::size_t{stack.columns} * stack.rows;
    if (hasFlat)
        for (std::size_t i = 0; i < page; ++i) {
            const double range = flat.values[i] - (hasDark ? dark.values[i] : 0.0);
            if (!(range > 0) || !std::isfinite(range))
                throw std::invalid_argument("the dark field is as bright as or brighter than the flat field at " +
                                            Pixel(i, stack.columns) + " (flat " + std::to_string(flat.values[i]) +
                                            ", dark " + std::to_string(hasDark ? dark.values[i] : 0.0) + ")");
        }
    CorrectionCounts counts;
    for (std::size_t n = 0; n < stack.values.size(); ++n) {
        double& v = stack.values[n];
        if (!std::isfinite(v)) {
            v = 0.0;
            ++counts.unreadable;
            continue;
        }
        if (!hasFlat) continue;
        const std::size_t i = n % page;
        const double d = hasDark ? dark.values[i] : 0.0;
        const double range = flat.values[i] - d;
        double signal = v - d;
        if (!(signal > 0)) {
            signal = 0.5;
            ++counts.clamped;
        }
        v = -std::log(signal / range);
    }
    return counts;
}

StackImportReport ImportDetectorStack(CProjectionCollection& collection, const std::string& input,
                                      const StackImportOptions& options,
                                      const std::function<void(std::size_t, std::size_t)>& progress) {
    if (!(options.sourceDistance > 0) || !(options.detectorDistance > 0))
        throw std::invalid_argument("the source and detector distances must be positive");
    if (options.detectorWidth < 0 || options.detectorHeight < 0)
        throw std::invalid_argument("the detector size must be positive");
    if (options.linked && options.linkStem.empty()) throw std::invalid_argument("a linked import needs a file name");
    const StackSource source = StackSource::Parse(input);
    ImageStackData stack = ReadImageStack(source);
    ImageStackData flat, dark;
    if (!options.flat.empty()) flat = AveragePages(ReadImageStack(StackSource::Parse(options.flat)));
    if (!options.dark.empty()) dark = AveragePages(ReadImageStack(StackSource::Parse(options.dark)));
    StackImportReport report;
    report.counts = CorrectIntensities(stack, flat, dark);
    report.count = stack.count;
    report.columns = stack.columns;
    report.rows = stack.rows;
    const std::optional<FileGeometry> fileGeometry =
        options.geometryGiven ? std::nullopt : ReadFileGeometry(source, stack.count);
    report.geometryFromFile = fileGeometry.has_value();

    const double width = options.detectorWidth > 0 ? options.detectorWidth : 1.0;
    const double height = options.detectorHeight > 0 ? options.detectorHeight
                                                     : width * stack.rows / static_cast<double>(stack.columns);
    const std::size_t page = std::size_t{stack.columns} * stack.rows;
    std::vector<std::unique_ptr<CProjection>> made;
    made.reserve(stack.count);
    for (std::size_t k = 0; k < stack.count; ++k) {
        auto projection = CProjectionCollection::MakeMemberProjection();
        CPoint4 src, centre;
        CDirection4 h, v(0, 1, 0);
        double dimX = width, dimY = height;
        if (fileGeometry) {
            const auto row3 = [k](const Hdf5Array& a) { return &a.values[3 * k]; };
            const double* s = row3(fileGeometry->source);
            const double* c = row3(fileGeometry->centre);
            const double* hh = row3(fileGeometry->h);
            const double* vv = row3(fileGeometry->v);
            src = CPoint4(s[0], s[1], s[2]);
            centre = CPoint4(c[0], c[1], c[2]);
            h = CDirection4(hh[0], hh[1], hh[2]);
            v = CDirection4(vv[0], vv[1], vv[2]);
            dimX = fileGeometry->size.values[2 * k];
            dimY = fileGeometry->size.values[2 * k + 1];
        } else {
            const double degrees =
                options.startDegrees + static_cast<double>(k) * (options.endDegrees - options.startDegrees) / stack.count;
            const double theta = DegreesToRadians(degrees);
            src = SourceOnCircle(options.sourceDistance, theta);
            centre = DetectorCenterOnCircle(options.detectorDistance, theta);
            h = DetectorHorizontalOnCircle(theta);
        }
        if (!projection->SetGeometry(centre, h, v, dimX, dimY, stack.columns, stack.rows))
            throw std::runtime_error("projection " + std::to_string(k) + ": cannot make a " + SizeText(stack) +
                                     " image of " + std::to_string(dimX) + " x " + std::to_string(dimY) + " units");
        projection->SetSourcePosition(src);
        float* pixels = projection->GetPixels();
        const double* values = stack.values.data() + k * page;
        for (std::size_t i = 0; i < page; ++i) pixels[i] = static_cast<float>(values[i]);
        projection->UpdateRange();
        made.push_back(std::move(projection));
        if (progress) progress(k + 1, stack.count);
    }

    collection.DeleteContents();
    for (std::size_t k = 0; k < made.size(); ++k) {
        CListElementStub* stub = collection.AddMember(made[k].release());
        if (!options.linked) continue;
        stub->m_bLinked = true;
        collection.StageLinkedMember(*stub);
        if (stub->SetLinkPath(options.linkStem + "." + std::to_string(k) + ".PRJ")) {
            stub->Unload();
        } else {
            // Linked to a file that was never written, the pixels would be
            // lost with the next save of the collection: keep them in place.
            stub->DropStaging();
            stub->m_bLinked = false;
            stub->m_strPath.clear();
        }
    }
    collection.SetModifiedFlag();
    collection.UpdateAllViews(nullptr);
    return report;
}

}  // namespace voxmill
