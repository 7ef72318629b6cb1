// The backprojection's field of view, its guard against rows off the
// detector, and bit-identical results for any number of threads.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "renderers/common/ProjectionGeometry.h"
#include "renderers/tessor/TessorReconstruction.h"
#include "renderers/common/VolumeGrid.h"
#include "renderers/common/VoxelBackprojection.h"
#include "tests/renderers/common/FakeCollection.h"
#include "tests/renderers/common/FakeProjection.h"
#include "tests/renderers/common/FakeProgress.h"
#include "tests/renderers/common/FakeVolume.h"

namespace voxmill {
namespace {

// Deterministic pixels in [0.5, 1.5), so that filtered values are not zero.
void FillPseudoRandom(std::vector<float>& pixels) {
    unsigned state = 12345;
    for (float& p : pixels) {
        state = state * 1103515245u + 12345u;
        p = 0.5f + static_cast<float>((state >> 8) & 0xFFFF) / 65536.0f;
    }
}

TEST(Backprojection, VoxelsOnTheFieldOfViewBoundaryAreLeftAlone) {
    // R = 5, D = 8 and a 12 x 12 detector: r^2 = 25 * 144 / (256 + 144) = 9
    // and rho = 1 exactly, so the field of view is the ball of radius 3,
    // and the 7^3 voxels of unit pitch sit on integer coordinates.
    test::Acquisition a;
    a.Ds = 5;
    a.Dd = 3;
    a.width = a.height = 12;
    a.columns = a.rows = 16;
    test::FakeProjection p(a, 0.0);
    FillPseudoRandom(p.Pixels());
    test::FakeVolume volume(7.0, 7);
    for (float& v : volume.Voxels()) v = 7.0f;

    ASSERT_EQ(CTessorReconstruction(2).ProcessProjection(&p, &volume), S_OK);
    int inside = 0, changed = 0;
    for (int k = 0; k < 7; ++k) {
        for (int j = 0; j < 7; ++j) {
            for (int i = 0; i < 7; ++i) {
                const double x = volume.X(i), y = volume.Y(j), z = volume.Z(k);
                const float v = volume.At(i, j, k);
                if (x * x + y * y + z * z >= 9.0) {
                    EXPECT_EQ(v, 7.0f) << x << " " << y << " " << z;
                } else {
                    ++inside;
                    changed += v != 7.0f;
                }
            }
        }
    }
    EXPECT_EQ(volume.At(6, 3, 3), 7.0f);  // x = 3, y = 0, z = 0: x^2 + z^2 = r^2
    EXPECT_EQ(volume.At(3, 3, 0), 7.0f);  // z = 3
    EXPECT_EQ(volume.At(3, 0, 3), 7.0f);  // y = 3 on the ellipsoid
    EXPECT_NE(volume.At(5, 3, 5), 7.0f);  // x = z = 2: 8 < 9
    EXPECT_EQ(changed, inside);
}

TEST(Backprojection, RowsOffAWideDetectorAreNeverRead) {
    // With a detector wider than tall the field of view reaches past the
    // top and bottom rows near the source side.
    test::Acquisition a;
    a.width = 4;
    a.height = 0.5;
    a.columns = 32;
    a.rows = 4;
    test::FakeProjection p(a, 0.25);
    CProjectionGeometry g;
    ASSERT_EQ(CProjectionGeometry::Read(&p, &g), S_OK);
    // Fine in y, so that voxels reach the top of the field of view.
    test::FakeVolume volume(2.0, 0.3, 2.0, 24, 60, 24);
    CVolumeGrid grid;
    ASSERT_EQ(CVolumeGrid::Read(&volume, &grid), S_OK);

    // The work buffer between rows of NaN: a read off the detector shows.
    const std::size_t pixels = static_cast<std::size_t>(a.columns) * a.rows;
    std::vector<float> memory(pixels + 2 * static_cast<std::size_t>(a.columns) * 8,
                              std::numeric_limits<float>::quiet_NaN());
    float* work = memory.data() + static_cast<std::size_t>(a.columns) * 8;
    std::fill(work, work + pixels, 1.0f);
    const auto view = CVoxelBackprojection::MakeView(g, g, work);

    int offDetector = 0;
    for (int k = 0; k < 24; ++k) {
        for (int i = 0; i < 24; ++i) {
            const double x = grid.x[i], z = grid.z[k];
            if (!view.fov.ContainsColumn(x * x, z * z)) continue;
            const float m = static_cast<float>(g.D / (g.R - (g.c * x + g.e * z)));
            for (int j = 0; j < 60; ++j) {
                const double y = grid.y[j];
                if (!view.fov.Contains(x * x, y * y, z * z)) continue;
                const double row = std::trunc((g.vMax - y * m) / g.dv + 0.5);
                offDetector += row < 0 || row >= a.rows;
            }
        }
    }
    ASSERT_GT(offDetector, 0);

    CVoxelBackprojection::Run(grid, {view}, 2);
    int touched = 0;
    for (float v : volume.Voxels()) {
        ASSERT_TRUE(std::isfinite(v));
        touched += v != 0.0f;
    }
    EXPECT_GT(touched, 5000);
}

TEST(Backprojection, SameBytesOnOneThreadAsOnMany) {
    test::AnalyticPhantom phantom{{test::Ellipsoid::Ball(0.6, 1.0), {0.2, -0.1, 0.1, 0.2, 0.3, 0.15, 0.5}}};
    test::Acquisition a;
    a.columns = 40;
    a.rows = 30;
    a.width = 4;
    a.height = 3;
    test::FakeCollection collection(a, 24, &phantom);

    auto reconstruct = [&](int threads, bool wholeCollection) {
        // Odd, unequal counts so slabs, lines and rows do not divide evenly.
        test::FakeVolume volume(2.0, 1.5, 2.2, 29, 17, 23);
        test::FakeProgress progress;
        const CTessorReconstruction r(threads);
        if (wholeCollection) {
            EXPECT_EQ(r.ProcessCollection(&progress, &collection, &volume), S_OK);
        } else {
            for (int n = 0; n < collection.Count(); ++n)
                EXPECT_EQ(r.ProcessProjection(&collection.Projection(n), &volume), S_OK);
        }
        return volume.Voxels();
    };
    for (bool whole : {false, true}) {
        const auto one = reconstruct(1, whole);
        double peak = 0;
        for (float v : one) peak = std::max(peak, std::abs(static_cast<double>(v)));
        EXPECT_GT(peak, 0.1);
        for (int threads : {2, 3, 8}) {
            const auto many = reconstruct(threads, whole);
            EXPECT_EQ(std::memcmp(one.data(), many.data(), one.size() * sizeof(float)), 0)
                << threads << " threads, collection " << whole;
        }
    }
}

// One view of a 4 x 4 detector of 16 x 12 cells turned by 0.3 rad, with its
// work buffer between rows of NaN: a read off the detector shows.
struct BilinearBench {
    test::Acquisition a;
    CProjectionGeometry g;
    std::vector<float> memory;
    float* work = nullptr;

    BilinearBench() {
        a.columns = 16;
        a.rows = 12;
        a.height = 3;
        test::FakeProjection p(a, 0.3);
        EXPECT_EQ(CProjectionGeometry::Read(&p, &g), S_OK);
        const std::size_t pixels = static_cast<std::size_t>(a.columns) * a.rows;
        memory.assign(pixels + 2 * static_cast<std::size_t>(a.columns) * 4, std::numeric_limits<float>::quiet_NaN());
        work = memory.data() + static_cast<std::size_t>(a.columns) * 4;
    }
    std::vector<float> Run(bool bilinear, bool mirror = false, bool fixedPoint = false) {
        test::FakeVolume volume(2.0, 19);
        CVolumeGrid grid;
        EXPECT_EQ(CVolumeGrid::Read(&volume, &grid), S_OK);
        CVoxelBackprojection::Switches s;
        s.bilinear = bilinear;
        s.axialMirror = mirror;
        s.fixedPoint = fixedPoint;
        CVoxelBackprojection::Run(grid, {CVoxelBackprojection::MakeView(g, g, work)}, 2, s);
        return volume.Voxels();
    }
};

TEST(Backprojection, ConstantDetectorGivesTheSameVolumeNearestOrBilinear) {
    BilinearBench bench;
    std::fill(bench.work, bench.work + static_cast<std::size_t>(bench.a.columns) * bench.a.rows, 2.5f);
    const auto nearest = bench.Run(false);
    int touched = 0;
    for (bool mirror : {false, true}) {
        const auto bilinear = bench.Run(true, mirror);
        for (std::size_t n = 0; n < nearest.size(); ++n) {
            ASSERT_TRUE(std::isfinite(bilinear[n]));
            EXPECT_NEAR(bilinear[n], nearest[n], 1e-6 * std::abs(nearest[n])) << n << " mirror " << mirror;
            touched += nearest[n] != 0.0f;
        }
    }
    EXPECT_GT(touched, 2000);
    // Fixed point has no bilinear sampler: the float path is taken instead.
    const auto asked = bench.Run(true, false, true);
    const auto floating = bench.Run(true);
    EXPECT_EQ(std::memcmp(asked.data(), floating.data(), asked.size() * sizeof(float)), 0);
}

TEST(Backprojection, BilinearSamplingFollowsADetectorLinearInColumnsAndRows) {
    // work = column + 10 row: bilinear sampling reproduces it exactly at the
    // voxel's point, nearest only to the cell.
    BilinearBench bench;
    const int columns = bench.a.columns, rows = bench.a.rows;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) bench.work[r * columns + c] = static_cast<float>(c + 10 * r);
    const auto linear = bench.Run(true), nearest = bench.Run(false);
    test::FakeVolume volume(2.0, 19);
    CVolumeGrid grid;
    ASSERT_EQ(CVolumeGrid::Read(&volume, &grid), S_OK);
    const CProjectionGeometry& g = bench.g;
    int checked = 0;
    double nearestWorst = 0;
    for (int k = 0; k < 19; ++k) {
        for (int j = 0; j < 19; ++j) {
            for (int i = 0; i < 19; ++i) {
                const double x = grid.x[i], y = grid.y[j], z = grid.z[k];
                const double L = g.R - (g.c * x + g.e * z);
                const float m = static_cast<float>(g.D / L);
                const double col = ((g.a * x + g.b * z) * m - g.uMin) / g.du;
                const double row = (g.vMax - y * m) / g.dv;
                // Inside the detector's cell centres, where no edge repeats.
                if (col < 0 || col > columns - 1 || row < 0 || row > rows - 1) continue;
                const double w = static_cast<float>(g.R * g.R / (L * L));
                const std::size_t n = (static_cast<std::size_t>(k) * 19 + j) * 19 + i;
                if (linear[n] == 0.0f) continue;  // outside the field of view
                EXPECT_NEAR(linear[n], w * (col + 10 * row), 1e-4 * w * (col + 10 * row + 1)) << i << " " << j << " " << k;
                nearestWorst = std::max(nearestWorst, std::abs(nearest[n] - w * (col + 10 * row)) / w);
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 1000);
    EXPECT_GT(nearestWorst, 1.0);  // the nearest cell is off by up to half a cell each way
}

}  // namespace
}  // namespace voxmill
