// Source, detector and their paths: records byte by byte, the circle's
// positions, the detector's local and world frames, the dialogs' values.
#include <gtest/gtest.h>

#include <cmath>

#include "acquisition/CircularOrbit.h"
#include "acquisition/Detector.h"
#include "acquisition/DetectorTrajectory.h"
#include "acquisition/GeometryValues.h"
#include "acquisition/Source.h"
#include "acquisition/Trajectory.h"
#include "app/archive/Archive.h"
#include "app/archive/File.h"
#include "tests/acquisition/TestSupport.h"

namespace voxmill {
namespace {

using testing::Bytes;
using testing::ReadAt;

template <class T>
Bytes Store(T& object) {
    CMemFile file;
    CArchive ar(file, CArchive::store);
    object.Serialize(ar);
    ar.Close();
    return file.bytes();
}

template <class T>
void Load(T& object, const Bytes& bytes) {
    CMemFile file(bytes);
    CArchive ar(file, CArchive::load);
    object.Serialize(ar);
}

void ExpectPoint(const CVector4& p, double x, double y, double z, double tol = 1e-9) {
    EXPECT_NEAR(p.x, x, tol);
    EXPECT_NEAR(p.y, y, tol);
    EXPECT_NEAR(p.z, z, tol);
}

TEST(Source, RecordIsFourDoublesAndReadsBack) {
    CSource source;
    const Bytes bytes = Store(source);
    ASSERT_EQ(bytes.size(), 32u);
    EXPECT_EQ(ReadAt<double>(bytes, 0), 0.0);
    EXPECT_EQ(ReadAt<double>(bytes, 16), 0.0);
    EXPECT_EQ(ReadAt<double>(bytes, 24), 1.0);
    CSource other;
    other.SetPosition(CPoint4(1, 2, 3));
    Load(other, bytes);
    ExpectPoint(other.GetPosition(), 0, 0, 0, 0);
    EXPECT_EQ(other.GetPosition().w, 1.0);
    CSource shortRead;
    shortRead.SetPosition(CPoint4(5, 5, 5));
    EXPECT_THROW(Load(shortRead, Bytes(bytes.begin(), bytes.begin() + 31)), CArchiveException);
    ExpectPoint(shortRead.GetPosition(), 5, 5, 5, 0);
}

TEST(SourcePath, CircleAndTrajectory) {
    ExpectPoint(SourceOnCircle(4, 0), 0, 0, 4, 0);
    ExpectPoint(SourceOnCircle(4, DegreesToRadians(90)), 4, 0, 0);
    ExpectPoint(SourceOnCircle(4, DegreesToRadians(180)), 0, 0, -4);
    ExpectPoint(SourceOnCircle(0, 1.0), 0, 0, 0, 0);  // Ds = 0 sits on the axis
    EXPECT_DOUBLE_EQ(DegreesToRadians(180), 3.14159265359);

    auto path = MakeSourcePath(4, 0, DegreesToRadians(60));
    path->Step();
    ExpectPoint(path->GetCurrent(), 4 * std::sin(kOrbitPi / 3), 0, 4 * std::cos(kOrbitPi / 3));
    for (int k = 1; k < 6; ++k) path->Step();
    ExpectPoint(path->GetCurrent(), 0, 0, 4);
    EXPECT_EQ(path->GetCurrent().w, 1.0);
    ExpectPoint(path->GetOrigin(), 0, 0, 4, 0);

    // The step rotation is the rotation about +y, whatever its Euler form.
    const CRotation r = StepRotation(0.3);
    EXPECT_NEAR(r.m_matrix.m[0][0], std::cos(0.3), 1e-12);
    EXPECT_NEAR(r.m_matrix.m[0][2], std::sin(0.3), 1e-12);
    EXPECT_NEAR(r.m_matrix.m[2][0], -std::sin(0.3), 1e-12);
    EXPECT_NEAR(r.m_matrix.m[1][1], 1.0, 1e-12);
}

TEST(Detector, PageDefaultsPixelWorldPositions) {
    CDetector d;
    PlaceDetectorOnCircle(d, DetectorPageValues{}, 4.0, 0.0);
    double u, v;
    d.PixelLocal(0, 0, u, v);
    EXPECT_EQ(u, -0.49609375);
    EXPECT_EQ(v, 0.49609375);
    ExpectPoint(d.PixelWorld(0, 0), -1.984375, 1.984375, -4, 1e-12);
    ExpectPoint(d.PixelWorld(127, 127), 1.984375, -1.984375, -4, 1e-12);
    ExpectPoint(d.GetNormal(), 0, 0, 1, 0);  // toward the source

    CDetector side;
    PlaceDetectorOnCircle(side, DetectorPageValues{}, 4.0, DegreesToRadians(90));
    ExpectPoint(side.GetCenter(), -4, 0, 0);
    ExpectPoint(side.GetHorizontal(), 0, 0, -1);
}

TEST(Detector, NewDocumentDefaultsAndRecordRoundTrip) {
    CDetector fresh;
    EXPECT_EQ(fresh.GetDimX(), 1.0);
    EXPECT_EQ(fresh.GetWidth(), 64);
    EXPECT_EQ(Store(fresh).size(), 224u);

    CDetector d;
    d.SetGeometry(CPoint4(1, 2, 3), CDirection4(0, 0, -1), CDirection4(0, 1, 0), 3.0, 2.0, 30, 20);
    const Bytes bytes = Store(d);
    ASSERT_EQ(bytes.size(), 224u);
    EXPECT_EQ(ReadAt<double>(bytes, 0), 3.0);
    EXPECT_EQ(ReadAt<std::int32_t>(bytes, 16), 30);
    EXPECT_EQ(ReadAt<std::int32_t>(bytes, 20), 20);
    EXPECT_EQ(ReadAt<double>(bytes, 24), 3.0);        // scale sx
    EXPECT_EQ(ReadAt<double>(bytes, 48), 0.0);        // angles stay 0
    EXPECT_EQ(ReadAt<double>(bytes, 72 + 16), 1.0);   // matrix m02 = N.x of (0, 0, -1) x (0, 1, 0)
    EXPECT_EQ(ReadAt<double>(bytes, 200), 1.0);       // translation tx

    CDetector back;
    Load(back, bytes);
    EXPECT_EQ(back.GetDimY(), 2.0);
    EXPECT_EQ(back.GetHeight(), 20);
    ExpectPoint(back.GetCenter(), 1, 2, 3, 0);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(back.GetRotation().m_matrix.m[r][c], d.GetRotation().m_matrix.m[r][c]);
            EXPECT_EQ(back.GetToWorld().m[r][c], d.GetToWorld().m[r][c]);
        }
    CDetector copy;
    copy = back;
    ExpectPoint(copy.PixelWorld(3, 4), d.PixelWorld(3, 4).x, d.PixelWorld(3, 4).y, d.PixelWorld(3, 4).z, 0);
}

TEST(Detector, VectorsAreUsedAsGiven) {
    CDetector wide;
    wide.SetGeometry(CPoint4(), CDirection4(2, 0, 0), CDirection4(0, 1, 0), 1.0, 1.0, 2, 2);
    ExpectPoint(wide.LocalToWorld(0.5, 0), 1.0, 0, 0, 0);  // twice the width along x

    CDetector flat;
    flat.SetGeometry(CPoint4(1, 0, 0), CDirection4(1, 0, 0), CDirection4(1, 0, 0), 1.0, 1.0, 2, 2);
    ExpectPoint(flat.GetNormal(), 0, 0, 0, 0);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_EQ(flat.GetToLocal().m[r][c], flat.GetToWorld().m[r][c]);

    CDetector tilted;
    tilted.SetGeometry(CPoint4(0.5, -2, 7), CDirection4(0.6, 0, 0.8), CDirection4(0, 1, 0), 3.0, 5.0, 9, 4);
    const CMatrix4 id = tilted.GetToLocal() * tilted.GetToWorld();
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(id.m[r][c], r == c ? 1.0 : 0.0, 1e-12);
}

TEST(DetectorPath, StepTurnsCentreAndAxesTogether) {
    DetectorPageValues page;
    auto path = MakeDetectorPath(page, 4.0, 0.0, DegreesToRadians(90));
    path->Step();
    CDetector d;
    path->Place(d);
    ExpectPoint(d.GetCenter(), -4, 0, 0);
    ExpectPoint(d.GetHorizontal(), 0, 0, -1);
    ExpectPoint(d.GetVertical(), 0, 1, 0);
    EXPECT_EQ(d.GetWidth(), 128);
    EXPECT_EQ(path->GetHorizontal().w, 0.0);
}

TEST(GeometryDialogs, DefaultsRangesAndPresets) {
    SourcePathValues path;
    EXPECT_EQ(path.sourceAxisDistance, 4.0);
    EXPECT_TRUE(path.Problem().empty());
    path.axisDetectorDistance = 100.5;
    EXPECT_NE(path.Problem().find("Axis Detector Distance"), std::string::npos);

    DetectorPageValues page;
    EXPECT_EQ(page.width, 128u);
    EXPECT_TRUE(page.Problem().empty());
    page.height = 31;
    EXPECT_FALSE(page.Problem().empty());

    CSource s;
    s.SetPosition(CPoint4(1.5, 0, -2));
    const SourcePositionValues sv = SourcePositionValues::From(s);
    EXPECT_EQ(sv.x, 1.5f);
    EXPECT_EQ(sv.z, -2.0f);

    const DetectorPlacementValues fresh;
    EXPECT_EQ(fresh.horizontal[0], 1.0f);
    EXPECT_EQ(fresh.vertical[1], 1.0f);
    CDetector d;
    PlaceDetectorOnCircle(d, page, 4.0, DegreesToRadians(90));
    const DetectorPlacementValues dv = DetectorPlacementValues::From(d);
    EXPECT_NEAR(dv.center[0], -4.0f, 1e-6);
    EXPECT_NEAR(dv.horizontal[2], -1.0f, 1e-6);
}

}  // namespace
}  // namespace voxmill
