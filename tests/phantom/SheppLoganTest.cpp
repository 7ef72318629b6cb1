#include "phantom/SheppLogan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "geometry/Transform.h"
#include "phantom/Phantom.h"
#include "phantom/PhantomElementEllipsoid.h"
#include "phantom/PhantomElementForm.h"

namespace voxmill {
namespace {

// MU at a world point, summed over the elements through the phantom interface.
double SampleSum(CPhantom& phantom, double x, double y, double z) {
    IPhantom* ip = phantom.GetPhantom();
    LONG count = 0;
    ip->GetCount(&count);
    double sum = 0;
    for (LONG i = 0; i < count; ++i) {
        IPhantomElement* e = nullptr;
        if (ip->GetElement(i, &e) != S_OK) continue;
        float mu;
        if (e->Sample(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z), &mu) == S_OK) sum += mu;
    }
    return sum;
}

class SheppLogan : public ::testing::Test {
protected:
    void SetUp() override {
        phantom.OnNewDocument();
        AddSheppLogan(phantom);
    }
    CPhantom phantom;
};

TEST_F(SheppLogan, TenEllipsoidsInsideTheFormsRanges) {
    ASSERT_EQ(phantom.GetCount(), 10u);
    for (std::size_t i = 0; i < phantom.GetCount(); ++i) {
        const CPhantomElement& e = *phantom.GetElement(i);
        EXPECT_EQ(e.GetRuntimeClass(), RUNTIME_CLASS(CPhantomElementEllipsoid));
        EXPECT_EQ(CPhantomElementForm::FromElement(e).Validate(), "") << "element " << i;
        EXPECT_FALSE(e.IsSingular());
    }
    EXPECT_EQ(phantom.GetElement(0)->m_mu, 1.0f);
    EXPECT_EQ(phantom.GetElement(1)->m_mu, -0.8f);
    EXPECT_EQ(phantom.GetElement(9)->m_mu, 0.1f);
}

TEST_F(SheppLogan, ValuesAlongLinesAddUp) {
    // Along world x through the centre: air, skull, brain, the two dark
    // ellipses, brain, skull, air.
    EXPECT_NEAR(SampleSum(phantom, -0.95, 0, 0), 0.0, 1e-6);
    EXPECT_NEAR(SampleSum(phantom, -0.68, 0, 0), 1.0, 1e-6);
    EXPECT_NEAR(SampleSum(phantom, -0.5, 0, 0), 0.2, 1e-6);
    EXPECT_NEAR(SampleSum(phantom, -0.22, 0, 0), 0.0, 1e-6);
    EXPECT_NEAR(SampleSum(phantom, 0.0, 0, 0), 0.2, 1e-6);
    EXPECT_NEAR(SampleSum(phantom, 0.22, 0, 0), 0.0, 1e-6);
    EXPECT_NEAR(SampleSum(phantom, 0.68, 0, 0), 1.0, 1e-6);
    // The head axis is world y: the skull's top at y = 0.795, above the brain.
    EXPECT_NEAR(SampleSum(phantom, 0, 0.795, 0), 1.0, 1e-6);
    EXPECT_NEAR(SampleSum(phantom, 0, 0.85, 0), 0.0, 1e-6);
    // Phantom (0, 0.35, -0.15), the large bright ellipsoid, is world (0, -0.15, -0.35).
    EXPECT_NEAR(SampleSum(phantom, 0, -0.15, -0.35), 0.3, 1e-6);
    EXPECT_NEAR(SampleSum(phantom, 0, -0.15, 0.35), 0.2, 1e-6);
}

// The textbook definition, evaluated directly in the phantom's frame:
// inside when |D⁻¹·A·(p - c)| <= 1, with A the z-x-z matrix of the angles.
struct Textbook {
    double mu, a, b, c, x0, y0, z0, phi, theta, psi;
};
constexpr Textbook kTextbook[] = {
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

// Sum of MU at phantom point p; `margin` reports how close p is to a boundary.
double TextbookValue(const double p[3], double& margin) {
    double sum = 0;
    margin = 1e9;
    for (const Textbook& e : kTextbook) {
        const double k = std::numbers::pi / 180;
        const CMatrix4 a = CRotation::EulerMatrix(e.phi * k, e.theta * k, e.psi * k);
        const double q[3] = {p[0] - e.x0, p[1] - e.y0, p[2] - e.z0};
        const double axes[3] = {e.a, e.b, e.c};
        double r = 0;
        for (int i = 0; i < 3; ++i) {
            const double body = a.m[i][0] * q[0] + a.m[i][1] * q[1] + a.m[i][2] * q[2];
            r += body * body / (axes[i] * axes[i]);
        }
        margin = std::min(margin, std::fabs(r - 1.0));
        if (r <= 1.0) sum += static_cast<float>(e.mu);
    }
    return sum;
}

TEST_F(SheppLogan, MatchesTheTextbookWithTheHeadAxisOnWorldY) {
    std::mt19937 rng(2024);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    int compared = 0, nonzero = 0;
    for (int n = 0; n < 20000; ++n) {
        // Half the points near the small inner ellipsoids, half anywhere.
        const double spread = (n % 2) ? 1.0 : 0.3;
        const float wx = static_cast<float>(spread * u(rng)), wy = static_cast<float>(spread * u(rng)),
                    wz = static_cast<float>(spread * u(rng));
        // World (x, y, z) is phantom (x, -z, y).
        const double p[3] = {wx, -static_cast<double>(wz), wy};
        double margin;
        const double expected = TextbookValue(p, margin);
        if (margin < 1e-5) continue;  // rounding may fall either way
        EXPECT_NEAR(SampleSum(phantom, wx, wy, wz), expected, 1e-6) << wx << " " << wy << " " << wz;
        ++compared;
        if (expected != 0.0) ++nonzero;
    }
    EXPECT_GT(compared, 19000);
    EXPECT_GT(nonzero, 5000);
}

}  // namespace
}  // namespace voxmill
