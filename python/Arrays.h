// numpy arrays over the core's buffers. An array handed out owns the
// document that holds its block (a volume's voxels, an image's pixels):
// its `base` is a capsule that deletes the document with the last view, so
// no voxel is copied. Arrays handed in are used in place when they are
// C-contiguous float32; anything else is converted once, on the way in.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

namespace voxmill {
class CDocument;
class CSurface;
class CVolume;
}  // namespace voxmill

namespace voxmill::python {

using FloatArray = pybind11::array_t<float, pybind11::array::c_style | pybind11::array::forcecast>;

// A float32 array of `shape` over `data`, which `owner` holds; the array
// keeps `owner` alive and deletes it with its last view.
pybind11::array OwningArray(std::unique_ptr<CDocument> owner, float* data, const std::vector<pybind11::ssize_t>& shape);

// The voxels (nZ, nY, nX) of a volume, owning it; (0, 0, 0) when it has none.
pybind11::array VolumeArray(std::unique_ptr<CVolume> volume);
// The pixels (height, width) of an image, owning it; (0, 0) without pixels.
pybind11::array SurfaceArray(std::unique_ptr<CSurface> surface);

// `object` as a C-contiguous float32 array of `dims` dimensions: the same
// memory when it is one already, else one converted copy. ValueError
// naming `what` for another number of dimensions.
FloatArray FloatInput(const pybind11::handle& object, int dims, const char* what);

// Three numbers of a Python sequence; ValueError naming `what` otherwise.
template <class T>
std::vector<T> Triple(const pybind11::handle& object, const char* what);

}  // namespace voxmill::python
