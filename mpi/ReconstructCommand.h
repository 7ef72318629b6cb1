// voxmill-mpi reconstruct: the volume cut into slabs of z layers, each
// rank rendering its slab with the renderer plug-in and writing it into
// one .vol with MPI-IO.
#pragma once

namespace voxmill::cli {
class Args;
}

namespace voxmill::mpi {

class CMpiJob;

extern const char* const kReconstructUsage;
int RunReconstruct(cli::Args& args, CMpiJob& job);

}  // namespace voxmill::mpi
