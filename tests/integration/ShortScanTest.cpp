// Short scans end to end: a uniform ball and the Shepp-Logan head projected
// over pi plus the fan angle and over 240 degrees, reconstructed with and
// without Parker's weights by Tessor and Karvex, against full-turn scans.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "acquisition/ProjectionCollection.h"
#include "phantom/Phantom.h"
#include "reconstruction/Volume.h"
#include "tests/integration/ReconstructionCheck.h"
#include "tests/integration/ScanRoad.h"

namespace voxmill::test {
namespace {

constexpr double kDegrees = 180.0 / 3.141592653589793;
constexpr std::uint32_t kVoxels = 32;

double FieldRmse(const CVolume& recon, const CVolume& reference, const VoxelMask& field) {
    double sum = 0;
    std::size_t n = 0;
    for (std::size_t v = 0; v < field.size(); ++v) {
        if (!field[v]) continue;
        const double d = static_cast<double>(recon.GetVoxels()[v]) - reference.GetVoxels()[v];
        sum += d * d;
        ++n;
    }
    return std::sqrt(sum / static_cast<double>(n));
}

// An 8-wide detector of 64 columns (the head leaves room for the ramp's
// tails), R = 4, D = 8: gamma_max = atan(1/2), pi + 2 gamma_max = 233.13
// degrees.
Acquisition Scan(double coveredDegrees, int snapshots) {
    Acquisition a;
    a.width = a.height = 8.0;
    a.columns = a.rows = 64;
    a.snapshots = snapshots;
    // Snapshot k sits at k arc / N: the last one at arc (N - 1) / N.
    a.arc = coveredDegrees * snapshots / (snapshots - 1);
    return a;
}

double MinimalArc() { return 180.0 + 2.0 * std::atan(0.5) * kDegrees; }

struct Outcome {
    double mean = 0, rmse = 0;
    double regionRmse = 0;  // over the uniform region, where blur does not enter
};

struct Case {
    const char* name;
    std::unique_ptr<CPhantom> phantom;
    float mu;  // of the uniform region measured
};

std::unique_ptr<CVolume> Reconstruct(const char* module, const char* name, const std::string& weighting,
                             CProjectionCollection& collection, std::string* problem) {
    CRendererRoad road(module, name);
    if (!road.Ready()) {
        *problem = road.Problem();
        return nullptr;
    }
    const bool tessor = std::string(name) == "Tessor";
    if (!road.SetOption("ShortScanWeighting", weighting, problem)) return nullptr;
    // Karvex on its float path without padding filters as Tessor does.
    if (!tessor && (!road.SetOption("IsFixedPoint", "0", problem) || !road.SetOption("IsPadFFT", "0", problem)))
        return nullptr;
    if (tessor && !road.SetOption("IsProcessCollection", "1", problem)) return nullptr;
    return road.Reconstruct(collection, Cube(kVoxels), problem);
}

TEST(ShortScan, ParkerWeightsRestoreTheScaleOfFullScansOnBothRenderers) {
    Case cases[] = {{"uniform ball", UniformBall(0.8, 0.2f), 0.2f}, {"Shepp-Logan head", SheppLoganHead(), 0.2f}};
    for (Case& c : cases) {
        std::string problem;
        CRendererRoad voxelizer(VOXMILL_TESSOR_MODULE, "Tessor");
        ASSERT_TRUE(voxelizer.Ready()) << voxelizer.Problem();
        const auto reference = voxelizer.Voxelize(*c.phantom, Cube(kVoxels), &problem);
        ASSERT_TRUE(reference) << problem;
        const Acquisition full = Scan(360.0 * 179 / 180, 180);
        const CReconstructionCheck check(*reference, *c.phantom, full.FieldOfView());
        const VoxelMask region = check.UniformRegion(c.mu, 2);
        ASSERT_GT(std::count(region.begin(), region.end(), 1), 100) << c.name;
        auto measure = [&](const CVolume& v) {
            const ReconstructionFigures f = check.Measure(v, region);
            return Outcome{f.regionMean, FieldRmse(v, *reference, check.FieldOfView()), FieldRmse(v, *reference, region)};
        };
        const auto fullScan = Project(*c.phantom, full, &problem);
        ASSERT_TRUE(fullScan) << problem;
        const auto fullRecon = Reconstruct(VOXMILL_TESSOR_MODULE, "Tessor", "1", *fullScan, &problem);
        ASSERT_TRUE(fullRecon) << problem;
        const Outcome base = measure(*fullRecon);
        std::printf("%s, full turn: mean %.4f, field RMSE %.4f (uniform part %.4f)\n", c.name, base.mean, base.rmse,
                    base.regionRmse);

        for (const double arc : {MinimalArc(), 240.0}) {
            const Acquisition a = Scan(arc, static_cast<int>(std::lround(arc / 2.0)) + 1);
            const auto collection = Project(*c.phantom, a, &problem);
            ASSERT_TRUE(collection) << problem;
            std::unique_ptr<CVolume> weighed[2];
            int r = 0;
            for (const auto& [module, name] : {std::pair{VOXMILL_TESSOR_MODULE, "Tessor"},
                                               std::pair{VOXMILL_KARVEX_MODULE, "Karvex"}}) {
                weighed[r] = Reconstruct(module, name, "1", *collection, &problem);
                ASSERT_TRUE(weighed[r]) << problem;
                const auto plain = Reconstruct(module, name, "0", *collection, &problem);
                ASSERT_TRUE(plain) << problem;
                const Outcome w = measure(*weighed[r]), p = measure(*plain);
                std::printf("%s, %s over %.2f degrees: weighed mean %.4f RMSE %.4f (uniform part %.4f); "
                            "unweighed mean %.4f RMSE %.4f (uniform part %.4f)\n",
                            c.name, name, arc, w.mean, w.rmse, w.regionRmse, p.mean, p.rmse, p.regionRmse);
                EXPECT_NEAR(w.mean, c.mu, 0.03 * c.mu) << c.name << " " << name << " " << arc;
                EXPECT_LT(w.rmse, 1.25 * base.rmse) << c.name << " " << name << " " << arc;
                // Unweighed, the rays seen twice count twice: a slope across
                // the uniform part that the weights remove.
                EXPECT_GT(p.rmse, w.rmse) << c.name << " " << name << " " << arc;
                EXPECT_GT(p.regionRmse, 2.0 * w.regionRmse) << c.name << " " << name << " " << arc;
                ++r;
            }
            const VolumeDifference agree = CReconstructionCheck::Compare(*weighed[0], *weighed[1]);
            EXPECT_LT(agree.Relative(), 1e-5) << c.name << " " << arc;
        }
    }
}

TEST(ShortScan, AnArcShortOfPiPlusTheFanIsReconstructedUnweightedAndReported) {
    const auto ball = UniformBall(0.6, 0.2f);
    std::string problem;
    const auto collection = Project(*ball, Scan(200.0, 21), &problem);
    ASSERT_TRUE(collection) << problem;
    for (const auto& [module, name] :
         {std::pair{VOXMILL_TESSOR_MODULE, "Tessor"}, std::pair{VOXMILL_KARVEX_MODULE, "Karvex"}}) {
        problem.clear();
        const auto automatic = Reconstruct(module, name, "1", *collection, &problem);
        ASSERT_TRUE(automatic) << name << " " << problem;
        EXPECT_NE(problem.find("0x00040301"), std::string::npos) << problem;
        problem.clear();
        const auto off = Reconstruct(module, name, "0", *collection, &problem);
        ASSERT_TRUE(off) << name << " " << problem;
        EXPECT_TRUE(problem.empty()) << problem;
        // Exactly what the weighting switched off gives.
        EXPECT_EQ(CReconstructionCheck::Compare(*automatic, *off).Relative(), 0.0) << name;
    }
}

}  // namespace
}  // namespace voxmill::test
