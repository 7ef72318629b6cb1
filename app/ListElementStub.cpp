#include "app/ListElementStub.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/LinkedReplacement.h"
#include "app/ListElement.h"
#include "app/archive/Archive.h"
#include "app/archive/ArchiveFile.h"
#include "app/archive/ErrorSink.h"
#include "app/archive/File.h"
#include "contract/FileReplace.h"
#include "imaging/dib/Dib.h"

namespace voxmill {
namespace {

constexpr std::size_t kLoadBufferSize = 4096;
constexpr std::size_t kSaveBufferSize = 1048576;

std::string FullPath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

}  // namespace

VOXMILL_IMPLEMENT_SERIAL_EX(CListElementStub, CDocument, 2, true)

CListElementStub::CListElementStub() { m_bAutoDelete = false; }

CListElementStub::~CListElementStub() = default;

void CListElementStub::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        ar.WriteFlag(m_bLinked);
        if (!m_bLinked) {
            ar.WriteObject(m_pElement);
            return;
        }
        ar.WriteString(m_strPath);
        ar.WriteFlag(m_pThumbnail != nullptr);
        ar.WriteFlag(!m_strDescription.empty());
        if (m_pThumbnail) ar.WriteObject(m_pThumbnail.get());
        if (!m_strDescription.empty()) ar.WriteString(m_strDescription);
        return;
    }

    const std::uint32_t schema = ar.GetObjectSchema();
    if (schema != 1 && schema != 2)
        ar.Fail(CArchiveException::badSchema, "member record of schema " + std::to_string(schema));
    m_bLinked = ar.ReadFlag();
    if (!m_bLinked) {
        m_pElement = ar.ReadOwnedObjectAs<CListElement>();
        if (m_pElement) m_pElement->m_bAutoDelete = false;
        m_bLoaded = true;
        return;
    }
    m_strPath = ar.ReadString();
    const bool hasThumbnail = ar.ReadFlag();
    const bool hasDescription = schema >= 2 && ar.ReadFlag();
    m_pThumbnail.reset();
    if (hasThumbnail) m_pThumbnail.reset(ar.ReadOwnedObjectAs<CDib>());
    m_strDescription = hasDescription ? ar.ReadString() : std::string();
    m_bLoaded = false;
    m_pElement = nullptr;
}

CListElement* CListElementStub::GetElement() {
    if (!m_pElement && m_pfnMakeElement) m_pElement = m_pfnMakeElement();
    return m_pElement;
}

bool CListElementStub::Load() {
    if (!m_bLinked || m_bLoaded) return m_bLoaded;
    m_bLoadFailed = true;  // until the read below succeeds
    if (!GetElement()) return false;

    // The stored path changes only once the member was read from the new place.
    const std::string source = FilePath();
    std::string path = m_strPath;
    std::unique_ptr<CDiskFile> file;
    try {
        file = std::make_unique<CDiskFile>(source, CDiskFile::modeRead);
    } catch (const CFileException&) {
        if (source != m_strPath) return false;  // a staged file has no other place
        // The collection may have moved: look for the bare name here.
        try {
            const std::string local = FileNamePart(m_strPath);
            file = std::make_unique<CDiskFile>(local, CDiskFile::modeRead);
            path = FullPath(local);
        } catch (const CFileException&) {
            return false;
        }
    }

    try {
        CArchive ar(*file, CArchive::load, kLoadBufferSize);
        m_pElement->SetPathName(path, false);
        m_pElement->Serialize(ar);
        ar.Close();
    } catch (const std::exception& e) {
        m_pElement->DeleteContents();
        m_bReleased = false;
        ReportError("Cannot read " + file->GetFilePath() + ": " + e.what());
        return false;
    }
    m_strPath = path;
    m_bLoaded = true;
    m_bLoadFailed = false;
    return true;
}

void CListElementStub::Unload() {
    if (!m_bLinked || !m_bLoaded) return;
    if (m_pElement) m_pElement->ReleaseData();
    m_bReleased = m_pElement != nullptr;
    m_bLoaded = false;
}

void CListElementStub::SetReplacement(std::shared_ptr<CLinkedReplacement> replacement) {
    if (replacement == m_pReplacement) return;
    m_pReplacement = std::move(replacement);
    m_strStagedPath.clear();
}

std::string CListElementStub::AdoptStagedFile(const std::string& path) {
    if (!m_pReplacement || !m_pReplacement->Pending()) return {};
    m_bLinked = true;
    m_strPath = path;
    m_strStagedPath = m_pReplacement->Stage(path);
    if (m_pElement) m_pElement->ReleaseData();
    m_bReleased = false;  // another process made the file: this element never held it
    m_bLoaded = false;
    return m_strStagedPath;
}

void CListElementStub::DropStaging() {
    if (m_pReplacement && m_pReplacement->Pending()) m_pReplacement->Unstage(m_strPath);
    m_pReplacement.reset();
    m_strStagedPath.clear();
}

std::string CListElementStub::FilePath() const {
    if (m_pReplacement && m_pReplacement->Pending() && !m_strStagedPath.empty()) return m_strStagedPath;
    return m_strPath;
}

bool CListElementStub::Save() {
    if (!m_bLoaded || m_strPath.empty() || !m_pElement) return false;
    try {
        if (m_pReplacement && m_pReplacement->Pending()) m_strStagedPath = m_pReplacement->Stage(m_strPath);
        SaveArchiveFile(FilePath(), kSaveBufferSize, [this](CArchive& ar) {
            m_pElement->SetPathName(m_strPath, false);  // a member is not a file the user saved
            m_pElement->Serialize(ar);
        });
    } catch (const std::exception& e) {
        ReportError("Cannot save " + m_strPath + ": " + e.what());
        return false;
    }
    return true;
}

std::string CListElementStub::WriteAside() {
    if (!m_bLoaded || m_strPath.empty() || !m_pElement)
        throw CFileException(m_strPath, "the member is not loaded");
    // Beside the staged file while a replacement is pending, as Save would write.
    const bool staging = m_pReplacement && m_pReplacement->Pending();
    const std::string destination =
        staging ? file_replace::ResolveLinks(m_strPath) + CLinkedReplacement::kStagedSuffix : m_strPath;
    return WriteArchiveAside(destination, kSaveBufferSize, [this](CArchive& ar) {
        m_pElement->SetPathName(m_strPath, false);  // a member is not a file the user saved
        m_pElement->Serialize(ar);
    });
}

void CListElementStub::AdoptWritten(const std::string& written) {
    try {
        std::string destination = file_replace::ResolveLinks(m_strPath);
        const bool hadStaged = !m_strStagedPath.empty();
        if (m_pReplacement && m_pReplacement->Pending()) destination = m_strStagedPath = m_pReplacement->Stage(m_strPath);
        if (!file_replace::CommitTemp(written, destination)) {
            const int error = errno;
            // Nothing staged before: the member stays what its own file holds.
            if (!m_strStagedPath.empty() && !hadStaged) {
                m_pReplacement->Unstage(m_strPath);
                m_strStagedPath.clear();
            }
            throw CFileException(destination, std::string("cannot replace file (") + std::strerror(error) + ")");
        }
    } catch (...) {
        std::remove(written.c_str());
        throw;
    }
}

bool CListElementStub::SetLinkPath(const std::string& path) {
    if (m_pReplacement && m_pReplacement->Pending() && !m_strStagedPath.empty() && path != m_strPath)
        m_pReplacement->Unstage(m_strPath);
    m_strStagedPath.clear();
    m_strPath = path;
    return Save();
}

// The caches load a linked member for a moment; a member that a consumer
// already holds loaded must stay loaded, or its data would go under it.
const std::string& CListElementStub::GetCachedDescription() {
    if (!m_strDescription.empty() || !CanHaveElement()) return m_strDescription;
    const bool wasLoaded = m_bLoaded;
    // A member whose file cannot be read would cache (and later save) the
    // empty element's text; leave the cache empty so a later try can fill it.
    if (!Load()) return m_strDescription;
    m_pElement->GetDescription(m_strDescription);
    if (!wasLoaded) Unload();
    return m_strDescription;
}

CDib* CListElementStub::GetCachedThumbnail() {
    if (m_pThumbnail || !CanHaveElement()) return m_pThumbnail.get();
    const bool wasLoaded = m_bLoaded;
    if (!Load()) return nullptr;
    m_pThumbnail.reset(m_pElement->MakeThumbnail(kThumbnailSize, kThumbnailSize));
    if (!wasLoaded) Unload();
    return m_pThumbnail.get();
}

void CListElementStub::DeleteContents() {
    m_pThumbnail.reset();
    CDocument::DeleteContents();
}

void* CListElementStub::GetInterface(REFIID iid) {
    if (iid == IID_IListElement || iid == IID_IUnknown) return static_cast<IListElement*>(&m_xListElement);
    return nullptr;
}

CListElementStub* CListElementStub::FromListElement(IListElement* item) {
    auto* own = dynamic_cast<XListElement*>(item);
    return own ? own->Owner() : nullptr;
}

HRESULT CListElementStub::XListElement::QueryInterface(REFIID riid, void** ppvObject) {
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (m_pOwner->Load() && m_pOwner->m_pElement) {
        if (void* p = m_pOwner->m_pElement->GetInterface(riid)) {
            *ppvObject = p;
            return S_OK;
        }
    }
    if (void* p = m_pOwner->GetInterface(riid)) {
        *ppvObject = p;
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

HRESULT CListElementStub::XListElement::Load() {
    m_pOwner->Load();
    return S_OK;
}

HRESULT CListElementStub::XListElement::Unload() {
    m_pOwner->Unload();
    return S_OK;
}

}  // namespace voxmill
