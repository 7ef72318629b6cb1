// Short scans: projections over less than a full circle. A full turn sees
// every ray twice, which the ramp kernel's one half accounts for; over
// pi + 2 gamma_max (gamma_max the fan's half angle) some rays are seen twice
// and some once, and backprojecting them alike doubles part of the volume.
// Parker's weights w(beta, gamma) make each ray count once in all:
// w(beta, gamma) + w(beta + pi + 2 gamma, -gamma) = 1, with smooth ramps at
// both ends of the scan. Over a longer arc (240 degrees, say) the same
// weights with delta = (range - pi) / 2 in place of gamma_max spread the
// ramps over the extra angle.
//
// Angles: beta is the source's angle atan2(z, x) about the rotation axis y,
// counted from the first projection in the direction the scan turns;
// gamma is the ray's angle to the central ray in the same sense.
#pragma once

#include <vector>

#include "contract/ProjectionCollection.h"
#include "contract/Renderer.h"
#include "renderers/common/ProjectionGeometry.h"

namespace voxmill {

class CShortScan {
public:
    enum class Coverage { single, fullCircle, shortScan, uneven };

    struct Plan {
        Coverage coverage = Coverage::single;
        double range = 0;     // beta of the last projection (radians)
        double step = 0;      // mean angle between neighbours
        double fanHalf = 0;   // gamma_max of the first projection
        double sense = 1;     // -1 when the scan turns clockwise in (x, z)
        std::vector<double> offsets;  // each projection's beta
        // Whether the weights apply (a short scan).
        bool Weighs() const { return coverage == Coverage::shortScan; }
        // Also the weights' factor: the renderers scale by 2 pi / N for a
        // full turn; a short scan needs 2 step per projection.
        double Scale() const { return static_cast<double>(offsets.size()) * step / kPi; }
    };

    // The coverage of projections at source angles `angles` (radians, in
    // collection order) for a fan of half angle `fanHalf`. Steps are even
    // when each is within half the mean step of it; a full circle is N
    // steps reaching 2 pi (within half a step), or more.
    static Plan Classify(const std::vector<double>& angles, double fanHalf);

    // Reads every entry's source angle (each entry loaded and unloaded in
    // turn) and classifies them with the fan of `detector`.
    static HRESULT Read(IProjectionCollection* collection, LONG count, const CProjectionGeometry& detector,
                        Plan* plan);

    // Parker's weight of the ray at fan angle gamma from a source at beta,
    // for a scan over [0, range].
    static double Weight(double beta, double gamma, double range);

    // The weight of each column of projection n (the scale included), its
    // fan angles from `detector`'s grid and `own`'s orientation and distance.
    static void ColumnWeights(const Plan& plan, std::size_t n, const CProjectionGeometry& detector,
                              const CProjectionGeometry& own, std::vector<float>* weights);

    static constexpr double kPi = 3.141592653589793;
};

}  // namespace voxmill
