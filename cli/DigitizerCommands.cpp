#include "cli/DigitizerCommands.h"

#include <filesystem>
#include <iostream>
#include <string>

#include "acquisition/ProjectionCollection.h"
#include "acquisition/Projector.h"
#include "acquisition/ProjectorOptions.h"
#include "cli/Command.h"
#include "cli/ProgressFrame.h"
#include "hardware/Digitizer.h"
#include "hardware/GrabberLibraries.h"
#include "hardware/SlideCollection.h"

namespace voxmill::cli {

const char* const kDigitizerUsage =
    "  digitizer info [--camera FILE.dcf]\n"
    "                               what the frame grabber reports: full sizes, system type,\n"
    "                               MIL and GEN readiness";

const char* const kGrabUsage =
    "  grab OUT.sds [--steps N] [--start DEG] [--end DEG] [--region W H] [--offset X Y]\n"
    "          [--scale 0.25|0.5|1] [--linked | --in-place] [--camera FILE.dcf]\n"
    "          [--detector-size DIMX DIMY] [--pixels W H] [--ds DS] [--dd DD] [--force]\n"
    "                               grab one slide per snapshot through the frame grabber with\n"
    "                               the default trigger; the region defaults to the full frame,\n"
    "                               the slides' pixels to the grabbed size (region x scale),\n"
    "                               the rest as for project (members OUT.sds.K.SLD when linked)";

namespace {

// The grabber's libraries for the length of a command, with the digitizer
// documents made meanwhile taking their modules from them.
class LoadedGrabber {
public:
    explicit LoadedGrabber(const std::string& cameraFile) {
        m_libraries.SetCameraFile(cameraFile);
        m_libraries.Load();
        CDigitizer::SetLibraries(&m_libraries);
    }
    ~LoadedGrabber() {
        CDigitizer::SetLibraries(nullptr);
        m_libraries.Free();
    }
    const CGrabberLibraries& Libraries() const { return m_libraries; }

private:
    CGrabberLibraries m_libraries;
};

std::string CameraFile(Args& args) {
    std::string camera = CGrabberLibraries::kCameraFile;
    if (args.OptionString("--camera", camera)) {
        std::error_code ec;
        // The library would fall back on its default camera without a word.
        if (!std::filesystem::is_regular_file(camera, ec)) throw CliError(camera + ": no such camera file");
    }
    return camera;
}

int RunInfo(Args& args) {
    const std::string camera = CameraFile(args);
    args.Finish();
    LoadedGrabber grabber(camera);
    const CGrabberLibraries& libraries = grabber.Libraries();
    std::cout << "MIL: " << (libraries.IsMilReady() ? "ready" : "not ready") << "\n"
              << "GEN: " << (libraries.IsGenesisReady() ? "ready" : "not ready") << "\n";
    if (!libraries.IsMilReady()) return 0;
    CDigitizer digitizer;
    digitizer.m_bAutoDelete = false;
    std::cout << "System type: " << digitizer.GetSystemType()
              << (digitizer.GetSystemType() == 17 ? " (Matrox Genesis)" : "") << "\n"
              << "Camera file: " << libraries.GetCameraFile() << "\n"
              << "Full size: " << digitizer.fullWidth << " x " << digitizer.fullHeight << "\n"
              << "Digitizers: grab " << digitizer.GetGrabDigitizer() << ", live " << digitizer.GetLiveDigitizer()
              << ", display " << digitizer.GetDisplay() << "\n";
    return 0;
}

std::int32_t ScaleIndex(const std::string& text) {
    if (text == "0.25") return CDigitizer::kScaleQuarter;
    if (text == "0.5" || text == "0.50") return CDigitizer::kScaleHalf;
    if (text == "1" || text == "1.0" || text == "1.00") return CDigitizer::kScaleFull;
    throw CliError("--scale must be 0.25, 0.5 or 1");
}

std::string Join(const std::vector<int>& ks) {
    std::string text;
    for (int k : ks) text += (text.empty() ? "" : ", ") + std::to_string(k);
    return text;
}

}  // namespace

int RunDigitizerCommand(Args& args) {
    const std::string what = args.Next("digitizer command (info)");
    if (what == "info") return RunInfo(args);
    throw CliError("unknown digitizer command: " + what);
}

int RunGrabCommand(Args& args) {
    const bool inPlace = args.Flag("--in-place");
    const bool linked = args.Flag("--linked");
    const bool force = args.Flag("--force");
    const std::string camera = CameraFile(args);
    int region[2] = {-1, -1}, offset[2] = {0, 0}, pixels[2] = {0, 0};
    const bool hasRegion = args.Option("--region", region, 2);
    args.Option("--offset", offset, 2);
    const bool hasPixels = args.Option("--pixels", pixels, 2);
    std::string scaleText = "1";
    args.OptionString("--scale", scaleText);
    ProjectorPageValues values;
    double pair[2];
    if (args.Option("--detector-size", pair, 2)) {
        values.detector.dimX = pair[0];
        values.detector.dimY = pair[1];
    }
    args.Option("--ds", &values.path.sourceAxisDistance, 1);
    args.Option("--dd", &values.path.axisDetectorDistance, 1);
    args.Option("--start", &values.snapshots.startAngle, 1);
    args.Option("--end", &values.snapshots.endAngle, 1);
    args.Option("--steps", &values.snapshots.stepNumber, 1);
    const std::string outPath = args.Next("output slide collection file (.sds)");
    args.Finish();
    if (inPlace && linked) throw CliError("--in-place and --linked exclude each other");
    const std::int32_t scale = ScaleIndex(scaleText);
    std::error_code ec;
    if (!force && std::filesystem::exists(outPath, ec))
        throw CliError(outPath + " already exists (use --force to replace it)");

    LoadedGrabber grabber(camera);
    if (!grabber.Libraries().IsMilReady()) throw CliError("the frame grabber's libraries are not available");
    CDigitizer digitizer;
    digitizer.m_bAutoDelete = false;
    if (digitizer.GetGrabDigitizer() == 0) throw CliError("the frame grabber gave no digitizer");
    const auto whole = [](int v) { return v < 0 ? 0u : static_cast<std::uint32_t>(v); };
    const std::uint32_t width = hasRegion ? whole(region[0]) : digitizer.fullWidth;
    const std::uint32_t height = hasRegion ? whole(region[1]) : digitizer.fullHeight;
    if (const std::string problem = digitizer.RegionProblem(width, height, whole(offset[0]), whole(offset[1]));
        !problem.empty() || offset[0] < 0 || offset[1] < 0)
        throw CliError(problem.empty() ? "--offset must not be negative" : problem);
    digitizer.SetSettings(width, height, whole(offset[0]), whole(offset[1]), scale, CDigitizer::kTriggerDefault);

    const float s = CDigitizer::Scale(scale);
    values.detector.width = hasPixels ? whole(pixels[0]) : static_cast<std::uint32_t>(width * s);
    values.detector.height = hasPixels ? whole(pixels[1]) : static_cast<std::uint32_t>(height * s);
    if (const std::string problem = values.Problem(); !problem.empty()) throw CliError(problem);

    CProjector projector;
    projector.OnNewDocument();
    projector.m_bAutoDelete = false;
    projector.m_collectionMode = inPlace ? CProjector::kInPlaceCollection : CProjector::kLinkedCollection;
    ProjectorRunReport report;
    {
        ScopedProgress progress(projector);
        report = projector.Render(&digitizer, values, inPlace ? std::string() : outPath);
    }
    if (report.stopped) throw CliError("interrupted: nothing was written");
    if (!report.grabbed) throw CliError(report.problem);

    int status = 0;
    if (!report.failedGrabs.empty()) {
        std::cerr << "voxmill-cli: snapshots " << Join(report.failedGrabs)
                  << " were not grabbed (a grab error, or slides smaller than the grabbed frame)\n";
        status = 1;
    }
    if (!report.emptyMembers.empty()) {
        std::cerr << "voxmill-cli: snapshots " << Join(report.emptyMembers) << " have no image\n";
        status = 1;
    }
    for (const std::string& path : report.unwrittenMembers) {
        std::cerr << "voxmill-cli: " << path << " could not be written\n";
        status = 1;
    }
    auto& cine = static_cast<CSlideCollection&>(*report.grabbed);
    try {
        cine.Save(outPath);
    } catch (const std::exception& e) {
        throw CliError(outPath + ": " + e.what());
    }
    std::cout << outPath << ": " << cine.GetCount() << " slides of " << values.detector.width << " x "
              << values.detector.height << " grabbed\n";
    return status;
}

}  // namespace voxmill::cli
