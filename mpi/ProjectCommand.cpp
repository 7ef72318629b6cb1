#include "mpi/ProjectCommand.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "acquisition/Projector.h"
#include "app/ListElementStub.h"
#include "app/archive/Archive.h"
#include "app/archive/ArchiveFile.h"
#include "cli/Command.h"
#include "cli/ProgressFrame.h"
#include "cli/ProjectorCommands.h"
#include "mpi/MpiJob.h"
#include "phantom/Phantom.h"

namespace voxmill::mpi {

const char* const kProjectUsage =
    "  project PHANTOM.pha OUT.prs [the options of voxmill-cli project] [--linked]\n"
    "                               as voxmill-cli project --linked, the snapshots shared among the\n"
    "                               ranks: each writes the members it made, rank 0 the collection";

namespace {

constexpr std::size_t kMemberBufferSize = std::size_t{1} << 20;

struct Request {
    bool fiveRays = false, force = false;
    int threads = 0;
    ProjectorPageValues values;
    std::string phantom, out;
};

Request ReadRequest(cli::Args& args) {
    Request r;
    const bool inPlace = args.Flag("--in-place");
    args.Flag("--linked");
    r.fiveRays = args.Flag("--five-rays");
    r.force = args.Flag("--force");
    const bool hasThreads = args.Option("--threads", &r.threads, 1);
    r.values = cli::ReadProjectorValues(args);
    r.phantom = args.Next("phantom file");
    r.out = args.Next("output collection file (.prs)");
    args.Finish();
    if (inPlace) throw cli::CliError("--in-place: the ranks write linked members; use voxmill-cli for one file");
    if (hasThreads && (r.threads < 1 || r.threads > 1024)) throw cli::CliError("--threads must be between 1 and 1024");
    if (const std::string problem = r.values.Problem(); !problem.empty()) throw cli::CliError(problem);
    std::error_code ec;
    if (!r.force && std::filesystem::exists(r.out, ec))
        throw cli::CliError(r.out + " already exists (use --force to replace it)");
    return r;
}

// Rank 0's word list to every rank.
void Broadcast(std::vector<std::string>& words, const CMpiJob& job) {
    std::string joined;
    for (const std::string& w : words) joined += w + '\n';
    unsigned long long length = joined.size();
    MPI_Bcast(&length, 1, MPI_UNSIGNED_LONG_LONG, 0, job.Comm());
    joined.resize(length);
    MPI_Bcast(joined.data(), static_cast<int>(length), MPI_CHAR, 0, job.Comm());
    words.clear();
    for (std::size_t start = 0, end; (end = joined.find('\n', start)) != std::string::npos; start = end + 1)
        words.push_back(joined.substr(start, end - start));
}

std::string Join(const std::vector<int>& ks) {
    std::string text;
    for (int k : ks) text += (text.empty() ? "" : ", ") + std::to_string(k);
    return text;
}

}  // namespace

int RunProject(cli::Args& args, CMpiJob& job) {
    std::string failure;
    Request request;
    CPhantom phantom;
    phantom.m_bAutoDelete = false;
    try {
        request = ReadRequest(args);
        try {
            phantom.Open(request.phantom);
        } catch (const std::exception& e) {
            throw cli::CliError(request.phantom + ": " + e.what());
        }
    } catch (const std::exception& e) {
        failure = e.what();
    }
    if (!job.Agree(failure.empty(), failure)) return 1;

    // Rank 0 holds the new collection and its replacement from the start:
    // every member is staged before any rank writes one, so a failure
    // anywhere (or a kill) leaves the previous collection whole.
    const int count = request.values.snapshots.stepNumber;
    const std::string fullPath = CProjector::FullPath(request.out);
    std::unique_ptr<CProjectionCollection> collection;
    std::vector<std::string> staged;
    if (job.IsRoot()) {
        try {
            collection = std::make_unique<CProjectionCollection>();
            collection->m_bAutoDelete = false;
            if (!collection->OnNewDocument()) throw cli::CliError("no projection collection could be made");
            collection->SetPathName(fullPath);
            collection->SetModifiedFlag();
            for (int k = 0; k < count; ++k) {
                CListElementStub* stub = collection->NewProjection();
                if (!stub) throw cli::CliError("no member could be made for snapshot " + std::to_string(k));
                collection->StageLinkedMember(*stub);
                staged.push_back(stub->AdoptStagedFile(CProjector::MemberPath(fullPath, k)));
                if (staged.back().empty()) throw cli::CliError(request.out + ": its members cannot be staged");
            }
        } catch (const std::exception& e) {
            failure = e.what();
        }
    }
    if (!job.Agree(failure.empty(), failure)) return 1;
    Broadcast(staged, job);

    // Each rank traces one contiguous block of snapshots and writes them.
    const long long first = static_cast<long long>(count) * job.Rank() / job.Size();
    const long long last = static_cast<long long>(count) * (job.Rank() + 1) / job.Size();
    const auto mine = [first, last](int k) { return k >= first && k < last; };
    CProjector projector;
    projector.OnNewDocument();
    projector.m_bAutoDelete = false;
    projector.m_collectionMode = CProjector::kInPlaceCollection;
    projector.m_rayMode = request.fiveRays ? CProjector::kFiveRays : CProjector::kOneRay;
    projector.SetThreadCount(static_cast<unsigned>(request.threads));
    std::vector<std::string> unwritten;
    projector.SetSnapshotShare({mine, [&](int k, CProjection& projection) {
                                    const std::string path = CProjector::MemberPath(fullPath, k);
                                    try {
                                        SaveArchiveFile(staged[static_cast<std::size_t>(k)], kMemberBufferSize,
                                                        [&](CArchive& ar) {
                                                            projection.SetPathName(path, true);
                                                            projection.Serialize(ar);
                                                        });
                                    } catch (const std::exception& e) {
                                        unwritten.push_back(path + " could not be written (" + e.what() + ")");
                                    }
                                    projection.ReleaseData();
                                }});
    {
        CRelayProgressFrame frame(job);
        cli::ProgressView view(frame);
        projector.AddView(&view);
        // Whatever happens here, Finish below must be reached: rank 0 waits in it.
        try {
            const ProjectorRunReport report = projector.Render(&phantom, request.values);
            std::vector<int> empty;
            for (int k : report.emptyMembers)
                if (mine(k)) empty.push_back(k);
            if (!report.collection) failure = report.problem;
            else if (!unwritten.empty()) failure = unwritten.front();
            else if (!empty.empty())
                failure = "snapshots " + Join(empty) +
                          " have no image: the detector could not take the geometry (size or pixel count 0)";
        } catch (const std::exception& e) {
            failure = std::string("the projection stopped: ") + e.what();
        }
        projector.RemoveView(&view);
        if (failure.empty() && job.IsToldToFail()) failure = "failed as told by VOXMILL_MPI_FAIL_RANK";
        frame.Finish();
    }
    if (!job.Agree(failure.empty(), failure)) return 1;

    // Every member is in its staged file: rank 0 writes the collection,
    // which puts them all in place at once.
    if (job.IsRoot()) {
        try {
            collection->Save(request.out);
        } catch (const std::exception& e) {
            failure = request.out + ": " + e.what();
        }
    }
    if (!job.Agree(failure.empty(), failure)) return 1;
    if (job.IsRoot())
        std::cout << "wrote " << request.out << ": " << count << " linked projections from " << job.Size()
                  << " rank(s)\n";
    return 0;
}

}  // namespace voxmill::mpi
