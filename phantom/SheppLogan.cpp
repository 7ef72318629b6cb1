#include "phantom/SheppLogan.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>

#include "geometry/Transform.h"
#include "phantom/Phantom.h"
#include "phantom/PhantomElementEllipsoid.h"
#include "phantom/PhantomElementForm.h"

namespace voxmill {
namespace {

// The textbook table: MU, semi-axes (a, b, c), centre (x0, y0, z0), z-x-z
// Euler angles (phi, theta, psi) in degrees, in the phantom's own frame.
// Each ellipsoid turns about its own centre.
struct Ellipsoid {
    double mu, a, b, c, x0, y0, z0, phi, theta, psi;
};

constexpr Ellipsoid kTable[] = {
    {1.0, 0.6900, 0.920, 0.810, 0.00, 0.0000, 0.00, 0, 0, 0},
    {-0.8, 0.6624, 0.874, 0.780, 0.00, -0.0184, 0.00, 0, 0, 0},
    {-0.2, 0.1100, 0.310, 0.220, 0.22, 0.0000, 0.00, -18, 0, 10},
    {-0.2, 0.1600, 0.410, 0.280, -0.22, 0.0000, 0.00, 18, 0, 10},
    {0.1, 0.2100, 0.250, 0.410, 0.00, 0.3500, -0.15, 0, 0, 0},
    {0.1, 0.0460, 0.046, 0.050, 0.00, 0.1000, 0.25, 0, 0, 0},
    {0.1, 0.0460, 0.046, 0.050, 0.00, -0.1000, 0.25, 0, 0, 0},
    {0.1, 0.0460, 0.023, 0.050, -0.08, -0.6050, 0.00, 0, 0, 0},
    {0.1, 0.0230, 0.023, 0.020, 0.00, -0.6060, 0.00, 0, 0, 0},
    {0.1, 0.0230, 0.046, 0.020, 0.06, -0.6050, 0.00, 0, 0, 0},
};

// Phantom frame to world frame: x -> x, y -> -z, z -> y (rows of the map).
constexpr double kToWorld[3][3] = {{1, 0, 0}, {0, 0, 1}, {0, -1, 0}};

double Radians(double degrees) { return degrees * std::numbers::pi / 180.0; }

double DegreesIn0To360(double radians) {
    double d = std::fmod(radians * 180.0 / std::numbers::pi, 360.0);
    if (d < 0.0) d += 360.0;
    if (d >= 360.0) d = 0.0;  // a tiny negative angle rounds up to 360
    return d;
}

// z-x-z Euler angles (radians) whose EulerMatrix is the rotation r.
void EulerAngles(const double r[3][3], double& phi, double& theta, double& psi) {
    theta = std::acos(std::clamp(r[2][2], -1.0, 1.0));
    if (std::sin(theta) > 1e-12) {
        phi = std::atan2(r[2][0], -r[2][1]);
        psi = std::atan2(r[0][2], r[1][2]);
    } else {
        // About z only: phi and psi act together; keep psi at 0.
        phi = std::atan2(r[0][1], r[0][0]);
        psi = 0.0;
    }
}

// Form values of the world-frame ellipsoid: unit-to-world rotation
// kToWorld · Aᵀ, where A (the textbook's matrix) takes world to body axes.
CPhantomElementForm FormOf(const Ellipsoid& e) {
    const CMatrix4 a = CRotation::EulerMatrix(Radians(e.phi), Radians(e.theta), Radians(e.psi));
    double r[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double sum = 0.0;
            for (int k = 0; k < 3; ++k) sum += kToWorld[i][k] * a.m[j][k];
            r[i][j] = sum;
        }
    double phi, theta, psi;
    EulerAngles(r, phi, theta, psi);

    CPhantomElementForm form;
    form.scale[0] = e.a;
    form.scale[1] = e.b;
    form.scale[2] = e.c;
    form.angles[0] = DegreesIn0To360(phi);
    form.angles[1] = DegreesIn0To360(theta);
    form.angles[2] = DegreesIn0To360(psi);
    // 0.0 - y0 keeps a zero centre +0 rather than -0.
    form.translation[0] = e.x0;
    form.translation[1] = e.z0;
    form.translation[2] = 0.0 - e.y0;
    form.mu = e.mu;
    return form;
}

}  // namespace

void AddSheppLogan(CPhantom& phantom) {
    for (const Ellipsoid& e : kTable) {
        const CPhantomElementForm form = FormOf(e);
        CPhantomElement* element = phantom.AddElement(RUNTIME_CLASS(CPhantomElementEllipsoid));
        std::string error;
        // The table lies inside the form's ranges; a failure is a bug here.
        if (!element || !form.ApplyTo(*element, error))
            throw std::logic_error("Shepp-Logan element could not be placed: " + error);
    }
}

}  // namespace voxmill
