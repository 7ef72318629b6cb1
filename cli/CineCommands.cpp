#include "cli/CineCommands.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <ostream>

#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "app/ListElementStub.h"
#include "app/archive/File.h"
#include "cli/AcquisitionCommands.h"
#include "cli/CollectionCommon.h"
#include "cli/Command.h"
#include "hardware/Exposure.h"
#include "hardware/Slide.h"
#include "hardware/SlideCollection.h"

namespace voxmill::cli {

const char* const kSlideUsage =
    "  slide import IN.raw OUT.sld [--type T] [--pixels W H] [--offset BYTES] [--force]\n"
    "                               one 8-bit frame from a raw matrix, 4 x 4 units; defaults:\n"
    "                               int8, a square image of the file's bytes, offset 0\n"
    "  slide generate SLIDE.sld REFERENCE.sld OUT.prj [--force]\n"
    "                               line integrals ln((R + 1) / (S + 1)) against a frame taken\n"
    "                               without the object, with the slide's geometry";
const char* const kCineUsage =
    "  cine import IN.raw OUT.sds --units N [--type T] [--pixels W H] [--size DIMX DIMY]\n"
    "             [--offset BYTES] [--force]\n"
    "                               N frames back to back after the offset, in place (defaults:\n"
    "                               float, square frames of the file's floats, size 1 x 1)\n"
    "  cine import-files OUT.sds IN.raw... [--type T] [--pixels W H] [--size DIMX DIMY]\n"
    "             [--offset BYTES] [--force]\n"
    "                               one linked slide per raw file (IN.raw.SLD beside it), posed\n"
    "                               on the full circle of radius 4\n"
    "  cine generate CINE.sds REFERENCE.sds OUT.prs [--linked] [--force]\n"
    "                               one projection per frame pair; --linked writes each to\n"
    "                               OUT.prs.<k>.PRJ; a reference of another length makes nothing\n"
    "  cine expose IN.prs OUT.sds REFERENCE.sds [--white LEVEL] [--force]\n"
    "                               the frames a camera would record for the projections:\n"
    "                               round(LEVEL exp(-p)) (default 255), and open-beam frames of\n"
    "                               LEVEL as the reference cine, with the projections' geometry\n"
    "  cine add CINE.sds            appends an empty slide\n"
    "  cine remove CINE.sds INDEX... | --all\n"
    "                               removes the slides at those indices (from 0), or every one";

namespace {

void PrintSlide(const CSlide& s, std::ostream& out, const char* indent) {
    char line[256];
    std::snprintf(line, sizeof line, "%simage: %u x %u 8-bit pixels, %g x %g units\n", indent, s.GetWidth(),
                  s.GetHeight(), s.GetDimX(), s.GetDimY());
    out << line;
    if (s.HasPixels())
        out << indent << "values: " << int(s.GetMinValue()) << " .. " << int(s.GetMaxValue()) << '\n';
    else
        out << indent << "values: none (no pixels)\n";
    const CDetector& d = s.GetDetector();
    out << indent << "source: " << Point(s.GetSource().GetPosition()) << '\n';
    out << indent << "detector: centre " << Point(d.GetCenter()) << ", H " << Point(d.GetHorizontal()) << ", V "
        << Point(d.GetVertical()) << '\n';
}

void ReportCineProblems(const std::vector<std::string>& problems, const char* what) {
    for (const std::string& p : problems) std::cerr << "voxmill-cli: " << what << ' ' << p << '\n';
}

int SlideImport(Args& args) {
    const MatrixOptions matrix = TakeMatrixOptions(args);
    const InOutFiles files = TakeInOutFiles(args, "raw file", "slide file");
    BinaryMatrixImport values = CSlide::ProposeImport(files.in);
    matrix.ApplyTo(values);
    CheckUsable(values.Problem());
    CSlide slide;
    slide.OnNewDocument();
    slide.ImportRawMatrix(files.in, values);
    slide.Save(files.out);
    std::cout << files.out << ": " << values.width << " x " << values.height << ' ' << BinaryMatrixTypeText(values.type)
              << " elements as bytes " << int(slide.GetMinValue()) << " .. " << int(slide.GetMaxValue()) << '\n';
    return 0;
}

int SlideGenerate(Args& args) {
    const bool force = args.Flag("--force");
    const std::string in = args.Next("slide file");
    const std::string referencePath = args.Next("reference slide file");
    const std::string out = args.Next("projection file");
    args.Finish();
    CheckCanCreate(out, force);
    CSlide slide, reference;
    slide.Open(in);
    reference.Open(referencePath);
    if (const std::string problem = slide.ProjectionProblem(reference); !problem.empty()) throw CliError(problem);
    CProjection projection;
    projection.OnNewDocument();
    slide.GenerateProjection(reference, projection);
    projection.Save(out);
    std::cout << out << ": line integrals " << projection.GetMinValue() << " .. " << projection.GetMaxValue() << '\n';
    return 0;
}

int CineImport(Args& args) {
    const MatrixOptions matrix = TakeMatrixOptions(args);
    int units = 0;
    if (!args.Option("--units", &units, 1)) throw CliError("cine import needs --units N (the number of frames)");
    const InOutFiles files = TakeInOutFiles(args, "raw file", "cine file");
    SinogramImport values = CSlideCollection::ProposeCineImport(files.in);
    matrix.ApplyTo(values.matrix);
    values.count = Positive(units, "--units");
    CheckUsable(values.Problem());
    CSlideCollection cine;
    cine.OnNewDocument();
    cine.ImportCine(files.in, values);
    cine.Save(files.out);
    std::cout << files.out << ": " << cine.GetCount() << " frames of " << values.matrix.width << " x " << values.matrix.height
              << " pixels\n";
    return 0;
}

int CineImportFiles(Args& args) {
    const MatrixOptions matrix = TakeMatrixOptions(args);
    const RawFilesLine line = TakeRawFilesLine(args, "cine file");
    // The dialog is filled in once, from the first file.
    BinaryMatrixImport values =
        BinaryMatrixImport::ForFileLength(CDiskFile(line.inputs.front(), CDiskFile::modeRead).GetLength());
    matrix.ApplyTo(values);
    CheckUsable(values.Problem());
    return ImportRawFilesInto<CSlideCollection>(line, values, ".SLD");
}

int CineGenerate(Args& args) {
    const bool linked = args.Flag("--linked");
    const bool force = args.Flag("--force");
    const std::string in = args.Next("cine file");
    const std::string referencePath = args.Next("reference cine file");
    const std::string out = args.Next("projection collection file");
    args.Finish();
    CheckCanCreate(out, force);
    CSlideCollection cine;
    cine.Open(in);
    CSlideCollection reference;
    reference.Open(referencePath);
    if (reference.GetCount() != cine.GetCount())
        throw CliError("the reference cine has " + std::to_string(reference.GetCount()) + " slides, the cine " +
                       std::to_string(cine.GetCount()) + "; nothing made");
    CSlideCollection::ProjectionsReport report = cine.GenerateProjections(reference, linked ? out : std::string());
    ReportCineProblems(report.skipped, "skipped");
    ReportCineProblems(report.unwrittenFiles, "kept in place, could not write");
    report.collection->Save(out);
    std::cout << out << ": " << report.collection->GetCount() << " projections from " << cine.GetCount()
              << " slide pairs" << (linked ? " (linked)" : "") << '\n';
    return 0;
}

int CineExpose(Args& args) {
    int white = kOpenBeamLevel;
    if (args.Option("--white", &white, 1) && (white < 1 || white > 255))
        throw CliError("--white must lie between 1 and 255");
    const bool force = args.Flag("--force");
    const std::string in = args.Next("projection collection file");
    const std::string out = args.Next("cine file");
    const std::string referencePath = args.Next("reference cine file");
    args.Finish();
    CheckCanCreate(out, force);
    CheckCanCreate(referencePath, force);
    CProjectionCollection projections;
    projections.Open(in);
    CSlideCollection cine, reference;
    cine.OnNewDocument();
    reference.OnNewDocument();
    const std::size_t exposed = ExposeCollection(projections, static_cast<std::uint8_t>(white), cine, reference);
    cine.Save(out);
    reference.Save(referencePath);
    std::cout << out << ", " << referencePath << ": " << exposed << " of " << projections.GetCount()
              << " projections exposed at an open-beam level of " << white << '\n';
    return exposed == projections.GetCount() ? 0 : 1;
}

int CineAdd(Args& args) {
    const std::string path = args.Next("cine file");
    args.Finish();
    CSlideCollection cine;
    cine.Open(path);
    cine.AddSlide();
    cine.Save(path);
    std::cout << path << ": " << cine.GetCount() << " slides\n";
    return 0;
}

int CineRemove(Args& args) {
    const bool all = args.Flag("--all");
    const std::string path = args.Next("cine file");
    std::vector<std::size_t> indices;
    while (!args.Empty()) {
        const int index = Args::ToInt(args.Next("index"), "index");
        if (index < 0) throw CliError("indices count from 0");
        indices.push_back(static_cast<std::size_t>(index));
    }
    if (all == !indices.empty()) throw CliError("cine remove takes either indices or --all");
    CSlideCollection cine;
    cine.Open(path);
    for (std::size_t index : indices)
        if (index >= cine.GetCount())
            throw CliError("no slide " + std::to_string(index) + " (the cine has " + std::to_string(cine.GetCount()) +
                           ")");
    if (all)
        cine.DeleteContents();
    else
        cine.RemoveMembers(indices);
    cine.Save(path);
    std::cout << path << ": " << cine.GetCount() << " slides\n";
    return 0;
}

}  // namespace

int RunSlideCommand(Args& args) {
    const std::string verb = args.Next("slide command (import or generate)");
    if (verb == "import") return SlideImport(args);
    if (verb == "generate") return SlideGenerate(args);
    throw CliError("unknown slide command '" + verb + "' (import, generate)");
}

int RunCineCommand(Args& args) {
    const std::string verb = args.Next("cine command (import, import-files, generate, expose, add or remove)");
    if (verb == "import") return CineImport(args);
    if (verb == "import-files") return CineImportFiles(args);
    if (verb == "generate") return CineGenerate(args);
    if (verb == "expose") return CineExpose(args);
    if (verb == "add") return CineAdd(args);
    if (verb == "remove") return CineRemove(args);
    throw CliError("unknown cine command '" + verb + "' (import, import-files, generate, expose, add, remove)");
}

void ExportSlideRaw(const std::string& in, const std::string& out) {
    ExportOpened<CSlide>(in, out, &CSlide::ExportBinaryMatrix);
}

void ExportSlideBitmap(const std::string& in, const std::string& out) {
    ExportOpened<CSlide>(in, out, &CSlide::ExportBitmap);
}

void ExportCineRaw(const std::string& in, const std::string& out) {
    ExportOpened<CSlideCollection>(in, out, &CSlideCollection::ExportCine);
}

void ExportCineAvi(const std::string& in, const std::string& out) {
    ExportOpened<CSlideCollection>(in, out, &CSlideCollection::ExportAvi);
}

void PrintSlideInfo(const std::string& path, std::ostream& out) {
    CSlide slide;
    slide.Open(path);
    out << "kind: slide\n";
    PrintSlide(slide, out, "");
}

void PrintCineInfo(const std::string& path, std::ostream& out) {
    CSlideCollection cine;
    cine.Open(path);
    out << "kind: slide collection\n";
    out << "slides: " << cine.GetCount() << '\n';
    for (std::size_t i = 0; i < cine.GetCount(); ++i) {
        CListElementStub& stub = *cine.GetMember(i);
        out << "slide " << i << ": ";
        if (!stub.m_bLinked) {
            out << "in place\n";
        } else {
            std::error_code ec;
            const bool found = std::filesystem::exists(stub.m_strPath, ec);
            out << "linked to " << stub.m_strPath << (found ? "" : " (file missing)") << '\n';
            if (!stub.Load()) {
                out << "  (the file cannot be read)\n";
                continue;
            }
        }
        if (const CSlide* slide = cine.GetSlide(i)) PrintSlide(*slide, out, "  ");
        stub.Unload();
    }
}

}  // namespace voxmill::cli
