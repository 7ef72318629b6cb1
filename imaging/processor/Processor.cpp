#include "imaging/processor/Processor.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "acquisition/ProjectionCollection.h"
#include "app/ListElementStub.h"
#include "app/Target.h"
#include "app/archive/Archive.h"
#include "app/archive/ArchiveFile.h"
#include "imaging/Surface.h"
#include "imaging/dib/Dib.h"

namespace voxmill {
namespace {

constexpr std::size_t kSaveBufferSize = 1048576;

// The file a member path names, links followed, so that the staged copy
// lands beside the real file and replaces it, not the link.
std::string RealPath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::canonical(path, ec);
    return ec ? path : real.string();
}

CSurface* ImageOf(const CListElementStub& stub) { return dynamic_cast<CSurface*>(stub.m_pElement); }

}  // namespace

// A linked member's warped record, written beside its file and waiting to
// replace it. The staged file is removed unless it was committed.
struct CProcessor::Staged {
    CListElementStub* stub = nullptr;
    std::string file;    // the member file
    std::string staged;  // its staged replacement
    std::unique_ptr<CDib> thumbnail;
    bool wasLoaded = false;
    bool committed = false;

    Staged() = default;
    Staged(Staged&& other) noexcept
        : stub(other.stub), file(std::move(other.file)), staged(std::move(other.staged)),
          thumbnail(std::move(other.thumbnail)), wasLoaded(other.wasLoaded), committed(other.committed) {
        other.committed = true;  // the moved-from one owns no file any more
    }
    Staged& operator=(Staged&&) = delete;
    ~Staged() {
        if (!committed && !staged.empty()) std::remove(staged.c_str());
    }

    // Renames the staged record over the member file, keeping the file's
    // permissions; the error text, or empty.
    std::string Commit() {
        std::error_code ec;
        const auto perms = std::filesystem::status(file, ec).permissions();
        if (!ec) std::filesystem::permissions(staged, perms, ec);
        if (std::rename(staged.c_str(), file.c_str()) != 0)
            return file + ": cannot replace file (" + std::strerror(errno) + ")";
        committed = true;
        return {};
    }
};

VOXMILL_IMPLEMENT_DYNCREATE(CProcessor, COperator)

CProcessor::CProcessor() = default;

CProcessor::~CProcessor() = default;

void CProcessor::Serialize(CArchive&) {}

bool CProcessor::AcceptsTarget(std::uint16_t targetType) { return targetType == kTargetProjectionCollection; }

ProcessorReport CProcessor::Process(CDocument* target, const WarpValues& values) {
    ProcessorReport report;
    report.problem = values.Problem();
    if (!report.problem.empty()) return report;
    if (!target) {
        report.problem = "No target: drop a projection collection on the Target page first";
        return report;
    }
    auto* collection = dynamic_cast<CProjectionCollection*>(target);
    if (!collection) {
        report.problem = "The target is not a projection collection";
        return report;
    }

    BeginRun(static_cast<unsigned>(collection->GetCount()), kStepText);
    WarpLinked(*collection, values, report);
    if (report.unwritten.empty()) WarpInPlace(*collection, values, report);
    // A run given up still ends its progress display.
    while (m_nStep < m_nSteps) Step();
    if (report.warped > 0) {
        collection->SetModifiedFlag();
        collection->UpdateAllViews(nullptr);
    }
    return report;
}

bool CProcessor::StageMember(CListElementStub& stub, const WarpValues& values, std::vector<Staged>& staged,
                             ProcessorReport& report) {
    Staged entry;
    entry.stub = &stub;
    entry.wasLoaded = stub.m_bLoaded;
    CSurface* image = ImageOf(stub);
    if (!image || !stub.Load()) return false;
    values.Apply(*image);
    entry.file = RealPath(stub.m_strPath);
    try {
        const std::string stagedFile = entry.file + kStagedSuffix;
        SaveArchiveFile(stagedFile, kSaveBufferSize, [image](CArchive& ar) { image->Serialize(ar); });
        entry.staged = stagedFile;  // ours to remove from here on
        entry.thumbnail.reset(image->MakeThumbnail(CListElementStub::kThumbnailSize, CListElementStub::kThumbnailSize));
    } catch (const std::exception& e) {
        report.unwritten.push_back(stub.m_strPath + ": " + e.what());
        // Read the member back as its file still holds it.
        stub.Unload();
        if (entry.wasLoaded) stub.Load();
        return true;
    }
    if (!entry.wasLoaded) stub.Unload();
    staged.push_back(std::move(entry));
    return true;
}

void CProcessor::WarpLinked(CProjectionCollection& collection, const WarpValues& values, ProcessorReport& report) {
    std::vector<Staged> staged;
    for (std::size_t i = 0; i < collection.GetCount() && report.unwritten.empty(); ++i) {
        CListElementStub* stub = collection.GetMember(i);
        if (!stub || !stub->m_bLinked) continue;
        if (!StageMember(*stub, values, staged, report)) report.unreadable.push_back(i);
        Step();
    }
    if (!report.unwritten.empty()) {
        // Members that stay loaded get their file's pixels back; the
        // staged files go with `staged`.
        for (Staged& entry : staged)
            if (entry.wasLoaded) {
                entry.stub->Unload();
                entry.stub->Load();
            }
        return;
    }
    for (Staged& entry : staged) {
        if (std::string error = entry.Commit(); !error.empty()) {
            report.unwritten.push_back(error);
            continue;
        }
        entry.stub->m_pThumbnail = std::move(entry.thumbnail);
        if (CSurface* image = ImageOf(*entry.stub)) image->UpdateAllViews(nullptr, CSurface::kHintImageChanged);
        ++report.warped;
    }
}

void CProcessor::WarpInPlace(CProjectionCollection& collection, const WarpValues& values, ProcessorReport& report) {
    for (std::size_t i = 0; i < collection.GetCount(); ++i) {
        CListElementStub* stub = collection.GetMember(i);
        if (!stub || stub->m_bLinked) continue;
        if (CSurface* image = ImageOf(*stub)) {
            values.Apply(*image);
            stub->m_pThumbnail.reset();  // made again from the warped image when asked for
            image->UpdateAllViews(nullptr, CSurface::kHintImageChanged);
            ++report.warped;
        }
        Step();
    }
}

}  // namespace voxmill
