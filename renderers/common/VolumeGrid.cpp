#include "renderers/common/VolumeGrid.h"

#include <cmath>
#include <cstdint>
#include <new>

namespace voxmill {
namespace {

// Centres from `first`, each one `step` on from the last, held as floats.
bool Steps(float first, float step, LONG count, std::vector<float>& out) {
    out.resize(static_cast<std::size_t>(count));
    float value = first;
    for (LONG n = 0; n < count; ++n) {
        out[static_cast<std::size_t>(n)] = value;
        value += step;
    }
    for (float v : out)
        if (!std::isfinite(v)) return false;
    return true;
}

}  // namespace

HRESULT CVolumeGrid::Read(IVolume* volume, CVolumeGrid* grid) {
    if (!volume || !grid) return E_POINTER;
    float dimX, dimY, dimZ, xMin, yMin, zMin, xMax, yMax, zMax, pitchX, pitchY, pitchZ;
    CVolumeGrid g;
    if (FAILED(volume->GetGeometry(&dimX, &dimY, &dimZ, &xMin, &yMin, &zMin, &xMax, &yMax, &zMax, &pitchX,
                                   &pitchY, &pitchZ, &g.nX, &g.nY, &g.nZ)) ||
        FAILED(volume->GetData(&g.voxels)))
        return E_FAIL;
    if (g.nX <= 0 || g.nY <= 0 || g.nZ <= 0) return E_INVALIDARG;
    if (!g.voxels) return E_FAIL;
    const double count = static_cast<double>(g.nX) * g.nY * g.nZ;
    if (count > static_cast<double>(SIZE_MAX / sizeof(float))) return E_INVALIDARG;
    try {
        if (!Steps(xMin, pitchX, g.nX, g.x) || !Steps(yMax, -pitchY, g.nY, g.y) ||
            !Steps(zMax, -pitchZ, g.nZ, g.z))
            return E_INVALIDARG;
        g.x2.resize(g.x.size());
    } catch (const std::bad_alloc&) {
        return E_FAIL;
    }
    for (std::size_t i = 0; i < g.x.size(); ++i) {
        g.x2[i] = static_cast<double>(g.x[i]) * g.x[i];
        if (g.x2[i] < g.x2[static_cast<std::size_t>(g.iNearestAxis)]) g.iNearestAxis = static_cast<int>(i);
    }
    *grid = std::move(g);
    return S_OK;
}

}  // namespace voxmill
