// The volume window's arithmetic without a display: the planes through the
// cursor agree with the slices of the same layers, pixels and voxels map
// both ways, voxel centres and the nearest voxel of a world point, the
// projection's camera, and the texture reduced by block maxima.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "reconstruction/Slice.h"
#include "reconstruction/SliceCollection.h"
#include "reconstruction/Slicing.h"
#include "reconstruction/Volume.h"
#include "reconstruction/VolumePlanes.h"

namespace voxmill {
namespace {

// A 5 x 4 x 3 volume whose voxel (i, j, k) holds i + 10 j + 100 k.
struct CodedVolume : CVolume {
    CodedVolume(std::uint32_t nX = 5, std::uint32_t nY = 4, std::uint32_t nZ = 3, double dim = 2) {
        m_bAutoDelete = false;
        Allocate(dim, dim, dim, nX, nY, nZ);
        for (std::uint32_t k = 0; k < nZ; ++k)
            for (std::uint32_t j = 0; j < nY; ++j)
                for (std::uint32_t i = 0; i < nX; ++i) Voxel(i, j, k) = static_cast<float>(i + 10 * j + 100 * k);
    }
};

TEST(VolumePlanesTest, EachPlaneEqualsTheSliceOfItsLayer) {
    CodedVolume volume;
    for (std::uint32_t axis = 0; axis < 3; ++axis) {
        CSliceCollection slices;
        slices.m_bAutoDelete = false;
        SliceVolume(volume, axis, slices);
        const std::uint32_t count = PlaneCount(volume, axis);
        ASSERT_EQ(slices.GetCount(), count);
        const PlaneSize size = PlaneSizeOf(volume, axis);
        for (std::uint32_t index = 0; index < count; ++index) {
            // X slices run from xMax down: plane i is slice nX - 1 - i.
            const std::uint32_t s = axis == 0 ? count - 1 - index : index;
            const CSlice* slice = slices.GetSlice(s);
            ASSERT_EQ(slice->GetWidth(), size.columns);
            ASSERT_EQ(slice->GetHeight(), size.rows);
            const std::vector<float> plane = ExtractPlane(volume, axis, index);
            ASSERT_EQ(plane.size(), std::size_t{size.columns} * size.rows);
            for (std::size_t p = 0; p < plane.size(); ++p) EXPECT_EQ(plane[p], slice->GetPixels()[p]) << axis;
            EXPECT_DOUBLE_EQ(slice->GetPosition(), VoxelCentre(volume, WithPlaneIndex({}, axis, index))[axis]);
        }
    }
    // The orientation, spelled out: +y right and +z up on an X plane.
    EXPECT_EQ(ExtractPlane(volume, 0, 2)[0], 2 + 30);           // (2, nY - 1, 0)
    EXPECT_EQ(ExtractPlane(volume, 0, 2)[4 * 2 + 3], 2 + 200);  // (2, 0, 2)
    EXPECT_EQ(ExtractPlane(volume, 2, 1)[5 * 3 + 4], 4 + 30 + 100);
    EXPECT_TRUE(ExtractPlane(volume, 1, 4).empty());  // only 4 Y planes
}

TEST(VolumePlanesTest, PixelsAndVoxelsMapBothWays) {
    CodedVolume volume;
    const VoxelIndex cursor{3, 1, 2};
    for (std::uint32_t axis = 0; axis < 3; ++axis) {
        const PlaneSize size = PlaneSizeOf(volume, axis);
        const std::vector<float> plane = ExtractPlane(volume, axis, PlaneIndex(cursor, axis));
        for (std::uint32_t r = 0; r < size.rows; ++r)
            for (std::uint32_t c = 0; c < size.columns; ++c) {
                const VoxelIndex v = PlaneVoxel(volume, axis, cursor, c, r);
                EXPECT_EQ(PlaneIndex(v, axis), PlaneIndex(cursor, axis));
                EXPECT_EQ(plane[r * size.columns + c], volume.Voxel(v.i, v.j, v.k));
                std::uint32_t c2 = 99, r2 = 99;
                PlanePixel(volume, axis, v, c2, r2);
                EXPECT_EQ(c2, c);
                EXPECT_EQ(r2, r);
            }
    }
    // The cursor lies on all three planes at its own pixel.
    std::uint32_t c = 0, r = 0;
    PlanePixel(volume, 0, cursor, c, r);
    EXPECT_EQ(PlaneVoxel(volume, 0, cursor, c, r), cursor);
    EXPECT_EQ(WithPlaneIndex(cursor, 1, 0), (VoxelIndex{3, 0, 2}));
    EXPECT_THROW(PlaneSizeOf(volume, 3), std::invalid_argument);
    EXPECT_THROW(PlaneIndex(cursor, 7), std::invalid_argument);
}

TEST(VolumePlanesTest, VoxelCentresAndNearestVoxels) {
    CodedVolume cube(64, 64, 64);
    // Pitch 2 / 64: first centres at -+0.984375 as the volume lays them out.
    EXPECT_EQ(VoxelCentre(cube, {0, 0, 0}), (std::array<double, 3>{-0.984375, 0.984375, 0.984375}));
    EXPECT_EQ(VoxelCentre(cube, {63, 63, 63}), (std::array<double, 3>{0.984375, -0.984375, -0.984375}));
    EXPECT_EQ(NearestVoxel(cube, -0.984375, 0.984375, 0.984375), (VoxelIndex{0, 0, 0}));
    // Halfway between centres 31 and 32 rounds up; far outside clamps.
    EXPECT_EQ(NearestVoxel(cube, 0.0, 0.0, 0.0), (VoxelIndex{32, 32, 32}));
    EXPECT_EQ(NearestVoxel(cube, 50, -50, 1e300), (VoxelIndex{63, 63, 0}));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(NearestVoxel(cube, nan, 0.984375, nan), (VoxelIndex{31, 0, 31}));
    for (std::uint32_t n = 0; n < 64; n += 7) {
        const std::array<double, 3> p = VoxelCentre(cube, {n, 63 - n, n / 2});
        EXPECT_EQ(NearestVoxel(cube, p[0], p[1], p[2]), (VoxelIndex{n, 63 - n, n / 2}));
    }
    // One voxel across an axis sits at 0; the centre voxel of odd and even counts.
    CodedVolume thin(1, 4, 3);
    EXPECT_EQ(VoxelCentre(thin, {0, 0, 0})[0], 0.0);
    EXPECT_EQ(CentreVoxel(thin), (VoxelIndex{0, 1, 1}));
    CVolume empty;
    EXPECT_EQ(PlaneCount(empty, 2), 0u);
    EXPECT_EQ(PlaneSizeOf(empty, 0).columns, 0u);
    EXPECT_TRUE(ExtractPlane(empty, 0, 0).empty());
    EXPECT_EQ(NearestVoxel(empty, 1, 2, 3), (VoxelIndex{}));
}

TEST(VolumePlanesTest, TheCameraProjectsAsItsFormulaSays) {
    CodedVolume volume(8, 8, 8);  // 2 x 2 x 2: half diagonal sqrt 3
    const double r3 = std::sqrt(3.0);
    ASSERT_DOUBLE_EQ(HalfDiagonal(volume), r3);
    MipCamera camera;
    // Seen from +z: +x right, +y up; s = min(300, 200) = 200.
    std::array<double, 2> p = camera.Project(volume, {1, 0.5, -0.7}, 300, 200);
    EXPECT_NEAR(p[0], 150 + 100 / r3, 1e-9);
    EXPECT_NEAR(p[1], 100 - 50 / r3, 1e-9);
    // A quarter turn about the vertical axis brings +z to the right.
    camera.yaw = 90;
    p = camera.Project(volume, {1, 0.5, -0.7}, 300, 200);
    EXPECT_NEAR(p[0], 150 - 70 / r3, 1e-9);
    EXPECT_NEAR(p[1], 100 - 50 / r3, 1e-9);
    // Looking down from +y (pitch 90, yaw 0): +z comes towards the bottom.
    camera = MipCamera();
    camera.pitch = 90;
    camera.zoom = 2;
    p = camera.Project(volume, {0, 0.9, 1}, 200, 200);
    EXPECT_NEAR(p[0], 100, 1e-9);
    EXPECT_NEAR(p[1], 100 + 200 / r3, 1e-9);
    // The rotation is orthonormal.
    camera.yaw = 33;
    camera.pitch = -41;
    const std::array<double, 9> m = camera.Rotation();
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b)
            EXPECT_NEAR(m[3 * a] * m[3 * b] + m[3 * a + 1] * m[3 * b + 1] + m[3 * a + 2] * m[3 * b + 2],
                        a == b ? 1.0 : 0.0, 1e-12);
}

TEST(VolumePlanesTest, DragAndWheelStayWithinTheirLimits) {
    MipCamera camera;
    camera.Drag(40, -20);
    EXPECT_DOUBLE_EQ(camera.yaw, 20);
    EXPECT_DOUBLE_EQ(camera.pitch, -10);
    camera.Drag(0, 1000);
    EXPECT_DOUBLE_EQ(camera.pitch, 90);
    camera.Drag(720, -1000);
    EXPECT_DOUBLE_EQ(camera.yaw, 20);  // a full turn
    EXPECT_DOUBLE_EQ(camera.pitch, -90);
    camera.Wheel(120);
    EXPECT_DOUBLE_EQ(camera.zoom, 1.25);
    camera.Wheel(-240);
    EXPECT_DOUBLE_EQ(camera.zoom, 0.8);
    for (int n = 0; n < 40; ++n) camera.Wheel(120);
    EXPECT_DOUBLE_EQ(camera.zoom, MipCamera::kMaxZoom);
    for (int n = 0; n < 80; ++n) camera.Wheel(-120);
    EXPECT_DOUBLE_EQ(camera.zoom, MipCamera::kMinZoom);
}

TEST(VolumePlanesTest, TheTextureIsTheVolumeOrItsBlockMaxima) {
    CodedVolume volume;
    MipTexture whole = MakeMipTexture(volume, 512, 1 << 20);
    EXPECT_EQ(whole.factor, 1u);
    EXPECT_EQ(whole.data, volume.GetVoxels());  // used in place
    EXPECT_TRUE(whole.reduced.empty());
    EXPECT_EQ(whole.coverage, (std::array<double, 3>{1, 1, 1}));

    // Sides of at most 2 texels: blocks of 3 x 3 x 3.
    volume.Voxel(1, 1, 1) = std::numeric_limits<float>::quiet_NaN();
    MipTexture small = MakeMipTexture(volume, 2, 1 << 20);
    EXPECT_EQ(small.factor, 3u);
    EXPECT_EQ(small.nX, 2u);
    EXPECT_EQ(small.nY, 2u);
    EXPECT_EQ(small.nZ, 1u);
    EXPECT_EQ(small.data, small.reduced.data());
    ASSERT_EQ(small.reduced.size(), 4u);
    // Largest of i < 3, j < 3, k < 3 is (2, 2, 2); the NaN drops out.
    EXPECT_EQ(small.reduced[0], 2 + 20 + 200);
    EXPECT_EQ(small.reduced[1], 4 + 20 + 200);
    EXPECT_EQ(small.reduced[2], 2 + 30 + 200);
    EXPECT_EQ(small.reduced[3], 4 + 30 + 200);
    EXPECT_DOUBLE_EQ(small.coverage[0], 5.0 / 6);
    EXPECT_DOUBLE_EQ(small.coverage[1], 4.0 / 6);
    EXPECT_DOUBLE_EQ(small.coverage[2], 1.0);

    // A texel budget alone also reduces: 60 voxels into at most 8.
    EXPECT_EQ(MakeMipTexture(volume, 512, 8).factor, 3u);
    EXPECT_EQ(MakeMipTexture(CVolume(), 512, 8).data, nullptr);

    MipTexture cube;
    cube.nX = cube.nY = cube.nZ = 256;
    EXPECT_EQ(MipSteps(cube, false), 512);  // 2 x 256 sqrt 3 = 887 is too many
    EXPECT_EQ(MipSteps(cube, true), 128);
    cube.nX = cube.nY = cube.nZ = 100;
    EXPECT_EQ(MipSteps(cube, false), 347);  // ceil(200 sqrt 3)
    cube.nX = cube.nY = cube.nZ = 512;
    EXPECT_EQ(MipSteps(cube, false), 887);  // ceil(512 sqrt 3): one per texel
    EXPECT_EQ(MipSteps(cube, true), 221);
    cube.nX = cube.nY = cube.nZ = 2;
    EXPECT_EQ(MipSteps(cube, false), 16);
    EXPECT_EQ(MipSteps(cube, true), 16);
}

}  // namespace
}  // namespace voxmill
