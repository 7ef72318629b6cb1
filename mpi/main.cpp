// voxmill-mpi: the long runs of voxmill-cli spread over the ranks of an MPI
// job (mpirun -np N voxmill-mpi COMMAND ...). Every rank parses the same
// words and reads the input itself from a file system all ranks share;
// rank 0 speaks for the job.
#include <mpi.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/archive/ErrorSink.h"
#include "cli/Command.h"
#include "mpi/MpiJob.h"
#include "mpi/ProjectCommand.h"
#include "mpi/ReconstructCommand.h"

namespace {

struct MpiCommand {
    const char* name;
    const char* usage;
    int (*run)(voxmill::cli::Args& args, voxmill::mpi::CMpiJob& job);
};

const MpiCommand kCommands[] = {
    {"reconstruct", voxmill::mpi::kReconstructUsage, &voxmill::mpi::RunReconstruct},
    {"project", voxmill::mpi::kProjectUsage, &voxmill::mpi::RunProject},
};

int Dispatch(const std::vector<std::string>& words, voxmill::mpi::CMpiJob& job) {
    if (words.empty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
        if (job.IsRoot()) {
            std::cout << "usage: mpirun [-np N] voxmill-mpi COMMAND [ARGS...]\n\ncommands:\n";
            for (const MpiCommand& c : kCommands) std::cout << c.usage << '\n';
        }
        return words.empty() ? 2 : 0;
    }
    for (const MpiCommand& c : kCommands) {
        if (words[0] != c.name) continue;
        voxmill::cli::Args args(std::vector<std::string>(words.begin() + 1, words.end()));
        return c.run(args, job);
    }
    if (job.IsRoot()) std::cerr << "voxmill-mpi: unknown command '" << words[0] << "' (see voxmill-mpi --help)\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    MPI_Init(&argc, &argv);
    int status = 0;
    {
        voxmill::mpi::CMpiJob job(MPI_COMM_WORLD);
        // The core's own messages name the rank they come from.
        const std::string prefix = "voxmill-mpi: rank " + std::to_string(job.Rank()) + ": ";
        voxmill::SetErrorSink([prefix](const std::string& message) { std::cerr << prefix << message << '\n'; });
        status = Dispatch(std::vector<std::string>(argv + 1, argv + argc), job);
    }
    MPI_Finalize();
    return status;
}
