// The road a reconstruction takes in the program, for the end-to-end tests:
// analytic phantoms, a circular acquisition made by the projector (in place),
// and a renderer plug-in hosted by the backprojector, which reconstructs the
// collection through its Run (the renderer's whole-collection call or the
// program's own loop with its 2 pi / N scaling) and voxelizes the phantom
// into the same grid.
//
// The plug-in is registered in a registry file of the road's own, in a
// temporary folder that lives as long as the road: VOXMILL_REGISTRY points
// there meanwhile, so the user's registry is never read or written.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "acquisition/ProjectorOptions.h"
#include "reconstruction/BackProjector.h"
#include "reconstruction/PluginRegistry.h"
#include "tests/integration/ReconstructionCheck.h"
#include "tests/reconstruction/TestFolder.h"

namespace voxmill {

class CPhantom;
class CProjectionCollection;
class CVolume;

namespace test {

// Snapshots on the projector's circle (a full turn unless `arc` says less),
// with a flat detector.
struct Acquisition {
    double Ds = 4.0;  // source-axis distance R
    double Dd = 4.0;  // axis-detector distance; D = Ds + Dd
    double width = 4.0, height = 4.0;  // detector size, world units
    std::uint32_t columns = 64, rows = 64;
    std::int32_t snapshots = 180;
    double arc = 360.0;  // degrees the snapshots are spread over (end angle)

    ProjectorPageValues Pages() const;
    ScanFieldOfView FieldOfView() const { return ScanFieldOfView::From(Ds, Ds + Dd, width, height); }
    std::string Describe() const;
};

// The scan the head is reconstructed from: the projector's distances
// (R = 4, D = 8) and 180 snapshots, with an 8 x 8 detector of 128 x 128
// pixels, one cell per voxel of a 64^3 grid at the axis. Rows are
// convolved circularly over their own length, so the head's shadow (3.8 wide
// at most) is kept to about half the width: on the default 4-wide detector
// it fills 94 % and the ramp's tails wrap onto it.
Acquisition HeadScan();

// The 3-D Shepp-Logan head (head axis along the rotation axis y).
std::unique_ptr<CPhantom> SheppLoganHead();
// One ellipsoid of equal semi-axes at the origin.
std::unique_ptr<CPhantom> UniformBall(double radius, float mu);

// The projector's run in place, one ray per pixel. Null with *problem set
// when the run was not complete.
std::unique_ptr<CProjectionCollection> Project(CPhantom& phantom, const Acquisition& acquisition,
                                               std::string* problem);

class CRendererRoad {
public:
    // Registers `modulePath` and hosts the class `name` ("Tessor", a
    // program id, ...) in a fresh backprojector. Problem() says what failed.
    CRendererRoad(const std::string& modulePath, const std::string& name);
    CRendererRoad(const CRendererRoad&) = delete;
    CRendererRoad& operator=(const CRendererRoad&) = delete;

    bool Ready() const { return m_problem.empty(); }
    const std::string& Problem() const { return m_problem; }

    // The backprojector's run on the collection into a new volume, with the
    // renderer's IsProcessCollection set to `collectionMode`. Null, with
    // *problem set, when the run failed.
    std::unique_ptr<CVolume> Reconstruct(CProjectionCollection& collection, bool collectionMode,
                                         const CBackProjector::VolumeSize& size, std::string* problem);
    // Sets one of the renderer's options; false, with *problem set, when
    // the renderer refuses it.
    bool SetOption(const std::string& name, const std::string& value, std::string* problem);
    // The backprojector's run on the collection with the options as set.
    std::unique_ptr<CVolume> Reconstruct(CProjectionCollection& collection, const CBackProjector::VolumeSize& size,
                                         std::string* problem);
    // The backprojector's run on the phantom itself: its voxelization.
    std::unique_ptr<CVolume> Voxelize(CPhantom& phantom, const CBackProjector::VolumeSize& size,
                                      std::string* problem);

private:
    std::unique_ptr<CVolume> Render(CDocument& target, const CBackProjector::VolumeSize& size, std::string* problem);

    CTestFolder m_folder;  // first: the registry below reads VOXMILL_REGISTRY
    CPluginRegistry m_registry;
    CBackProjector m_backProjector;
    std::string m_problem;
};

// A cube of `count`^3 voxels over a 2 x 2 x 2 box about the origin.
CBackProjector::VolumeSize Cube(std::uint32_t count);

}  // namespace test
}  // namespace voxmill
