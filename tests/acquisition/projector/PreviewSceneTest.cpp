// The geometry preview's scene beyond the angle-0 picture: the source's
// orbit, the phantom's elements as wire frames placed by their matrices,
// and the camera turned about the centre (exactly the document's eye when
// untouched).
#include <gtest/gtest.h>

#include <cmath>

#include "acquisition/GeometryValues.h"
#include "acquisition/PreviewScene.h"
#include "phantom/PhantomElementCylinder.h"
#include "phantom/PhantomElementEllipsoid.h"
#include "tests/acquisition/projector/ProjectorTestSupport.h"

namespace voxmill {
namespace {

constexpr double kPi = 3.14159265358979323846;

PreviewScene SceneOf(double ds, double dd) {
    DetectorPageValues detector;
    detector.dimX = 4;
    detector.dimY = 3;
    SourcePathValues path;
    path.sourceAxisDistance = ds;
    path.axisDetectorDistance = dd;
    return PreviewScene::Make(detector, path);
}

// The unit-space point of a world point, through the element's inverse.
std::array<double, 3> UnitOf(const CPhantomElement& e, const PreviewScene::Point& p) {
    const auto& m = e.m_inverse.m_matrix.m;
    std::array<double, 3> q{};
    for (int r = 0; r < 3; ++r) q[r] = m[r][0] * p[0] + m[r][1] * p[1] + m[r][2] * p[2] + m[r][3];
    return q;
}

TEST(PreviewSceneTest, TheOrbitIsTheSourcesCircleFromAngleZero) {
    const PreviewScene scene = SceneOf(5, 2);
    ASSERT_EQ(scene.orbit.size(), std::size_t{PreviewScene::kOrbitSegments + 1});
    EXPECT_EQ(scene.orbit.front(), (PreviewScene::Point{0, 0, 5}));
    EXPECT_EQ(scene.orbit.back(), scene.orbit.front());
    EXPECT_EQ(scene.orbit.front(), scene.source);
    // A quarter of the way the source stands on +x (angles run from +z to +x).
    const PreviewScene::Point quarter = scene.orbit[PreviewScene::kOrbitSegments / 4];
    EXPECT_FLOAT_EQ(quarter[0], 5.0f);
    EXPECT_NEAR(quarter[2], 0.0f, 1e-6);
    for (std::size_t n = 0; n < scene.orbit.size(); ++n) {
        const auto& p = scene.orbit[n];
        EXPECT_EQ(p[1], 0.0f);
        EXPECT_NEAR(std::hypot(p[0], p[2]), 5.0, 1e-5);
        const double a = 2 * kPi * static_cast<double>(n) / PreviewScene::kOrbitSegments;
        EXPECT_NEAR(p[0], 5 * std::sin(a), 1e-5);
        EXPECT_NEAR(p[2], 5 * std::cos(a), 1e-5);
    }
    EXPECT_TRUE(scene.elementWires.empty());
}

TEST(PreviewSceneTest, ElementsAreWireFramesOnTheirSurfaces) {
    CPhantom phantom;
    phantom.m_bAutoDelete = false;
    phantom.OnNewDocument();
    // An upright ellipsoid (exact values) and a turned, moved cylinder.
    CPhantomElement* ball = test::AddElement<CPhantomElementEllipsoid>(phantom, 2, 1, 0.5, 0, 0, 0, 1, 2, 3, 1.0f);
    CPhantomElement* can =
        test::AddElement<CPhantomElementCylinder>(phantom, 0.3, 0.4, 0.8, 0.5, 1.1, -0.3, -0.2, 0.1, 0.4, 2.0f);

    const std::vector<PreviewScene::Strip> ballWire = PreviewScene::ElementWire(*ball);
    ASSERT_EQ(ballWire.size(), std::size_t{PreviewScene::kWireMeridians + PreviewScene::kWireParallels});
    // Meridian 0 runs from the lower pole over +x to the upper pole.
    const PreviewScene::Strip& meridian = ballWire[0];
    ASSERT_EQ(meridian.size(), std::size_t{PreviewScene::kWireSegments / 2 + 1});
    EXPECT_EQ(meridian.front(), (PreviewScene::Point{1, 2, 2.5f}));
    EXPECT_EQ(meridian[PreviewScene::kWireSegments / 4], (PreviewScene::Point{3, 2, 3}));
    EXPECT_EQ(meridian.back(), (PreviewScene::Point{1, 2, 3.5f}));
    // The middle parallel is the equator: closed, at z = 3, through (3, 2) and (1, 3).
    const PreviewScene::Strip& equator = ballWire[PreviewScene::kWireMeridians + PreviewScene::kWireParallels / 2];
    ASSERT_EQ(equator.size(), std::size_t{PreviewScene::kWireSegments + 1});
    EXPECT_EQ(equator.front(), equator.back());
    EXPECT_EQ(equator.front(), (PreviewScene::Point{3, 2, 3}));
    EXPECT_NEAR(equator[PreviewScene::kWireSegments / 4][0], 1.0f, 1e-6);
    EXPECT_FLOAT_EQ(equator[PreviewScene::kWireSegments / 4][1], 3.0f);
    for (const auto& strip : ballWire)
        for (const auto& p : strip) {
            const auto q = UnitOf(*ball, p);
            EXPECT_NEAR(q[0] * q[0] + q[1] * q[1] + q[2] * q[2], 1.0, 1e-5);
        }

    // The cylinder: three rims (bottom, middle, top) and eight side lines.
    const std::vector<PreviewScene::Strip> canWire = PreviewScene::ElementWire(*can);
    ASSERT_EQ(canWire.size(), std::size_t{3 + PreviewScene::kWireMeridians});
    const double heights[] = {-1, 0, 1};
    for (int rim = 0; rim < 3; ++rim) {
        ASSERT_EQ(canWire[rim].size(), std::size_t{PreviewScene::kWireSegments + 1});
        for (const auto& p : canWire[rim]) {
            const auto q = UnitOf(*can, p);
            EXPECT_NEAR(q[0] * q[0] + q[1] * q[1], 1.0, 1e-5);
            EXPECT_NEAR(q[2], heights[rim], 1e-5);
        }
    }
    for (std::size_t side = 3; side < canWire.size(); ++side) {
        ASSERT_EQ(canWire[side].size(), 2u);
        EXPECT_NEAR(UnitOf(*can, canWire[side][0])[2], -1.0, 1e-5);
        EXPECT_NEAR(UnitOf(*can, canWire[side][1])[2], 1.0, 1e-5);
    }

    PreviewScene scene = SceneOf(4, 4);
    scene.AddPhantom(phantom);
    ASSERT_EQ(scene.elementWires.size(), ballWire.size() + canWire.size());
    EXPECT_EQ(scene.elementWires.front(), ballWire.front());
    EXPECT_EQ(scene.elementWires.back(), canWire.back());
}

TEST(PreviewSceneTest, TheCameraTurnsAboutTheCentre) {
    const PreviewScene::Point eye{8, 2, 2}, centre{0, 0, 0};
    // Untouched, the eye is the document's, bit for bit.
    EXPECT_EQ(PreviewScene::OrbitEye(eye, centre, 0, 0, 1), eye);
    // A quarter turn about +y takes (8, 2, 2) to (2, 2, -8).
    PreviewScene::Point turned = PreviewScene::OrbitEye(eye, centre, 90, 0, 1);
    EXPECT_NEAR(turned[0], 2, 1e-5);
    EXPECT_NEAR(turned[1], 2, 1e-5);
    EXPECT_NEAR(turned[2], -8, 1e-5);
    // Zoom 2 halves the distance along the same line.
    turned = PreviewScene::OrbitEye(eye, centre, 0, 0, 2);
    EXPECT_NEAR(turned[0], 4, 1e-5);
    EXPECT_NEAR(turned[1], 1, 1e-5);
    EXPECT_NEAR(turned[2], 1, 1e-5);
    // Raised past the pole it stops at 85 degrees, distance kept.
    turned = PreviewScene::OrbitEye(eye, centre, 0, 200, 1);
    const double distance = std::sqrt(72.0);
    EXPECT_NEAR(turned[1], distance * std::sin(85 * kPi / 180), 1e-4);
    EXPECT_NEAR(std::hypot(turned[0], turned[2]), distance * std::cos(85 * kPi / 180), 1e-4);
    // About another centre.
    turned = PreviewScene::OrbitEye({1, 1, 5}, {1, 1, 1}, 180, 0, 1);
    EXPECT_NEAR(turned[0], 1, 1e-5);
    EXPECT_NEAR(turned[2], -3, 1e-5);
}

}  // namespace
}  // namespace voxmill
