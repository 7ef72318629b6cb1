// The cut of a volume into slabs of z layers and the weights that balance it.
#include <gtest/gtest.h>

#include <numeric>

#include "mpi/Slabs.h"
#include "renderers/common/FieldOfView.h"

namespace voxmill::mpi {
namespace {

std::vector<std::uint32_t> Counts(const std::vector<Slab>& slabs) {
    std::vector<std::uint32_t> counts;
    std::uint32_t next = 0;
    for (const Slab& s : slabs) {
        EXPECT_EQ(s.first, next) << "slabs must follow each other";
        next += s.count;
        counts.push_back(s.count);
    }
    return counts;
}

TEST(Slabs, EqualLayersAreSharedEvenlyAndEveryLayerOnce) {
    EXPECT_EQ(Counts(CutSlabs(std::vector<std::uint64_t>(7, 5), 3)), (std::vector<std::uint32_t>{2, 3, 2}));
    EXPECT_EQ(Counts(CutSlabs(std::vector<std::uint64_t>(7, 5), 2)), (std::vector<std::uint32_t>{4, 3}));
    EXPECT_EQ(Counts(CutSlabs(std::vector<std::uint64_t>(8, 1), 4)), (std::vector<std::uint32_t>{2, 2, 2, 2}));
    EXPECT_EQ(Counts(CutSlabs(std::vector<std::uint64_t>(5, 1), 1)), (std::vector<std::uint32_t>{5}));
    for (int parts = 1; parts <= 9; ++parts) {
        const auto counts = Counts(CutSlabs(std::vector<std::uint64_t>(1000, 3), parts));
        EXPECT_EQ(std::accumulate(counts.begin(), counts.end(), 0u), 1000u);
        for (std::uint32_t c : counts) EXPECT_LE(c, 1000u / parts + 1);
    }
}

TEST(Slabs, HeavyLayersGetTheirOwnSlabsAndEveryRankWorksWhileLayersLast) {
    // The field of view in the middle layers only.
    EXPECT_EQ(Counts(CutSlabs({1, 1, 1, 100, 1, 1, 1}, 3)), (std::vector<std::uint32_t>{3, 1, 3}));
    EXPECT_EQ(Counts(CutSlabs({1, 1, 50, 50, 1, 1}, 2)), (std::vector<std::uint32_t>{3, 3}));
    // All the weight at one end still leaves a layer to each later rank.
    EXPECT_EQ(Counts(CutSlabs({1000, 1, 1, 1}, 4)), (std::vector<std::uint32_t>{1, 1, 1, 1}));
    EXPECT_EQ(Counts(CutSlabs({1, 1, 1, 1000}, 3)), (std::vector<std::uint32_t>{2, 1, 1}));
    // More ranks than layers: the extra ones hold none.
    EXPECT_EQ(Counts(CutSlabs({4, 4}, 3)), (std::vector<std::uint32_t>{1, 1, 0}));
    EXPECT_EQ(Counts(CutSlabs({}, 2)), (std::vector<std::uint32_t>{0, 0}));
    EXPECT_TRUE(CutSlabs({1, 2}, 0).empty());
}

TEST(Slabs, WeightsCountTheVoxelsInViewPlusOnePerLayer) {
    CBackProjector::VolumeSize size;
    size.dimX = 2, size.dimY = 2, size.dimZ = 12;
    size.nX = 8, size.nY = 6, size.nZ = 12;
    // A phantom is sampled everywhere.
    EXPECT_EQ(LayerWeights(size, nullptr), std::vector<std::uint64_t>(12, 8 * 6 + 1));

    const ScanGeometry scan{4, 8, 4, 4};
    const std::vector<std::uint64_t> weights = LayerWeights(size, &scan);
    const CFieldOfView fov = CFieldOfView::From(4, 8, 4, 4);
    ASSERT_EQ(weights.size(), 12u);
    for (std::uint32_t k = 0; k < 12; ++k) {
        std::uint64_t inside = 0;
        const double z = 5.5 - k;
        for (std::uint32_t j = 0; j < size.nY; ++j)
            for (std::uint32_t i = 0; i < size.nX; ++i) {
                const double x = -0.875 + i * 0.25, y = (1 - 1.0 / 6) - j * (2.0 / 6);
                inside += fov.Contains(x * x, y * y, z * z);
            }
        EXPECT_EQ(weights[k], inside + 1) << "layer " << k;
    }
    // Radius 0.97: only the two layers at z = +-0.5 see the scan.
    EXPECT_EQ(weights[0], 1u);
    EXPECT_GT(weights[5], 1u);
    EXPECT_EQ(weights[5], weights[6]);
    EXPECT_EQ(weights[7], 1u);
}

}  // namespace
}  // namespace voxmill::mpi
