#include "cli/ProjectorCommands.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

#include "acquisition/ProjectionCollection.h"
#include "acquisition/Projector.h"
#include "acquisition/ProjectorOptions.h"
#include "app/FrameWnd.h"
#include "app/View.h"
#include "cli/Command.h"
#include "cli/ProgressFrame.h"
#include "phantom/Phantom.h"

namespace voxmill::cli {

const char* const kProjectUsage =
    "  project PHANTOM.pha OUT.prs [--detector-size DIMX DIMY] [--pixels W H] [--ds DS] [--dd DD]\n"
    "          [--start DEG] [--end DEG] [--steps N] [--in-place | --linked] [--five-rays]\n"
    "          [--threads T] [--force]\n"
    "                               simulate the projections of a phantom; defaults: a 4 x 4\n"
    "                               detector of 128 x 128 pixels, Ds = Dd = 4, 0 to 360 degrees in\n"
    "                               6 steps, one ray per pixel, linked (members OUT.prs.K.PRJ\n"
    "                               beside OUT.prs); ranges: size 0..1000, pixels 32..4096,\n"
    "                               distances 0..100, start 0..360, end start+1..360, steps 1..720";

ProjectorPageValues ReadProjectorValues(Args& args) {
    ProjectorPageValues values;
    double pair[2];
    int counts[2];
    if (args.Option("--detector-size", pair, 2)) {
        values.detector.dimX = pair[0];
        values.detector.dimY = pair[1];
    }
    if (args.Option("--pixels", counts, 2)) {
        if (counts[0] < 0 || counts[1] < 0) throw CliError("--pixels: counts must be between 32 and 4096");
        values.detector.width = static_cast<std::uint32_t>(counts[0]);
        values.detector.height = static_cast<std::uint32_t>(counts[1]);
    }
    args.Option("--ds", &values.path.sourceAxisDistance, 1);
    args.Option("--dd", &values.path.axisDetectorDistance, 1);
    args.Option("--start", &values.snapshots.startAngle, 1);
    args.Option("--end", &values.snapshots.endAngle, 1);
    args.Option("--steps", &values.snapshots.stepNumber, 1);
    return values;
}

namespace {

std::string Join(const std::vector<int>& ks) {
    std::string text;
    for (int k : ks) text += (text.empty() ? "" : ", ") + std::to_string(k);
    return text;
}

}  // namespace

int RunProjectCommand(Args& args) {
    const bool inPlace = args.Flag("--in-place");
    const bool linked = args.Flag("--linked");
    const bool fiveRays = args.Flag("--five-rays");
    const bool force = args.Flag("--force");
    int threads = 0;
    const bool hasThreads = args.Option("--threads", &threads, 1);
    const ProjectorPageValues values = ReadProjectorValues(args);
    const std::string phantomPath = args.Next("phantom file");
    const std::string outPath = args.Next("output collection file (.prs)");
    args.Finish();
    if (inPlace && linked) throw CliError("--in-place and --linked exclude each other");
    if (hasThreads && (threads < 1 || threads > 1024)) throw CliError("--threads must be between 1 and 1024");
    if (const std::string problem = values.Problem(); !problem.empty()) throw CliError(problem);
    std::error_code ec;
    if (!force && std::filesystem::exists(outPath, ec))
        throw CliError(outPath + " already exists (use --force to replace it)");

    CPhantom phantom;
    try {
        phantom.Open(phantomPath);
    } catch (const std::exception& e) {
        throw OpenFailure(phantomPath, e);
    }

    CProjector projector;
    projector.OnNewDocument();
    projector.m_bAutoDelete = false;
    projector.m_collectionMode = inPlace ? CProjector::kInPlaceCollection : CProjector::kLinkedCollection;
    projector.m_rayMode = fiveRays ? CProjector::kFiveRays : CProjector::kOneRay;
    projector.SetThreadCount(static_cast<unsigned>(threads));

    InterruptCancels interrupt;
    StderrProgressFrame frame;
    ProgressView view(frame);
    projector.AddView(&view);
    ProjectorRunReport report = projector.Render(&phantom, values, inPlace ? std::string() : outPath);
    projector.RemoveView(&view);
    if (report.stopped) throw CliError("interrupted: nothing was written");
    if (!report.collection) throw CliError(report.problem);

    int status = 0;
    if (!report.emptyMembers.empty()) {
        std::cerr << "voxmill-cli: snapshots " << Join(report.emptyMembers)
                  << " have no image: the detector could not take the geometry (size or pixel count 0)\n";
        status = 1;
    }
    for (const std::string& path : report.unwrittenMembers) {
        std::cerr << "voxmill-cli: " << path << " could not be written\n";
        status = 1;
    }
    try {
        report.collection->Save(outPath);
    } catch (const std::exception& e) {
        throw CliError(outPath + ": " + e.what());
    }
    return status;
}

}  // namespace voxmill::cli
