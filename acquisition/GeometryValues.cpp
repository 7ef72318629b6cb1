#include "acquisition/GeometryValues.h"

#include "acquisition/Detector.h"
#include "acquisition/Source.h"

namespace voxmill {
namespace {

bool InRange(double v, double lo, double hi) { return v >= lo && v <= hi; }

std::string RangeProblem(const char* label, double lo, double hi) {
    return std::string(label) + " must be between " + std::to_string(static_cast<long long>(lo)) + " and " +
           std::to_string(static_cast<long long>(hi));
}

}  // namespace

std::string SourcePathValues::Problem() const {
    if (!InRange(sourceAxisDistance, 0, 100)) return RangeProblem("Source Axis Distance", 0, 100);
    if (!InRange(axisDetectorDistance, 0, 100)) return RangeProblem("Axis Detector Distance", 0, 100);
    return {};
}

std::string DetectorPageValues::Problem() const {
    if (!InRange(dimX, 0, 1000)) return RangeProblem("X Axis Dim", 0, 1000);
    if (!InRange(dimY, 0, 1000)) return RangeProblem("Y Axis Dim", 0, 1000);
    if (!InRange(width, 32, 4096)) return RangeProblem("X Axis Num", 32, 4096);
    if (!InRange(height, 32, 4096)) return RangeProblem("Y Axis Num", 32, 4096);
    return {};
}

SourcePositionValues SourcePositionValues::From(const CSource& source) {
    const CPoint4& p = source.GetPosition();
    return {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
}

void SourcePositionValues::ApplyTo(CSource& source) const { source.SetPosition(Position()); }

DetectorPlacementValues DetectorPlacementValues::From(const CDetector& detector) {
    DetectorPlacementValues values;
    const CPoint4& c = detector.GetCenter();
    const CDirection4 h = detector.GetHorizontal(), v = detector.GetVertical();
    const double cs[3] = {c.x, c.y, c.z}, hs[3] = {h.x, h.y, h.z}, vs[3] = {v.x, v.y, v.z};
    for (int k = 0; k < 3; ++k) {
        values.center[k] = static_cast<float>(cs[k]);
        values.horizontal[k] = static_cast<float>(hs[k]);
        values.vertical[k] = static_cast<float>(vs[k]);
    }
    return values;
}

}  // namespace voxmill
