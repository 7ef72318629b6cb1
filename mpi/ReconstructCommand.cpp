#include "mpi/ReconstructCommand.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "app/Target.h"
#include "app/archive/Archive.h"
#include "app/archive/File.h"
#include "app/View.h"
#include "cli/ProgressFrame.h"
#include "cli/Command.h"
#include "cli/ReconstructionSetup.h"
#include "contract/FileReplace.h"
#include "contract/ProjectionCollection.h"
#include "mpi/MpiJob.h"
#include "mpi/Slabs.h"
#include "reconstruction/BackProjector.h"
#include "reconstruction/HResultText.h"
#include "reconstruction/PluginRegistry.h"
#include "reconstruction/Volume.h"
#include "renderers/common/ProjectionGeometry.h"

namespace voxmill::mpi {

const char* const kReconstructUsage =
    "  reconstruct INPUT.prs|INPUT.pha OUT.vol --renderer NAME|CLSID [--option PROPERTY=VALUE]...\n"
    "              [--volume-size DX DY DZ] [--voxels NX NY NZ] [--force]\n"
    "                               as voxmill-cli reconstruct, the volume shared among the ranks\n"
    "                               in slabs of z layers; every rank reads the input itself";

namespace {

struct Request {
    bool force = false;
    std::string renderer;
    std::vector<std::string> options;
    CBackProjector::VolumeSize size;
    std::string in, out;
};

Request ReadRequest(cli::Args& args) {
    Request r;
    r.force = args.Flag("--force");
    const bool hasRenderer = args.OptionString("--renderer", r.renderer);
    r.options = args.OptionStrings("--option");
    r.size = cli::ReadVolumeSize(args);
    r.in = args.Next("input file (.prs or .pha)");
    r.out = args.Next("output volume file (.vol)");
    args.Finish();
    if (!hasRenderer) throw cli::CliError("--renderer NAME is required (see voxmill-cli plugins list)");
    std::error_code ec;
    if (!r.force && std::filesystem::exists(r.out, ec))
        throw cli::CliError(r.out + " already exists (use --force to replace it)");
    return r;
}

// The scan geometry of the collection's first member, for the balance of
// the slabs only; null for a phantom or when it cannot be read (the slabs
// are then balanced by layers alone, and the render reports the member).
std::unique_ptr<ScanGeometry> ScanOf(CTarget& target) {
    if (target.GetTargetType() != kTargetProjectionCollection) return nullptr;
    auto* collection = static_cast<IProjectionCollection*>(target.GetInterface(IID_IProjectionCollection));
    IListElement* first = nullptr;
    if (!collection || FAILED(collection->GetItem(0, &first)) || !first) return nullptr;
    std::unique_ptr<ScanGeometry> scan;
    void* p = nullptr;
    if (SUCCEEDED(first->QueryInterface(IID_IProjection, &p)) && p) {
        auto* projection = static_cast<IProjection*>(p);
        CProjectionGeometry g;
        if (SUCCEEDED(CProjectionGeometry::Read(projection, &g)))
            scan = std::make_unique<ScanGeometry>(ScanGeometry{g.R, g.D, g.width, g.height});
        projection->Release();
    }
    first->Unload();
    return scan;
}

// The bytes a .vol holds before its voxels.
std::vector<std::uint8_t> HeaderBytes(CVolume& volume) {
    CMemFile memory;
    {
        CArchive ar(memory, CArchive::store);
        volume.StoreHeader(ar);
        ar.Close();
    }
    return memory.bytes();
}

// Writes `bytes` at `offset` in pieces an int count can carry. Collective
// over the file's ranks: every rank calls it the same number of times.
bool WriteAllAt(MPI_File file, MPI_Offset offset, const char* bytes, std::uint64_t size, std::uint64_t rounds) {
    constexpr std::uint64_t kPiece = std::uint64_t{1} << 30;
    bool ok = true;
    for (std::uint64_t n = 0; n < rounds; ++n) {
        const std::uint64_t done = n * kPiece;
        const std::uint64_t length = done < size ? std::min(kPiece, size - done) : 0;
        MPI_Status status;
        if (MPI_File_write_at_all(file, offset + static_cast<MPI_Offset>(done), bytes + (length ? done : 0),
                                  static_cast<int>(length), MPI_BYTE, &status) != MPI_SUCCESS)
            ok = false;
        else if (int written = 0; MPI_Get_count(&status, MPI_BYTE, &written) != MPI_SUCCESS ||
                                  static_cast<std::uint64_t>(written) != length)
            ok = false;  // a short write: the file system is full
    }
    return ok;
}

// "rank R: layers A-B, V voxels in view" per rank with layers.
std::string PlanText(const std::vector<Slab>& slabs, const std::vector<std::uint64_t>& weights) {
    std::string text;
    for (std::size_t r = 0; r < slabs.size(); ++r) {
        const Slab& s = slabs[r];
        if (!s.count) {
            text += "rank " + std::to_string(r) + ": no layers\n";
            continue;
        }
        // A layer's weight is one more than its voxels in view.
        std::uint64_t inView = 0;
        for (std::uint32_t k = s.first; k < s.first + s.count; ++k) inView += weights[k] - 1;
        text += "rank " + std::to_string(r) + ": layers " + std::to_string(s.first) + "-" +
                std::to_string(s.first + s.count - 1) + ", " + std::to_string(inView) + " voxels in view\n";
    }
    return text;
}

}  // namespace

int RunReconstruct(cli::Args& args, CMpiJob& job) {
    std::string failure;
    Request request;
    try {
        request = ReadRequest(args);
    } catch (const std::exception& e) {
        failure = e.what();
    }
    if (!job.Agree(failure.empty(), failure)) return 1;

    // Every rank: the registry, the renderer, the input, its slab.
    CPluginRegistry registry;
    CBackProjector backprojector;
    backprojector.m_bAutoDelete = false;
    std::unique_ptr<CTarget> target;
    CVolume slab;
    slab.m_bAutoDelete = false;
    Slab mine;
    std::string plan;
    try {
        registry.RegisterCategory();
        backprojector.OnNewDocument();
        cli::LoadRenderer(backprojector, registry, request.renderer, request.options);
        target = cli::OpenTarget(request.in);
        const std::unique_ptr<ScanGeometry> scan = ScanOf(*target);
        const std::vector<std::uint64_t> weights = LayerWeights(request.size, scan.get());
        const std::vector<Slab> slabs = CutSlabs(weights, job.Size());
        mine = slabs[static_cast<std::size_t>(job.Rank())];
        if (job.IsRoot()) plan = PlanText(slabs, weights);
        slab.OnNewDocument();
        const auto& s = request.size;
        if (mine.count && !slab.AllocateLayers(s.dimX, s.dimY, s.dimZ, s.nX, s.nY, s.nZ, mine.first, mine.count))
            throw cli::CliError("cannot allocate a slab of " + std::to_string(s.nX) + " x " + std::to_string(s.nY) +
                                " x " + std::to_string(mine.count) + " voxels");
    } catch (const std::exception& e) {
        failure = e.what();
    }
    if (!job.Agree(failure.empty(), failure)) return 1;

    // Every rank renders its slab; rank 0 shows the job's progress.
    {
        CRelayProgressFrame frame(job);
        cli::ProgressView view(frame);
        backprojector.AddView(&view);
        // Whatever happens here, Finish below must be reached: rank 0 waits in it.
        try {
            if (mine.count) {
                const HRESULT hr = backprojector.Run(*target, slab);
                const std::string missing = backprojector.MissingMembersText();
                // Every rank reads every member: one that a rank cannot read
                // would leave its slab short, so the job stops.
                if (!missing.empty()) failure = missing + "; the job stops, nothing was written";
                else if (FAILED(hr)) failure = "the renderer failed (" + HResultText(hr) + "); nothing was written";
            }
        } catch (const std::exception& e) {
            failure = std::string("the render stopped: ") + e.what();
        }
        if (failure.empty() && job.IsToldToFail()) failure = "failed as told by VOXMILL_MPI_FAIL_RANK";
        frame.Finish();
        backprojector.RemoveView(&view);
    }
    if (!job.Agree(failure.empty(), failure)) return 1;
    const std::string rendererType = backprojector.GetRendererUserType();
    backprojector.ReleaseRenderer();
    target.reset();

    // One temporary file beside the target, named by rank 0, written by all.
    std::string real, temp;
    if (job.IsRoot()) {
        real = file_replace::ResolveLinks(request.out);
        file_replace::RemoveStaleTemps(real);
        const int fd = file_replace::CreateTemp(real, temp);
        if (fd < 0) failure = request.out + ": cannot create a file beside it (" + std::strerror(errno) + ")";
        else ::close(fd);
    }
    unsigned long long length = temp.size();
    MPI_Bcast(&length, 1, MPI_UNSIGNED_LONG_LONG, 0, job.Comm());
    temp.resize(length);
    MPI_Bcast(temp.data(), static_cast<int>(length), MPI_CHAR, 0, job.Comm());
    if (!job.Agree(failure.empty(), failure)) return 1;

    std::vector<std::uint8_t> header;
    if (job.IsRoot()) {
        CVolume box;
        box.m_bAutoDelete = false;
        box.OnNewDocument();
        const auto& s = request.size;
        // The header only: one layer stands for the box.
        if (box.AllocateLayers(s.dimX, s.dimY, s.dimZ, s.nX, s.nY, s.nZ, 0, 1)) header = HeaderBytes(box);
        else failure = "cannot describe the volume";
    }
    unsigned long long headerSize = header.size();
    MPI_Bcast(&headerSize, 1, MPI_UNSIGNED_LONG_LONG, 0, job.Comm());

    // Opening is collective; should it fail on some ranks only, the others
    // must not go on into the collective writes.
    MPI_File file;
    const bool opened = MPI_File_open(job.Comm(), temp.c_str(), MPI_MODE_WRONLY, MPI_INFO_NULL, &file) == MPI_SUCCESS;
    if (!job.Agree(opened && failure.empty(),
                   failure.empty() ? request.out + ": the temporary file cannot be opened for MPI-IO" : failure)) {
        if (opened) MPI_File_close(&file);
        if (job.IsRoot()) ::unlink(temp.c_str());
        return 1;
    }
    bool written = true;
    {
        const std::uint64_t layer = std::uint64_t{request.size.nX} * request.size.nY * sizeof(float);
        const std::uint64_t bytes = layer * mine.count;
        std::uint64_t rounds = (bytes + (std::uint64_t{1} << 30) - 1) >> 30, most = 0;
        MPI_Allreduce(&rounds, &most, 1, MPI_UINT64_T, MPI_MAX, job.Comm());
        if (job.IsRoot() && !header.empty() &&
            MPI_File_write_at(file, 0, header.data(), static_cast<int>(header.size()), MPI_BYTE, MPI_STATUS_IGNORE) !=
                MPI_SUCCESS)
            written = false;
        const MPI_Offset offset = static_cast<MPI_Offset>(headerSize + layer * mine.first);
        if (!WriteAllAt(file, offset, reinterpret_cast<const char*>(slab.GetVoxels()), bytes, most)) written = false;
        if (MPI_File_close(&file) != MPI_SUCCESS) written = false;
    }
    if (!written && failure.empty()) failure = request.out + ": the volume could not be written";
    if (!job.Agree(failure.empty(), failure)) {
        if (job.IsRoot()) ::unlink(temp.c_str());
        return 1;
    }

    if (job.IsRoot() && !file_replace::CommitTemp(temp, real)) {
        failure = request.out + ": " + std::strerror(errno);
        ::unlink(temp.c_str());
    }
    if (!job.Agree(failure.empty(), failure)) return 1;
    if (job.IsRoot())
        std::cout << "wrote " << request.out << ": " << request.size.nX << " x " << request.size.nY << " x "
                  << request.size.nZ << " voxels, " << rendererType << '\n'
                  << plan;
    return 0;
}

}  // namespace voxmill::mpi
