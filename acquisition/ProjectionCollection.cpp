#include "acquisition/ProjectionCollection.h"

#include <filesystem>
#include <stdexcept>

#include "acquisition/CircularOrbit.h"
#include "acquisition/Projection.h"
#include "app/DocTemplate.h"
#include "app/ListElementStub.h"
#include "app/archive/Archive.h"
#include "app/archive/ArchiveFile.h"
#include "app/archive/ErrorSink.h"
#include "app/archive/File.h"
#include "imaging/dib/Dib.h"

namespace voxmill {
namespace {

constexpr std::size_t kLoadBufferSize = 4096;
constexpr std::size_t kExportBufferSize = 1048576;
// The smallest member record: a reference tag, the linked flag and a null
// element (8 bytes); a count that could not fit is refused at once.
constexpr std::uint32_t kMinMemberBytes = 8;
// Every projection costs a document in memory whatever its size; a
// sinogram of more than this many is taken for wrong import values.
constexpr std::uint32_t kMaxSinogramCount = 65536;
// The Projection template's filter extension, appended to a raw file's
// path to name its linked projection file.
constexpr const char* kProjectionExtension = ".PRJ";

CDocTemplate*& ProjectionTemplate() {
    static CDocTemplate* pTemplate = nullptr;
    return pTemplate;
}

bool IsSinogramTemplate(const CDocTemplate* pTemplate) {
    return pTemplate && pTemplate->GetDocString(CDocTemplate::regFileTypeId) == "Sinogram.Document";
}

std::uint64_t FileLengthOrZero(const std::string& path) {
    try {
        CDiskFile file(path, CDiskFile::modeRead);
        return file.GetLength();
    } catch (const CFileException&) {
        return 0;
    }
}

std::string FullPath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

}  // namespace

VOXMILL_IMPLEMENT_DYNAMIC(CProjectionCollection, CTarget)

CProjectionCollection::CProjectionCollection() = default;

CProjectionCollection::~CProjectionCollection() { DeleteContents(); }

void CProjectionCollection::SetProjectionTemplate(CDocTemplate* pTemplate) { ProjectionTemplate() = pTemplate; }

CDocTemplate* CProjectionCollection::GetProjectionTemplate() { return ProjectionTemplate(); }

// --- members -------------------------------------------------------------------

std::unique_ptr<CProjection> CProjectionCollection::MakeMemberProjection() {
    auto projection = std::make_unique<CProjection>();
    // Attached without entering the template's list: the collection, not
    // the template, owns it.
    projection->SetDocTemplate(ProjectionTemplate());
    projection->OnNewDocument();
    projection->m_bAutoDelete = false;
    return projection;
}

CListElementStub* CProjectionCollection::AddMember(CProjection* projection) {
    auto stub = std::make_unique<CListElementStub>();
    stub->m_pElement = projection;
    if (projection) projection->m_bAutoDelete = false;
    m_members.push_back(std::move(stub));
    return m_members.back().get();
}

CListElementStub* CProjectionCollection::NewProjection() { return AddMember(MakeMemberProjection().release()); }

CListElementStub* CProjectionCollection::GetMember(std::size_t index) const {
    return index < m_members.size() ? m_members[index].get() : nullptr;
}

CProjection* CProjectionCollection::GetProjection(std::size_t index) const {
    CListElementStub* stub = GetMember(index);
    CListElement* element = stub ? stub->GetElement() : nullptr;
    return element && element->IsKindOf(RUNTIME_CLASS(CProjection)) ? static_cast<CProjection*>(element) : nullptr;
}

std::vector<CListElementStub*> CProjectionCollection::GetMemberStubs() const {
    std::vector<CListElementStub*> stubs;
    stubs.reserve(m_members.size());
    for (const auto& stub : m_members) stubs.push_back(stub.get());
    return stubs;
}

void CProjectionCollection::RemoveMember(std::size_t index) {
    CListElementStub& stub = *m_members[index];
    if (CListElement* element = stub.m_pElement) {
        stub.m_pElement = nullptr;
        element->SetDocTemplate(nullptr);
        element->OnCloseDocument();
        delete element;
    }
    stub.OnCloseDocument();
    m_members.erase(m_members.begin() + static_cast<std::ptrdiff_t>(index));
}

void CProjectionCollection::DeleteContents() {
    while (!m_members.empty()) RemoveMember(m_members.size() - 1);
    CTarget::DeleteContents();
}

// --- files -----------------------------------------------------------------------

void CProjectionCollection::Serialize(CArchive& ar) {
    if (!IsSinogramTemplate(GetDocTemplate())) {
        if (ar.IsStoring())
            StoreRecord(ar);
        else
            LoadRecord(ar);
        return;
    }
    if (ar.IsStoring()) {
        StoreSinogram(ar);
        return;
    }
    if (!m_pImportParams) ar.Fail(CArchiveException::generic, "a sinogram is read only through its import values");
    LoadSinogram(ar, *m_pImportParams);
}

void CProjectionCollection::StoreRecord(CArchive& ar) {
    // Cached descriptions and thumbnails travel with the file so that
    // listing a linked collection reads no member file.
    for (auto& stub : m_members)
        if (stub->m_bLinked) FillCache(*stub);
    CTarget::Serialize(ar);
    ar.WriteCount(static_cast<std::uint32_t>(m_members.size()));
    for (const auto& stub : m_members) ar.WriteObject(stub.get());
}

void CProjectionCollection::LoadRecord(CArchive& ar) {
    CTarget::Serialize(ar);
    const std::uint32_t count = ar.ReadCount(kMinMemberBytes, "members");
    if (count > CListElementStub::kMaxMembers)
        ar.Fail(CArchiveException::generic, "the collection lists " + std::to_string(count) +
                                                " members, more than the " +
                                                std::to_string(CListElementStub::kMaxMembers) + " allowed");
    m_members.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        CListElementStub* stub = ar.ReadOwnedObjectAs<CListElementStub>();
        if (!stub) ar.Fail(CArchiveException::badIndex, "member " + std::to_string(i) + " is a null reference");
        m_members.emplace_back(stub);  // owned from here, also when a check below fails
        if (stub->m_bLinked) {
            // The projection its file is read into is made on first use.
            stub->SetElementFactory([]() -> CListElement* { return MakeMemberProjection().release(); });
            continue;
        }
        if (!stub->m_pElement) continue;
        if (!stub->m_pElement->IsKindOf(RUNTIME_CLASS(CProjection)))
            ar.Fail(CArchiveException::badClass, "member " + std::to_string(i) + " holds a " +
                                                     stub->m_pElement->GetRuntimeClass()->m_lpszClassName +
                                                     ", not a projection");
        stub->m_pElement->SetDocTemplate(ProjectionTemplate());
        stub->m_pElement->m_bAutoDelete = false;
    }
}

void CProjectionCollection::FillCache(CListElementStub& stub) {
    if (!stub.CanHaveElement() || (!stub.m_strDescription.empty() && stub.m_pThumbnail)) return;
    const bool wasLoaded = stub.m_bLoaded;
    if (!stub.Load()) return;  // a missing file must not cache an empty member's text
    if (stub.m_strDescription.empty()) stub.m_pElement->GetDescription(stub.m_strDescription);
    if (!stub.m_pThumbnail)
        stub.m_pThumbnail.reset(
            stub.m_pElement->MakeThumbnail(CListElementStub::kThumbnailSize, CListElementStub::kThumbnailSize));
    if (!wasLoaded) stub.Unload();
}

void CProjectionCollection::StoreSinogram(CArchive& ar) {
    for (std::size_t i = 0; i < m_members.size(); ++i) {
        CListElementStub& stub = *m_members[i];
        CProjection* projection = GetProjection(i);
        if (!projection) throw std::runtime_error("member " + std::to_string(i) + " holds no projection");
        // A member shown in a window stays loaded; only what is loaded
        // here is unloaded again.
        const bool wasLoaded = stub.m_bLoaded;
        if (!stub.Load()) throw std::runtime_error("member " + std::to_string(i) + ": cannot read " + stub.m_strPath);
        const bool hasPixels = projection->HasPixels();
        if (hasPixels) projection->StoreBinaryMatrix(ar);
        if (!wasLoaded) stub.Unload();
        if (!hasPixels) throw std::runtime_error("member " + std::to_string(i) + " has no image");
    }
}

std::vector<std::unique_ptr<CProjection>> CProjectionCollection::ReadSinogram(CArchive& ar,
                                                                              const SinogramImport& values) {
    if (const std::string problem = values.Problem(); !problem.empty())
        ar.Fail(CArchiveException::generic, "sinogram: " + problem);
    if (values.count > kMaxSinogramCount)
        ar.Fail(CArchiveException::generic, "sinogram: " + std::to_string(values.count) +
                                                " projections, at most " + std::to_string(kMaxSinogramCount));
    const std::uint64_t need = values.ReadLength();
    if (need > ar.BytesLeft())
        ar.Fail(CArchiveException::endOfFile,
                "sinogram: offset " + std::to_string(values.matrix.offset) + " and " + std::to_string(values.count) +
                    " matrices of " + std::to_string(values.matrix.width) + " x " +
                    std::to_string(values.matrix.height) + " " + BinaryMatrixTypeText(values.matrix.type) +
                    " need " + std::to_string(need) + " bytes, the file has " + std::to_string(ar.BytesLeft()));
    if (values.matrix.offset) {
        ar.Flush();
        ar.GetFile().Seek(ar.GetPosition() + values.matrix.offset);
    }
    // The offset is skipped once; each matrix continues where the last stopped.
    BinaryMatrixImport each = values.matrix;
    each.offset = 0;
    std::vector<std::unique_ptr<CProjection>> projections;
    projections.reserve(values.count);
    for (std::uint32_t i = 0; i < values.count; ++i) {
        auto projection = MakeMemberProjection();
        projection->SetImportValues(each);
        projection->LoadBinaryMatrix(ar);
        projections.push_back(std::move(projection));
    }
    return projections;
}

void CProjectionCollection::LoadSinogram(CArchive& ar, const SinogramImport& values) {
    for (auto& projection : ReadSinogram(ar, values)) AddMember(projection.release());
}

// --- operations ------------------------------------------------------------------

SinogramImport CProjectionCollection::ProposeSinogramImport(const std::string& path) {
    CDiskFile file(path, CDiskFile::modeRead);
    return SinogramImport::ForFileLength(file.GetLength());
}

void CProjectionCollection::ImportSinogram(const std::string& path, const SinogramImport& values) {
    if (const std::string problem = values.Problem(); !problem.empty()) throw std::invalid_argument(problem);
    std::vector<std::unique_ptr<CProjection>> projections;
    LoadArchiveFile(path, kLoadBufferSize, [&](CArchive& ar) { projections = ReadSinogram(ar, values); });
    DeleteContents();
    for (auto& projection : projections) AddMember(projection.release());
    ApplyCircularGeometry();
    SetModifiedFlag();
    UpdateAllViews(nullptr);
}

std::int64_t CProjectionCollection::CommonRawFileLength(const std::vector<std::string>& paths) {
    std::uint64_t first = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::uint64_t length = FileLengthOrZero(paths[i]);
        if (length == 0) break;
        if (i == 0)
            first = length;
        else if (length != first)
            return -1;
    }
    return static_cast<std::int64_t>(first);
}

CProjectionCollection::RawFilesReport CProjectionCollection::ImportRawFiles(const std::vector<std::string>& paths,
                                                                            const BinaryMatrixImport& values) {
    RawFilesReport report;
    const std::int64_t length = CommonRawFileLength(paths);
    if (length < 0) {
        report.status = RawFilesReport::unequalLengths;
        return report;
    }
    if (length == 0) {
        report.status = RawFilesReport::emptyFirstFile;
        ApplyCircularGeometry();
        UpdateAllViews(nullptr);
        return report;
    }
    if (const std::string problem = values.Problem(); !problem.empty()) throw std::invalid_argument(problem);

    for (const std::string& path : paths) {
        CListElementStub* stub = NewProjection();
        auto* projection = static_cast<CProjection*>(stub->m_pElement);
        try {
            projection->CSurface::ImportBinaryMatrix(path, values);
        } catch (const std::exception& e) {
            report.dropped.push_back(path + ": " + e.what());
            RemoveMember(m_members.size() - 1);
            continue;
        }
        ++report.importedCount;
        stub->m_bLinked = true;
        StageLinkedMember(*stub);
        if (stub->SetLinkPath(FullPath(path) + kProjectionExtension)) {
            stub->Unload();
        } else {
            // Linked to a file that was never written, the pixels would be
            // lost with the next save of the collection: keep them in place.
            stub->DropStaging();
            stub->m_bLinked = false;
            stub->m_strPath.clear();
            report.inPlace.push_back(path);
        }
    }
    ApplyCircularGeometry();
    SetModifiedFlag();
    UpdateAllViews(nullptr);
    return report;
}

void CProjectionCollection::ApplyCircularGeometry() {
    const std::size_t n = m_members.size();
    if (n == 0) return;
    for (std::size_t i = 0; i < n; ++i) {
        CListElementStub& stub = *m_members[i];
        CProjection* projection = GetProjection(i);
        if (!projection) continue;
        const bool wasLoaded = stub.m_bLoaded;
        if (!stub.Load()) {
            ReportError("member " + std::to_string(i) + ": cannot read " + stub.m_strPath +
                        "; its geometry is unchanged");
            continue;
        }
        PoseOnFullCircle(i, n, kOrbitRadius, projection->GetSource(), projection->GetDetector(),
                         projection->GetDimX(), projection->GetDimY(), projection->GetWidth(),
                         projection->GetHeight());
        stub.m_strDescription.clear();  // the source moved
        if (!stub.m_bLinked) continue;
        // A linked member is read back from its file at every Load: the new
        // geometry must be in the file, or the next Load would undo it.
        StageLinkedMember(stub);
        if (!stub.Save()) {
            ReportError("member " + std::to_string(i) + ": cannot write " + stub.m_strPath +
                        "; it stays loaded with its new geometry");
            continue;
        }
        if (!wasLoaded) stub.Unload();
    }
    SetModifiedFlag();
}

void CProjectionCollection::ExportSinogram(const std::string& path) {
    SaveArchiveFile(path, kExportBufferSize, [this](CArchive& ar) { StoreSinogram(ar); });
}

// --- IProjectionCollection ---------------------------------------------------------

void* CProjectionCollection::GetInterface(REFIID iid) {
    if (iid == IID_IProjectionCollection || iid == IID_IUnknown)
        return static_cast<IProjectionCollection*>(&m_xCollection);
    return CTarget::GetInterface(iid);
}

HRESULT CProjectionCollection::XProjectionCollection::QueryInterface(REFIID riid, void** ppvObject) {
    if (!ppvObject) return E_POINTER;
    *ppvObject = m_pOwner->GetInterface(riid);
    if (!*ppvObject) return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

HRESULT CProjectionCollection::XProjectionCollection::IsValid(LONG* valid) {
    if (!valid) return E_POINTER;
    *valid = 1;
    return S_OK;
}

HRESULT CProjectionCollection::XProjectionCollection::GetCount(LONG* count) {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(m_pOwner->m_members.size());
    return S_OK;
}

HRESULT CProjectionCollection::XProjectionCollection::GetItem(LONG index, IListElement** item) {
    if (!item) return E_POINTER;
    *item = nullptr;
    if (index < 0 || static_cast<std::size_t>(index) >= m_pOwner->m_members.size()) return E_NOINTERFACE;
    *item = m_pOwner->m_members[static_cast<std::size_t>(index)]->GetListElement();
    return S_OK;
}

}  // namespace voxmill
