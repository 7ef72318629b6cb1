#include "acquisition/CircularOrbit.h"

#include <cmath>
#include <type_traits>

#include "acquisition/Detector.h"
#include "acquisition/DetectorTrajectory.h"
#include "acquisition/GeometryValues.h"
#include "acquisition/Source.h"
#include "acquisition/Trajectory.h"

namespace voxmill {

double DegreesToRadians(double degrees) { return degrees * kOrbitPi / 180.0; }

CPoint4 SourceOnCircle(double sourceAxisDistance, double theta) {
    return CPoint4(sourceAxisDistance * std::sin(theta), 0.0, sourceAxisDistance * std::cos(theta));
}

CPoint4 DetectorCenterOnCircle(double axisDetectorDistance, double theta) {
    return CPoint4(-axisDetectorDistance * std::sin(theta), 0.0, -axisDetectorDistance * std::cos(theta));
}

CDirection4 DetectorHorizontalOnCircle(double theta) { return CDirection4(std::cos(theta), 0.0, -std::sin(theta)); }

void PlaceDetectorOnCircle(CDetector& detector, const DetectorPageValues& page, double axisDetectorDistance,
                           double theta) {
    detector.SetGeometry(DetectorCenterOnCircle(axisDetectorDistance, theta), DetectorHorizontalOnCircle(theta),
                         CDirection4(0, 1, 0), page.dimX, page.dimY, static_cast<std::int32_t>(page.width),
                         static_cast<std::int32_t>(page.height));
}

CRotation StepRotation(double step) {
    CRotation r;
    r.SetAngles(kOrbitPi / 2, -step, -kOrbitPi / 2);
    return r;
}

std::unique_ptr<CTrajectory> MakeSourcePath(double sourceAxisDistance, double theta0, double step) {
    CRotation r = StepRotation(step);
    return std::make_unique<CTrajectory>(SourceOnCircle(sourceAxisDistance, theta0), r);
}

std::unique_ptr<CDetectorTrajectory> MakeDetectorPath(const DetectorPageValues& page, double axisDetectorDistance,
                                                      double theta0, double step) {
    CRotation r = StepRotation(step);
    return std::make_unique<CDetectorTrajectory>(
        DetectorCenterOnCircle(axisDetectorDistance, theta0), DetectorHorizontalOnCircle(theta0),
        CDirection4(0, 1, 0), page.dimX, page.dimY, static_cast<std::int32_t>(page.width),
        static_cast<std::int32_t>(page.height), r);
}

CMatrix4 AxisRotation(double ux, double uy, double uz, double theta) {
    const double c = std::cos(theta), s = std::sin(theta), t = 1.0 - c;
    const double u[3] = {ux, uy, uz};
    // [u]x, the cross-product matrix of u.
    const double k[3][3] = {{0, -uz, uy}, {uz, 0, -ux}, {-uy, ux, 0}};
    CMatrix4 r = CMatrix4::Identity();
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.m[i][j] = (i == j ? c : 0.0) + t * u[i] * u[j] + s * k[i][j];
    return r;
}

void PoseOnFullCircle(std::size_t k, std::size_t n, double radius, CSource& source, CDetector& detector, double dimX,
                      double dimY, std::uint32_t width, std::uint32_t height) {
    const double step = 360.0 / static_cast<double>(n);
    const double theta = static_cast<double>(k) * step * kOrbitPi * (1.0 / 180.0);
    const CMatrix4 r = AxisRotation(0.0, 1.0, 0.0, theta);
    auto turned = [&r](const auto& v) {
        std::remove_cvref_t<decltype(v)> out;
        r.Transform3(v, out);
        return out;
    };
    source.SetPosition(turned(CPoint4(0, 0, radius)));
    detector.SetGeometry(turned(CPoint4(0, 0, -radius)), turned(CDirection4(1, 0, 0)), turned(CDirection4(0, 1, 0)),
                         dimX, dimY, static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
}

}  // namespace voxmill
