// The circular acquisition around the world y axis. A snapshot angle theta
// (radians) is measured from +z toward +x: the source sits at
// (Ds sin theta, 0, Ds cos theta), the detector centre opposite at
// (-Dd sin theta, 0, -Dd cos theta) with H = (cos theta, 0, -sin theta),
// V = +y and N = H x V pointing back at the source.
#pragma once

#include <memory>

#include "geometry/Matrix4.h"
#include "geometry/Transform.h"
#include "geometry/Vector.h"

namespace voxmill {

class CDetector;
class CDetectorTrajectory;
class CTrajectory;
struct DetectorPageValues;

// The rounded pi the projector uses throughout; not a more precise one.
inline constexpr double kOrbitPi = 3.14159265359;

// degrees x kOrbitPi / 180.
double DegreesToRadians(double degrees);

CPoint4 SourceOnCircle(double sourceAxisDistance, double theta);
CPoint4 DetectorCenterOnCircle(double axisDetectorDistance, double theta);
CDirection4 DetectorHorizontalOnCircle(double theta);
// Places a detector on the circle with the page's size and counts.
void PlaceDetectorOnCircle(CDetector& detector, const DetectorPageValues& page, double axisDetectorDistance,
                           double theta);

// The per-snapshot rotation about +y by `step` radians, built as the Euler
// rotation (pi/2, -step, -pi/2): R(s) S(theta) = S(theta + s).
CRotation StepRotation(double step);

// The run's paths: the source from S(theta0), the detector from its place
// at theta0, both turned by StepRotation(step) at every Step().
std::unique_ptr<CTrajectory> MakeSourcePath(double sourceAxisDistance, double theta0, double step);
std::unique_ptr<CDetectorTrajectory> MakeDetectorPath(const DetectorPageValues& page, double axisDetectorDistance,
                                                      double theta0, double step);

// Rotation by theta about the unit axis (ux, uy, uz):
// cos I + (1 - cos) u u^T + sin [u]x, the form the collection's circular
// geometry uses.
CMatrix4 AxisRotation(double ux, double uy, double uz, double theta);

}  // namespace voxmill
