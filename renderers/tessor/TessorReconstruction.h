// The three reconstruction operations of the Tessor renderer, free of any
// control or hosting concern: voxelization of a phantom, filtered
// backprojection of one projection, and of a whole collection.
//
// FDK on a circular orbit: each projection is cosine weighted, ramp
// filtered row by row (the kernel carries the pitch and the magnification,
// so rows come out in the units of the rotation axis) and backprojected with
// the distance weight. Over a collection of N projections the volume is
// finally scaled by 2 pi / N; single projections leave that to the caller,
// which knows N.
//
// Interface pointers are borrowed for the duration of each call and used
// on the calling thread only; the arithmetic runs on `threads` threads and
// gives the same bits for any thread count.
#pragma once

#include "contract/Phantom.h"
#include "contract/Progress.h"
#include "contract/Projection.h"
#include "contract/ProjectionCollection.h"
#include "contract/Volume.h"
#include "renderers/common/ProjectionFilter.h"

namespace voxmill {

class CVolumeGrid;

class CTessorReconstruction {
public:
    // Beyond the program's recipe; the defaults give its bits.
    struct Options {
        int window = 0;        // CRampKernel::Window
        double cutoff = 1.0;   // of the window, a fraction of Nyquist
        bool pad = false;      // rows embedded in twice their length
        bool bilinear = false; // detector sampled bilinearly
        // Collection mode: Parker's weights when the projections cover a
        // short scan; unweighted, with VOXMILL_S_UNEVENCOVERAGE, when they
        // cover neither that nor a full circle.
        bool shortScan = true;
    };

    explicit CTessorReconstruction(int threads);
    CTessorReconstruction(int threads, const Options& options);

    int Threads() const { return m_threads; }

    // Adds each element's MU to the voxels whose centres it contains.
    HRESULT Synthesize(IProgress* progress, IPhantom* phantom, IVolume* volume) const;
    // Adds one projection's filtered backprojection (not scaled).
    HRESULT ProcessProjection(IProjection* projection, IVolume* volume) const;
    // Reconstructs from every entry, with the detector geometry and
    // distances of the first entry that can be had, and scales by 2 pi / count.
    HRESULT ProcessCollection(IProgress* progress, IProjectionCollection* collection, IVolume* volume) const;

    // v <- v * 2 pi / count on every voxel, in double precision.
    static void ScaleByTurn(const CVolumeGrid& grid, LONG count, int threads);

    // Projections filtered before each pass over the volume in collection
    // mode; bounded so their work buffers stay near the cache.
    static constexpr int kMaxBatch = 8;
    static constexpr std::size_t kBatchBytes = 4u << 20;

private:
    HRESULT Collection(IProgress* progress, IProjectionCollection* collection, IVolume* volume) const;

    CProjectionFilter::Options FilterOptions() const;

    int m_threads;
    Options m_options;
};

}  // namespace voxmill
