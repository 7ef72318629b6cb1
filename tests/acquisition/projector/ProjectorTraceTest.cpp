// The projector's ray tracing: the physics against analytic line integrals
// computed here by formulas of their own, and the fast kernel against the
// serial loop, bit for bit, on every thread count.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "acquisition/ProjectionCollection.h"
#include "acquisition/ProjectionTracer.h"
#include "acquisition/Projector.h"
#include "phantom/SheppLogan.h"
#include "tests/acquisition/projector/ProjectorTestSupport.h"

namespace voxmill {
namespace {

using test::AddElement;
using test::MakeProjection;
using test::ReferenceProject;
using test::SameBits;

constexpr double kDeg = 3.14159265359 / 180.0;

struct Vec {
    double x, y, z;
};
Vec Sub(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double Norm(Vec a) { return std::sqrt(Dot(a, a)); }
Vec ToVec(const CVector4& v) { return {v.x, v.y, v.z}; }

// The world line of pixel sample (u, v) from the projection's source,
// built from the detector's centre and axes rather than its matrix.
void SampleLine(const CProjection& p, double u, double v, Vec& origin, Vec& direction) {
    const CDetector& d = p.GetDetector();
    const Vec c = ToVec(d.GetCenter()), h = ToVec(d.GetHorizontal()), w = ToVec(d.GetVertical());
    const double a = u * d.GetDimX(), b = v * d.GetDimY();
    const Vec q{c.x + a * h.x + b * w.x, c.y + a * h.y + b * w.y, c.z + a * h.z + b * w.z};
    origin = ToVec(p.GetSource().GetPosition());
    direction = Sub(q, origin);
}

// Chord of the line o + t d through the ellipsoid with semi-axes s, centre
// c and orthonormal rotation r (columns: the body axes in world), from the
// quadratic in body coordinates Rᵀ(x - c) / s.
double EllipsoidChord(Vec o, Vec d, const double s[3], Vec c, const CMatrix4& r) {
    double oy[3], dy[3];
    const Vec oc = Sub(o, c);
    for (int k = 0; k < 3; ++k) {
        oy[k] = (r.m[0][k] * oc.x + r.m[1][k] * oc.y + r.m[2][k] * oc.z) / s[k];
        dy[k] = (r.m[0][k] * d.x + r.m[1][k] * d.y + r.m[2][k] * d.z) / s[k];
    }
    const double a = dy[0] * dy[0] + dy[1] * dy[1] + dy[2] * dy[2];
    const double b = oy[0] * dy[0] + oy[1] * dy[1] + oy[2] * dy[2];
    const double cc = oy[0] * oy[0] + oy[1] * oy[1] + oy[2] * oy[2] - 1.0;
    const double disc = b * b - a * cc;
    return disc > 0 ? 2.0 * std::sqrt(disc) / a * Norm(d) : 0.0;
}

// Chord of the line through the upright cylinder x² + y² <= radius²,
// |z| <= half, by clipping its parameter interval to slab and tube.
double UprightCylinderChord(Vec o, Vec d, double radius, double half) {
    double lo = -std::numeric_limits<double>::infinity(), hi = std::numeric_limits<double>::infinity();
    if (d.z != 0) {
        double t1 = (-half - o.z) / d.z, t2 = (half - o.z) / d.z;
        lo = std::max(lo, std::min(t1, t2));
        hi = std::min(hi, std::max(t1, t2));
    } else if (std::fabs(o.z) > half) {
        return 0.0;
    }
    const double a = d.x * d.x + d.y * d.y, b = o.x * d.x + o.y * d.y, c = o.x * o.x + o.y * o.y - radius * radius;
    if (a > 0) {
        const double disc = b * b - a * c;
        if (disc <= 0) return 0.0;
        lo = std::max(lo, (-b - std::sqrt(disc)) / a);
        hi = std::min(hi, (-b + std::sqrt(disc)) / a);
    } else if (c > 0) {
        return 0.0;
    }
    return hi > lo ? (hi - lo) * Norm(d) : 0.0;
}

// A new, empty phantom.
struct NewPhantom : CPhantom {
    NewPhantom() { OnNewDocument(); }
};

// --- edge cases of the geometry -------------------------------------------------

TEST(ProjectorTrace, UnitBallGivesTwoOnTheAxisAndZeroOutside) {
    NewPhantom phantom;
    AddElement<CPhantomElementEllipsoid>(phantom, 1, 1, 1, 0, 0, 0, 0, 0, 0, 1.0f);
    auto p = MakeProjection(0.0, 4, 4, 4, 4, 33, 33);
    CProjector projector;
    ASSERT_TRUE(projector.Project(&phantom, p.get()));
    EXPECT_NEAR(p->GetPixel(16, 16), 2.0f, 1e-6);
    // The corner rays pass the origin's plane 1.37 from the axis.
    EXPECT_EQ(p->GetPixel(0, 0), 0.0f);
    EXPECT_EQ(p->GetPixel(32, 32), 0.0f);
    EXPECT_EQ(p->GetPixel(0, 32), 0.0f);
    // The edge middle's ray passes at 0.97: inside, a short chord.
    EXPECT_GT(p->GetPixel(32, 16), 0.0f);
    EXPECT_LT(p->GetPixel(32, 16), 1.0f);
    EXPECT_NEAR(p->GetMaxValue(), 2.0f, 1e-6);
    EXPECT_EQ(p->GetMinValue(), 0.0f);
}

TEST(ProjectorTrace, OverlappingElementsAddTheirTerms) {
    NewPhantom phantom;
    AddElement<CPhantomElementEllipsoid>(phantom, 1, 1, 1, 0, 0, 0, 0, 0, 0, 1.0f);
    AddElement<CPhantomElementEllipsoid>(phantom, 0.5, 0.5, 0.5, 0, 0, 0, 0, 0, 0, 0.5f);
    AddElement<CPhantomElementCylinder>(phantom, 0.25, 0.25, 0.5, 0, 0, 0, 0, 0, 0, 2.0f);
    auto p = MakeProjection(0.0, 4, 4, 4, 4, 33, 33);
    CProjector projector;
    ASSERT_TRUE(projector.Project(&phantom, p.get()));
    // Along the axis: 2 x 1 + 1 x 0.5 + 1 x 2, no union formed.
    EXPECT_NEAR(p->GetPixel(16, 16), 4.5f, 1e-5);
}

TEST(ProjectorTrace, ValuesAreAddedToWhatThePixelHolds) {
    NewPhantom phantom;
    AddElement<CPhantomElementEllipsoid>(phantom, 1, 1, 1, 0, 0, 0, 0, 0, 0, 1.0f);
    auto p = MakeProjection(0.0, 4, 4, 4, 4, 33, 33);
    std::fill(p->GetPixels(), p->GetPixels() + p->GetPixelCount(), 1.5f);
    CProjector projector;
    projector.Project(&phantom, p.get());
    EXPECT_NEAR(p->GetPixel(16, 16), 3.5f, 1e-6);
    EXPECT_EQ(p->GetPixel(0, 0), 1.5f);
    projector.Project(&phantom, p.get());
    EXPECT_NEAR(p->GetPixel(16, 16), 5.5f, 1e-6);
}

TEST(ProjectorTrace, FiveRaysGiveTheMeanChordInsideAndAFractionAtTheEdge) {
    // A thin disc across the beam: every ray through it crosses both faces
    // except near its rim.
    const double radius = 0.5, half = 0.1;
    const float mu = 0.75f;
    NewPhantom phantom;
    AddElement<CPhantomElementCylinder>(phantom, radius, radius, half, 0, 0, 0, 0, 0, 0, mu);
    auto p = MakeProjection(0.0, 4, 4, 4, 4, 64, 64);
    CProjector projector;
    projector.m_rayMode = CProjector::kFiveRays;
    ASSERT_TRUE(projector.Project(&phantom, p.get()));

    const double du = 1.0 / 64, dv = 1.0 / 64;
    int inside = 0, edge = 0;
    for (int j = 0; j < 64; ++j)
        for (int i = 0; i < 64; ++i) {
            const double x0 = -0.5 + i * du, y0 = 0.5 - j * dv;
            const double us[5] = {x0 + 0.5 * du, x0 + 0.75 * du, x0 + 0.25 * du, x0 + 0.25 * du, x0 + 0.75 * du};
            const double vs[5] = {y0 - 0.5 * dv, y0 - 0.25 * dv, y0 - 0.25 * dv, y0 - 0.75 * dv, y0 - 0.75 * dv};
            double sum = 0, full = 0;
            int hits = 0;
            for (int s = 0; s < 5; ++s) {
                Vec o, d;
                SampleLine(*p, us[s], vs[s], o, d);
                const double chord = UprightCylinderChord(o, d, radius, half);
                sum += chord;
                full += 2 * half * Norm(d) / std::fabs(d.z);
                if (chord > 0) ++hits;
            }
            const double expected = mu * sum / 5;
            ASSERT_NEAR(p->GetPixel(i, j), expected, 1e-5 * expected + 1e-6) << i << "," << j;
            if (hits == 5 && std::fabs(sum - full) < 1e-12) ++inside;
            if (hits > 0 && hits < 5) {
                ++edge;
                EXPECT_GT(p->GetPixel(i, j), 0.0f);
                EXPECT_LT(p->GetPixel(i, j), mu * full / 5);
            }
        }
    EXPECT_GT(inside, 100);
    EXPECT_GT(edge, 10);
}

// --- the physics at arbitrary poses ----------------------------------------------

struct Pose {
    double theta;  // snapshot angle, degrees
    int rayMode;
};

class ProjectorPhysics : public ::testing::TestWithParam<Pose> {};

TEST_P(ProjectorPhysics, EllipsoidPixelsAreItsLineIntegrals) {
    const Pose pose = GetParam();
    const double s[3] = {0.7, 0.3, 0.45};
    const Vec c{0.2, -0.1, 0.15};
    const float mu = 0.8f;
    NewPhantom phantom;
    CPhantomElement* e =
        AddElement<CPhantomElementEllipsoid>(phantom, s[0], s[1], s[2], 0.4, 1.1, 2.3, c.x, c.y, c.z, mu);
    const CMatrix4 r = CRotation::EulerMatrix(0.4, 1.1, 2.3);
    ASSERT_FALSE(e->IsSingular());

    auto p = MakeProjection(pose.theta * kDeg, 3.5, 2.5, 3.0, 2.5, 64, 48);
    CProjector projector;
    projector.m_rayMode = pose.rayMode;
    ASSERT_TRUE(projector.Project(&phantom, p.get()));

    int nonZero = 0;
    for (int j = 0; j < 48; ++j)
        for (int i = 0; i < 64; ++i) {
            const double x0 = -0.5 + i / 64.0, y0 = 0.5 - j / 48.0;
            double expected = 0;
            if (pose.rayMode == 0) {
                Vec o, d;
                SampleLine(*p, x0 + 0.5 / 64, y0 - 0.5 / 48, o, d);
                expected = mu * EllipsoidChord(o, d, s, c, r);
            } else {
                const double fu[5] = {0.5, 0.75, 0.25, 0.25, 0.75}, fv[5] = {0.5, 0.25, 0.25, 0.75, 0.75};
                for (int k = 0; k < 5; ++k) {
                    Vec o, d;
                    SampleLine(*p, x0 + fu[k] / 64, y0 - fv[k] / 48, o, d);
                    expected += mu * EllipsoidChord(o, d, s, c, r) / 5;
                }
            }
            if (expected > 0) ++nonZero;
            ASSERT_NEAR(p->GetPixel(i, j), expected, 1e-5 * expected + 1e-6) << "pixel " << i << "," << j;
        }
    EXPECT_GT(nonZero, 200);
}

INSTANTIATE_TEST_SUITE_P(Poses, ProjectorPhysics,
                         ::testing::Values(Pose{0, 0}, Pose{37, 0}, Pose{211.5, 0}, Pose{37, 1}, Pose{300, 1}));

// --- the fast kernel against the serial order --------------------------------------

// A phantom that exercises every path: ellipsoids and cylinders at random
// poses, one holding the source, some behind the source or the detector, a
// flat (singular) one, negative MU.
void FillRandomPhantom(CPhantom& phantom, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> scale(0.05, 0.9), angle(0.0, 6.28), offset(-1.0, 1.0);
    for (int k = 0; k < 12; ++k) {
        const double sx = scale(rng), sy = scale(rng), sz = scale(rng);
        const double phi = angle(rng), theta = angle(rng), psi = angle(rng);
        const double tx = offset(rng), ty = offset(rng), tz = offset(rng);
        const float mu = static_cast<float>(offset(rng));
        if (k % 2)
            AddElement<CPhantomElementCylinder>(phantom, sx, sy, sz, phi, theta, psi, tx, ty, tz, mu);
        else
            AddElement<CPhantomElementEllipsoid>(phantom, sx, sy, sz, phi, theta, psi, tx, ty, tz, mu);
    }
    // One holding the source, one behind the source, one behind the detector.
    AddElement<CPhantomElementEllipsoid>(phantom, 3.0, 2.5, 3.5, 0.3, 0.2, 0.1, 0.1, 0, 0.2, 0.05f);
    AddElement<CPhantomElementCylinder>(phantom, 0.3, 0.4, 0.2, 0.5, 0.7, 0.0, 0.4, 0.2, 2.6, 0.4f);
    AddElement<CPhantomElementEllipsoid>(phantom, 0.5, 0.3, 0.2, 1.0, 0.5, 0.2, -0.3, 0.1, -2.4, 0.7f);
    AddElement<CPhantomElementEllipsoid>(phantom, 0.5, 0.0, 0.5, 0, 0, 0, 0, 0, 0, 1.0f);  // flat
    AddElement<CPhantomElementCylinder>(phantom, 0.2, 0.2, 3.0, 0, 0, 0, 0.1, 0.0, 0.0, 0.3f);  // along the beam
}

struct KernelCase {
    unsigned seed;
    double theta;  // degrees
    int rayMode;
};

class ProjectorKernel : public ::testing::TestWithParam<KernelCase> {};

TEST_P(ProjectorKernel, EveryThreadCountGivesTheSerialBits) {
    const KernelCase kc = GetParam();
    NewPhantom phantom;
    FillRandomPhantom(phantom, kc.seed);
    auto reference = MakeProjection(kc.theta * kDeg, 2.0, 2.0, 3.0, 2.2, 37, 29);
    ReferenceProject(phantom, *reference, kc.rayMode);
    for (unsigned threads : {1u, 2u, 3u, 7u}) {
        auto p = MakeProjection(kc.theta * kDeg, 2.0, 2.0, 3.0, 2.2, 37, 29);
        ASSERT_TRUE(TraceProjection(phantom, *p, kc.rayMode, threads));
        p->UpdateRange();
        EXPECT_TRUE(SameBits(*p, *reference)) << threads << " threads";
        EXPECT_EQ(p->GetMinValue(), reference->GetMinValue());
        EXPECT_EQ(p->GetMaxValue(), reference->GetMaxValue());
    }
}

INSTANTIATE_TEST_SUITE_P(RandomPhantoms, ProjectorKernel,
                         ::testing::Values(KernelCase{1, 0, 0}, KernelCase{2, 73, 0}, KernelCase{3, 181, 0},
                                           KernelCase{4, 299, 0}, KernelCase{5, 15, 1}, KernelCase{6, 250, 1}));

TEST(ProjectorKernelBits, PixelsThatStartAsMinusZeroOrNaNKeepTheSerialBits) {
    // -0 + 0 is +0 and a conversion quiets a signalling NaN: a pixel no
    // element reaches must still see every element's zero term.
    NewPhantom sparse;
    AddElement<CPhantomElementEllipsoid>(sparse, 0.2, 0.2, 0.2, 0, 0, 0, 0.5, 0.5, 0, 1.0f);
    AddElement<CPhantomElementCylinder>(sparse, 0.1, 0.3, 0.2, 0.3, 0.2, 0.1, -0.5, -0.4, 0.2, -0.5f);
    NewPhantom dense;
    FillRandomPhantom(dense, 9);
    auto prefill = [](CProjection& p) {
        float* px = p.GetPixels();
        for (std::size_t k = 0; k < p.GetPixelCount(); ++k)
            px[k] = k % 4 == 0   ? -0.0f
                    : k % 4 == 1 ? std::numeric_limits<float>::quiet_NaN()
                    : k % 4 == 2 ? std::numeric_limits<float>::signaling_NaN()
                                 : 0.25f;
    };
    for (const CPhantom* phantom : {static_cast<const CPhantom*>(&sparse), static_cast<const CPhantom*>(&dense)})
        for (int rayMode : {0, 1}) {
            auto reference = MakeProjection(0.6, 2.0, 2.0, 3.0, 3.0, 33, 33);
            prefill(*reference);
            ReferenceProject(*phantom, *reference, rayMode);
            auto p = MakeProjection(0.6, 2.0, 2.0, 3.0, 3.0, 33, 33);
            prefill(*p);
            ASSERT_TRUE(TraceProjection(*phantom, *p, rayMode, 2));
            EXPECT_TRUE(SameBits(*p, *reference)) << "ray mode " << rayMode;
        }
}

TEST(ProjectorKernelBits, SheppLoganMatchesTheSerialOrder) {
    NewPhantom phantom;
    AddSheppLogan(phantom);
    for (int rayMode : {0, 1}) {
        auto reference = MakeProjection(1.1, 4, 4, 4, 4, 96, 96);
        ReferenceProject(phantom, *reference, rayMode);
        auto p = MakeProjection(1.1, 4, 4, 4, 4, 96, 96);
        ASSERT_TRUE(TraceProjection(phantom, *p, rayMode, 2));
        EXPECT_TRUE(SameBits(*p, *reference)) << "ray mode " << rayMode;
    }
}

// --- what Project refuses ----------------------------------------------------------

TEST(ProjectorTrace, NullArgumentsDoNothing) {
    NewPhantom phantom;
    AddElement<CPhantomElementEllipsoid>(phantom, 1, 1, 1, 0, 0, 0, 0, 0, 0, 1.0f);
    auto p = MakeProjection(0.0, 4, 4, 4, 4, 33, 33);
    CProjector projector;
    EXPECT_FALSE(projector.Project(nullptr, p.get()));
    EXPECT_FALSE(projector.Project(&phantom, nullptr));
    EXPECT_EQ(p->GetPixel(16, 16), 0.0f);
    EXPECT_EQ(p->GetMaxValue(), CSurface::kInitialMaxValue);  // the range was not touched
}

TEST(ProjectorTrace, AnotherTargetOnlyWidensTheRange) {
    CProjectionCollection notAPhantom;
    auto p = MakeProjection(0.0, 4, 4, 4, 4, 33, 33);
    p->GetPixels()[5] = 7.0f;
    CProjector projector;
    EXPECT_FALSE(projector.Project(&notAPhantom, p.get()));
    EXPECT_EQ(p->GetMaxValue(), 7.0f);
    EXPECT_EQ(p->GetMinValue(), 0.0f);
    EXPECT_EQ(p->GetPixel(16, 16), 0.0f);
}

TEST(ProjectorTrace, AnImageThatDoesNotMatchItsDetectorIsLeftAlone) {
    NewPhantom phantom;
    AddElement<CPhantomElementEllipsoid>(phantom, 1, 1, 1, 0, 0, 0, 0, 0, 0, 1.0f);
    CProjector projector;

    CProjection empty;  // no pixels at all
    empty.OnNewDocument();
    EXPECT_FALSE(projector.Project(&phantom, &empty));

    // Detector counts larger than the image would run past its pixels.
    auto p = MakeProjection(0.0, 4, 4, 4, 4, 33, 33);
    p->GetDetector().SetGeometry(CPoint4(0, 0, -4), CDirection4(1, 0, 0), CDirection4(0, 1, 0), 4, 4, 64, 64);
    EXPECT_FALSE(projector.Project(&phantom, p.get()));
    for (std::size_t k = 0; k < p->GetPixelCount(); ++k) ASSERT_EQ(p->GetPixels()[k], 0.0f);
}

TEST(ProjectorTrace, AnUnknownRayModeAddsNothing) {
    NewPhantom phantom;
    AddElement<CPhantomElementEllipsoid>(phantom, 1, 1, 1, 0, 0, 0, 0, 0, 0, 1.0f);
    auto p = MakeProjection(0.0, 4, 4, 4, 4, 33, 33);
    CProjector projector;
    projector.m_rayMode = 2;
    EXPECT_TRUE(projector.Project(&phantom, p.get()));
    EXPECT_EQ(p->GetPixel(16, 16), 0.0f);
    EXPECT_EQ(p->GetMaxValue(), 0.0f);
}

}  // namespace
}  // namespace voxmill
