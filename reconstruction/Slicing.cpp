#include "reconstruction/Slicing.h"

#include <cstddef>
#include <stdexcept>
#include <string>

#include "app/ListElementStub.h"
#include "reconstruction/Slice.h"
#include "reconstruction/SliceCollection.h"
#include "reconstruction/Volume.h"

namespace voxmill {
namespace {

// Where the slices of one axis come from: their image size, their
// positions, and the voxel index of pixel (c, r) of slice s as
// start + s * layerStep + c * columnStep + r * rowStep.
struct SliceLayout {
    std::uint32_t layers = 0, columns = 0, rows = 0;
    double width = 0, height = 0;
    double firstPosition = 0, pitch = 0;
    std::ptrdiff_t start = 0, layerStep = 0, columnStep = 0, rowStep = 0;
};

SliceLayout LayoutOf(const CVolume& v, std::uint32_t axis) {
    const auto nX = static_cast<std::ptrdiff_t>(v.GetCountX());
    const auto nY = static_cast<std::ptrdiff_t>(v.GetCountY());
    SliceLayout l;
    switch (axis) {
        case kSliceAxisX:  // layer i = nX - 1 - s, pixel (c, r) = voxel (i, nY - 1 - c, r)
            l = {v.GetCountX(), v.GetCountY(), v.GetCountZ(), v.GetDimY(), v.GetDimZ(), v.GetMaxX(), v.GetPitchX(),
                 (nX - 1) + nX * (nY - 1), -1, -nX, nX * nY};
            break;
        case kSliceAxisY:  // layer j = s, pixel (c, r) = voxel (c, s, r)
            l = {v.GetCountY(), v.GetCountX(), v.GetCountZ(), v.GetDimX(), v.GetDimZ(), v.GetMaxY(), v.GetPitchY(),
                 0, nX, 1, nX * nY};
            break;
        case kSliceAxisZ:  // layer k = s, pixel (c, r) = voxel (c, r, s)
            l = {v.GetCountZ(), v.GetCountX(), v.GetCountY(), v.GetDimX(), v.GetDimY(), v.GetMaxZ(), v.GetPitchZ(),
                 0, nX * nY, 1, nX};
            break;
        default:
            throw std::invalid_argument("slice axis " + std::to_string(axis) + " is none of X (0), Y (1), Z (2)");
    }
    if (!v.IsAllocated()) l.layers = 0;
    return l;
}

void CopyLayer(const float* voxels, const SliceLayout& l, std::uint32_t s, float* pixels) {
    // Row-major output; the strides walk the volume in whatever order the
    // axis needs (backwards along y for an X slice).
    const float* layer = voxels + l.start + static_cast<std::ptrdiff_t>(s) * l.layerStep;
    for (std::uint32_t r = 0; r < l.rows; ++r) {
        const float* src = layer + static_cast<std::ptrdiff_t>(r) * l.rowStep;
        for (std::uint32_t c = 0; c < l.columns; ++c) *pixels++ = src[static_cast<std::ptrdiff_t>(c) * l.columnStep];
    }
}

}  // namespace

std::uint32_t SliceCount(const CVolume& volume, std::uint32_t axis) { return LayoutOf(volume, axis).layers; }

void SliceVolume(const CVolume& volume, std::uint32_t axis, CSliceCollection& collection) {
    const SliceLayout l = LayoutOf(volume, axis);
    collection.SetAxis(axis);
    double position = l.firstPosition;
    for (std::uint32_t s = 0; s < l.layers; ++s, position -= l.pitch) {
        CListElementStub* entry = collection.AddSlice();
        CSlice* slice = entry ? collection.GetSlice(collection.GetCount() - 1) : nullptr;
        if (!slice || !slice->Create(l.width, l.height, l.columns, l.rows)) continue;
        slice->SetAxisPosition(axis, position);
        CopyLayer(volume.GetVoxels(), l, s, slice->GetPixels());
        slice->UpdateRange();
    }
    collection.SetModifiedFlag();
    collection.UpdateAllViews(nullptr);
}

}  // namespace voxmill
