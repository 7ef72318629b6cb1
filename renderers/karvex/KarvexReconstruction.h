// The reconstruction of the Karvex renderer: FDK over a whole collection
// with switches that trade generality for speed. Filtering (optionally on
// rows padded to twice their length, through the real or the complex
// transform), the cosine weight, field of view and backprojection are the
// shared ones; the weight carries 2 pi / N, so the volume needs no later
// scaling.
//
// Derived switches, fixed at the start of a call:
// - angular symmetry (N even): projection i and i + N/2 go together, the
//   partner read as the opposite view of i, where the pair's geometry is
//   really opposite (sources and detector centres mirrored through the
//   axis within kTolerance R, inverse matrix elements negated within
//   kTolerance); other pairs are backprojected each with its own geometry;
// - axial symmetry (an even row count): each voxel of the upper half
//   updates its mirror, for a batch whose projections all have vMax = -vMin,
//   source and detector centre on the plane y = 0 (within kTolerance R) and
//   a volume grid centred on that plane (within kTolerance of a pitch);
// - index skip, fixed point and the index table as in CVoxelBackprojection;
//   interpolation mode 1 samples bilinearly on the float path, whatever
//   the fixed-point and table switches say.
//
// The detector grid, the kernel and the cosine weight come from the first
// entry whose projection can be had (one that cannot is skipped and counted);
// each projection's own distances give its magnification, weight and
// field of view. Filtered rows keep their negative values (a value that is
// not finite becomes 0).
//
// Projections are loaded one at a time, at most kMaxBatch filtered ones are
// held, and every z slab takes a batch while it is in cache; each voxel
// sums its contributions in one fixed order, the same for any thread count.
#pragma once

#include <cstddef>

#include "contract/Phantom.h"
#include "contract/Progress.h"
#include "contract/ProjectionCollection.h"
#include "contract/Volume.h"

namespace voxmill {

class CKarvexReconstruction {
public:
    struct Options {
        bool filtering = true;
        bool indexLut = true;
        bool symmetry = true;
        LONG interpolationMode = 0;
        bool skipInterpolation = true;
        bool fixedPoint = true;
        bool pad = true;
        bool realFft = true;
        LONG filterWindow = 0;    // CRampKernel::Window
        LONG filterCutoff = 100;  // percent of Nyquist
        // Parker's weights on a short scan; unweighted, with
        // VOXMILL_S_UNEVENCOVERAGE, when the projections cover neither that
        // nor a full circle.
        bool shortScan = true;
    };

    // What a call decided (for tests and the bench).
    struct Plan {
        bool filtering = false;
        bool angular = false;
        bool axial = false;
        bool indexSkip = false;
        bool indexTable = false;
        int filterLength = 0;
        int pairsOpposite = 0;   // pairs taken with the angular symmetry
        int batchesMirrored = 0; // batches taken with the axial symmetry
    };

    explicit CKarvexReconstruction(int threads) : m_threads(threads < 1 ? 1 : threads) {}

    // Clears options.filtering when no farm or filter can be had.
    HRESULT ProcessCollection(IProgress* progress, IProjectionCollection* collection, IVolume* volume,
                              Options& options, Plan* plan = nullptr) const;

    // Filtered projections held at a time: at most 32, and as many as fit
    // in kBatchBytes (measured on 256 x 256 detectors: batches of 32 took
    // twice as long as batches of 4 to 8, the detectors falling out of the
    // cache between tiles).
    static constexpr int kMaxBatch = 32;
    static constexpr std::size_t kBatchBytes = 2u << 20;
    static constexpr double kTolerance = 1e-5;

private:
    int m_threads;
};

}  // namespace voxmill
