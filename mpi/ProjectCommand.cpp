#include "mpi/ProjectCommand.h"

#include "cli/Command.h"
#include "mpi/MpiJob.h"

namespace voxmill::mpi {

const char* const kProjectUsage = "  project PHANTOM.pha OUT.prs ...  (not yet)";

int RunProject(cli::Args&, CMpiJob& job) { return job.Agree(false, "project: not yet") ? 0 : 1; }

}  // namespace voxmill::mpi
