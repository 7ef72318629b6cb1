// The volume window's "X Slices", "Y Slices" and "Z Slices": a volume cut
// into one slice per voxel layer along an axis. Slice s of an X cut is the
// layer i = nX - 1 - s, of a Y cut j = s, of a Z cut k = s, so the first
// slice lies at the last voxel centre (xMax, yMax, zMax) and the positions
// step down by the pitch. Pixel (column c, row r) takes voxel
//   X: (i, nY - 1 - c, r)    image dimY x dimZ, nY x nZ pixels, +y right, +z up
//   Y: (c, s, r)             image dimX x dimZ, nX x nZ pixels, +x right, +z up
//   Z: (c, r, s)             image dimX x dimY, nX x nY pixels, +x right, +y up
// (row 0 is the top row of the image).
#pragma once

#include <cstdint>

namespace voxmill {

class CSliceCollection;
class CVolume;

// Sets the collection's axis and appends one slice per layer of the
// volume along it, each with its axis, position, pixels and value range;
// an empty volume appends none. A slice whose image cannot be allocated
// stays empty. Throws std::invalid_argument for an axis other than 0, 1, 2.
void SliceVolume(const CVolume& volume, std::uint32_t axis, CSliceCollection& collection);

// The number of slices SliceVolume makes along the axis (0 for an empty
// volume).
std::uint32_t SliceCount(const CVolume& volume, std::uint32_t axis);

}  // namespace voxmill
