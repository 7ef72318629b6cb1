// Axis-aligned ellipsoids with their exact line integrals: the reference
// the projections of the tests are computed from (sum of MU times chord
// length along the ray from the source through a pixel centre).
#pragma once

#include <cmath>
#include <vector>

namespace voxmill::test {

struct Ellipsoid {
    double cx, cy, cz;  // centre
    double ax, ay, az;  // semi-axes
    double mu;

    static Ellipsoid Ball(double r, double mu, double cx = 0, double cy = 0, double cz = 0) {
        return {cx, cy, cz, r, r, r, mu};
    }
    bool Contains(double x, double y, double z) const {
        const double u = (x - cx) / ax, v = (y - cy) / ay, w = (z - cz) / az;
        return u * u + v * v + w * w < 1.0;
    }
    // MU times the chord of the line from o along the unit direction d.
    double LineIntegral(const double o[3], const double d[3]) const {
        const double oo[3] = {(o[0] - cx) / ax, (o[1] - cy) / ay, (o[2] - cz) / az};
        const double dd[3] = {d[0] / ax, d[1] / ay, d[2] / az};
        const double a = dd[0] * dd[0] + dd[1] * dd[1] + dd[2] * dd[2];
        const double b = oo[0] * dd[0] + oo[1] * dd[1] + oo[2] * dd[2];
        const double c = oo[0] * oo[0] + oo[1] * oo[1] + oo[2] * oo[2] - 1.0;
        const double disc = b * b - a * c;
        return disc > 0 ? mu * 2.0 * std::sqrt(disc) / a : 0.0;
    }
};

struct AnalyticPhantom {
    std::vector<Ellipsoid> parts;

    double LineIntegral(const double from[3], const double to[3]) const {
        double d[3] = {to[0] - from[0], to[1] - from[1], to[2] - from[2]};
        const double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        for (double& c : d) c /= length;
        double sum = 0;
        for (const Ellipsoid& e : parts) sum += e.LineIntegral(from, d);
        return sum;
    }
    // Sum of the MU of the parts that contain the point.
    double Mu(double x, double y, double z) const {
        double sum = 0;
        for (const Ellipsoid& e : parts)
            if (e.Contains(x, y, z)) sum += e.mu;
        return sum;
    }
};

}  // namespace voxmill::test
