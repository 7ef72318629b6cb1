#include "geometry/Transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>

#include "tests/geometry/ArchiveBytes.h"

namespace voxmill {
namespace {

// By value: the Euler formula yields -0.0 off the diagonal, as it always did.
bool IsIdentity(const CMatrix4& m) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (m.m[r][c] != (r == c ? 1.0 : 0.0)) return false;
    return true;
}

// The z-x-z rotation built from its three elementary turns, each in the
// frame-rotating form [[c, s], [-s, c]]: first phi about z, then theta
// about the new x, then psi about the new z.
CMatrix4 ComposedEuler(double phi, double theta, double psi) {
    auto aboutZ = [](double a) {
        CMatrix4 m = CMatrix4::Identity();
        m.m[0][0] = std::cos(a), m.m[0][1] = std::sin(a);
        m.m[1][0] = -std::sin(a), m.m[1][1] = std::cos(a);
        return m;
    };
    CMatrix4 aboutX = CMatrix4::Identity();
    aboutX.m[1][1] = std::cos(theta), aboutX.m[1][2] = std::sin(theta);
    aboutX.m[2][1] = -std::sin(theta), aboutX.m[2][2] = std::cos(theta);
    return aboutZ(psi) * (aboutX * aboutZ(phi));
}

TEST(Transform, DefaultScalingAndTranslationAreIdentity) {
    CScaling s;
    CTranslation t;
    CRotation r;
    EXPECT_TRUE(IsIdentity(s.GetMatrix()));
    EXPECT_TRUE(IsIdentity(t.GetMatrix()));
    EXPECT_TRUE(IsIdentity(r.GetMatrix()));
    EXPECT_TRUE(IsIdentity(CRotation::EulerMatrix(0, 0, 0)));
}

TEST(Transform, ScalingAndTranslationRebuildTheirMatrixFromParameters) {
    CScaling s;
    s.p[0] = 2, s.p[1] = 3, s.p[2] = 4;
    const CMatrix4& ms = s.GetMatrix();
    EXPECT_EQ(ms.m[0][0], 2.0);
    EXPECT_EQ(ms.m[1][1], 3.0);
    EXPECT_EQ(ms.m[2][2], 4.0);
    EXPECT_EQ(ms.m[3][3], 1.0);
    EXPECT_EQ(ms.m[0][1], 0.0);

    CTranslation t;
    t.p[0] = 0.5, t.p[1] = -1, t.p[2] = 7;
    const CMatrix4& mt = t.GetMatrix();
    EXPECT_EQ(mt.m[0][3], 0.5);
    EXPECT_EQ(mt.m[1][3], -1.0);
    EXPECT_EQ(mt.m[2][3], 7.0);
    EXPECT_EQ(mt.m[0][0], 1.0);
}

TEST(Transform, TranslationMovesPointsAndLeavesDirectionsAlone) {
    CTranslation t(0.25, -2.0, 3.5);
    CPoint4 p(1, 2, 3);
    CDirection4 d(1, 2, 3);
    CVector4 pOut, dOut;
    t.GetMatrix().Transform4(p, pOut);
    t.GetMatrix().Transform4(d, dOut);
    EXPECT_EQ(pOut.x, 1.25);
    EXPECT_EQ(pOut.y, 0.0);
    EXPECT_EQ(pOut.z, 6.5);
    EXPECT_EQ(pOut.w, 1.0);
    EXPECT_EQ(dOut.x, 1.0);
    EXPECT_EQ(dOut.y, 2.0);
    EXPECT_EQ(dOut.z, 3.0);
    EXPECT_EQ(dOut.w, 0.0);
}

TEST(Transform, EulerMatrixIsTheZXZComposition) {
    const double angles[][3] = {{0.3, 1.1, -2.4}, {std::numbers::pi / 2, 0, 0}, {2.0, 0.5, 4.0}, {-1, 3, 0.2}};
    for (const auto& a : angles) {
        const CMatrix4 e = CRotation::EulerMatrix(a[0], a[1], a[2]);
        const CMatrix4 c = ComposedEuler(a[0], a[1], a[2]);
        for (int r = 0; r < 4; ++r)
            for (int k = 0; k < 4; ++k) EXPECT_NEAR(e.m[r][k], c.m[r][k], 1e-15) << r << "," << k;
        EXPECT_NEAR(e.Determinant(), 1.0, 1e-14);
    }
}

TEST(Transform, PhiAlonePermutesXAndYAxes) {
    // phi = 90 degrees: the unit x axis lands on the world y axis.
    const CMatrix4 r = CRotation::EulerMatrix(std::numbers::pi / 2, 0, 0);
    CVector4 out;
    r.Transform4(CDirection4(1, 0, 0), out);
    EXPECT_NEAR(out.x, 0.0, 1e-15);
    EXPECT_NEAR(std::fabs(out.y), 1.0, 1e-15);
    EXPECT_EQ(out.z, 0.0);
}

TEST(Transform, RotationArchiveKeepsItsMatrixEvenWhenItDisagreesWithTheAngles) {
    CRotation r;
    r.SetAngles(0.1, 0.2, 0.3);
    r.m_matrix.m[0][3] = 42.0;  // no longer what the angles give
    r.m_matrix.m[2][1] = -7.0;
    const auto bytes = test::StoreBytes(r);
    ASSERT_EQ(bytes.size(), 19u * 8u);
    EXPECT_EQ(test::DoubleAt(bytes, 0), 0.1);
    EXPECT_EQ(test::DoubleAt(bytes, 16), 0.3);
    EXPECT_EQ(test::DoubleAt(bytes, 24 + 3 * 8), 42.0);  // m03

    CRotation back;
    test::LoadBytes(back, bytes);
    EXPECT_EQ(back.p[0], 0.1);
    EXPECT_EQ(back.p[1], 0.2);
    EXPECT_EQ(back.p[2], 0.3);
    EXPECT_EQ(std::memcmp(back.GetMatrix().m, r.m_matrix.m, sizeof r.m_matrix.m), 0);
}

TEST(Transform, ScalingAndTranslationArchiveThreeDoubles) {
    CScaling s(0.5, 0.25, 2.0);
    CTranslation t(-1.0, 0.0, 0.75);
    const auto sb = test::StoreBytes(s);
    const auto tb = test::StoreBytes(t);
    ASSERT_EQ(sb.size(), 24u);
    ASSERT_EQ(tb.size(), 24u);
    EXPECT_EQ(test::DoubleAt(sb, 8), 0.25);
    EXPECT_EQ(test::DoubleAt(tb, 16), 0.75);
    CScaling s2;
    CTranslation t2;
    test::LoadBytes(s2, sb);
    test::LoadBytes(t2, tb);
    EXPECT_EQ(s2.GetMatrix().m[2][2], 2.0);
    EXPECT_EQ(t2.GetMatrix().m[0][3], -1.0);
}

}  // namespace
}  // namespace voxmill
