// The values behind the acquisition geometry's pages and dialogs, with the
// defaults they open with, their range checks and the core operations that
// apply them. The front end only gathers these values.
#pragma once

#include <cstdint>
#include <string>

#include "geometry/Vector.h"

namespace voxmill {

class CDetector;
class CSource;

// The projector's "X-ray Source path" page. Dd belongs to the detector's
// placement but is entered here.
struct SourcePathValues {
    std::int32_t pathType = 0;  // "Circle on X-Z", the only item
    double sourceAxisDistance = 4.0;
    double axisDetectorDistance = 4.0;

    // Empty when every value is in range (both distances 0 to 100).
    std::string Problem() const;
};

// The projector's "Detector geometry" page (not the CDetector new-document
// defaults, which are 1.0 and 64).
struct DetectorPageValues {
    std::int32_t detectorType = 0;  // "Flat Rectangle Detector", the only item
    double dimX = 4.0;
    double dimY = 4.0;
    std::uint32_t width = 128;
    std::uint32_t height = 128;

    // Empty when in range: sizes 0 to 1000, pixel counts 32 to 4096.
    std::string Problem() const;
};

// The source position dialog ("Set", group "Source Position").
struct SourcePositionValues {
    float x = 0.0f, y = 0.0f, z = 0.0f;

    static SourcePositionValues From(const CSource& source);
    CPoint4 Position() const { return CPoint4(x, y, z); }
    void ApplyTo(CSource& source) const;
};

// The detector dialog ("Set": "Detector Position" centre, "Detector
// Orientation" H and V vectors). The size and pixel counts come from the
// image the detector belongs to.
struct DetectorPlacementValues {
    float center[3] = {0.0f, 0.0f, 0.0f};
    float horizontal[3] = {1.0f, 0.0f, 0.0f};
    float vertical[3] = {0.0f, 1.0f, 0.0f};

    // Preset from a detector: its centre and its rotation applied to the
    // unit x and y directions.
    static DetectorPlacementValues From(const CDetector& detector);
    CPoint4 Center() const { return CPoint4(center[0], center[1], center[2]); }
    CDirection4 Horizontal() const { return CDirection4(horizontal[0], horizontal[1], horizontal[2]); }
    CDirection4 Vertical() const { return CDirection4(vertical[0], vertical[1], vertical[2]); }
};

}  // namespace voxmill
