// voxmill-mpi project: the snapshots of a projector run shared among the
// ranks, each writing the linked members it made; rank 0 writes the
// collection once every member exists.
#pragma once

namespace voxmill::cli {
class Args;
}

namespace voxmill::mpi {

class CMpiJob;

extern const char* const kProjectUsage;
int RunProject(cli::Args& args, CMpiJob& job);

}  // namespace voxmill::mpi
