#include "acquisition/ProjectorOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace voxmill {
namespace {

// NaN fails every comparison and so every range.
bool InRange(double v, double lo, double hi) { return v >= lo && v <= hi; }

std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

}  // namespace

std::string SnapshotValues::Problem() const {
    if (!InRange(startAngle, 0, 360)) return "Start angle must be between 0 and 360";
    if (!InRange(endAngle, startAngle + 1, 360))
        return "End angle must be between " + Number(startAngle + 1) + " and 360";
    if (stepNumber < 1 || stepNumber > 720) return "Step number must be between 1 and 720";
    return {};
}

std::string ProjectorPageValues::Problem() const {
    std::string problem = detector.Problem();
    if (problem.empty()) problem = path.Problem();
    if (problem.empty()) problem = snapshots.Problem();
    return problem;
}

unsigned ProjectorThreadCount(unsigned requested) {
    if (requested) return requested;
    if (const char* text = std::getenv("VOXMILL_THREADS")) {
        errno = 0;
        char* end = nullptr;
        const long n = std::strtol(text, &end, 10);
        if (errno == 0 && end != text && *end == '\0' && n > 0 && n <= 1024) return static_cast<unsigned>(n);
    }
    const unsigned cores = std::thread::hardware_concurrency();
    return cores ? cores : 1;
}

}  // namespace voxmill
