#include "app/DocTemplate.h"

#include <algorithm>

#include "app/Document.h"

namespace voxmill {

CDocTemplate::CDocTemplate(unsigned resourceId, std::string docString, bool registered, DocumentFactory factory)
    : m_nResourceId(resourceId), m_strDocString(std::move(docString)), m_bRegistered(registered),
      m_factory(std::move(factory)) {}

CDocTemplate::~CDocTemplate() {
    // Documents that outlive their template (in a list or only tied to it)
    // must never point at a dead template.
    m_docList.clear();
    const std::vector<CDocument*> bound = std::move(m_bound);
    m_bound.clear();
    for (CDocument* doc : bound) doc->SetDocTemplate(nullptr);
}

std::string CDocTemplate::GetDocString(DocStringIndex index) const {
    std::size_t start = 0;
    for (int i = 0; i < index; ++i) {
        const std::size_t nl = m_strDocString.find('\n', start);
        if (nl == std::string::npos) return {};
        start = nl + 1;
    }
    const std::size_t end = m_strDocString.find('\n', start);
    return m_strDocString.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string CDocTemplate::NextUntitledTitle() {
    std::string base = GetDocString(fileNewName);
    if (base.empty()) base = GetDocString(docName);
    if (base.empty()) return {};
    const auto taken = [this](const std::string& title) {
        return std::any_of(m_docList.begin(), m_docList.end(),
                           [&](const CDocument* doc) { return doc->GetTitle() == title; });
    };
    std::string title;
    do {
        title = base + std::to_string(++m_nUntitledCount);
    } while (taken(title));
    return title;
}

std::string CDocTemplate::UniqueTitle(const std::string& wanted, const CDocument* except) const {
    const auto taken = [&](const std::string& title) {
        return std::any_of(m_docList.begin(), m_docList.end(),
                           [&](const CDocument* doc) { return doc != except && doc->GetTitle() == title; });
    };
    if (!taken(wanted)) return wanted;
    for (std::size_t n = 2;; ++n)
        if (std::string title = wanted + " (" + std::to_string(n) + ")"; !taken(title)) return title;
}

CDocument* CDocTemplate::CreateNewDocument() {
    if (!m_factory) return nullptr;
    CDocument* doc = m_factory();
    if (doc) AddDocument(doc);
    return doc;
}

void CDocTemplate::AddDocument(CDocument* doc) {
    if (std::find(m_docList.begin(), m_docList.end(), doc) == m_docList.end()) m_docList.push_back(doc);
    doc->SetDocTemplate(this);
}

void CDocTemplate::RemoveDocument(CDocument* doc) {
    m_docList.erase(std::remove(m_docList.begin(), m_docList.end(), doc), m_docList.end());
}

void CDocTemplate::Bind(CDocument* doc) {
    if (std::find(m_bound.begin(), m_bound.end(), doc) == m_bound.end()) m_bound.push_back(doc);
}

void CDocTemplate::Unbind(CDocument* doc) {
    RemoveDocument(doc);
    m_bound.erase(std::remove(m_bound.begin(), m_bound.end(), doc), m_bound.end());
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* doc) {
    return m_frameFactory ? m_frameFactory(*this, doc) : nullptr;
}

}  // namespace voxmill
