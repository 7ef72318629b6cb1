#include "phantom/PhantomElement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <numbers>
#include <random>
#include <thread>
#include <vector>

#include "app/View.h"
#include "imaging/dib/Dib.h"
#include "phantom/PhantomElementCylinder.h"
#include "phantom/PhantomElementEllipsoid.h"
#include "phantom/PhantomElementForm.h"
#include "tests/geometry/ArchiveBytes.h"

namespace voxmill {
namespace {

template <class T>
std::unique_ptr<T> NewElement() {
    auto e = std::make_unique<T>();
    e->OnNewDocument();
    return e;
}

template <class T>
std::unique_ptr<T> Placed(double sx, double sy, double sz, double phi, double theta, double psi, double tx,
                          double ty, double tz) {
    auto e = NewElement<T>();
    e->m_scale = CScaling(sx, sy, sz);
    e->m_rotation.SetAngles(phi, theta, psi);
    e->m_translation = CTranslation(tx, ty, tz);
    e->UpdateMatrices();
    return e;
}

double Chord(const CPhantomElement& e, double px, double py, double pz, double dx, double dy, double dz) {
    return e.ChordLength(CPoint4(px, py, pz), CDirection4(dx, dy, dz));
}

// --- chord lengths: the documented cases -----------------------------------

TEST(PhantomElementChord, EllipsoidAlongAnAxis) {
    auto ball = NewElement<CPhantomElementEllipsoid>();
    EXPECT_DOUBLE_EQ(Chord(*ball, -5, 0, 0, 1, 0, 0), 2.0);
    // The line is unbounded: an element behind the start point counts.
    EXPECT_DOUBLE_EQ(Chord(*ball, 5, 0, 0, 1, 0, 0), 2.0);
    // The direction's length does not matter.
    EXPECT_DOUBLE_EQ(Chord(*ball, -5, 0, 0, 3, 0, 0), 2.0);
    EXPECT_EQ(Chord(*ball, -5, 1.5, 0, 1, 0, 0), 0.0);

    auto flat = Placed<CPhantomElementEllipsoid>(0.5, 0.2, 0.2, 0, 0, 0, 0, 0, 0);
    EXPECT_DOUBLE_EQ(Chord(*flat, -5, 0, 0, 1, 0, 0), 1.0);
    EXPECT_NEAR(Chord(*flat, 0, -5, 0, 0, 1, 0), 0.4, 1e-12);
}

TEST(PhantomElementChord, TangentLineHasZeroChord) {
    auto ball = NewElement<CPhantomElementEllipsoid>();
    CPoint4 q1, q2;
    ASSERT_TRUE(ball->IntersectUnit(CPoint4(-5, 1, 0), CDirection4(1, 0, 0), q1, q2));
    EXPECT_EQ(q1.x, q2.x);
    EXPECT_EQ(Chord(*ball, -5, 1, 0, 1, 0, 0), 0.0);
}

TEST(PhantomElementChord, CylinderParallelToItsAxis) {
    auto cyl = NewElement<CPhantomElementCylinder>();
    EXPECT_DOUBLE_EQ(Chord(*cyl, 0, 0, -5, 0, 0, 1), 2.0);
    EXPECT_EQ(Chord(*cyl, 1.5, 0, -5, 0, 0, 1), 0.0);
    // On the side surface counts as inside.
    EXPECT_DOUBLE_EQ(Chord(*cyl, 1.0, 0, -5, 0, 0, 1), 2.0);
}

TEST(PhantomElementChord, CylinderSideToSide) {
    auto cyl = NewElement<CPhantomElementCylinder>();
    EXPECT_DOUBLE_EQ(Chord(*cyl, 0, -5, 0, 0, 1, 0), 2.0);
    EXPECT_DOUBLE_EQ(Chord(*cyl, -5, 0, 0.5, 1, 0, 0), 2.0);
    EXPECT_EQ(Chord(*cyl, -5, 0, 1.5, 1, 0, 0), 0.0);   // above the top cap
    EXPECT_EQ(Chord(*cyl, -5, 0, -1.5, 1, 0, 0), 0.0);  // below the bottom cap
}

TEST(PhantomElementChord, CylinderClippedAtTheTopCapOnOneEndOnly) {
    auto cyl = NewElement<CPhantomElementCylinder>();
    // Side hits at (1, 0, 0.5) and (-1, 0, 2.5); the second is above the cap.
    CPoint4 q1, q2;
    ASSERT_TRUE(cyl->IntersectUnit(CPoint4(0, 0, 1.5), CDirection4(1, 0, -1), q1, q2));
    EXPECT_DOUBLE_EQ(q1.x, 1.0);
    EXPECT_DOUBLE_EQ(q1.z, 0.5);
    EXPECT_DOUBLE_EQ(q2.x, 0.5);
    EXPECT_EQ(q2.z, 1.0);
    EXPECT_EQ(q1.w, 1.0);
    EXPECT_EQ(q2.w, 1.0);
    EXPECT_DOUBLE_EQ(Chord(*cyl, 0, 0, 1.5, 1, 0, -1), std::sqrt(0.5));
}

TEST(PhantomElementChord, CylinderThroughBothCaps) {
    auto cyl = NewElement<CPhantomElementCylinder>();
    // Slanted but steep: enters the top cap, leaves the bottom cap.
    const double expected = std::sqrt(0.2 * 0.2 + 2.0 * 2.0);
    EXPECT_DOUBLE_EQ(Chord(*cyl, 0, 0, 0, 0.1, 0, 1), expected);
    EXPECT_DOUBLE_EQ(Chord(*cyl, 0, 0, 0, 0.1, 0, -1), expected);
}

TEST(PhantomElementChord, PhiOfNinetyDegreesTurnsTheLongAxisOntoWorldY) {
    auto e = NewElement<CPhantomElementEllipsoid>();
    CPhantomElementForm form;
    form.scale[1] = form.scale[2] = 0.5;
    form.angles[0] = 90;
    std::string error;
    ASSERT_TRUE(form.ApplyTo(*e, error)) << error;
    EXPECT_NEAR(Chord(*e, 0, -5, 0, 0, 1, 0), 2.0, 1e-12);
    EXPECT_NEAR(Chord(*e, -5, 0, 0, 1, 0, 0), 1.0, 1e-12);
    EXPECT_NEAR(Chord(*e, 0, 0, -5, 0, 0, 1), 1.0, 1e-12);
}

TEST(PhantomElementChord, DegenerateInputsGiveZeroNotNaN) {
    auto ball = NewElement<CPhantomElementEllipsoid>();
    auto cyl = NewElement<CPhantomElementCylinder>();
    EXPECT_EQ(Chord(*ball, 0, 0, 0, 0, 0, 0), 0.0);
    EXPECT_EQ(Chord(*cyl, 0, 0, 0, 0, 0, 0), 0.0);

    // A zero scale makes the forward matrix singular: the inverse stays
    // equal to it, and the flat element neither contains nor cuts anything.
    auto flat = Placed<CPhantomElementEllipsoid>(0.5, 0.5, 0.0, 0.3, 0.2, 0.1, 0.1, 0, 0);
    EXPECT_TRUE(flat->IsSingular());
    EXPECT_EQ(std::memcmp(flat->m_inverse.m_matrix.m, flat->m_forward.m_matrix.m, sizeof(double) * 16), 0);
    EXPECT_EQ(Chord(*flat, 0.1, 0, -5, 0, 0, 1), 0.0);
    EXPECT_FALSE(flat->IsInside(CPoint4(0.1, 0, 0)));
    EXPECT_FALSE(NewElement<CPhantomElementEllipsoid>()->IsSingular());
}

// --- chord lengths against independent world-space computations ------------

struct Placement {
    double s[3], angles[3], t[3];
};

// World from unit: x = t + R·S·u with R the z-x-z matrix; R is orthonormal,
// so u = S⁻¹·Rᵀ·(x - t) without any 4 x 4 inversion.
struct WorldFrame {
    explicit WorldFrame(const Placement& p) : place(p) {
        const CMatrix4 m = CRotation::EulerMatrix(p.angles[0], p.angles[1], p.angles[2]);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) r[i][j] = m.m[i][j];
    }
    void ToUnit(const double x[3], double w, double u[3]) const {
        for (int j = 0; j < 3; ++j) {
            double sum = 0;
            for (int i = 0; i < 3; ++i) sum += r[i][j] * (x[i] - w * place.t[i]);
            u[j] = sum / place.s[j];
        }
    }
    Placement place;
    double r[3][3];
};

double Length(const double v[3]) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

// Quadric (x - t)ᵀ·A·(x - t) = 1 with A = R·S⁻²·Rᵀ, solved for the line parameter.
double WorldEllipsoidChord(const Placement& pl, const double p[3], const double d[3]) {
    const WorldFrame f(pl);
    double a[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            a[i][j] = 0;
            for (int k = 0; k < 3; ++k) a[i][j] += f.r[i][k] * f.r[j][k] / (pl.s[k] * pl.s[k]);
        }
    const double q[3] = {p[0] - pl.t[0], p[1] - pl.t[1], p[2] - pl.t[2]};
    auto form = [&](const double* x, const double* y) {
        double sum = 0;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) sum += x[i] * a[i][j] * y[j];
        return sum;
    };
    const double qa = form(d, d), qb = form(d, q), qc = form(q, q) - 1.0;
    const double disc = qb * qb - qa * qc;
    if (disc <= 0) return 0.0;
    return 2.0 * std::sqrt(disc) / qa * Length(d);
}

// The cylinder as the intersection of an infinite tube and a slab, each an
// interval of the line parameter.
double WorldCylinderChord(const Placement& pl, const double p[3], const double d[3]) {
    const WorldFrame f(pl);
    double pu[3], du[3];
    f.ToUnit(p, 1.0, pu);
    f.ToUnit(d, 0.0, du);
    double lo = -std::numeric_limits<double>::infinity(), hi = std::numeric_limits<double>::infinity();
    const double a = du[0] * du[0] + du[1] * du[1];
    const double b = pu[0] * du[0] + pu[1] * du[1];
    const double c = pu[0] * pu[0] + pu[1] * pu[1] - 1.0;
    if (a == 0.0) {
        if (c > 0) return 0.0;
    } else {
        const double disc = b * b - a * c;
        if (disc <= 0) return 0.0;
        lo = (-b - std::sqrt(disc)) / a;
        hi = (-b + std::sqrt(disc)) / a;
    }
    if (du[2] == 0.0) {
        if (std::fabs(pu[2]) > 1.0) return 0.0;
    } else {
        double t1 = (-1.0 - pu[2]) / du[2], t2 = (1.0 - pu[2]) / du[2];
        if (t1 > t2) std::swap(t1, t2);
        lo = std::max(lo, t1);
        hi = std::min(hi, t2);
    }
    return hi > lo ? (hi - lo) * Length(d) : 0.0;
}

template <class Element>
void CompareWithWorldChords(double (*reference)(const Placement&, const double*, const double*),
                            unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> scale(0.1, 1.0), angle(0.0, 2 * std::numbers::pi), shift(-0.5, 0.5),
        start(-2.0, 2.0);
    std::normal_distribution<double> dir(0.0, 1.0);
    int hits = 0;
    for (int n = 0; n < 2000; ++n) {
        const Placement pl = {{scale(rng), scale(rng), scale(rng)},
                              {angle(rng), angle(rng), angle(rng)},
                              {shift(rng), shift(rng), shift(rng)}};
        auto e = Placed<Element>(pl.s[0], pl.s[1], pl.s[2], pl.angles[0], pl.angles[1], pl.angles[2], pl.t[0],
                                 pl.t[1], pl.t[2]);
        // Lines aimed near the centre so that most of them hit.
        const double p[3] = {start(rng), start(rng), start(rng)};
        const double aim[3] = {pl.t[0] + 0.3 * dir(rng), pl.t[1] + 0.3 * dir(rng), pl.t[2] + 0.3 * dir(rng)};
        const double k = 0.25 + scale(rng) * 3;  // the direction's length is arbitrary
        const double d[3] = {k * (aim[0] - p[0]), k * (aim[1] - p[1]), k * (aim[2] - p[2])};
        const double expected = reference(pl, p, d);
        const double got = e->ChordLength(CPoint4(p[0], p[1], p[2]), CDirection4(d[0], d[1], d[2]));
        // Near-tangent lines lose half their digits in the square root.
        EXPECT_NEAR(got, expected, 1e-7) << "case " << n;
        if (expected > 0) ++hits;
    }
    EXPECT_GT(hits, 1000);  // the comparison is not all zeros
}

TEST(PhantomElementChord, RotatedScaledTranslatedEllipsoidMatchesWorldQuadric) {
    CompareWithWorldChords<CPhantomElementEllipsoid>(&WorldEllipsoidChord, 1234);
}

TEST(PhantomElementChord, RotatedScaledTranslatedCylinderMatchesTubeAndSlabClip) {
    CompareWithWorldChords<CPhantomElementCylinder>(&WorldCylinderChord, 5678);
}

TEST(PhantomElementChord, ConcurrentCallsGiveTheSameBits) {
    std::vector<std::unique_ptr<CPhantomElement>> elements;
    elements.push_back(Placed<CPhantomElementEllipsoid>(0.6, 0.3, 0.9, 0.4, 1.2, 2.5, 0.1, -0.2, 0.05));
    elements.push_back(Placed<CPhantomElementCylinder>(0.4, 0.7, 0.5, 2.1, 0.7, 0.3, -0.1, 0.1, 0.2));
    elements.push_back(Placed<CPhantomElementEllipsoid>(0.2, 0.2, 0.2, 0, 0, 0, 0.3, 0.3, 0));
    elements.push_back(Placed<CPhantomElementCylinder>(0.9, 0.9, 0.1, 0.0, 1.5, 0.0, 0, 0, 0));

    constexpr int kRays = 4000;
    std::vector<CPoint4> points;
    std::vector<CDirection4> dirs;
    std::mt19937 rng(99);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int i = 0; i < kRays; ++i) {
        points.emplace_back(3 * u(rng), 3 * u(rng), 3 * u(rng));
        dirs.emplace_back(-points.back().x + 0.5 * u(rng), -points.back().y + 0.5 * u(rng),
                          -points.back().z + 0.5 * u(rng));
    }
    auto run = [&](std::vector<double>& out) {
        out.resize(kRays * elements.size());
        for (int i = 0; i < kRays; ++i)
            for (std::size_t k = 0; k < elements.size(); ++k)
                out[i * elements.size() + k] = elements[k]->ChordLength(points[i], dirs[i]);
    };
    std::vector<double> serial;
    run(serial);

    constexpr int kThreads = 8;
    std::vector<std::vector<double>> results(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int repeat = 0; repeat < 5; ++repeat) run(results[t]);
        });
    for (auto& th : threads) th.join();
    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(results[t].size(), serial.size());
        EXPECT_EQ(std::memcmp(results[t].data(), serial.data(), serial.size() * sizeof(double)), 0)
            << "thread " << t;
    }
}

// --- inside test and the element interface ---------------------------------

TEST(PhantomElementInside, BoundaryCountsAsInside) {
    auto ball = NewElement<CPhantomElementEllipsoid>();
    EXPECT_TRUE(ball->IsInside(CPoint4(1, 0, 0)));
    EXPECT_TRUE(ball->IsInside(CPoint4(0, 0, -1)));
    EXPECT_FALSE(ball->IsInside(CPoint4(1.0001, 0, 0)));
    EXPECT_FALSE(ball->IsInside(CPoint4(0.8, 0.8, 0)));

    auto cyl = NewElement<CPhantomElementCylinder>();
    EXPECT_TRUE(cyl->IsInside(CPoint4(1, 0, 1)));  // rim of the top cap
    EXPECT_TRUE(cyl->IsInside(CPoint4(0, 0.5, -1)));
    EXPECT_TRUE(cyl->IsInside(CPoint4(0.8, 0.5, 0)));  // corner of the ball's miss
    EXPECT_FALSE(cyl->IsInside(CPoint4(0, 0, 1.0001)));
    EXPECT_FALSE(cyl->IsInside(CPoint4(0.8, 0.61, 0)));

    // Scales and shifts that stay exact in binary keep the boundary exact.
    auto placed = Placed<CPhantomElementEllipsoid>(0.5, 0.25, 1.0, 0, 0, 0, 0.25, 0, 0);
    EXPECT_TRUE(placed->IsInside(CPoint4(0.75, 0, 0)));
    EXPECT_TRUE(placed->IsInside(CPoint4(0.25, -0.25, 0)));
    EXPECT_FALSE(placed->IsInside(CPoint4(0.76, 0, 0)));
}

TEST(PhantomElementInside, SampleAnswersMuInsideAndFailsOutside) {
    auto e = Placed<CPhantomElementCylinder>(0.5, 0.5, 0.5, 0, 0, 0, 0.5, 0, 0);
    e->m_mu = -0.75f;
    auto* element = static_cast<IPhantomElement*>(e->GetInterface(IID_IPhantomElement));
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(element, e->GetPhantomElement());

    float mu = 42.0f;
    EXPECT_EQ(element->Sample(1.0f, 0.0f, 0.5f, &mu), S_OK);  // on the rim of the top cap
    EXPECT_EQ(mu, -0.75f);
    mu = 42.0f;
    EXPECT_EQ(element->Sample(0.5f, 0.0f, 0.0f, &mu), S_OK);
    EXPECT_EQ(mu, -0.75f);
    mu = 42.0f;
    EXPECT_EQ(element->Sample(1.01f, 0.0f, 0.0f, &mu), E_FAIL);
    EXPECT_EQ(mu, 42.0f);  // untouched
    EXPECT_EQ(element->Sample(0.5f, 0.0f, 0.6f, &mu), E_FAIL);

    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(element->QueryInterface(IID_IPhantom, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    void* same = nullptr;
    EXPECT_EQ(element->QueryInterface(IID_IUnknown, &same), S_OK);
    EXPECT_EQ(same, element);
    element->Release();
}

// --- defaults and the 204-byte record ---------------------------------------

TEST(PhantomElementRecord, NewElementDefaults) {
    auto e = NewElement<CPhantomElementCylinder>();
    EXPECT_FALSE(e->m_bAutoDelete);
    EXPECT_EQ(e->m_mu, 1.0f);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(e->m_scale.p[i], 1.0);
        EXPECT_EQ(e->m_rotation.p[i], 0.0);
        EXPECT_EQ(e->m_translation.p[i], 0.0);
    }
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(e->m_rotation.m_matrix.m[r][c], r == c ? 1.0 : 0.0);
            EXPECT_EQ(e->m_forward.m_matrix.m[r][c], r == c ? 1.0 : 0.0);
            EXPECT_EQ(e->m_inverse.m_matrix.m[r][c], r == c ? 1.0 : 0.0);
        }
}

TEST(PhantomElementRecord, LayoutIs204BytesWithMuAsFloatLast) {
    auto e = Placed<CPhantomElementEllipsoid>(0.5, 0.25, 0.125, 0.1, 0.2, 0.3, -0.5, 0.75, 0.0625);
    e->m_mu = 0.1f;  // not exact in binary: a double would differ
    const auto bytes = test::StoreBytes(*e);
    ASSERT_EQ(bytes.size(), CPhantomElement::kRecordBytes);
    EXPECT_EQ(test::DoubleAt(bytes, 0), 0.5);
    EXPECT_EQ(test::DoubleAt(bytes, 8), 0.25);
    EXPECT_EQ(test::DoubleAt(bytes, 16), 0.125);
    EXPECT_EQ(test::DoubleAt(bytes, 24), 0.1);
    EXPECT_EQ(test::DoubleAt(bytes, 32), 0.2);
    EXPECT_EQ(test::DoubleAt(bytes, 40), 0.3);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(test::DoubleAt(bytes, 48 + 8 * (4 * r + c)), e->m_rotation.m_matrix.m[r][c]);
    EXPECT_EQ(test::DoubleAt(bytes, 176), -0.5);
    EXPECT_EQ(test::DoubleAt(bytes, 184), 0.75);
    EXPECT_EQ(test::DoubleAt(bytes, 192), 0.0625);
    float mu;
    std::memcpy(&mu, bytes.data() + 200, 4);
    EXPECT_EQ(mu, 0.1f);
}

TEST(PhantomElementRecord, LoadingKeepsTheStoredMatrixAndUpdatesTheTransforms) {
    auto e = Placed<CPhantomElementEllipsoid>(0.5, 0.5, 0.5, 0.1, 0.2, 0.3, 0.25, 0, 0);
    // A matrix that the angles do not give: a plain swap of x and y.
    CMatrix4 swap = CMatrix4::Identity();
    swap.m[0][0] = swap.m[1][1] = 0;
    swap.m[0][1] = swap.m[1][0] = 1;
    e->m_rotation.m_matrix = swap;
    e->m_mu = -1.25f;
    const auto bytes = test::StoreBytes(*e);

    CPhantomElementCylinder back;
    test::LoadBytes(back, bytes);
    EXPECT_EQ(back.m_rotation.p[1], 0.2);
    EXPECT_EQ(std::memcmp(back.m_rotation.m_matrix.m, swap.m, sizeof swap.m), 0);
    EXPECT_EQ(back.m_mu, -1.25f);
    EXPECT_EQ(back.m_forward.m_matrix.m[0][1], 0.5);  // T·R·S from the stored matrix
    EXPECT_EQ(back.m_forward.m_matrix.m[0][3], 0.25);
    EXPECT_EQ(test::StoreBytes(back), bytes);
}

TEST(PhantomElementRecord, ShortRecordIsAnArchiveError) {
    auto e = NewElement<CPhantomElementEllipsoid>();
    auto bytes = test::StoreBytes(*e);
    bytes.pop_back();  // MU needs all four bytes
    CPhantomElementEllipsoid back;
    try {
        test::LoadBytes(back, bytes);
        FAIL() << "a 203-byte record was accepted";
    } catch (const CArchiveException& ex) {
        EXPECT_EQ(ex.cause(), CArchiveException::endOfFile);
        EXPECT_EQ(ex.offset(), 200u);
    }
}

// --- the editing form ---------------------------------------------------------

class CountingView : public CView {
public:
    ~CountingView() override { DetachFromDocument(); }
    void OnUpdate(CView*, long, CObject*) override { ++updates; }
    int updates = 0;
};

TEST(PhantomElementForm, ApplyConvertsDegreesWithTheFormsPi) {
    auto e = NewElement<CPhantomElementCylinder>();
    CPhantomElementForm form;
    form.scale[0] = 0.5, form.scale[1] = 0.25, form.scale[2] = 1.0;
    form.angles[0] = 90, form.angles[1] = 45, form.angles[2] = 360;
    form.translation[0] = -1.0, form.translation[1] = 0.5, form.translation[2] = 1.0;
    form.mu = 0.1;
    std::string error;
    ASSERT_TRUE(form.ApplyTo(*e, error)) << error;
    EXPECT_TRUE(error.empty());
    const double pi = 3.14159265359;
    EXPECT_EQ(e->m_rotation.p[0], pi * 90 * (1.0 / 180));
    EXPECT_NE(e->m_rotation.p[0], std::numbers::pi / 2);  // the form's pi, not the full one
    EXPECT_EQ(e->m_rotation.p[1], pi * 45 * (1.0 / 180));
    EXPECT_EQ(e->m_rotation.p[2], pi * 360 * (1.0 / 180));
    const CMatrix4 expected = CRotation::EulerMatrix(e->m_rotation.p[0], e->m_rotation.p[1], e->m_rotation.p[2]);
    EXPECT_EQ(std::memcmp(e->m_rotation.m_matrix.m, expected.m, sizeof expected.m), 0);
    EXPECT_EQ(e->m_scale.p[1], 0.25);
    EXPECT_EQ(e->m_translation.p[0], -1.0);
    EXPECT_EQ(e->m_mu, 0.1f);
    EXPECT_EQ(e->m_forward.m_matrix.m[0][3], -1.0);  // matrices updated

    const CPhantomElementForm back = CPhantomElementForm::FromElement(*e);
    EXPECT_EQ(back.angles[0], e->m_rotation.p[0] * 180 / pi);
    EXPECT_NEAR(back.angles[0], 90.0, 1e-12);
    EXPECT_NEAR(back.angles[2], 360.0, 1e-12);
    EXPECT_EQ(back.mu, static_cast<double>(0.1f));  // MU widened from float
    EXPECT_EQ(back.scale[0], 0.5);
    EXPECT_EQ(back.translation[1], 0.5);
}

TEST(PhantomElementForm, OutOfRangeValueNamesTheFieldAndChangesNothing) {
    struct Case {
        const char* field;
        void (*set)(CPhantomElementForm&);
    };
    const Case cases[] = {
        {"attenuation MU", [](CPhantomElementForm& f) { f.mu = 2.0001; }},
        {"attenuation MU", [](CPhantomElementForm& f) { f.mu = -2.5; }},
        {"translation X", [](CPhantomElementForm& f) { f.translation[0] = 1.5; }},
        {"translation Z", [](CPhantomElementForm& f) { f.translation[2] = -1.01; }},
        {"rotation PHI", [](CPhantomElementForm& f) { f.angles[0] = -1; }},
        {"rotation PSI", [](CPhantomElementForm& f) { f.angles[2] = 360.5; }},
        {"scaling Y", [](CPhantomElementForm& f) { f.scale[1] = 1.1; }},
        {"scaling Z", [](CPhantomElementForm& f) { f.scale[2] = -0.1; }},
        {"scaling X", [](CPhantomElementForm& f) { f.scale[0] = std::nan(""); }},
    };
    for (const Case& c : cases) {
        auto e = Placed<CPhantomElementEllipsoid>(0.5, 0.5, 0.5, 0.1, 0.2, 0.3, 0.1, 0.2, 0.3);
        const auto before = test::StoreBytes(*e);
        CPhantomElementForm form = CPhantomElementForm::FromElement(*e);
        c.set(form);
        std::string error;
        EXPECT_FALSE(form.ApplyTo(*e, error)) << c.field;
        EXPECT_NE(error.find(c.field), std::string::npos) << error;
        EXPECT_EQ(test::StoreBytes(*e), before) << c.field;
    }
}

TEST(PhantomElementForm, RangeBoundsAreAccepted) {
    auto e = NewElement<CPhantomElementEllipsoid>();
    CPhantomElementForm form;
    form.mu = -2.0;
    form.translation[0] = -1.0, form.translation[1] = 1.0;
    form.angles[0] = 0.0, form.angles[1] = 360.0;
    form.scale[0] = 0.0, form.scale[1] = 1.0;
    std::string error;
    EXPECT_TRUE(form.ApplyTo(*e, error)) << error;
    EXPECT_TRUE(e->IsSingular());  // the accepted zero scale
    EXPECT_EQ(e->m_mu, -2.0f);
}

TEST(PhantomElementForm, ApplyUpdatesTheOtherViews) {
    auto e = NewElement<CPhantomElementEllipsoid>();
    CountingView form, list;
    e->AddView(&form);
    e->AddView(&list);
    std::string error;
    ASSERT_TRUE(CPhantomElementForm().ApplyTo(*e, error, &form));
    EXPECT_EQ(form.updates, 0);
    EXPECT_EQ(list.updates, 1);
    e->RemoveView(&form);
    e->RemoveView(&list);
}

// --- bitmaps ----------------------------------------------------------------------

TEST(PhantomElementBitmap, SixteenBySixteenDrawnOnceAndDistinct) {
    CPhantomElementEllipsoid ball;
    CPhantomElementCylinder cyl;
    const CDib* b = ball.GetBitmap();
    const CDib* c = cyl.GetBitmap();
    ASSERT_NE(b, nullptr);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(ball.GetBitmap(), b);  // cached
    EXPECT_EQ(ball.m_pBitmap, b);
    for (const CDib* dib : {b, c}) {
        EXPECT_EQ(dib->GetWidth(), 16);
        EXPECT_EQ(dib->GetHeight(), 16);
        ASSERT_TRUE(dib->HasBits());
        EXPECT_EQ(dib->GetImageSize(), 16u * 16u * 3u);
    }
    EXPECT_NE(std::memcmp(b->GetBits(), c->GetBits(), b->GetImageSize()), 0);
    // The ball's corner is background, its middle is not.
    const std::uint8_t* corner = b->GetBits();
    const std::uint8_t* middle = b->GetBits() + 8 * b->GetRowBytes() + 8 * 3;
    EXPECT_EQ(corner[0], 255);
    EXPECT_NE(middle[0] & middle[1] & middle[2], 255);
}

}  // namespace
}  // namespace voxmill
