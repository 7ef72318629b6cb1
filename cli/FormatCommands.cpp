#include "cli/FormatCommands.h"

#include <filesystem>
#include <iostream>

#include "acquisition/ProjectionCollection.h"
#include "cli/AcquisitionCommands.h"
#include "cli/Command.h"
#include "cli/DocumentCommands.h"
#include "cli/ProgressFrame.h"
#include "formats/DetectorStackImport.h"
#include "formats/DocumentExports.h"
#include "reconstruction/SliceCollection.h"
#include "reconstruction/Volume.h"

namespace voxmill::cli {

const char* const kImportStackUsage =
    "  import stack IN.tif|IN.h5[:/PATH] OUT.prs [--flat F] [--dark D] [--ds DS] [--dd DD]\n"
    "             [--detector-size W H] [--start DEG] [--end DEG] [--linked] [--force]\n"
    "                               detector images (TIFF pages of 8, 16 or 32 bits, or an HDF5\n"
    "                               data set, default /projections) as line integrals\n"
    "                               -ln((I - dark) / (flat - dark)); F and D are images or stacks\n"
    "                               (averaged); readings at or below dark count as half a count,\n"
    "                               non-finite ones as 0. Posed on a circle: source at DS, detector\n"
    "                               at DD from the axis (default 4, 4), W x H units (default 1 wide,\n"
    "                               square pixels), member k at START + k (END - START) / N degrees\n"
    "                               (default 0, 360); an HDF5 projection export keeps its own\n"
    "                               geometry unless one of these is given. --linked writes\n"
    "                               OUT.prs.<k>.PRJ files";

namespace {

// `--deflate LEVEL` (1..9) for the HDF5 exports; 0 when absent.
int TakeDeflate(Args& options) {
    int level = 0;
    if (options.Option("--deflate", &level, 1) && (level < 1 || level > 9))
        throw CliError("--deflate: the level must be 1 to 9");
    return level;
}

template <class Doc, class Export>
void RunExport(const std::string& in, const std::string& out, Args& options, Export exportTo) {
    options.Finish();
    const std::unique_ptr<Doc> doc = OpenDocument<Doc>(in);
    exportTo(*doc, out);
}

}  // namespace

void ExportVolumeHdf5(const std::string& in, const std::string& out, Args& options) {
    const int level = TakeDeflate(options);
    RunExport<CVolume>(in, out, options, [level](CVolume& v, const std::string& o) { voxmill::ExportVolumeHdf5(v, o, level); });
}

void ExportVolumeTiff(const std::string& in, const std::string& out, Args& options) {
    RunExport<CVolume>(in, out, options, [](CVolume& v, const std::string& o) { voxmill::ExportVolumeTiff(v, o); });
}

void ExportVolumeMetaImage(const std::string& in, const std::string& out, Args& options) {
    RunExport<CVolume>(in, out, options, [](CVolume& v, const std::string& o) { voxmill::ExportVolumeMetaImage(v, o); });
}

void ExportVolumeNrrd(const std::string& in, const std::string& out, Args& options) {
    RunExport<CVolume>(in, out, options, [](CVolume& v, const std::string& o) { voxmill::ExportVolumeNrrd(v, o); });
}

void ExportSlicesHdf5(const std::string& in, const std::string& out, Args& options) {
    const int level = TakeDeflate(options);
    RunExport<CSliceCollection>(in, out, options,
                                [level](CSliceCollection& s, const std::string& o) { voxmill::ExportSlicesHdf5(s, o, level); });
}

void ExportSlicesTiff(const std::string& in, const std::string& out, Args& options) {
    RunExport<CSliceCollection>(in, out, options,
                                [](CSliceCollection& s, const std::string& o) { voxmill::ExportSlicesTiff(s, o); });
}

void ExportProjectionsHdf5(const std::string& in, const std::string& out, Args& options) {
    const int level = TakeDeflate(options);
    RunExport<CProjectionCollection>(in, out, options, [level](CProjectionCollection& c, const std::string& o) {
        voxmill::ExportProjectionsHdf5(c, o, level);
    });
}

void ExportProjectionsTiff(const std::string& in, const std::string& out, Args& options) {
    RunExport<CProjectionCollection>(in, out, options, [](CProjectionCollection& c, const std::string& o) {
        voxmill::ExportProjectionsTiff(c, o);
    });
}

int RunImportStack(Args& args) {
    StackImportOptions options;
    args.OptionString("--flat", options.flat);
    args.OptionString("--dark", options.dark);
    bool given = false;
    given |= args.Option("--ds", &options.sourceDistance, 1);
    given |= args.Option("--dd", &options.detectorDistance, 1);
    double size[2];
    if (args.Option("--detector-size", size, 2)) {
        if (!(size[0] > 0) || !(size[1] > 0)) throw CliError("--detector-size: both sizes must be positive");
        options.detectorWidth = size[0];
        options.detectorHeight = size[1];
        given = true;
    }
    given |= args.Option("--start", &options.startDegrees, 1);
    given |= args.Option("--end", &options.endDegrees, 1);
    options.geometryGiven = given;
    options.linked = args.Flag("--linked");
    const bool force = args.Flag("--force");
    const std::string in = args.Next("detector stack (.tif or .h5[:/path])");
    const std::string out = args.Next("collection file (.prs)");
    args.Finish();
    if (!(options.sourceDistance > 0) || !(options.detectorDistance > 0))
        throw CliError("--ds and --dd must be positive");
    CheckCanCreate(out, force);
    if (options.linked) options.linkStem = std::filesystem::absolute(out).string();

    CProjectionCollection collection;
    collection.m_bAutoDelete = false;
    collection.OnNewDocument();
    StackImportReport report;
    StderrProgressFrame frame;
    frame.SetStatusText(0, "Importing " + in);
    try {
        report = ImportDetectorStack(collection, in, options, [&frame](std::size_t done, std::size_t total) {
            if (done == 1) frame.SetProgressRange(static_cast<unsigned>(total));
            frame.StepProgress();
        });
    } catch (const std::exception& e) {
        frame.HideProgress();
        throw CliError(std::string(e.what()) + "; nothing written");
    }
    frame.HideProgress();
    collection.Save(out);
    std::cout << out << ": " << report.count << " projections of " << report.columns << " x " << report.rows
              << " pixels" << (report.geometryFromFile ? ", geometry from the file" : "") << '\n';
    if (report.counts.clamped)
        std::cerr << "voxmill-cli: " << report.counts.clamped
                  << " readings at or below the dark level were taken as half a count above it\n";
    if (report.counts.unreadable)
        std::cerr << "voxmill-cli: " << report.counts.unreadable << " non-finite readings were set to 0\n";
    return 0;
}

}  // namespace voxmill::cli
