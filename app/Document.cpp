#include "app/Document.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "app/DocTemplate.h"
#include "app/FrameWnd.h"
#include "app/LinkedReplacement.h"
#include "app/View.h"
#include "app/archive/Archive.h"
#include "app/archive/ArchiveFile.h"
#include "app/archive/ErrorSink.h"

namespace voxmill {
namespace {

std::function<void(const std::string&)>& RecentFileSink() {
    static std::function<void(const std::string&)> sink;
    return sink;
}

}  // namespace

VOXMILL_IMPLEMENT_DYNAMIC(CDocument, CObject)

CDocument::CDocument() = default;

CDocument::~CDocument() {
    for (CView* view : m_viewList) view->AttachDocument(nullptr);
    SetDocTemplate(nullptr);  // leaves the template's list too
}

void CDocument::SetDocTemplate(CDocTemplate* pTemplate) {
    if (pTemplate == m_pDocTemplate) return;
    if (m_pDocTemplate) m_pDocTemplate->Unbind(this);
    m_pDocTemplate = pTemplate;
    if (pTemplate) pTemplate->Bind(this);
}

void CDocument::SetRecentFileSink(std::function<void(const std::string&)> sink) { RecentFileSink() = std::move(sink); }

void CDocument::SetTitle(const std::string& title) { m_strTitle = title; }

void CDocument::SetPathName(const std::string& path, bool addToMRU) {
    m_strPathName = path;
    SetTitle(FileNamePart(path));
    if (addToMRU) AddToRecentFiles(path);
}

void CDocument::AddToRecentFiles(const std::string& path) {
    if (RecentFileSink()) RecentFileSink()(path);
}

void CDocument::AddView(CView* view) {
    if (std::find(m_viewList.begin(), m_viewList.end(), view) != m_viewList.end()) return;
    m_viewList.push_back(view);
    view->AttachDocument(this);
    OnChangedViewList();
}

void CDocument::RemoveView(CView* view) {
    auto it = std::find(m_viewList.begin(), m_viewList.end(), view);
    if (it == m_viewList.end()) return;
    m_viewList.erase(it);
    view->AttachDocument(nullptr);
    OnChangedViewList();  // may delete this
}

void CDocument::OnChangedViewList() {
    if (m_viewList.empty() && m_bAutoDelete) OnCloseDocument();
}

void CDocument::UpdateAllViews(CView* sender, long hint, CObject* pHint) {
    const std::vector<CView*> views = m_viewList;  // a view may close itself
    for (CView* view : views)
        if (view != sender) view->OnUpdate(sender, hint, pHint);
}

bool CDocument::OnNewDocument() {
    DeleteContents();
    m_strPathName.clear();
    SetModifiedFlag(false);
    return true;
}

void CDocument::Open(const std::string& path) {
    DeleteContents();
    CLinkedReplacement::Recover(path);
    try {
        LoadArchiveFile(path, CArchive::kDefaultBufferSize, [this](CArchive& ar) { Serialize(ar); });
    } catch (const CArchiveException& e) {
        DeleteContents();
        std::error_code ec;
        const std::uintmax_t length = std::filesystem::file_size(path, ec);
        throw CArchiveException(e, DescribeReadError(FileNamePart(path), GetKindName(), e, ec ? 0 : length));
    } catch (...) {
        DeleteContents();
        throw;
    }
    SetModifiedFlag(false);
    SetPathName(path, false);
}

void CDocument::WriteFile(const std::string& path) {
    CLinkedReplacement::Recover(path);
    SaveArchiveFile(path, CArchive::kDefaultBufferSize, [this](CArchive& ar) { Serialize(ar); });
}

void CDocument::Save(const std::string& path) {
    WriteFile(path);
    SetModifiedFlag(false);
    SetPathName(path, false);
}

bool CDocument::OnOpenDocument(const std::string& path) {
    // A reader's own messages on the way belong in front of the sentence
    // that says which file failed and why: one message, not two.
    CErrorCapture capture;
    try {
        Open(path);
    } catch (const CArchiveException& e) {
        std::string text;
        for (const std::string& message : capture.Take()) text += message + "\n";
        ReportError(text + e.what());
        return false;
    } catch (const std::exception& e) {
        ReportError("Cannot open " + path + ": " + e.what());
        return false;
    }
    AddToRecentFiles(path);
    return true;
}

std::string CDocument::GetKindName() const {
    std::string name = m_pDocTemplate ? m_pDocTemplate->GetDocString(CDocTemplate::fileNewName) : std::string();
    if (name.empty()) {
        // "CProjectionCollection" -> "Projection Collection"
        const std::string cls = GetRuntimeClass()->m_lpszClassName;
        for (std::size_t i = cls.size() > 1 && cls[0] == 'C' ? 1 : 0; i < cls.size(); ++i) {
            if (std::isupper(static_cast<unsigned char>(cls[i])) && !name.empty()) name += ' ';
            name += cls[i];
        }
    }
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name.empty() ? "Voxmill document" : name;
}

bool CDocument::OnSaveDocument(const std::string& path) {
    try {
        Save(path);
    } catch (const std::exception& e) {
        ReportError("Cannot save " + path + ": " + e.what());
        return false;
    }
    AddToRecentFiles(path);
    return true;
}

void CDocument::OnCloseDocument() {
    // Closing frames removes views; keep the auto-delete rule from firing
    // in the middle, then apply it once at the end.
    const bool autoDelete = m_bAutoDelete;
    m_bAutoDelete = false;
    while (!m_viewList.empty()) {
        CView* view = m_viewList.front();
        CFrameWnd* frame = view->GetParentFrame();
        if (frame) {
            PreCloseFrame(frame);
            frame->DestroyWindow();
        }
        if (!m_viewList.empty() && m_viewList.front() == view) RemoveView(view);
    }
    m_bAutoDelete = autoDelete;
    DeleteContents();
    if (m_bAutoDelete) delete this;
}

void* CDocument::GetInterface(REFIID) { return nullptr; }

}  // namespace voxmill
