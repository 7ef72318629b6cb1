// The values behind the projector window: the "Snapshots" page, the three
// geometry pages together, and the number of threads a projection is
// traced on. The front end only gathers these; the projector checks and
// applies them.
#pragma once

#include <cstdint>
#include <string>

#include "acquisition/GeometryValues.h"

namespace voxmill {

// The "Snapshots" page. Snapshot k of N is taken at
// startAngle + k (endAngle - startAngle) / N degrees: the end angle itself
// is never a snapshot.
struct SnapshotValues {
    std::int32_t snapshotMode = 0;  // "Sample Angle", the only item
    double startAngle = 0.0;        // degrees
    double endAngle = 360.0;        // degrees
    std::int32_t stepNumber = 6;

    // Empty when in range: start 0 to 360, end start + 1 to 360, steps 1 to 720.
    std::string Problem() const;
    // (end - start) / N, degrees.
    double StepAngle() const { return (endAngle - startAngle) / stepNumber; }
};

// Everything "Render" and "OpenGL Preview" read from the sheet.
struct ProjectorPageValues {
    DetectorPageValues detector;
    SourcePathValues path;
    SnapshotValues snapshots;

    // The first page's problem, in tab order; empty when all are in range.
    std::string Problem() const;
};

// Threads a projection is traced on: `requested` when not 0, else the
// VOXMILL_THREADS environment variable when it holds a positive number,
// else every core. Never 0.
unsigned ProjectorThreadCount(unsigned requested = 0);

}  // namespace voxmill
