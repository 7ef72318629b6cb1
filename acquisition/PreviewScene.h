// The acquisition geometry as the "OpenGL Preview" draws it: always the
// angle-0 configuration (source on +z at Ds, detector in the plane
// z = -Dd), whatever the snapshots. World units; single-precision floats
// because that is what the preview hands to OpenGL. The front end
// compiles it into one display list in this order: grey axes, blue
// detector, red source sphere, white corner rays.
#pragma once

#include <array>

namespace voxmill {

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
    static constexpr int kSphereSlices = 10;
    static constexpr int kSphereStacks = 10;

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

    // The scene of the page values: dimX x dimY detector, Ds, Dd.
    static PreviewScene Make(const DetectorPageValues& detector, const SourcePathValues& path);
};

}  // namespace voxmill
