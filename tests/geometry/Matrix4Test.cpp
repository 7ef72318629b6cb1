#include "geometry/Matrix4.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "geometry/Transform.h"
#include "tests/geometry/ArchiveBytes.h"

namespace voxmill {
namespace {

CMatrix4 FromRows(const double (&rows)[4][4]) {
    CMatrix4 m;
    std::memcpy(m.m, rows, sizeof m.m);
    return m;
}

void ExpectIdentity(const CMatrix4& m, double tolerance) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(m.m[r][c], r == c ? 1.0 : 0.0, tolerance) << r << "," << c;
}

CMatrix4 PlacedMatrix() {
    CScaling s(0.7, 0.2, 1.5);
    CRotation r;
    r.SetAngles(0.3, 1.1, -2.4);
    CTranslation t(0.25, -0.5, 0.125);
    return t.GetMatrix() * (r.GetMatrix() * s.GetMatrix());
}

TEST(Matrix4, InvertingSingularMatrixFailsAndKeepsItUnchanged) {
    CScaling s(0.5, 0.0, 2.0);  // a zero scale factor
    CRotation r;
    r.SetAngles(0.4, 0.9, 1.3);
    CTranslation t(0.1, 0.2, 0.3);
    CMatrix4 m = t.GetMatrix() * (r.GetMatrix() * s.GetMatrix());
    const CMatrix4 before = m;
    EXPECT_EQ(m.Determinant(), 0.0);
    EXPECT_FALSE(m.Invert());
    EXPECT_EQ(std::memcmp(m.m, before.m, sizeof m.m), 0);

    CMatrix4 zero = FromRows({{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}});
    EXPECT_FALSE(zero.Invert());
}

TEST(Matrix4, OnlyAnExactZeroDeterminantIsSingular) {
    // Determinant 1e-300: tiny, but not zero, so it inverts.
    CMatrix4 m = FromRows({{1e-100, 0, 0, 0}, {0, 1e-100, 0, 0}, {0, 0, 1e-100, 0}, {0, 0, 0, 1}});
    ASSERT_TRUE(m.Invert());
    EXPECT_DOUBLE_EQ(m.m[0][0], 1e100);
    EXPECT_DOUBLE_EQ(m.m[2][2], 1e100);
    EXPECT_EQ(m.m[3][3], 1.0);
}

TEST(Matrix4, InverseOfPlacementTimesPlacementIsIdentity) {
    const CMatrix4 m = PlacedMatrix();
    CMatrix4 inv = m;
    ASSERT_TRUE(inv.Invert());
    ExpectIdentity(inv * m, 1e-12);
    ExpectIdentity(m * inv, 1e-12);
    // Affine in, affine out: the last row stays 0 0 0 1.
    EXPECT_NEAR(inv.m[3][0], 0.0, 1e-15);
    EXPECT_NEAR(inv.m[3][3], 1.0, 1e-15);
}

TEST(Matrix4, DeterminantAndInverseOfAGeneralMatrix) {
    // Not affine, so every cofactor takes part; values worked out exactly.
    CMatrix4 m = FromRows({{2, 1, 0, 3}, {1, 3, 1, 0}, {0, 1, 4, 1}, {1, 0, 2, 5}});
    EXPECT_EQ(m.Determinant(), 40.0);
    const double adjugate[4][4] = {{49, -24, 23, -34}, {-19, 24, -13, 14}, {8, -8, 16, -8}, {-13, 8, -11, 18}};
    ASSERT_TRUE(m.Invert());
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_DOUBLE_EQ(m.m[r][c], adjugate[r][c] / 40.0) << r << "," << c;
}

TEST(Matrix4, ProductIsRowTimesColumn) {
    const CMatrix4 a = FromRows({{1, 2, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
    const CMatrix4 b = FromRows({{1, 0, 0, 5}, {3, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
    const CMatrix4 ab = a * b;
    EXPECT_EQ(ab.m[0][0], 7.0);  // 1*1 + 2*3
    EXPECT_EQ(ab.m[0][1], 2.0);
    EXPECT_EQ(ab.m[0][3], 5.0);
    EXPECT_EQ(ab.m[1][0], 3.0);
    const CMatrix4 ba = b * a;
    EXPECT_EQ(ba.m[0][0], 1.0);
    EXPECT_EQ(ba.m[1][1], 7.0);  // 3*2 + 1*1
}

TEST(Matrix4, TransformWritesThreeOrFourComponents) {
    const CMatrix4 m = FromRows({{1, 0, 0, 2}, {0, 2, 0, 3}, {0, 0, 3, 4}, {0.5, 0, 0, 1}});
    CVector4 out(9, 9, 9, 9);
    m.Transform3(CPoint4(1, 1, 1), out);
    EXPECT_EQ(out.x, 3.0);
    EXPECT_EQ(out.y, 5.0);
    EXPECT_EQ(out.z, 7.0);
    EXPECT_EQ(out.w, 9.0);  // not written
    m.Transform4(CPoint4(1, 1, 1), out);
    EXPECT_EQ(out.w, 1.5);
    // In place: every component is computed from the original vector.
    CVector4 v(1, 1, 1, 1);
    m.Transform4(v, v);
    EXPECT_EQ(v.x, 3.0);
    EXPECT_EQ(v.z, 7.0);
    EXPECT_EQ(v.w, 1.5);
}

TEST(Matrix4, ArchiveHoldsSixteenDoublesRowMajor) {
    CMatrix4 m;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m.m[r][c] = 10 * r + c + 0.5;
    const auto bytes = test::StoreBytes(m);
    ASSERT_EQ(bytes.size(), 128u);
    EXPECT_EQ(test::DoubleAt(bytes, 0), 0.5);     // m00
    EXPECT_EQ(test::DoubleAt(bytes, 8), 1.5);     // m01
    EXPECT_EQ(test::DoubleAt(bytes, 24), 3.5);    // m03
    EXPECT_EQ(test::DoubleAt(bytes, 32), 10.5);   // m10
    EXPECT_EQ(test::DoubleAt(bytes, 120), 33.5);  // m33
    CMatrix4 back;
    test::LoadBytes(back, bytes);
    EXPECT_EQ(std::memcmp(back.m, m.m, sizeof m.m), 0);
}

}  // namespace
}  // namespace voxmill
