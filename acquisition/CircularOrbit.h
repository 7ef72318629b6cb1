// The circular acquisition around the world y axis. A snapshot angle theta
// (radians) is measured from +z toward +x: the source sits at
// (Ds sin theta, 0, Ds cos theta), the detector centre opposite at
// (-Dd sin theta, 0, -Dd cos theta) with H = (cos theta, 0, -sin theta),
// V = +y and N = H x V pointing back at the source.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "geometry/Matrix4.h"
#include "geometry/Transform.h"
#include "geometry/Vector.h"

namespace voxmill {

class CDetector;
class CSource;
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

// Member k of n on the full circle of the raw-file imports: theta =
// k x 360 / n degrees (radians with kOrbitPi), R the rotation about +y;
// source R (0, 0, radius), detector centre R (0, 0, -radius), H = R (1, 0, 0),
// V = R (0, 1, 0), with the image's own size and counts.
void PoseOnFullCircle(std::size_t k, std::size_t n, double radius, CSource& source, CDetector& detector, double dimX,
                      double dimY, std::uint32_t width, std::uint32_t height);

// Rotation by theta about the unit axis (ux, uy, uz):
// cos I + (1 - cos) u u^T + sin [u]x, the form the collection's circular
// geometry uses.
CMatrix4 AxisRotation(double ux, double uy, double uz, double theta);

}  // namespace voxmill
