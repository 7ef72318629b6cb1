#include "cli/AcquisitionCommands.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <ostream>

#include "acquisition/GeometryValues.h"
#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "app/ListElementStub.h"
#include "cli/CollectionCommon.h"
#include "cli/Command.h"

namespace voxmill::cli {

const char* const kImportRawUsage =
    "  import raw IN.raw OUT.prj [--type float|double|int8|int16|int32|int64] [--pixels W H]\n"
    "             [--size DIMX DIMY] [--offset BYTES] [--source X Y Z] [--detector-centre X Y Z]\n"
    "             [--h-vector X Y Z] [--v-vector X Y Z] [--force]\n"
    "                               one projection from a raw matrix; defaults: float, a square\n"
    "                               image of the file's floats, size 1 x 1, offset 0, source and\n"
    "                               detector centre at the origin, H = (1, 0, 0), V = (0, 1, 0)";
const char* const kImportSinogramUsage =
    "  import sinogram IN.raw OUT.prs [--type T] [--pixels W H] [--size DIMX DIMY] [--offset BYTES]\n"
    "             [--count N] [--force]\n"
    "                               N matrices back to back after the offset, in place, posed on\n"
    "                               a circle of radius 4 (default N = 1)";
const char* const kImportRawsUsage =
    "  import raws OUT.prs IN.raw... [--type T] [--pixels W H] [--size DIMX DIMY] [--offset BYTES]\n"
    "             [--force]\n"
    "                               one linked projection per raw file (IN.raw.PRJ beside it),\n"
    "                               posed on a circle of radius 4; the files must be equally long";

void MatrixOptions::ApplyTo(BinaryMatrixImport& values) const {
    if (type) values.type = *type;
    if (width) values.width = *width;
    if (height) values.height = *height;
    if (dimX) values.dimX = static_cast<float>(*dimX);
    if (dimY) values.dimY = static_cast<float>(*dimY);
    if (offset) values.offset = *offset;
}

// Making a document never silently replaces a file the user may still need.
void CheckCanCreate(const std::string& path, bool force) {
    std::error_code ec;
    if (!force && std::filesystem::exists(path, ec))
        throw CliError(path + " already exists (use --force to replace it)");
}

std::uint32_t Positive(int v, const char* what) {
    if (v <= 0) throw CliError(std::string(what) + " must be positive");
    return static_cast<std::uint32_t>(v);
}

MatrixOptions TakeMatrixOptions(Args& args) {
    MatrixOptions o;
    std::string type;
    if (args.OptionString("--type", type)) {
        o.type = BinaryMatrixTypeFromName(type);
        if (!o.type) throw CliError("--type: '" + type + "' is not float, double, int8, int16, int32 or int64");
    }
    int pixels[2];
    if (args.Option("--pixels", pixels, 2)) {
        o.width = Positive(pixels[0], "--pixels W");
        o.height = Positive(pixels[1], "--pixels H");
    }
    double size[2];
    if (args.Option("--size", size, 2)) {
        if (!(size[0] > 0) || !(size[1] > 0)) throw CliError("--size: both sizes must be positive");
        o.dimX = size[0];
        o.dimY = size[1];
    }
    int offset = 0;
    if (args.Option("--offset", &offset, 1)) {
        if (offset < 0) throw CliError("--offset must not be negative");
        o.offset = static_cast<std::uint32_t>(offset);
    }
    return o;
}

namespace {

void TakeVector(Args& args, const char* option, float (&v)[3]) {
    double values[3];
    if (!args.Option(option, values, 3)) return;
    for (int k = 0; k < 3; ++k) v[k] = static_cast<float>(values[k]);
}

void PrintImage(const CSurface& s, std::ostream& out, const char* indent) {
    char line[256];
    std::snprintf(line, sizeof line, "%simage: %u x %u pixels, %g x %g units, pitch %g x %g\n", indent,
                  s.GetWidth(), s.GetHeight(), s.GetDimX(), s.GetDimY(), s.GetPitchX(), s.GetPitchY());
    out << line;
    if (s.HasPixels()) {
        std::snprintf(line, sizeof line, "%svalues: %g .. %g\n", indent, static_cast<double>(s.GetMinValue()),
                      static_cast<double>(s.GetMaxValue()));
        out << line;
    } else {
        out << indent << "values: none (no pixels)\n";
    }
}

void PrintGeometry(const CProjection& p, std::ostream& out, const char* indent) {
    const CDetector& d = p.GetDetector();
    out << indent << "source: " << Point(p.GetSource().GetPosition()) << '\n';
    char line[128];
    std::snprintf(line, sizeof line, "%g x %g units, %d x %d pixels", d.GetDimX(), d.GetDimY(), d.GetWidth(),
                  d.GetHeight());
    out << indent << "detector: centre " << Point(d.GetCenter()) << ", H " << Point(d.GetHorizontal()) << ", V "
        << Point(d.GetVertical()) << ", " << line << '\n';
}

}  // namespace

// --- import --------------------------------------------------------------------

int RunImportRaw(Args& args) {
    const MatrixOptions matrix = TakeMatrixOptions(args);
    CProjection projection;
    projection.OnNewDocument();
    SourcePositionValues source = SourcePositionValues::From(projection.GetSource());
    DetectorPlacementValues placement = DetectorPlacementValues::From(projection.GetDetector());
    float s[3] = {source.x, source.y, source.z};
    TakeVector(args, "--source", s);
    source = {s[0], s[1], s[2]};
    TakeVector(args, "--detector-centre", placement.center);
    TakeVector(args, "--h-vector", placement.horizontal);
    TakeVector(args, "--v-vector", placement.vertical);
    const InOutFiles files = TakeInOutFiles(args, "raw file", "projection file");

    BinaryMatrixImport values = CProjection::ProposeImport(files.in);
    matrix.ApplyTo(values);
    CheckUsable(values.Problem());
    projection.ImportBinaryMatrix(files.in, values, source, placement);
    projection.Save(files.out);
    std::cout << files.out << ": " << values.width << " x " << values.height << ' ' << BinaryMatrixTypeText(values.type)
              << " pixels\n";
    return 0;
}

int RunImportSinogram(Args& args) {
    const MatrixOptions matrix = TakeMatrixOptions(args);
    int count = 0;
    const bool hasCount = args.Option("--count", &count, 1);
    const InOutFiles files = TakeInOutFiles(args, "sinogram file", "collection file");

    SinogramImport values = CProjectionCollection::ProposeSinogramImport(files.in);
    matrix.ApplyTo(values.matrix);
    if (hasCount) values.count = Positive(count, "--count");
    CheckUsable(values.Problem());
    CProjectionCollection collection;
    collection.OnNewDocument();
    collection.ImportSinogram(files.in, values);
    collection.Save(files.out);
    std::cout << files.out << ": " << collection.GetCount() << " projections of " << values.matrix.width << " x "
              << values.matrix.height << " pixels\n";
    return 0;
}

int RunImportRaws(Args& args) {
    const MatrixOptions matrix = TakeMatrixOptions(args);
    const RawFilesLine line = TakeRawFilesLine(args, "collection file");

    const std::int64_t length = CProjectionCollection::CommonRawFileLength(line.inputs);
    if (length < 0) throw CliError("the raw files differ in length; nothing imported");
    if (length == 0) throw CliError(line.inputs.front() + " is empty or cannot be read; nothing imported");
    BinaryMatrixImport values = BinaryMatrixImport::ForFileLength(static_cast<std::uint64_t>(length));
    matrix.ApplyTo(values);
    CheckUsable(values.Problem());
    return ImportRawFilesInto<CProjectionCollection>(line, values, ".PRJ");
}

// --- export --------------------------------------------------------------------

void ExportProjectionRaw(const std::string& in, const std::string& out) {
    ExportOpened<CProjection>(in, out, &CProjection::ExportBinaryMatrix);
}

void ExportProjectionBitmap(const std::string& in, const std::string& out) {
    ExportOpened<CProjection>(in, out, &CProjection::ExportBitmap);
}

void ExportProjectionDicom(const std::string& in, const std::string& out) {
    ExportOpened<CProjection>(in, out, &CProjection::ExportDicom);
}

void ExportCollectionSinogram(const std::string& in, const std::string& out) {
    ExportOpened<CProjectionCollection>(in, out, &CProjectionCollection::ExportSinogram);
}

// --- info ----------------------------------------------------------------------

void PrintProjectionInfo(const std::string& path, std::ostream& out) {
    CProjection projection;
    projection.Open(path);
    out << "kind: projection\n";
    PrintImage(projection, out, "");
    PrintGeometry(projection, out, "");
}

void PrintCollectionInfo(const std::string& path, std::ostream& out) {
    CProjectionCollection collection;
    collection.Open(path);
    out << "kind: projection collection\n";
    out << "members: " << collection.GetCount() << '\n';
    for (std::size_t i = 0; i < collection.GetCount(); ++i) {
        CListElementStub& stub = *collection.GetMember(i);
        const CProjection* projection = collection.GetProjection(i);
        out << "member " << i << ": ";
        if (!stub.m_bLinked) {
            out << "in place\n";
        } else {
            // Loading first: a member of a moved collection is found by its
            // bare name, and must not be reported missing.
            const std::string stored = stub.m_strPath;
            const bool loaded = stub.Load();
            std::error_code ec;
            out << "linked to " << stored;
            if (loaded && stub.m_strPath != stored) out << " (moved: read from " << stub.m_strPath << ")";
            if (!loaded) out << (std::filesystem::exists(stored, ec) ? " (file unreadable)" : " (file missing)");
            out << '\n';
            if (!loaded) {
                out << "  description: " << (stub.m_strDescription.empty() ? "n/a" : stub.m_strDescription)
                    << " (cached; the file cannot be read)\n";
                continue;
            }
        }
        if (projection) {
            PrintImage(*projection, out, "  ");
            PrintGeometry(*projection, out, "  ");
        } else {
            out << "  no projection\n";
        }
        stub.Unload();
    }
}

}  // namespace voxmill::cli
