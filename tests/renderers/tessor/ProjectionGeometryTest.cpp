// Reading a projection's geometry: distances, the inverse detector matrix,
// and the refusal of values that cannot describe a detector.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "renderers/tessor/ProjectionGeometry.h"
#include "tests/renderers/tessor/FakeProjection.h"

namespace voxmill {
namespace {

// A projection whose grid the test sets field by field.
class GridProjection : public test::FakeProjection {
public:
    GridProjection() : FakeProjection(test::Acquisition{}, 0.0) {}
    HRESULT GetGeometry(float* width, float* height, float* uMin, float* vMin, float* uMax, float* vMax,
                        float* du, float* dv, LONG* columns, LONG* rows) override {
        FakeProjection::GetGeometry(width, height, uMin, vMin, uMax, vMax, du, dv, columns, rows);
        if (overrideColumns) *columns = *overrideColumns;
        if (overrideDu) *du = *overrideDu;
        return failGeometry ? E_FAIL : S_OK;
    }
    HRESULT GetSourcePosition(float* x, float* y, float* z) override {
        FakeProjection::GetSourcePosition(x, y, z);
        if (sourceAtOrigin) *x = *y = *z = 0;
        return S_OK;
    }
    std::optional<LONG> overrideColumns;
    std::optional<float> overrideDu;
    bool failGeometry = false;
    bool sourceAtOrigin = false;
};

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
    EXPECT_EQ(g.columns, 64);
    EXPECT_FLOAT_EQ(g.du, 0.0625f);
    EXPECT_FLOAT_EQ(g.uMin, -1.96875f);
    EXPECT_FLOAT_EQ(g.vMax, 1.96875f);
}

TEST(ProjectionGeometry, InvertsByCofactors) {
    // T * R * S with a rotation about y, scales 2, 3, 0.5 and a translation.
    const double c = std::cos(0.4), s = std::sin(0.4);
    const double m[16] = {2 * c, 0, 0.5 * s, 1, 0, 3, 0, -2, -2 * s, 0, 0.5 * c, 4, 0, 0, 0, 1};
    double inv[16];
    ASSERT_TRUE(CProjectionGeometry::Invert(m, inv));
    for (int r = 0; r < 4; ++r) {
        for (int col = 0; col < 4; ++col) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += m[4 * r + k] * inv[4 * k + col];
            EXPECT_NEAR(sum, r == col ? 1.0 : 0.0, 1e-12);
        }
    }
    double singular[16] = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    double untouched[16];
    for (double& v : untouched) v = 42;
    EXPECT_FALSE(CProjectionGeometry::Invert(singular, untouched));
    for (double v : untouched) EXPECT_EQ(v, 42);
}

TEST(ProjectionGeometry, RefusesWhatCannotBeADetector) {
    CProjectionGeometry g;
    {
        GridProjection p;
        p.overrideColumns = 0;
        EXPECT_EQ(CProjectionGeometry::Read(&p, &g), E_INVALIDARG);
    }
    {
        GridProjection p;
        p.overrideColumns = -5;
        EXPECT_EQ(CProjectionGeometry::Read(&p, &g), E_INVALIDARG);
    }
    {
        GridProjection p;  // 2^30 columns x 64 rows cannot be indexed
        p.overrideColumns = 1 << 30;
        EXPECT_EQ(CProjectionGeometry::Read(&p, &g), E_INVALIDARG);
    }
    {
        GridProjection p;
        p.overrideDu = std::nanf("");
        EXPECT_EQ(CProjectionGeometry::Read(&p, &g), E_INVALIDARG);
    }
    {
        GridProjection p;
        p.overrideDu = 0.0f;
        EXPECT_EQ(CProjectionGeometry::Read(&p, &g), E_INVALIDARG);
    }
    {
        GridProjection p;
        p.sourceAtOrigin = true;
        EXPECT_EQ(CProjectionGeometry::Read(&p, &g), E_INVALIDARG);
    }
    {
        GridProjection p;
        p.SetSingular();
        EXPECT_EQ(CProjectionGeometry::Read(&p, &g), E_INVALIDARG);
    }
    {
        GridProjection p;
        p.failGeometry = true;
        EXPECT_EQ(CProjectionGeometry::Read(&p, &g), E_FAIL);
    }
}

}  // namespace
}  // namespace voxmill
