// Voxel-driven backprojection of filtered projections into a volume, with
// nearest-neighbour sampling of the detector and the distance weight
// R^2 / L^2 (L the voxel's depth along the central ray).
//
// For a voxel at (x, y, z) inside the field of view:
//   L = R - (c x + e z), m = D / L and w = R^2 / L^2 as floats,
//   col = trunc(((a x + b z) m - uMin) / du + 0.5),
//   row = trunc((vMax - y m) / dv + 0.5),
//   voxel += w * work[row * columns + col],
// in double precision, the sum stored as a float. A voxel whose column or
// row falls off the detector (a detector wider than it is tall lets the
// field of view reach past the top and bottom rows) is left alone.
//
// Each voxel receives the views in the order given, whatever the number of
// threads: z slabs are spread over threads and every slab takes all views
// in turn, so a run gives the same bits on one thread as on many.
#pragma once

#include <vector>

#include "renderers/tessor/FieldOfView.h"
#include "renderers/tessor/ProjectionGeometry.h"
#include "renderers/tessor/VolumeGrid.h"

namespace voxmill {

class CVoxelBackprojection {
public:
    struct View {
        const float* work = nullptr;  // filtered projection, columns x rows
        double a = 0, b = 0, c = 0, e = 0;
        double R = 0, D = 0;
        float uMin = 0, vMax = 0, du = 1, dv = 1;
        int columns = 0, rows = 0;
        CFieldOfView fov;
    };

    // A view with the detector grid, distances and field of view of
    // `detector` and the orientation of `oriented`.
    static View MakeView(const CProjectionGeometry& detector, const CProjectionGeometry& oriented,
                         const float* work);

    // Adds every view into the grid's voxels, slabs spread over `threads`.
    static void Run(const CVolumeGrid& grid, const std::vector<View>& views, int threads);
};

}  // namespace voxmill
