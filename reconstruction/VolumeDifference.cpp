#include "reconstruction/VolumeDifference.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "reconstruction/BackProjector.h"
#include "reconstruction/HResultText.h"
#include "reconstruction/PluginRegistry.h"
#include "reconstruction/Volume.h"

namespace voxmill {
namespace {

void CheckPair(const CVolume& reference, const CVolume& test) {
    if (!reference.IsAllocated() || !test.IsAllocated()) throw std::invalid_argument("a volume holds no voxels");
    if (!ShareGrid(reference, test))
        throw std::invalid_argument("the volumes do not share one grid (voxel counts and box)");
}

}  // namespace

bool ShareGrid(const CVolume& a, const CVolume& b) {
    const auto near = [](double x, double y) { return std::abs(x - y) <= 1e-6 * std::max(1.0, std::abs(y)); };
    return a.GetCountX() == b.GetCountX() && a.GetCountY() == b.GetCountY() && a.GetCountZ() == b.GetCountZ() &&
           near(a.GetMinX(), b.GetMinX()) && near(a.GetMaxX(), b.GetMaxX()) && near(a.GetMinY(), b.GetMinY()) &&
           near(a.GetMaxY(), b.GetMaxY()) && near(a.GetMinZ(), b.GetMinZ()) && near(a.GetMaxZ(), b.GetMaxZ());
}

std::vector<char> FieldOfViewMask(const CVolume& test) {
    const std::size_t count = test.IsAllocated() ? test.GetVoxelCount() : 0;
    std::vector<char> mask(count);
    for (std::size_t v = 0; v < count; ++v) mask[v] = test.GetVoxels()[v] != 0.0f;
    return mask;
}

VolumeComparison CompareVolumes(const CVolume& reference, const CVolume& test, bool fieldOfView) {
    CheckPair(reference, test);
    const std::vector<char> mask = fieldOfView ? FieldOfViewMask(test) : std::vector<char>{};
    return VolumeComparison::Measure(reference.GetVoxels(), test.GetVoxels(), test.GetCountX(), test.GetCountY(),
                                     test.GetCountZ(), mask);
}

void MakeDifferenceVolume(const CVolume& reference, const CVolume& test, CVolume& difference) {
    CheckPair(reference, test);
    if (!difference.Allocate(test.GetDimX(), test.GetDimY(), test.GetDimZ(), test.GetCountX(), test.GetCountY(),
                             test.GetCountZ()) ||
        !ShareGrid(difference, test))
        throw std::runtime_error("cannot make the difference volume on the measured volume's grid");
    const std::size_t count = test.GetVoxelCount();
    const float* a = reference.GetVoxels();
    const float* b = test.GetVoxels();
    float* d = difference.GetVoxels();
    for (std::size_t v = 0; v < count; ++v) d[v] = b[v] - a[v];
}

std::unique_ptr<CVolume> VoxelizeOnGrid(CDocument& phantom, const CVolume& grid, const std::string& rendererName,
                                        CDocTemplate* volumeTemplate) {
    CPluginRegistry registry;
    registry.RegisterCategory();
    std::string error;
    const auto clsid = registry.FindPlugin(rendererName, &error);
    if (!clsid) throw std::runtime_error(error);
    CBackProjector backprojector;
    backprojector.m_bAutoDelete = false;
    backprojector.OnNewDocument();
    if (backprojector.ChooseRenderer(*clsid, registry) != CBackProjector::RendererChoice::replaced)
        throw std::runtime_error("renderer '" + rendererName + "' could not be loaded");
    CBackProjector::VolumeSize size;
    size.dimX = grid.GetDimX();
    size.dimY = grid.GetDimY();
    size.dimZ = grid.GetDimZ();
    size.nX = grid.GetCountX();
    size.nY = grid.GetCountY();
    size.nZ = grid.GetCountZ();
    // Refused with the figures before anything is allocated.
    if (const std::string refusal = CBackProjector::CheckVolumeSize(size); !refusal.empty())
        throw std::runtime_error(refusal);
    HRESULT hr = S_OK;
    std::unique_ptr<CVolume> volume = backprojector.Render(&phantom, size, volumeTemplate, &hr);
    if (!volume || !volume->IsAllocated()) throw std::runtime_error("cannot allocate the voxelized phantom");
    if (FAILED(hr)) throw std::runtime_error("the renderer failed to voxelize the phantom (" + HResultText(hr) + ")");
    return volume;
}

std::string DescribeComparison(const VolumeComparison& figures, bool fieldOfView) {
    return std::string("measured: ") + (fieldOfView ? "field of view" : "whole volume") + '\n' + figures.Describe();
}

}  // namespace voxmill
