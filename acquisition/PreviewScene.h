// The acquisition geometry as the "OpenGL Preview" draws it: always the
// angle-0 configuration (source on +z at Ds, detector in the plane
// z = -Dd), whatever the snapshots. World units; single-precision floats
// because that is what the preview hands to OpenGL. The front end
// compiles it into one display list in this order: grey axes, blue
// detector, red source sphere, white corner rays, then the cyan circle the
// source travels and, when the projector holds a phantom, its elements as
// yellow wire frames (ellipsoids by meridians and parallels, cylinders by
// their rims, middle circle and side lines).
//
// The window turns the camera about the centre (OrbitEye); the scene
// itself never moves.
#pragma once

#include <array>
#include <vector>

namespace voxmill {

class CPhantom;
class CPhantomElement;
struct DetectorPageValues;
struct SourcePathValues;

struct PreviewScene {
    using Point = std::array<float, 3>;
    using Color = std::array<float, 3>;
    struct Segment {
        Point from, to;
    };

    static constexpr Color kAxisColor{0.5f, 0.5f, 0.5f};
    static constexpr Color kDetectorColor{0.0f, 0.0f, 1.0f};
    static constexpr Color kSourceColor{1.0f, 0.0f, 0.0f};
    static constexpr Color kRayColor{1.0f, 1.0f, 1.0f};
    static constexpr Color kOrbitColor{0.0f, 0.8f, 0.8f};
    static constexpr Color kElementColor{1.0f, 0.85f, 0.2f};
    static constexpr int kSphereSlices = 10;
    static constexpr int kSphereStacks = 10;
    // Segments of the orbit and of every wire circle.
    static constexpr int kOrbitSegments = 96;
    static constexpr int kWireSegments = 32;
    static constexpr int kWireMeridians = 8;  // also the cylinder's side lines
    static constexpr int kWireParallels = 5;  // latitudes -60 to 60 degrees
    // The camera's highest and lowest elevation, degrees: +y stays up.
    static constexpr double kMaxElevation = 85;
    using Strip = std::vector<Point>;  // drawn as one line strip

    // Camera: looks from `eye` at `center` with +y up.
    Point center{0, 0, 0};
    Point eye{0, 0, 0};

    // Detector centre to source, then the +y and +x axes from the origin.
    std::array<Segment, 3> axes{};
    // The quadrilateral's corners: (-x, -y), (-x, +y), (+x, +y), (+x, -y).
    std::array<Point, 4> detector{};
    Point source{0, 0, 0};
    float sourceRadius = 0;  // 0.05 Ds
    // Source to each detector corner, in the quadrilateral's order.
    std::array<Segment, 4> rays{};

    // The source's circle of radius Ds in the plane y = 0, closed (the
    // first point repeated last), starting at angle 0 (0, 0, Ds) and
    // running towards +x: point n at (Ds sin a, 0, Ds cos a), a = 2 pi n /
    // kOrbitSegments.
    Strip orbit;
    // The phantom's elements, each as several strips, in element order.
    std::vector<Strip> elementWires;

    // The scene of the page values: dimX x dimY detector, Ds, Dd.
    static PreviewScene Make(const DetectorPageValues& detector, const SourcePathValues& path);
    // Adds the wire frames of the phantom's elements.
    void AddPhantom(const CPhantom& phantom);
    // The strips of one element: its unit primitive's wire (unit sphere,
    // or the cylinder of radius 1 about z with z in [-1, 1]) placed by the
    // element's forward matrix. None for an element of another kind.
    static std::vector<Strip> ElementWire(const CPhantomElement& element);
    // The camera position after turning the view by `yaw` degrees about
    // the vertical axis through `center`, raising it by `pitch` degrees
    // (the elevation kept within +-kMaxElevation) and
    // moving it `zoom` times closer. Exactly `eye` at (0, 0, 1).
    static Point OrbitEye(const Point& eye, const Point& center, double yaw, double pitch, double zoom);
};

}  // namespace voxmill
