// Reading a projection's geometry: distances, the inverse detector matrix,
// and the refusal of values that cannot describe a detector.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>

#include "renderers/common/ProjectionGeometry.h"
#include "tests/renderers/common/FakeProjection.h"

namespace voxmill {
namespace {

TEST(ProjectionGeometry, DistancesAndInverseRotationOfACircularScan) {
    test::Acquisition a;
    a.Ds = 5;
    a.Dd = 3;
    const double theta = 0.7;
    test::FakeProjection p(a, theta);
    CProjectionGeometry g;
    ASSERT_EQ(CProjectionGeometry::Read(&p, &g), S_OK);
    EXPECT_NEAR(g.R, 5.0, 1e-6);
    EXPECT_NEAR(g.D, 8.0, 1e-6);
    // The inverse of a rotation with columns H, V, N has rows H, V, N.
    EXPECT_NEAR(g.a, std::cos(theta), 1e-12);
    EXPECT_NEAR(g.b, -std::sin(theta), 1e-12);
    EXPECT_NEAR(g.c, std::sin(theta), 1e-12);
    EXPECT_NEAR(g.e, std::cos(theta), 1e-12);
    EXPECT_FLOAT_EQ(g.du, 0.0625f);
    EXPECT_FLOAT_EQ(g.uMin, -1.96875f);
    EXPECT_FLOAT_EQ(g.vMax, 1.96875f);
}

TEST(ProjectionGeometry, InvertsByCofactorsAndRefusesSingularMatrices) {
    // T * R * S with a rotation about y, scales 2, 3, 0.5 and a translation.
    const double c = std::cos(0.4), s = std::sin(0.4);
    const double m[16] = {2 * c, 0, 0.5 * s, 1, 0, 3, 0, -2, -2 * s, 0, 0.5 * c, 4, 0, 0, 0, 1};
    double inv[16];
    ASSERT_TRUE(CProjectionGeometry::Invert(m, inv));
    for (int r = 0; r < 4; ++r)
        for (int col = 0; col < 4; ++col) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += m[4 * r + k] * inv[4 * k + col];
            EXPECT_NEAR(sum, r == col ? 1.0 : 0.0, 1e-12);
        }
    const double singular[16] = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    double untouched[16] = {42};
    EXPECT_FALSE(CProjectionGeometry::Invert(singular, untouched));
    EXPECT_EQ(untouched[0], 42);
}

// A projection whose reported values a test spoils one at a time.
class SpoiltProjection : public test::FakeProjection {
public:
    SpoiltProjection() : FakeProjection(test::Acquisition{}, 0.0) {}
    HRESULT GetGeometry(float* width, float* height, float* uMin, float* vMin, float* uMax, float* vMax, float* du,
                        float* dv, LONG* columns, LONG* rows) override {
        FakeProjection::GetGeometry(width, height, uMin, vMin, uMax, vMax, du, dv, columns, rows);
        if (spoiltColumns) *columns = *spoiltColumns;
        if (spoiltDu) *du = *spoiltDu;
        return failGeometry ? E_FAIL : S_OK;
    }
    HRESULT GetSourcePosition(float* x, float* y, float* z) override {
        FakeProjection::GetSourcePosition(x, y, z);
        if (sourceOnAxis) *x = *y = *z = 0;
        return S_OK;
    }
    std::optional<LONG> spoiltColumns;
    std::optional<float> spoiltDu;
    bool sourceOnAxis = false;
    bool failGeometry = false;
};

TEST(ProjectionGeometry, RefusesWhatCannotBeADetector) {
    const std::function<void(SpoiltProjection&)> spoils[] = {
        [](SpoiltProjection& p) { p.spoiltColumns = 0; },
        [](SpoiltProjection& p) { p.spoiltColumns = -5; },
        [](SpoiltProjection& p) { p.spoiltColumns = 1 << 30; },  // 2^30 x 64 pixels cannot be indexed
        [](SpoiltProjection& p) { p.spoiltDu = std::nanf(""); },
        [](SpoiltProjection& p) { p.spoiltDu = 0.0f; },
        [](SpoiltProjection& p) { p.sourceOnAxis = true; },
        [](SpoiltProjection& p) { p.SetSingular(); },
    };
    CProjectionGeometry g;
    for (const auto& spoil : spoils) {
        SpoiltProjection p;
        spoil(p);
        EXPECT_EQ(CProjectionGeometry::Read(&p, &g), E_INVALIDARG);
    }
    SpoiltProjection failing;
    failing.failGeometry = true;
    EXPECT_EQ(CProjectionGeometry::Read(&failing, &g), E_FAIL);
}

}  // namespace
}  // namespace voxmill
