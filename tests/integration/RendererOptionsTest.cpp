// The renderers' options end to end, on the projector's scans through the
// backprojector: bilinear detector sampling against nearest neighbour, the
// filter windows' noise, and Tessor's zero padding against Karvex's.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>

#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "phantom/Phantom.h"
#include "reconstruction/Volume.h"
#include "tests/integration/ReconstructionCheck.h"
#include "tests/integration/ScanRoad.h"

namespace voxmill::test {
namespace {

// Root mean square of recon - reference over the voxels of `mask`.
double Rmse(const CVolume& recon, const CVolume& reference, const VoxelMask& mask) {
    const float* r = recon.GetVoxels();
    const float* ref = reference.GetVoxels();
    double sum = 0;
    std::size_t n = 0;
    for (std::size_t v = 0; v < mask.size(); ++v) {
        if (!mask[v]) continue;
        const double d = static_cast<double>(r[v]) - ref[v];
        sum += d * d;
        ++n;
    }
    return n ? std::sqrt(sum / static_cast<double>(n)) : 0.0;
}

// Mean and standard deviation of recon over `mask`.
std::pair<double, double> MeanAndDeviation(const CVolume& recon, const VoxelMask& mask) {
    const float* r = recon.GetVoxels();
    double sum = 0, sum2 = 0;
    std::size_t n = 0;
    for (std::size_t v = 0; v < mask.size(); ++v) {
        if (!mask[v]) continue;
        sum += r[v];
        sum2 += static_cast<double>(r[v]) * r[v];
        ++n;
    }
    const double mean = sum / static_cast<double>(n);
    return {mean, std::sqrt(std::max(0.0, sum2 / static_cast<double>(n) - mean * mean))};
}

// A road with its options set; fails the test when one is refused.
std::unique_ptr<CRendererRoad> Road(const char* module, const char* name,
                                    std::initializer_list<std::pair<const char*, const char*>> options) {
    auto road = std::make_unique<CRendererRoad>(module, name);
    EXPECT_TRUE(road->Ready()) << road->Problem();
    std::string problem;
    for (const auto& [option, value] : options) EXPECT_TRUE(road->SetOption(option, value, &problem)) << problem;
    return road;
}

struct Roads {
    const char* module;
    const char* name;
    const char* collectionOption;
};

const Roads kRenderers[] = {{VOXMILL_TESSOR_MODULE, "Tessor", "IsProcessCollection"},
                            {VOXMILL_KARVEX_MODULE, "Karvex", "IsFiltering"}};

TEST(RendererOptions, BilinearSamplingBeatsNearestNeighbourOnBothRenderers) {
    // The head scan (180 projections of 128 x 128) into 128^3 voxels, two
    // voxels per detector cell at the axis.
    const auto head = SheppLoganHead();
    const Acquisition scan = HeadScan();
    std::string problem;
    const auto collection = Project(*head, scan, &problem);
    ASSERT_TRUE(collection) << problem;
    std::unique_ptr<CVolume> reference;
    for (const Roads& r : kRenderers) {
        double rmse[2] = {};
        for (const char* mode : {"0", "1"}) {
            auto road = Road(r.module, r.name, {{r.collectionOption, "1"}, {"InterpolationMode", mode}});
            if (!reference) reference = road->Voxelize(*head, Cube(128), &problem);
            ASSERT_TRUE(reference) << problem;
            const auto recon = road->Reconstruct(*collection, Cube(128), &problem);
            ASSERT_TRUE(recon) << problem;
            const CReconstructionCheck check(*reference, *head, scan.FieldOfView());
            rmse[mode[0] - '0'] = Rmse(*recon, *reference, check.FieldOfView());
        }
        std::printf("%s field-of-view RMSE: nearest %.5f, bilinear %.5f\n", r.name, rmse[0], rmse[1]);
        EXPECT_LT(rmse[1], rmse[0]) << r.name;
        EXPECT_GT(rmse[1], 0.0);
    }
}

TEST(RendererOptions, WindowsPassLessNoiseInTheirDocumentedOrder) {
    // A uniform ball, Gaussian noise of 2 % of the central line integral
    // added to every pixel.
    const auto ball = UniformBall(0.6, 0.2f);
    Acquisition scan;
    scan.columns = scan.rows = 48;
    scan.snapshots = 60;
    std::string problem;
    const auto collection = Project(*ball, scan, &problem);
    ASSERT_TRUE(collection) << problem;
    std::mt19937 random(20);
    std::normal_distribution<float> noise(0.0f, 0.02f * 0.24f);
    for (std::size_t n = 0; n < collection->GetCount(); ++n) {
        CProjection* p = collection->GetProjection(n);
        ASSERT_NE(p, nullptr);
        float* pixels = p->GetPixels();
        for (std::size_t i = 0; i < std::size_t{p->GetWidth()} * p->GetHeight(); ++i) pixels[i] += noise(random);
    }
    for (const Roads& r : kRenderers) {
        double previous = 1e9;
        std::unique_ptr<CVolume> reference;
        for (const char* window : {"0", "1", "2", "3", "4"}) {
            auto road = Road(r.module, r.name, {{r.collectionOption, "1"}, {"FilterWindow", window}});
            if (!reference) reference = road->Voxelize(*ball, Cube(32), &problem);
            ASSERT_TRUE(reference) << problem;
            const auto recon = road->Reconstruct(*collection, Cube(32), &problem);
            ASSERT_TRUE(recon) << problem;
            const CReconstructionCheck check(*reference, *ball, scan.FieldOfView());
            const VoxelMask inside = check.UniformRegion(0.2f, 2);
            const auto [mean, deviation] = MeanAndDeviation(*recon, inside);
            std::printf("%s window %s: mean %.5f, deviation %.5f\n", r.name, window, mean, deviation);
            // Every window passes the mean (its gain at zero frequency is 1).
            EXPECT_NEAR(mean, 0.2, 0.03 * 0.2) << r.name << " window " << window;
            EXPECT_LT(deviation, previous) << r.name << " window " << window;
            previous = deviation;
        }
    }
}

TEST(RendererOptions, TessorZeroPaddingFiltersAsKarvexPaddingDoes) {
    // The default 4-wide detector, where padding matters (the head fills it).
    const auto head = SheppLoganHead();
    Acquisition scan;
    scan.columns = scan.rows = 48;
    scan.snapshots = 30;
    std::string problem;
    const auto collection = Project(*head, scan, &problem);
    ASSERT_TRUE(collection) << problem;
    auto karvex = Road(VOXMILL_KARVEX_MODULE, "Karvex",
                       {{"IsFixedPoint", "0"}, {"IsAllowedSimmetryBoost", "0"}, {"IsPadFFT", "1"}});
    auto padded = Road(VOXMILL_TESSOR_MODULE, "Tessor", {{"IsProcessCollection", "1"}, {"ZeroPadding", "1"}});
    auto wrapped = Road(VOXMILL_TESSOR_MODULE, "Tessor", {{"IsProcessCollection", "1"}});
    const auto k = karvex->Reconstruct(*collection, Cube(24), &problem);
    ASSERT_TRUE(k) << problem;
    const auto p = padded->Reconstruct(*collection, Cube(24), &problem);
    ASSERT_TRUE(p) << problem;
    const auto w = wrapped->Reconstruct(*collection, Cube(24), &problem);
    ASSERT_TRUE(w) << problem;
    // Karvex scales each view by 2 pi / N, Tessor the sum: rounding apart.
    const VolumeDifference same = CReconstructionCheck::Compare(*k, *p);
    const VolumeDifference apart = CReconstructionCheck::Compare(*k, *w);
    std::printf("Tessor padded vs Karvex %.2e, unpadded %.2e\n", same.Relative(), apart.Relative());
    EXPECT_LT(same.Relative(), 1e-5);
    EXPECT_GT(apart.Relative(), 1e-3);
}

}  // namespace
}  // namespace voxmill::test
