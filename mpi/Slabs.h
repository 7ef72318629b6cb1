// How voxmill-mpi cuts a volume among ranks: slabs of whole z layers (the
// layers are contiguous in a .vol file), sized so that each rank gets
// nearly the same work. The work of a layer is the voxels a renderer
// visits in it: those inside the field of view of a circular scan, plus a
// little for the layer itself, since even an empty layer costs its set-up.
#pragma once

#include <cstdint>
#include <vector>

#include "reconstruction/BackProjector.h"

namespace voxmill::mpi {

struct Slab {
    std::uint32_t first = 0;  // first layer, k from the top (+z)
    std::uint32_t count = 0;  // 0 for a rank left without layers
};

// The scan geometry that bounds the visited voxels: R source-axis distance,
// D source-detector distance, W x H detector size (world units).
struct ScanGeometry {
    double R = 0, D = 0, W = 0, H = 0;
};

// Per layer k of the volume: 1 + the voxels whose centres lie inside the
// scan's field of view (all voxels when `scan` is null: a phantom is
// sampled everywhere).
std::vector<std::uint64_t> LayerWeights(const CBackProjector::VolumeSize& size, const ScanGeometry* scan);

// `parts` consecutive slabs covering every layer, each holding close to an
// equal share of the total weight; every part gets at least one layer while
// layers last, and the parts beyond the layer count get none.
std::vector<Slab> CutSlabs(const std::vector<std::uint64_t>& weights, int parts);

}  // namespace voxmill::mpi
