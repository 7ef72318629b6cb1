// The Karvex reconstruction against Tessor's and against a direct sum, each
// speed switch against the plain path, the fixed-point path against the
// floating-point one, the symmetries on geometries that lack them, and
// the same bytes on any number of threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "renderers/common/ProjectionGeometry.h"
#include "renderers/common/VolumeGrid.h"
#include "renderers/common/VoxelBackprojection.h"
#include "renderers/karvex/KarvexReconstruction.h"
#include "renderers/tessor/TessorReconstruction.h"
#include "tests/renderers/common/FakeCollection.h"
#include "tests/renderers/common/FakeProgress.h"
#include "tests/renderers/common/FakeVolume.h"

namespace voxmill {
namespace {

using Options = CKarvexReconstruction::Options;
using Plan = CKarvexReconstruction::Plan;
constexpr double kPi = 3.141592653589793;

const test::AnalyticPhantom& Phantom() {
    static const test::AnalyticPhantom phantom{
        {test::Ellipsoid::Ball(0.6, 1.0), {0.2, -0.1, 0.1, 0.2, 0.3, 0.15, 0.5}, {-0.25, 0.2, -0.2, 0.15, 0.1, 0.2, 0.8}}};
    return phantom;
}

test::Acquisition DefaultAcquisition() {
    test::Acquisition a;
    a.width = 4;
    a.height = 3;
    a.columns = 40;
    a.rows = 30;
    return a;
}

// Every switch off but filtering (no padding, complex FFT, floating point).
Options Plain() {
    Options o;
    o.filtering = true;
    o.indexLut = false;
    o.symmetry = false;
    o.skipInterpolation = false;
    o.fixedPoint = false;
    o.pad = false;
    o.realFft = false;
    return o;
}

// Odd, unequal counts so slabs, lines and rows do not divide evenly; nY odd
// leaves a middle layer to the mirrored loop.
test::FakeVolume NewVolume() { return test::FakeVolume(2.0, 1.5, 2.2, 29, 17, 23); }

std::vector<float> Karvex(test::FakeCollection& collection, Options options, int threads = 2, Plan* plan = nullptr) {
    test::FakeVolume volume = NewVolume();
    test::FakeProgress progress;
    EXPECT_EQ(CKarvexReconstruction(threads).ProcessCollection(&progress, &collection, &volume, options, plan), S_OK);
    return volume.Voxels();
}

double Peak(const std::vector<float>& v) {
    double peak = 0;
    for (float x : v) peak = std::max(peak, std::abs(static_cast<double>(x)));
    return peak;
}

double MaxDifference(const std::vector<float>& a, const std::vector<float>& b) {
    double worst = 0;
    for (std::size_t n = 0; n < a.size(); ++n)
        worst = std::max(worst, std::abs(static_cast<double>(a[n]) - static_cast<double>(b[n])));
    return worst;
}

double RmsDifference(const std::vector<float>& a, const std::vector<float>& b) {
    double sum = 0;
    for (std::size_t n = 0; n < a.size(); ++n) {
        const double d = static_cast<double>(a[n]) - static_cast<double>(b[n]);
        sum += d * d;
    }
    return std::sqrt(sum / static_cast<double>(a.size()));
}

// b restricted to the voxels a reached: the fixed-point field of view
// holds rho as a whole number, so its ellipsoid reaches further in y than
// the float one on a detector wider than tall.
std::vector<float> Where(const std::vector<float>& a, std::vector<float> b) {
    for (std::size_t n = 0; n < a.size(); ++n)
        if (a[n] == 0.0f) b[n] = 0.0f;
    return b;
}

TEST(KarvexReconstruction, EverySwitchOffButFilteringGivesTessorsProjectionByProjectionVolume) {
    // 30 projections: 2 pi / 30 is not a power of two, so the scaling's
    // rounding shows if it differs.
    test::FakeCollection collection(DefaultAcquisition(), 30, &Phantom());
    test::FakeVolume tessor = NewVolume();
    for (int n = 0; n < collection.Count(); ++n)
        ASSERT_EQ(CTessorReconstruction(1).ProcessProjection(&collection.Projection(n), &tessor), S_OK);
    for (float& v : tessor.Voxels()) v = static_cast<float>(static_cast<double>(v) * (2.0 * kPi) / 30.0);

    for (bool realFft : {false, true}) {
        Options o = Plain();
        o.realFft = realFft;
        const auto karvex = Karvex(collection, o);
        const double peak = Peak(tessor.Voxels());
        ASSERT_GT(peak, 0.5);
        EXPECT_LE(MaxDifference(karvex, tessor.Voxels()), 1e-5 * peak) << "real FFT " << realFft;
    }
}

// The weighted backprojection written out directly: the cosine weight on
// the pixels, the distance weight and 2 pi / N on the voxels, nearest
// cells, no kernel and no clamping.
std::vector<float> DirectBackprojection(test::FakeCollection& collection) {
    test::FakeVolume volume = NewVolume();
    CVolumeGrid g;
    EXPECT_EQ(CVolumeGrid::Read(&volume, &g), S_OK);
    std::vector<double> sum(volume.Voxels().size(), 0.0);
    for (int n = 0; n < collection.Count(); ++n) {
        test::FakeProjection& p = collection.Projection(n);
        CProjectionGeometry d;
        EXPECT_EQ(CProjectionGeometry::Read(&p, &d), S_OK);
        const double r2 = d.R * d.R * d.width * d.width / (4 * d.D * d.D + d.width * d.width);
        const double rho = r2 / (d.R * d.R * d.height * d.height / (4 * d.D * d.D + d.height * d.height));
        for (int k = 0; k < g.nZ; ++k) {
            for (int j = 0; j < g.nY; ++j) {
                for (int i = 0; i < g.nX; ++i) {
                    const double x = g.x[i], y = g.y[j], z = g.z[k];
                    if (x * x + z * z >= r2 || rho * y * y + x * x + z * z >= r2) continue;
                    const double L = d.R - (d.c * x + d.e * z);
                    const double m = static_cast<float>(d.D / L);
                    const int col = static_cast<int>(((d.a * x + d.b * z) * m - d.uMin) / d.du + 0.5);
                    const int row = static_cast<int>((d.vMax - y * m) / d.dv + 0.5);
                    if (col < 0 || col >= d.columns || row < 0 || row >= d.rows) continue;
                    const float u = d.uMin + static_cast<float>(col) * d.du;
                    const float v = d.vMax - static_cast<float>(row) * d.dv;
                    const double cosine = d.D / std::sqrt(double{v} * v + double{u} * u + d.D * d.D);
                    const double pixel = p.Pixels()[static_cast<std::size_t>(row) * d.columns + col];
                    sum[static_cast<std::size_t>(i + g.nX * (j + g.nY * k))] +=
                        2 * kPi / collection.Count() * d.R * d.R / (L * L) * pixel * cosine;
                }
            }
        }
    }
    return std::vector<float>(sum.begin(), sum.end());
}

TEST(KarvexReconstruction, WithoutFilteringTheVolumeIsThePlainWeightedBackprojection) {
    test::FakeCollection collection(DefaultAcquisition(), 12, &Phantom());
    Options o = Plain();
    o.filtering = false;
    Plan plan;
    const auto karvex = Karvex(collection, o, 2, &plan);
    EXPECT_FALSE(plan.filtering);
    EXPECT_EQ(plan.filterLength, 0);
    const auto direct = DirectBackprojection(collection);
    ASSERT_GT(Peak(direct), 0.5);
    EXPECT_LE(MaxDifference(karvex, direct), 2e-6 * Peak(direct));
    // Nothing negative: no kernel ever produced a negative sample.
    EXPECT_GE(*std::min_element(karvex.begin(), karvex.end()), 0.0f);
}

TEST(KarvexReconstruction, ACancelledStepStopsTheRunThere) {
    test::FakeCollection collection(DefaultAcquisition(), 12, &Phantom());
    for (int abortAt : {1, 3}) {  // the set-up step, then a backprojection step
        test::FakeVolume volume = NewVolume();
        test::FakeProgress progress;
        progress.abortAt = abortAt;
        Options o = Plain();
        o.symmetry = false;
        EXPECT_EQ(CKarvexReconstruction(2).ProcessCollection(&progress, &collection, &volume, o, nullptr), E_ABORT);
        EXPECT_EQ(progress.steps, abortAt);
    }
}

TEST(KarvexReconstruction, SymmetriesAreUsedOnlyForEvenCounts) {
    struct Case {
        int count, rows;
        bool angular, axial;
    };
    for (const Case c : {Case{12, 30, true, true}, Case{13, 30, false, true}, Case{12, 29, true, false}}) {
        test::Acquisition a = DefaultAcquisition();
        a.rows = c.rows;
        test::FakeCollection collection(a, c.count, &Phantom());
        Options o = Plain();
        o.symmetry = true;
        Plan plan;
        Karvex(collection, o, 1, &plan);
        EXPECT_EQ(plan.angular, c.angular) << c.count << " x " << c.rows;
        EXPECT_EQ(plan.axial, c.axial) << c.count << " x " << c.rows;
        EXPECT_EQ(plan.pairsOpposite, c.angular ? c.count / 2 : 0);
        EXPECT_EQ(plan.batchesMirrored > 0, c.axial);
    }
}

// Each speed switch of the floating-point path alone, against the plain
// path: the same sums up to float rounding (a relative 1e-5 of the peak
// covers the float kernel and transform and the changed summation order).
TEST(KarvexReconstruction, EachFloatSpeedSwitchChangesTheVolumeOnlyByRounding) {
    test::FakeCollection collection(DefaultAcquisition(), 24, &Phantom());
    const auto plain = Karvex(collection, Plain());
    const double peak = Peak(plain);
    struct Switch {
        const char* name;
        void (*set)(Options&);
    };
    const Switch switches[] = {
        {"real FFT", [](Options& o) { o.realFft = true; }},
        {"index skip", [](Options& o) { o.skipInterpolation = true; }},
        {"symmetries", [](Options& o) { o.symmetry = true; }},
        {"all", [](Options& o) { o.realFft = o.skipInterpolation = o.symmetry = true; }},
    };
    for (const Switch& s : switches) {
        Options o = Plain();
        s.set(o);
        Plan plan;
        const auto fast = Karvex(collection, o, 2, &plan);
        EXPECT_LE(MaxDifference(fast, plain), 1e-5 * peak) << s.name;
    }
    // Index skip with another interpolation mode is not taken.
    Options o = Plain();
    o.skipInterpolation = true;
    o.interpolationMode = 1;
    Plan plan;
    Karvex(collection, o, 1, &plan);
    EXPECT_FALSE(plan.indexSkip);
}

// The fixed-point path carries coordinates with 13 fractional bits and the
// detector pitches rounded to them (du = 0.1 becomes 819 / 8192, 2.4e-4
// off): a detector position is off by up to a few 2^-13 units, plus the
// pitch's error times the index (~0.01 of a cell at the edge), so a voxel
// within ~0.01 cell of a cell boundary may take the neighbouring cell, and
// its term then changes by one neighbour difference of the filtered row.
// About 1-2 % of the terms flip; one flip among N terms of a steep edge
// moves a voxel by up to a quarter of the peak, the RMS over the volume by
// about 1 %. The weights (R^2 / L^2 at 13 bits, 2 pi / N at 26) add 2^-13.
constexpr double kFixedRms = 0.015, kFixedMax = 0.3;

void ExpectWithinFixedRounding(const std::vector<float>& fixed, const std::vector<float>& reference,
                               const std::string& what) {
    const double peak = Peak(reference);
    ASSERT_GT(peak, 0.3) << what;
    const double rms = RmsDifference(fixed, reference), worst = MaxDifference(fixed, reference);
    std::printf("%s: RMS %.3g, max %.3g of peak %.3g\n", what.c_str(), rms, worst, peak);
    EXPECT_LE(rms, kFixedRms * peak) << what;
    EXPECT_LE(worst, kFixedMax * peak) << what;
}

void ExpectFixedNearFloat(test::FakeCollection& collection, const char* what) {
    Options f = Plain();
    Options x = Plain();
    x.fixedPoint = true;
    const auto floating = Karvex(collection, f);
    for (bool table : {false, true}) {
        x.indexLut = table;
        Plan plan;
        const auto fixed = Where(floating, Karvex(collection, x, 2, &plan));
        EXPECT_EQ(plan.indexTable, table);
        ExpectWithinFixedRounding(fixed, floating, std::string(what) + (table ? ", table" : ", division"));
    }
}

TEST(KarvexReconstruction, FixedPointStaysWithinItsRoundingOnTheDefaultAndADetunedGeometry) {
    test::FakeCollection regular(DefaultAcquisition(), 24, &Phantom());
    ExpectFixedNearFloat(regular, "default");
    test::Acquisition detuned = DefaultAcquisition();
    detuned.Ds = 5.3;
    detuned.Dd = 3.7;
    detuned.width = 4.3;
    detuned.height = 2.9;
    detuned.columns = 43;
    detuned.rows = 26;
    test::FakeCollection odd(detuned, 23, &Phantom());
    ExpectFixedNearFloat(odd, "detuned");
}

TEST(KarvexReconstruction, FixedPointDoesNotOverflowOnLongDistances) {
    // Ds = Dd = 90: 90 * 8192 squared is far past 32 bits.
    test::Acquisition far = DefaultAcquisition();
    far.Ds = far.Dd = 90;
    far.width = 4;
    far.height = 3;
    test::FakeCollection collection(far, 24, &Phantom());
    ExpectFixedNearFloat(collection, "Ds = Dd = 90");
}

TEST(KarvexReconstruction, TheIndexTableAloneChangesNothingButRounding) {
    test::FakeCollection collection(DefaultAcquisition(), 24, &Phantom());
    Options divide = Plain();
    divide.fixedPoint = true;
    Options lookup = divide;
    lookup.indexLut = true;
    ExpectWithinFixedRounding(Karvex(collection, lookup), Karvex(collection, divide), "table vs division");
}

TEST(KarvexReconstruction, SymmetriesAreNotUsedWhereTheGeometryLacksThem) {
    // A short scan (0 to 200 degrees, so projection i + N/2 is 100 degrees
    // on, not opposite) and a detector lifted by three rows.
    test::FakeCollection shortScan(DefaultAcquisition(), 24, &Phantom(), 200.0 * kPi / 180.0);
    test::Acquisition lifted = DefaultAcquisition();
    lifted.detectorShift = 3 * lifted.height / lifted.rows;
    test::FakeCollection liftedScan(lifted, 24, &Phantom());
    for (test::FakeCollection* c : {&shortScan, &liftedScan}) {
        for (bool fixedPoint : {false, true}) {
            Options off = Plain();
            off.fixedPoint = fixedPoint;
            // 200 degrees is short of pi plus this fan (208 degrees): the
            // short-scan check would refuse the arc.
            off.shortScan = false;
            Options on = off;
            on.symmetry = true;
            Plan plan;
            const auto full = Karvex(*c, off), symmetric = Karvex(*c, on, 2, &plan);
            EXPECT_TRUE(plan.angular);  // asked for, then refused pair by pair
            EXPECT_EQ(plan.pairsOpposite, c == &shortScan ? 0 : 12);
            EXPECT_EQ(plan.batchesMirrored, c == &shortScan ? 1 : 0);
            const std::string what = std::string(c == &shortScan ? "short scan" : "lifted detector") +
                                     (fixedPoint ? ", fixed point" : ", floating point");
            if (fixedPoint) ExpectWithinFixedRounding(symmetric, full, what);
            else EXPECT_LE(MaxDifference(full, symmetric), 1e-5 * Peak(full)) << what;
        }
    }
}

TEST(KarvexReconstruction, ALiftedDetectorIsReconstructedWhereTheObjectIs) {
    // The lifted scan sees the same object as the centred one, three rows
    // higher on the detector: the volumes agree.
    test::Acquisition lifted = DefaultAcquisition();
    lifted.detectorShift = 3 * lifted.height / lifted.rows;
    // A ball small enough for both detectors to see it whole.
    const test::AnalyticPhantom ball{{test::Ellipsoid::Ball(0.4, 1.0)}};
    test::FakeCollection centred(DefaultAcquisition(), 24, &ball), up(lifted, 24, &ball);
    const auto a = Karvex(centred, Plain()), b = Karvex(up, Plain());
    EXPECT_LE(RmsDifference(a, b), 0.02 * Peak(a));
}

TEST(KarvexReconstruction, SameBytesOnOneThreadAsOnMany) {
    test::FakeCollection collection(DefaultAcquisition(), 24, &Phantom());
    std::vector<Options> combinations;
    for (int bits = 0; bits < 64; ++bits) {
        Options o;
        o.filtering = bits & 1;
        o.pad = bits & 2;
        o.realFft = bits & 4;
        o.symmetry = bits & 8;
        o.fixedPoint = bits & 16;
        o.indexLut = o.skipInterpolation = bits & 32;
        combinations.push_back(o);
    }
    for (const Options& o : combinations) {
        const auto one = Karvex(collection, o, 1);
        const auto many = Karvex(collection, o, 3);
        EXPECT_EQ(std::memcmp(one.data(), many.data(), one.size() * sizeof(float)), 0)
            << o.filtering << o.pad << o.realFft << o.symmetry << o.fixedPoint << o.indexLut;
    }
}

TEST(KarvexReconstruction, SameBytesWithAndWithoutTheVectorUnits) {
    test::FakeCollection collection(DefaultAcquisition(), 24, &Phantom());
    for (int bits = 0; bits < 16; ++bits) {
        Options o = Plain();
        o.symmetry = bits & 1;
        o.fixedPoint = bits & 2;
        o.indexLut = bits & 4;
        o.skipInterpolation = bits & 8;
        CVoxelBackprojection::UseVectorUnits(false);
        const auto scalar = Karvex(collection, o);
        CVoxelBackprojection::UseVectorUnits(true);
        const auto vector = Karvex(collection, o);
        EXPECT_EQ(std::memcmp(scalar.data(), vector.data(), scalar.size() * sizeof(float)), 0) << bits;
    }
}

}  // namespace
}  // namespace voxmill
