// End to end: analytic projections of balls and ellipsoids reconstructed in
// both modes. The values must be in MU whatever the detector size,
// distances, column count (and so FFT length), without a halo around the
// object, and the same in both modes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "contract/Ole.h"
#include "renderers/common/FieldOfView.h"
#include "renderers/tessor/TessorCtrl.h"
#include "tests/renderers/common/FakeCollection.h"
#include "tests/renderers/common/FakeProgress.h"
#include "tests/renderers/common/FakeVolume.h"

namespace voxmill {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr int kProjections = 300;
constexpr int kVoxels = 48;
constexpr double kVolumeSize = 2.0;

struct Scan {
    std::string name;
    test::Acquisition acquisition;
};

test::Acquisition Make(double Ds, double Dd, double size, int columns) {
    test::Acquisition a;
    a.Ds = Ds;
    a.Dd = Dd;
    a.width = a.height = size;
    a.columns = a.rows = columns;
    return a;
}

// Reconstructs in projection mode (with the program's 2 pi / N after the
// loop) or in collection mode.
std::unique_ptr<test::FakeVolume> Reconstruct(test::FakeCollection& collection, bool collectionMode) {
    auto volume = std::make_unique<test::FakeVolume>(kVolumeSize, kVoxels);
    CTessorCtrl* ctrl = CTessorCtrl::Create();
    VARIANT on;
    on.vt = VT_BOOL;
    on.boolVal = collectionMode ? VARIANT_TRUE : VARIANT_FALSE;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&on, &named, 1, 1};
    EXPECT_EQ(ctrl->Invoke(2, GUID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr), S_OK);
    test::FakeProgress progress;
    if (collectionMode) {
        EXPECT_EQ(ctrl->ProcessCollection(&progress, &collection, volume.get()), S_OK);
    } else {
        for (int n = 0; n < collection.Count(); ++n)
            EXPECT_EQ(ctrl->ProcessProjection(&progress, &collection.Projection(n), volume.get()), S_OK);
        for (float& v : volume->Voxels())
            v = static_cast<float>(static_cast<double>(v) * 2.0 * kPi / collection.Count());
    }
    ctrl->Release();
    return volume;
}

// Mean of f(voxel value) over the voxels whose centres pass `select`.
double Mean(test::FakeVolume& v, const std::function<bool(double, double, double)>& select,
            const std::function<double(float)>& f = [](float x) { return x; }) {
    double sum = 0;
    long count = 0;
    for (int k = 0; k < kVoxels; ++k)
        for (int j = 0; j < kVoxels; ++j)
            for (int i = 0; i < kVoxels; ++i)
                if (select(v.X(i), v.Y(j), v.Z(k))) {
                    sum += f(v.At(i, j, k));
                    ++count;
                }
    EXPECT_GT(count, 0);
    return count ? sum / count : 0.0;
}

struct Difference {
    double peak = 0;     // largest |a|
    double largest = 0;  // largest |a - b|
    long beyond = 0;     // voxels where |a - b| > 1e-5 peak
};

Difference Compare(const std::vector<float>& a, const std::vector<float>& b) {
    Difference d;
    for (std::size_t n = 0; n < a.size(); ++n) d.peak = std::max(d.peak, std::abs(static_cast<double>(a[n])));
    for (std::size_t n = 0; n < a.size(); ++n) {
        const double diff = std::abs(static_cast<double>(a[n]) - b[n]);
        d.largest = std::max(d.largest, diff);
        d.beyond += diff > 1e-5 * d.peak;
    }
    return d;
}

TEST(ReconstructionAccuracy, UniformBallComesOutInMuForEveryDetectorAndFftLength) {
    const double radius = 0.5;
    const test::AnalyticPhantom ball{{test::Ellipsoid::Ball(radius, 1.0)}};
    const std::vector<Scan> scans = {
        {"4 x 4 detector, Ds = Dd = 4, 64 columns", Make(4, 4, 4.0, 64)},
        {"3 x 3 detector, Dd = 2, 50 columns", Make(4, 2, 3.0, 50)},
        {"6.5 x 6.5 detector, Ds = 5, Dd = 8, 96 columns", Make(5, 8, 6.5, 96)},
        {"2.8 x 2.8 detector, Ds = 3, Dd = 1, 72 columns", Make(3, 1, 2.8, 72)},
    };
    const double pitch = kVolumeSize / kVoxels;
    std::vector<double> means;
    for (const Scan& scan : scans) {
        SCOPED_TRACE(scan.name);
        const test::Acquisition& a = scan.acquisition;
        test::FakeCollection collection(a, kProjections, &ball);
        const auto byProjection = Reconstruct(collection, false);
        const auto byCollection = Reconstruct(collection, true);

        const double mean = Mean(*byProjection, [&](double x, double y, double z) {
            return x * x + y * y + z * z < 0.64 * radius * radius;
        });
        EXPECT_NEAR(mean, 1.0, 0.03);
        means.push_back(mean);

        const auto fov = CFieldOfView::From(a.Ds, a.Ds + a.Dd, a.width, a.height);
        const double clear = radius + 3 * pitch;
        const double halo = Mean(
            *byProjection,
            [&](double x, double y, double z) {
                return fov.Contains(x * x, y * y, z * z) && x * x + y * y + z * z > clear * clear;
            },
            [](float v) { return std::abs(v); });
        EXPECT_LT(halo, 0.05);

        // Projections report their distances through floats, so each one's
        // R and D differ from entry 0's in the last bits; where that moves
        // a voxel across a detector cell boundary the nearest cell changes.
        // That happens to a few voxels in ten thousand at most.
        const Difference d = Compare(byProjection->Voxels(), byCollection->Voxels());
        EXPECT_LE(d.beyond, kVoxels * kVoxels * kVoxels / 10000);
        EXPECT_LE(d.largest, 1e-4 * d.peak);
        RecordProperty(scan.name, "mean " + std::to_string(mean) + ", halo " + std::to_string(halo) +
                                      ", modes differ by " + std::to_string(d.largest / d.peak) + " of the peak at " +
                                      std::to_string(d.beyond) + " voxels");
    }
    const auto [low, high] = std::minmax_element(means.begin(), means.end());
    EXPECT_LT(*high - *low, 0.02 * *low);
}

TEST(ReconstructionAccuracy, ModesGiveTheSameBitsWhenTheDistancesAgreeExactly) {
    // At multiples of 90 degrees every projection reports R and D exactly.
    const test::AnalyticPhantom ball{{test::Ellipsoid::Ball(0.5, 1.0), {0.1, 0.2, -0.1, 0.2, 0.1, 0.3, 0.5}}};
    test::FakeCollection collection(Make(4, 2, 3.0, 50), 4, &ball);
    const auto byProjection = Reconstruct(collection, false);
    const auto byCollection = Reconstruct(collection, true);
    EXPECT_EQ(byProjection->Voxels(), byCollection->Voxels());
    EXPECT_GT(Compare(byProjection->Voxels(), byCollection->Voxels()).peak, 0.1);
}

TEST(ReconstructionAccuracy, NestedEllipsoidsKeepTheirContrasts) {
    // Shepp-Logan-like: a shell, a low-contrast interior and two inserts.
    const test::AnalyticPhantom head{{
        {0, 0, 0, 0.55, 0.70, 0.62, 1.0},
        {0, 0, 0, 0.50, 0.65, 0.57, -0.8},
        {-0.22, 0, 0, 0.2, 0.2, 0.2, 0.3},
        {0.22, 0.1, 0.05, 0.14, 0.25, 0.15, 0.2},
    }};
    test::FakeCollection collection(Make(4, 4, 6.0, 96), kProjections, &head);
    const auto volume = Reconstruct(collection, true);
    const double margin = 1.5 * kVolumeSize / kVoxels;
    // Voxels whose whole neighbourhood has the MU `mu`.
    auto wellInside = [&](double mu) {
        return [&head, margin, mu](double x, double y, double z) {
            for (int dx = -1; dx <= 1; ++dx)
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dz = -1; dz <= 1; ++dz)
                        if (std::abs(head.Mu(x + dx * margin, y + dy * margin, z + dz * margin) - mu) > 1e-9)
                            return false;
            return true;
        };
    };
    for (double mu : {0.2, 0.5, 0.4}) {
        const double mean = Mean(*volume, wellInside(mu));
        EXPECT_NEAR(mean, mu, 0.03);
        RecordProperty("region " + std::to_string(mu), std::to_string(mean));
    }
}

}  // namespace
}  // namespace voxmill
