#include "cli/ProcessorCommands.h"

#include <iostream>
#include <string>

#include "acquisition/ProjectionCollection.h"
#include "app/ListElementStub.h"
#include "cli/Command.h"
#include "cli/ProgressFrame.h"
#include "imaging/WarpValues.h"
#include "imaging/processor/Processor.h"

namespace voxmill::cli {

const char* const kWarpUsage =
    "  warp IN.prs [--shift DX DY] [--rotate DEG [--cw]] [--spherize AMOUNT [--x-only | --y-only]]\n"
    "                               warp every projection of a collection in place, in the order\n"
    "                               shift, rotate, spherize, and save IN.prs; linked members are\n"
    "                               written back to their files, all of them or none; ranges:\n"
    "                               shift -300..300 pixels (right, up), angle 0..360 degrees\n"
    "                               (counter-clockwise unless --cw), amount -100..100 (positive\n"
    "                               bulges the centre, negative pinches it; both axes unless told)";

namespace {

// The options as the "Warping" page would hold them; usage errors and
// values out of range are refused here, before any file is read.
WarpValues ReadWarpValues(Args& args) {
    const bool clockwise = args.Flag("--cw");
    const bool xOnly = args.Flag("--x-only");
    const bool yOnly = args.Flag("--y-only");
    WarpValues values;
    int shift[2] = {0, 0};
    double angle = 0.0;
    int amount = 0;
    values.shiftEnabled = args.Option("--shift", shift, 2);
    values.rotateEnabled = args.Option("--rotate", &angle, 1);
    values.spherizeEnabled = args.Option("--spherize", &amount, 1);
    if (!values.AnyEnabled()) throw CliError("nothing to do: give --shift, --rotate or --spherize");
    if (clockwise && !values.rotateEnabled) throw CliError("--cw needs --rotate");
    if ((xOnly || yOnly) && !values.spherizeEnabled) throw CliError("--x-only and --y-only need --spherize");
    if (xOnly && yOnly) throw CliError("--x-only and --y-only exclude each other");
    if (shift[0] < -WarpValues::kShiftLimit || shift[0] > WarpValues::kShiftLimit ||
        shift[1] < -WarpValues::kShiftLimit || shift[1] > WarpValues::kShiftLimit)
        throw CliError("--shift: DX and DY must lie between -300 and 300 pixels");
    if (!(angle >= 0.0 && angle <= WarpValues::kMaxAngle))
        throw CliError("--rotate: the angle must lie between 0 and 360 degrees");
    if (amount < -WarpValues::kAmountLimit || amount > WarpValues::kAmountLimit)
        throw CliError("--spherize: the amount must lie between -100 and 100");
    values.shiftX = shift[0];
    values.shiftY = shift[1];
    values.angle = static_cast<float>(angle);
    values.direction = clockwise ? WarpValues::kClockwise : WarpValues::kCounterClockwise;
    values.amount = amount;
    values.spherizeX = !yOnly;
    values.spherizeY = !xOnly;
    return values;
}

}  // namespace

int RunWarpCommand(Args& args) {
    const WarpValues values = ReadWarpValues(args);
    const std::string path = args.Next("collection file (.prs)");
    args.Finish();
    if (const std::string problem = values.Problem(); !problem.empty()) throw CliError(problem);

    CProjectionCollection collection;
    collection.m_bAutoDelete = false;
    try {
        collection.Open(path);
    } catch (const std::exception& e) {
        throw OpenFailure(path, e);
    }

    CProcessor processor;
    processor.m_bAutoDelete = false;
    processor.OnNewDocument();
    ProcessorReport report;
    {
        ScopedProgress progress(processor);
        report = processor.Process(&collection, values);
    }
    if (!report.Ran()) throw CliError(report.problem);
    if (report.stopped) throw CliError("interrupted: no file was changed");
    if (!report.unwritten.empty()) {
        for (const std::string& file : report.unwritten) std::cerr << "voxmill-cli: " << file << '\n';
        // Unsaved, the collection's pending replacement is dropped with it.
        throw CliError("member files could not be written; no file was changed");
    }
    int status = 0;
    for (std::size_t k : report.unreadable) {
        std::cerr << "voxmill-cli: member " << k << " (" << collection.GetMember(k)->m_strPath
                  << ") cannot be read; it was left as it was\n";
        status = 1;
    }
    if (collection.IsModified()) {
        try {
            collection.Save(path);
        } catch (const std::exception& e) {
            throw CliError(path + ": " + e.what());
        }
    }
    std::cout << "warped " << report.warped << " of " << collection.GetCount() << " projections in " << path << '\n';
    return status;
}

}  // namespace voxmill::cli
