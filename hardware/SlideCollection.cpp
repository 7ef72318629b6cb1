#include "hardware/SlideCollection.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "acquisition/CircularOrbit.h"
#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "acquisition/Projector.h"
#include "app/DocTemplate.h"
#include "app/ListElementStub.h"
#include "app/archive/Archive.h"
#include "app/archive/ArchiveFile.h"
#include "app/archive/ErrorSink.h"
#include "app/archive/File.h"
#include "hardware/AviWriter.h"
#include "hardware/Slide.h"
#include "imaging/dib/Dib.h"

namespace voxmill {
namespace {

constexpr std::size_t kLoadBufferSize = 4096;
constexpr std::size_t kExportBufferSize = 1048576;
// The smallest member record (a reference tag, the linked flag and a null
// element): a count that could not fit is refused before anything is made.
constexpr std::uint32_t kMinMemberBytes = 8;
// Every frame costs a document whatever its size; more than this many in
// one raw file is taken for wrong import values.
constexpr std::uint32_t kMaxCineFrames = 65536;
// The Slide template's extension, appended to a raw file's path to name
// its linked slide file.
constexpr const char* kSlideExtension = ".SLD";

CDocTemplate*& SlideTemplate() {
    static CDocTemplate* pTemplate = nullptr;
    return pTemplate;
}

bool IsSinogramTemplate(const CDocTemplate* pTemplate) {
    return pTemplate && pTemplate->GetDocString(CDocTemplate::regFileTypeId) == "Sinogram.Document";
}

std::string FullPath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

}  // namespace

// A member brought into memory for one use and released afterwards, unless
// it was loaded already (a window may be showing it).
class CSlideCollection::MemberUse {
public:
    MemberUse(const CSlideCollection& owner, std::size_t index)
        : m_stub(*owner.m_members[index]), m_wasLoaded(m_stub.m_bLoaded) {
        m_slide = owner.GetSlide(index);
        if (!m_slide) throw std::runtime_error("slide " + std::to_string(index) + " holds no slide");
        if (!m_stub.Load())
            throw std::runtime_error("slide " + std::to_string(index) + ": cannot read " + m_stub.m_strPath);
    }
    ~MemberUse() {
        if (!m_wasLoaded) m_stub.Unload();
    }
    MemberUse(const MemberUse&) = delete;
    MemberUse& operator=(const MemberUse&) = delete;
    CSlide& operator*() const { return *m_slide; }
    CSlide* operator->() const { return m_slide; }

private:
    CListElementStub& m_stub;
    bool m_wasLoaded;
    CSlide* m_slide = nullptr;
};

VOXMILL_IMPLEMENT_SERIAL(CSlideCollection, CTarget, 1)

CSlideCollection::CSlideCollection() = default;

CSlideCollection::~CSlideCollection() { DeleteContents(); }

void CSlideCollection::SetSlideTemplate(CDocTemplate* pTemplate) { SlideTemplate() = pTemplate; }

CDocTemplate* CSlideCollection::GetSlideTemplate() { return SlideTemplate(); }

// --- members -----------------------------------------------------------------------

std::unique_ptr<CSlide> CSlideCollection::MakeSlide() {
    auto slide = std::make_unique<CSlide>();
    // Attached without entering the template's list: the collection owns it.
    slide->SetDocTemplate(SlideTemplate());
    slide->OnNewDocument();
    slide->m_bAutoDelete = false;
    return slide;
}

CListElementStub* CSlideCollection::AddMember(CSlide* slide) {
    auto stub = std::make_unique<CListElementStub>();
    stub->m_pElement = slide;
    if (slide) slide->m_bAutoDelete = false;
    m_members.push_back(std::move(stub));
    return m_members.back().get();
}

CListElementStub* CSlideCollection::AddSlide() {
    CListElementStub* stub = AddMember(MakeSlide().release());
    SetModifiedFlag();
    return stub;
}

CListElementStub* CSlideCollection::GetMember(std::size_t index) const {
    return index < m_members.size() ? m_members[index].get() : nullptr;
}

CSlide* CSlideCollection::GetSlide(std::size_t index) const {
    CListElementStub* stub = GetMember(index);
    CListElement* element = stub ? stub->GetElement() : nullptr;
    return element && element->IsKindOf(RUNTIME_CLASS(CSlide)) ? static_cast<CSlide*>(element) : nullptr;
}

std::vector<CListElementStub*> CSlideCollection::GetMemberStubs() const {
    std::vector<CListElementStub*> stubs;
    stubs.reserve(m_members.size());
    for (const auto& stub : m_members) stubs.push_back(stub.get());
    return stubs;
}

void CSlideCollection::RemoveMember(std::size_t index) {
    CListElementStub& stub = *m_members[index];
    // A member written for a pending replacement but removed before it is
    // committed must not be put in place over its file.
    stub.DropStaging();
    if (CListElement* element = stub.m_pElement) {
        stub.m_pElement = nullptr;
        element->SetDocTemplate(nullptr);
        element->OnCloseDocument();
        delete element;
    }
    stub.OnCloseDocument();
    m_members.erase(m_members.begin() + static_cast<std::ptrdiff_t>(index));
}

void CSlideCollection::RemoveMembers(std::vector<std::size_t> indices) {
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    bool removed = false;
    // From the back, so the indices still to go keep their meaning.
    for (auto it = indices.rbegin(); it != indices.rend(); ++it)
        if (*it < m_members.size()) {
            RemoveMember(*it);
            removed = true;
        }
    if (removed) {
        SetModifiedFlag();
        UpdateAllViews(nullptr);
    }
}

void CSlideCollection::DeleteContents() {
    while (!m_members.empty()) RemoveMember(m_members.size() - 1);
    CTarget::DeleteContents();
}

// --- files -----------------------------------------------------------------------------

void CSlideCollection::Serialize(CArchive& ar) {
    if (IsSinogramTemplate(GetDocTemplate())) {
        if (!ar.IsStoring()) ar.Fail(CArchiveException::generic, "a cine is read only through its import values");
        StoreCine(ar);
        return;
    }
    if (ar.IsStoring())
        StoreRecord(ar);
    else
        LoadRecord(ar);
}

void CSlideCollection::FillCache(CListElementStub& stub) {
    if (!stub.CanHaveElement() || (!stub.m_strDescription.empty() && stub.m_pThumbnail)) return;
    const bool wasLoaded = stub.m_bLoaded;
    if (!stub.Load()) return;  // a missing file must not cache an empty slide's text
    if (stub.m_strDescription.empty()) stub.m_pElement->GetDescription(stub.m_strDescription);
    if (!stub.m_pThumbnail)
        stub.m_pThumbnail.reset(
            stub.m_pElement->MakeThumbnail(CListElementStub::kThumbnailSize, CListElementStub::kThumbnailSize));
    if (!wasLoaded) stub.Unload();
}

void CSlideCollection::StoreRecord(CArchive& ar) {
    // Cached texts and icons travel with the file, so listing a linked cine
    // reads no slide file.
    for (auto& stub : m_members)
        if (stub->m_bLinked) FillCache(*stub);
    CTarget::Serialize(ar);
    ar.WriteCount(static_cast<std::uint32_t>(m_members.size()));
    for (const auto& stub : m_members) ar.WriteObject(stub.get());
}

void CSlideCollection::LoadRecord(CArchive& ar) {
    CTarget::Serialize(ar);
    const std::uint32_t count = ar.ReadCount(kMinMemberBytes, "slides");
    if (count > CListElementStub::kMaxMembers)
        ar.Fail(CArchiveException::generic, "the collection lists " + std::to_string(count) +
                                                " members, more than the " +
                                                std::to_string(CListElementStub::kMaxMembers) + " allowed");
    m_members.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        CListElementStub* stub = ar.ReadOwnedObjectAs<CListElementStub>();
        if (!stub) ar.Fail(CArchiveException::badIndex, "slide " + std::to_string(i) + " is a null reference");
        m_members.emplace_back(stub);  // owned from here, also when a check below fails
        if (!stub->m_pElement) {
            // Linked, or stored without a slide: the empty slide to load
            // into is made on first use, so a long cine costs its stubs only.
            stub->SetElementFactory([]() -> CListElement* { return MakeSlide().release(); });
            continue;
        }
        if (!stub->m_pElement->IsKindOf(RUNTIME_CLASS(CSlide)))
            ar.Fail(CArchiveException::badClass, "member " + std::to_string(i) + " holds a " +
                                                     stub->m_pElement->GetRuntimeClass()->m_lpszClassName +
                                                     ", not a slide");
        stub->m_pElement->SetDocTemplate(SlideTemplate());
        stub->m_pElement->m_bAutoDelete = false;
    }
}

// --- imports ---------------------------------------------------------------------------

SinogramImport CSlideCollection::ProposeCineImport(const std::string& path) {
    CDiskFile file(path, CDiskFile::modeRead);
    return SinogramImport::ForFileLength(file.GetLength());
}

std::vector<std::unique_ptr<CSlide>> CSlideCollection::ReadCine(CArchive& ar, const SinogramImport& values) {
    if (const std::string problem = values.Problem(); !problem.empty())
        ar.Fail(CArchiveException::generic, "cine: " + problem);
    if (values.count > kMaxCineFrames)
        ar.Fail(CArchiveException::generic,
                "cine: " + std::to_string(values.count) + " frames, at most " + std::to_string(kMaxCineFrames));
    std::uint64_t frames = 0;
    const bool fits = MatrixBytesWithin(values.matrix, ar.BytesLeft(), frames, values.count) &&
                      frames + values.matrix.offset <= ar.BytesLeft();
    const std::uint64_t need = frames ? frames + values.matrix.offset : 0;
    if (!fits)
        ar.Fail(CArchiveException::endOfFile,
                "cine: offset " + std::to_string(values.matrix.offset) + " and " + std::to_string(values.count) +
                    " frames of " + std::to_string(values.matrix.width) + " x " + std::to_string(values.matrix.height) +
                    " " + BinaryMatrixTypeText(values.matrix.type) + " need " + (need ? std::to_string(need) : "more") +
                    " bytes, the file has " + std::to_string(ar.BytesLeft()));
    if (values.matrix.offset) {
        ar.Flush();
        ar.GetFile().Seek(ar.GetPosition() + values.matrix.offset);
    }
    // The offset is skipped once; each frame continues where the last stopped.
    BinaryMatrixImport each = values.matrix;
    each.offset = 0;
    std::vector<std::unique_ptr<CSlide>> slides;
    slides.reserve(values.count);
    for (std::uint32_t i = 0; i < values.count; ++i) {
        auto slide = MakeSlide();
        slide->SetImportValues(each);
        slide->ReadMatrixElements(ar);
        slides.push_back(std::move(slide));
    }
    return slides;
}

void CSlideCollection::ImportCine(const std::string& path, const SinogramImport& values) {
    if (const std::string problem = values.Problem(); !problem.empty()) throw std::invalid_argument(problem);
    std::vector<std::unique_ptr<CSlide>> slides;
    LoadArchiveFile(path, kLoadBufferSize, [&](CArchive& ar) { slides = ReadCine(ar, values); });
    DeleteContents();
    for (auto& slide : slides) AddMember(slide.release());
    SetModifiedFlag();
    UpdateAllViews(nullptr);
}

CSlideCollection::RawFilesReport CSlideCollection::ImportRawFiles(const std::vector<std::string>& paths,
                                                                  const BinaryMatrixImport& values) {
    if (const std::string problem = values.Problem(); !problem.empty()) throw std::invalid_argument(problem);
    RawFilesReport report;
    for (const std::string& path : paths) {
        auto slide = MakeSlide();
        try {
            slide->ImportBinaryMatrix(path, values);
        } catch (const std::exception& e) {
            report.dropped.push_back(path + ": " + e.what());
            continue;
        }
        CListElementStub* stub = AddMember(slide.release());
        ++report.importedCount;
        stub->m_bLinked = true;
        StageLinkedMember(*stub);
        if (stub->SetLinkPath(FullPath(path) + kSlideExtension)) {
            stub->Unload();
        } else {
            // Linked to a file never written, the frame would be lost with
            // the next save of the cine: keep it in place.
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

void CSlideCollection::ApplyCircularGeometry() {
    const std::size_t n = m_members.size();
    for (std::size_t i = 0; i < n; ++i) {
        CListElementStub& stub = *m_members[i];
        CSlide* slide = GetSlide(i);
        if (!slide) continue;
        const bool wasLoaded = stub.m_bLoaded;
        if (!stub.Load()) {
            ReportError("slide " + std::to_string(i) + ": cannot read " + stub.m_strPath +
                        "; its geometry is unchanged");
            continue;
        }
        PoseOnFullCircle(i, n, kOrbitRadius, slide->GetSource(), slide->GetDetector(), slide->GetDimX(),
                         slide->GetDimY(), slide->GetWidth(), slide->GetHeight());
        stub.m_strDescription.clear();  // the source moved
        if (!stub.m_bLinked) continue;
        // A linked slide is read back from its file at every Load: the new
        // geometry must be in the file, or the next Load would undo it.
        StageLinkedMember(stub);
        if (!stub.Save()) {
            ReportError("slide " + std::to_string(i) + ": cannot write " + stub.m_strPath +
                        "; it stays loaded with its new geometry");
            continue;
        }
        if (!wasLoaded) stub.Unload();
    }
    if (n) SetModifiedFlag();
}

// --- exports ---------------------------------------------------------------------------

void CSlideCollection::StoreCine(CArchive& ar) {
    for (std::size_t i = 0; i < m_members.size(); ++i) {
        MemberUse slide(*this, i);
        slide->StoreBinaryMatrix(ar);  // nothing for a slide without pixels
    }
}

void CSlideCollection::ExportCine(const std::string& path) {
    SaveArchiveFile(path, kExportBufferSize, [this](CArchive& ar) { StoreCine(ar); });
}

void CSlideCollection::ExportAvi(const std::string& path) {
    // The stream format is a bitmap header: it comes from the first slide
    // that has a picture (the first slide may be an empty "Add Slide").
    std::unique_ptr<CDib> format;
    for (std::size_t i = 0; i < m_members.size() && !format; ++i) format = MemberUse(*this, i)->MakeBitmap();
    if (!format) throw std::runtime_error("no slide has pixels: there is no frame to write");

    CAviWriter::Stream stream;
    stream.name = kAviStreamName;
    stream.scale = kAviScale;
    stream.rate = static_cast<std::uint32_t>(m_members.size());
    SaveFileAtomically(path, [&](CFile& file) {
        CAviWriter avi(file, stream, *format->GetHeader(), format->GetColorTable(), format->GetColorCount());
        for (std::size_t i = 0; i < m_members.size(); ++i) {
            MemberUse slide(*this, i);
            const std::unique_ptr<CDib> bitmap = slide->MakeBitmap();
            if (!bitmap) continue;
            if (bitmap->GetWidth() != format->GetWidth() || bitmap->GetHeight() != format->GetHeight())
                throw std::runtime_error("slide " + std::to_string(i) + " is " + std::to_string(slide->GetWidth()) +
                                         " x " + std::to_string(slide->GetHeight()) +
                                         " pixels; every frame of a video must have the first frame's size");
            avi.WriteFrame(bitmap->GetBits(), avi.GetFrameBytes());
        }
        avi.Finish();
    });
}

// --- projections -------------------------------------------------------------------------

CSlideCollection::ProjectionsReport CSlideCollection::GenerateProjections(CSlideCollection& reference,
                                                                          const std::string& linkedPath) {
    ProjectionsReport report;
    if (reference.GetCount() != GetCount()) return report;
    auto collection = std::make_unique<CProjectionCollection>();
    collection->OnNewDocument();
    const bool linked = !linkedPath.empty();
    const std::string fullPath = linked ? FullPath(linkedPath) : std::string();
    if (linked) {
        collection->SetPathName(fullPath, false);
        collection->SetModifiedFlag();
    }
    for (std::size_t k = 0; k < GetCount(); ++k) {
        MemberUse slide(*this, k);
        MemberUse referenceSlide(reference, k);
        if (const std::string problem = slide->ProjectionProblem(*referenceSlide); !problem.empty()) {
            report.skipped.push_back("slide " + std::to_string(k) + ": " + problem);
            continue;
        }
        CListElementStub* stub = collection->NewProjection();
        CProjection* projection = collection->GetProjection(collection->GetCount() - 1);
        slide->GenerateProjection(*referenceSlide, *projection);
        if (!linked) continue;
        stub->m_bLinked = true;
        // Staged: a previous collection at the path keeps its members until
        // the new one is saved.
        collection->StageLinkedMember(*stub);
        const std::string memberPath = CProjector::MemberPath(fullPath, static_cast<int>(k));
        if (stub->SetLinkPath(memberPath)) {
            stub->Unload();
        } else {
            stub->DropStaging();
            stub->m_bLinked = false;
            stub->m_strPath.clear();
            report.unwrittenFiles.push_back(memberPath);
        }
    }
    report.collection = std::move(collection);
    return report;
}

CSlideCollection::ProjectionsReport CSlideCollection::GenerateProjections(const std::string& referencePath,
                                                                          const std::string& linkedPath) {
    CSlideCollection reference;
    reference.Open(referencePath);
    return GenerateProjections(reference, linkedPath);
}

}  // namespace voxmill
