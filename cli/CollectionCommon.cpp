#include "cli/CollectionCommon.h"

#include <cmath>
#include <cstdio>

#include "cli/AcquisitionCommands.h"
#include "geometry/Vector.h"

namespace voxmill::cli {

std::string Point(const CVector4& p) {
    char text[96];
    // Rounding residues of the circle's sines (1e-16) would print as -0.0000.
    auto shown = [](double v) { return std::fabs(v) < 5e-5 ? 0.0 : v; };
    std::snprintf(text, sizeof text, "(%+.4f, %+.4f, %+.4f)", shown(p.x), shown(p.y), shown(p.z));
    return text;
}

void CheckUsable(const std::string& problem) {
    if (!problem.empty()) throw CliError(problem);
}

InOutFiles TakeInOutFiles(Args& args, const char* inWhat, const char* outWhat) {
    const bool force = args.Flag("--force");
    InOutFiles files;
    files.in = args.Next(inWhat);
    files.out = args.Next(outWhat);
    args.Finish();
    CheckCanCreate(files.out, force);
    return files;
}

RawFilesLine TakeRawFilesLine(Args& args, const char* outWhat) {
    const bool force = args.Flag("--force");
    RawFilesLine line;
    line.out = args.Next(outWhat);
    line.inputs.push_back(args.Next("raw file"));
    while (!args.Empty()) line.inputs.push_back(args.Next("raw file"));
    for (const std::string& word : line.inputs)
        if (word.rfind("--", 0) == 0) throw CliError("unknown option '" + word + "'");
    CheckCanCreate(line.out, force);
    return line;
}

}  // namespace voxmill::cli
