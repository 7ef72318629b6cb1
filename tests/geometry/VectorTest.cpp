#include "geometry/Vector.h"

#include <gtest/gtest.h>

#include "tests/geometry/ArchiveBytes.h"

namespace voxmill {
namespace {

TEST(Vector, DefaultsCarryTheirHomogeneousW) {
    EXPECT_EQ(CPoint4().w, 1.0);
    EXPECT_EQ(CPoint4(1, 2, 3).w, 1.0);
    EXPECT_EQ(CDirection4().w, 0.0);
    EXPECT_EQ(CDirection4(1, 2, 3).w, 0.0);
    EXPECT_EQ(CVector4().w, 0.0);
}

TEST(Vector, DotProductUsesAllFourComponents) {
    // Two points: 1*4 + 2*5 + 3*6 plus the 1*1 of their w.
    EXPECT_EQ(CPoint4(1, 2, 3).Dot(CPoint4(4, 5, 6)), 33.0);
    EXPECT_EQ(CDirection4(1, 2, 3).Dot(CDirection4(4, 5, 6)), 32.0);
    EXPECT_EQ(CPoint4(1, 2, 3).Dot(CDirection4(4, 5, 6)), 32.0);
}

TEST(Vector, CrossProductWritesXYZAndKeepsResultW) {
    CVector4 result(0, 0, 0, 7);
    CVector4::Cross(CDirection4(1, 0, 0), CDirection4(0, 1, 0), result);
    EXPECT_EQ(result.x, 0.0);
    EXPECT_EQ(result.y, 0.0);
    EXPECT_EQ(result.z, 1.0);
    EXPECT_EQ(result.w, 7.0);
    CVector4::Cross(CDirection4(1, 2, 3), CDirection4(4, 5, 6), result);
    EXPECT_EQ(result.x, -3.0);
    EXPECT_EQ(result.y, 6.0);
    EXPECT_EQ(result.z, -3.0);
    // In place on the first operand.
    CVector4 a(0, 1, 0, 0);
    CVector4::Cross(a, CDirection4(0, 0, 1), a);
    EXPECT_EQ(a.x, 1.0);
    EXPECT_EQ(a.y, 0.0);
    EXPECT_EQ(a.z, 0.0);
}

TEST(Vector, ArchiveHoldsFourDoublesWIncluded) {
    CPoint4 p(1.5, -2.0, 3.25);
    const auto bytes = test::StoreBytes(p);
    ASSERT_EQ(bytes.size(), 32u);
    EXPECT_EQ(test::DoubleAt(bytes, 24), 1.0);
    CDirection4 back(9, 9, 9);
    test::LoadBytes(back, bytes);
    EXPECT_EQ(back.x, 1.5);
    EXPECT_EQ(back.z, 3.25);
    EXPECT_EQ(back.w, 1.0);  // what was stored, even into a direction
}

}  // namespace
}  // namespace voxmill
