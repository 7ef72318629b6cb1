#include "acquisition/PreviewScene.h"

#include <algorithm>
#include <cmath>

#include "acquisition/GeometryValues.h"
#include "phantom/Phantom.h"
#include "phantom/PhantomElementCylinder.h"
#include "phantom/PhantomElementEllipsoid.h"

namespace voxmill {
namespace {

constexpr double kPi = 3.14159265358979323846;

// The unit-space point (x, y, z) placed by the element's forward matrix.
PreviewScene::Point Place(const CPhantomElement& element, double x, double y, double z) {
    const auto& m = element.m_forward.m_matrix.m;
    PreviewScene::Point p{};
    for (int r = 0; r < 3; ++r) p[r] = static_cast<float>(m[r][0] * x + m[r][1] * y + m[r][2] * z + m[r][3]);
    return p;
}

// A closed circle of radius `radius` about the z axis at height z.
PreviewScene::Strip Circle(const CPhantomElement& element, double radius, double z) {
    PreviewScene::Strip strip;
    for (int n = 0; n <= PreviewScene::kWireSegments; ++n) {
        const double a = 2 * kPi * (n % PreviewScene::kWireSegments) / PreviewScene::kWireSegments;
        strip.push_back(Place(element, radius * std::cos(a), radius * std::sin(a), z));
    }
    return strip;
}

std::vector<PreviewScene::Strip> EllipsoidWire(const CPhantomElement& element) {
    std::vector<PreviewScene::Strip> strips;
    for (int n = 0; n < PreviewScene::kWireMeridians; ++n) {
        const double lon = 2 * kPi * n / PreviewScene::kWireMeridians;
        PreviewScene::Strip meridian;
        const int half = PreviewScene::kWireSegments / 2;
        for (int s = 0; s <= half; ++s) {
            const double lat = -kPi / 2 + kPi * s / half;
            meridian.push_back(
                Place(element, std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)));
        }
        strips.push_back(std::move(meridian));
    }
    for (int n = 0; n < PreviewScene::kWireParallels; ++n) {
        const double lat = kPi / 180 * (-60.0 + 120.0 * n / (PreviewScene::kWireParallels - 1));
        strips.push_back(Circle(element, std::cos(lat), std::sin(lat)));
    }
    return strips;
}

std::vector<PreviewScene::Strip> CylinderWire(const CPhantomElement& element) {
    std::vector<PreviewScene::Strip> strips{Circle(element, 1, -1), Circle(element, 1, 0), Circle(element, 1, 1)};
    for (int n = 0; n < PreviewScene::kWireMeridians; ++n) {
        const double a = 2 * kPi * n / PreviewScene::kWireMeridians;
        strips.push_back({Place(element, std::cos(a), std::sin(a), -1), Place(element, std::cos(a), std::sin(a), 1)});
    }
    return strips;
}

}  // namespace

PreviewScene PreviewScene::Make(const DetectorPageValues& detectorValues, const SourcePathValues& path) {
    const double ds = path.sourceAxisDistance, dd = path.axisDetectorDistance;
    const float x = static_cast<float>(detectorValues.dimX / 2), y = static_cast<float>(detectorValues.dimY / 2);
    const float zSource = static_cast<float>(ds), zDetector = static_cast<float>(-dd), fds = static_cast<float>(ds);

    PreviewScene scene;
    scene.center = {0, 0, 0};
    scene.eye = {static_cast<float>(dd + ds), static_cast<float>(ds / 2), static_cast<float>(ds / 2)};
    scene.axes = {{{{0, 0, zDetector}, {0, 0, zSource}}, {{0, 0, 0}, {0, fds, 0}}, {{0, 0, 0}, {fds, 0, 0}}}};
    scene.detector = {{{-x, -y, zDetector}, {-x, y, zDetector}, {x, y, zDetector}, {x, -y, zDetector}}};
    scene.source = {0, 0, zSource};
    scene.sourceRadius = static_cast<float>(0.05 * ds);
    for (std::size_t k = 0; k < scene.rays.size(); ++k) scene.rays[k] = {scene.source, scene.detector[k]};
    for (int n = 0; n <= kOrbitSegments; ++n) {
        const double a = 2 * kPi * (n % kOrbitSegments) / kOrbitSegments;
        scene.orbit.push_back({static_cast<float>(ds * std::sin(a)), 0.0f, static_cast<float>(ds * std::cos(a))});
    }
    return scene;
}

void PreviewScene::AddPhantom(const CPhantom& phantom) {
    for (std::size_t n = 0; n < phantom.GetCount(); ++n)
        if (const CPhantomElement* element = phantom.GetElement(n))
            for (Strip& strip : ElementWire(*element)) elementWires.push_back(std::move(strip));
}

std::vector<PreviewScene::Strip> PreviewScene::ElementWire(const CPhantomElement& element) {
    if (dynamic_cast<const CPhantomElementEllipsoid*>(&element)) return EllipsoidWire(element);
    if (dynamic_cast<const CPhantomElementCylinder*>(&element)) return CylinderWire(element);
    return {};
}

PreviewScene::Point PreviewScene::OrbitEye(const Point& eye, const Point& center, double yaw, double pitch,
                                           double zoom) {
    if (yaw == 0 && pitch == 0 && zoom == 1) return eye;
    const double dx = eye[0] - center[0], dy = eye[1] - center[1], dz = eye[2] - center[2];
    const double distance = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (!(distance > 0) || !(zoom > 0)) return eye;
    const double azimuth = std::atan2(dx, dz) + yaw * kPi / 180;
    const double elevation =
        std::clamp(std::asin(dy / distance) * 180 / kPi + pitch, -kMaxElevation, kMaxElevation) * kPi / 180;
    const double r = distance / zoom;
    return {static_cast<float>(center[0] + r * std::cos(elevation) * std::sin(azimuth)),
            static_cast<float>(center[1] + r * std::sin(elevation)),
            static_cast<float>(center[2] + r * std::cos(elevation) * std::cos(azimuth))};
}

}  // namespace voxmill
