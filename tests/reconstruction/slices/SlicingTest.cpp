// Cutting a volume into slices: counts, sizes and extents per axis, every
// pixel against the voxel the orientation table names, positions from the
// last voxel centre down by the pitch, and the world frame each slice
// shows (+y right for X slices, +z up, ...).
#include <gtest/gtest.h>

#include <functional>
#include <span>
#include <stdexcept>

#include "app/ListElementStub.h"
#include "reconstruction/Slice.h"
#include "reconstruction/SliceCollection.h"
#include "reconstruction/Slicing.h"
#include "tests/reconstruction/slices/SliceTestSupport.h"

namespace voxmill::test {
namespace {

using VoxelOf = std::function<float(std::uint32_t s, std::uint32_t c, std::uint32_t r)>;

struct AxisCase {
    const char* name;
    std::uint32_t axis;
    std::uint32_t slices, columns, rows;
    double width, height;
};

// Every pixel of every slice equals the voxel `expected` names.
void ExpectPixels(const CSliceCollection& c, const AxisCase& a, const VoxelOf& expected) {
    ASSERT_EQ(c.GetCount(), a.slices) << a.name;
    for (std::uint32_t s = 0; s < a.slices; ++s) {
        const CSlice* slice = c.GetSlice(s);
        ASSERT_NE(slice, nullptr);
        ASSERT_TRUE(slice->HasPixels());
        ASSERT_EQ(slice->GetWidth(), a.columns) << a.name;
        ASSERT_EQ(slice->GetHeight(), a.rows) << a.name;
        EXPECT_EQ(slice->GetDimX(), a.width) << a.name;
        EXPECT_EQ(slice->GetDimY(), a.height) << a.name;
        EXPECT_EQ(slice->GetAxis(), a.axis);
        std::size_t wrong = 0;
        for (std::uint32_t r = 0; r < a.rows; ++r)
            for (std::uint32_t col = 0; col < a.columns; ++col)
                if (slice->GetPixel(col, r) != expected(s, col, r) && ++wrong <= 3)
                    ADD_FAILURE() << a.name << " slice " << s << " pixel (" << col << ", " << r << ") holds "
                                  << slice->GetPixel(col, r) << ", expected " << expected(s, col, r);
        ASSERT_EQ(wrong, 0u);
    }
}

class SlicingTest : public ::testing::Test {
protected:
    // A 64 x 32 x 16 box of 4 x 2 x 1 units.
    std::unique_ptr<CVolume> m_volume = IndexVolume(64, 32, 16, 4, 2, 1);
};

TEST_F(SlicingTest, ZSlicesAreLayersKWithColumnsIAndRowsJ) {
    CSliceCollection c;
    SliceVolume(*m_volume, kSliceAxisZ, c);
    EXPECT_EQ(c.GetAxis(), kSliceAxisZ);
    ExpectPixels(c, {"Z", kSliceAxisZ, 16, 64, 32, 4, 2},
                 [](std::uint32_t s, std::uint32_t col, std::uint32_t r) { return IndexValue(col, r, s); });
}

TEST_F(SlicingTest, XSlicesRunFromTheLastLayerWithYReversedAcross) {
    CSliceCollection c;
    SliceVolume(*m_volume, kSliceAxisX, c);
    EXPECT_EQ(c.GetAxis(), kSliceAxisX);
    ExpectPixels(c, {"X", kSliceAxisX, 64, 32, 16, 2, 1},
                 [](std::uint32_t s, std::uint32_t col, std::uint32_t r) { return IndexValue(63 - s, 31 - col, r); });
}

TEST_F(SlicingTest, YSlicesAreLayersJWithColumnsIAndRowsK) {
    CSliceCollection c;
    SliceVolume(*m_volume, kSliceAxisY, c);
    ExpectPixels(c, {"Y", kSliceAxisY, 32, 64, 16, 4, 1},
                 [](std::uint32_t s, std::uint32_t col, std::uint32_t r) { return IndexValue(col, s, r); });
}

TEST_F(SlicingTest, SlicesStartAtTheLastCentreAndStepDownByThePitch) {
    struct {
        std::uint32_t axis;
        double first, pitch;
        std::uint32_t count;
    } cases[] = {{kSliceAxisX, 2 - 0.03125, 0.0625, 64}, {kSliceAxisY, 1 - 0.03125, 0.0625, 32},
                 {kSliceAxisZ, 0.5 - 0.03125, 0.0625, 16}};
    for (const auto& a : cases) {
        CSliceCollection c;
        SliceVolume(*m_volume, a.axis, c);
        ASSERT_EQ(c.GetCount(), a.count);
        for (std::uint32_t s = 0; s < a.count; ++s)
            EXPECT_NEAR(c.GetSlice(s)->GetPosition(), a.first - s * a.pitch, 1e-12) << a.axis << " " << s;
        EXPECT_NEAR(c.GetSlice(a.count - 1)->GetPosition(), -a.first, 1e-12);
    }
}

TEST(Slicing, SixtyFourCubedEndsAtZEqualsMinus0984) {
    auto v = IndexVolume(64, 64, 64);
    CSliceCollection c;
    SliceVolume(*v, kSliceAxisZ, c);
    ASSERT_EQ(c.GetCount(), 64u);
    EXPECT_EQ(c.GetSlice(0)->GetPosition(), 0.984375);
    EXPECT_EQ(c.GetSlice(63)->GetPosition(), -0.984375);  // the pitch is a power of two: exact
    EXPECT_EQ(c.GetEntry(63)->GetCachedDescription(), "Z = -0.984");
    EXPECT_EQ(c.GetEntry(0)->GetCachedDescription(), "Z = +0.984");
}

// The world point of pixel (c, r) of a slice: its in-plane coordinates
// (firstX + c pitchX, lastY - r pitchY) and its position, put on the axes
// the slice shows. Voxel values hold one world coordinate of their centre.
TEST(Slicing, EachAxisShowsTheWorldTheRightWayUp) {
    const std::uint32_t nX = 5, nY = 4, nZ = 3;  // odd and even counts
    for (int world = 0; world < 3; ++world) {
        CVolume v;
        v.m_bAutoDelete = false;
        ASSERT_TRUE(v.Allocate(5, 2, 1.5, nX, nY, nZ));
        for (std::uint32_t k = 0; k < nZ; ++k)
            for (std::uint32_t j = 0; j < nY; ++j)
                for (std::uint32_t i = 0; i < nX; ++i) {
                    const double p[3] = {v.GetMinX() + i * v.GetPitchX(), v.GetMaxY() - j * v.GetPitchY(),
                                         v.GetMaxZ() - k * v.GetPitchZ()};
                    v.Voxel(i, j, k) = static_cast<float>(p[world]);
                }
        // Slice axis -> which world axes its columns (right) and rows (up) show.
        const int right[3] = {1, 0, 0}, up[3] = {2, 2, 1};
        for (std::uint32_t axis = 0; axis < 3; ++axis) {
            CSliceCollection c;
            SliceVolume(v, axis, c);
            for (std::size_t s = 0; s < c.GetCount(); ++s) {
                const CSlice& slice = *c.GetSlice(s);
                for (std::uint32_t r = 0; r < slice.GetHeight(); ++r)
                    for (std::uint32_t col = 0; col < slice.GetWidth(); ++col) {
                        double expected = slice.GetPosition();
                        if (world == right[axis]) expected = slice.GetFirstX() + col * slice.GetPitchX();
                        if (world == up[axis]) expected = slice.GetLastY() - r * slice.GetPitchY();
                        ASSERT_NEAR(slice.GetPixel(col, r), expected, 1e-6)
                            << "world axis " << world << ", slice axis " << axis << ", slice " << s << " (" << col
                            << ", " << r << ")";
                    }
            }
        }
    }
}

TEST(Slicing, EmptyVolumeGivesAnEmptyCollectionOnItsAxis) {
    CVolume v;
    v.m_bAutoDelete = false;
    v.OnNewDocument();
    for (std::uint32_t axis = 0; axis < 3; ++axis) {
        CSliceCollection c;
        SliceVolume(v, axis, c);
        EXPECT_EQ(c.GetCount(), 0u);
        EXPECT_EQ(c.GetAxis(), axis);
        EXPECT_EQ(SliceCount(v, axis), 0u);
    }
}

TEST(Slicing, ASingleLayerIsOneSliceAtZero) {
    auto v = IndexVolume(3, 1, 2);
    CSliceCollection c;
    SliceVolume(*v, kSliceAxisY, c);
    ASSERT_EQ(c.GetCount(), 1u);
    EXPECT_EQ(c.GetSlice(0)->GetPosition(), 0.0);
    EXPECT_EQ(c.GetSlice(0)->GetWidth(), 3u);
    EXPECT_EQ(c.GetSlice(0)->GetHeight(), 2u);
}

TEST(Slicing, EachSliceKeepsTheRangeOfAFreshImage) {
    // Values 0 .. 3 in every layer: the range starts at 1000 / 0 and only widens.
    auto v = IndexVolume(4, 1, 1);
    CSliceCollection c;
    SliceVolume(*v, kSliceAxisZ, c);
    EXPECT_EQ(c.GetSlice(0)->GetMinValue(), 0.0f);
    EXPECT_EQ(c.GetSlice(0)->GetMaxValue(), 3.0f);
    for (float& voxel : std::span(v->GetVoxels(), 4)) voxel += 1500.0f;
    CSliceCollection high;
    SliceVolume(*v, kSliceAxisZ, high);
    EXPECT_EQ(high.GetSlice(0)->GetMinValue(), 1000.0f);
    EXPECT_EQ(high.GetSlice(0)->GetMaxValue(), 1503.0f);
}

TEST(Slicing, AnAxisThatIsNoneIsRefusedBeforeAnythingIsMade) {
    auto v = IndexVolume(2, 2, 2);
    CSliceCollection c;
    c.SetAxis(kSliceAxisY);
    EXPECT_THROW(SliceVolume(*v, 3, c), std::invalid_argument);
    EXPECT_EQ(c.GetCount(), 0u);
    EXPECT_EQ(c.GetAxis(), kSliceAxisY);
}

TEST(Slicing, TheCollectionTellsItsViews) {
    auto v = IndexVolume(2, 2, 2);
    CSliceCollection c;
    c.m_bAutoDelete = false;
    TestView view;
    c.AddView(&view);
    SliceVolume(*v, kSliceAxisX, c);
    EXPECT_EQ(view.updates, 1);
    EXPECT_TRUE(c.IsModified());
    c.RemoveView(&view);
}

}  // namespace
}  // namespace voxmill::test
