#include "app/templates/DocManager.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "app/Document.h"
#include "app/archive/ErrorSink.h"
#include "app/templates/DocTemplateTable.h"

namespace voxmill {
namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string Canonical(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : p.string();
}

// Deletes a document that never became visible, whatever its auto-delete flag.
void Discard(CDocument* doc) {
    if (CDocTemplate* tmpl = doc->GetDocTemplate()) tmpl->RemoveDocument(doc);
    doc->m_bAutoDelete = false;
    doc->OnCloseDocument();
    delete doc;
}

}  // namespace

CDocManager::CDocManager(std::vector<std::unique_ptr<CDocTemplate>> templates) : m_templates(std::move(templates)) {}

CDocManager::CDocManager() : CDocManager(CreateDocTemplates()) {}

CDocManager::~CDocManager() {
    // Documents die before their templates, so none points at a dead one.
    for (auto& tmpl : m_templates) {
        while (!tmpl->GetDocuments().empty()) {
            CDocument* doc = tmpl->GetDocuments().front();
            tmpl->RemoveDocument(doc);
            doc->m_bAutoDelete = false;
            doc->OnCloseDocument();
            delete doc;
        }
    }
}

std::vector<CDocTemplate*> CDocManager::GetTemplates() const {
    std::vector<CDocTemplate*> result;
    for (const auto& tmpl : m_templates) result.push_back(tmpl.get());
    return result;
}

std::vector<CDocTemplate*> CDocManager::GetRegisteredTemplates() const {
    std::vector<CDocTemplate*> result;
    for (const auto& tmpl : m_templates)
        if (tmpl->IsRegistered()) result.push_back(tmpl.get());
    return result;
}

CDocTemplate* CDocManager::FindTemplate(unsigned resourceId) const {
    for (const auto& tmpl : m_templates)
        if (tmpl->GetResourceId() == resourceId) return tmpl.get();
    return nullptr;
}

CDocTemplate* CDocManager::FindTemplateForPath(const std::string& path) const {
    const std::string name = Lower(std::filesystem::path(path).filename().string());
    for (const auto& tmpl : m_templates) {
        if (!tmpl->IsRegistered()) continue;
        const std::string ext = Lower(tmpl->GetDocString(CDocTemplate::filterExt));
        if (!ext.empty() && name.size() > ext.size() && name.compare(name.size() - ext.size(), ext.size(), ext) == 0)
            return tmpl.get();
    }
    return nullptr;
}

std::vector<CDocument*> CDocManager::GetDocuments() const {
    std::vector<CDocument*> result;
    for (const auto& tmpl : m_templates)
        for (CDocument* doc : tmpl->GetDocuments()) result.push_back(doc);
    return result;
}

CDocument* CDocManager::FindOpenDocument(const std::string& path) const {
    const std::string wanted = Canonical(path);
    for (CDocument* doc : GetDocuments())
        if (!doc->GetPathName().empty() && Canonical(doc->GetPathName()) == wanted) return doc;
    return nullptr;
}

CDocument* CDocManager::NewDocument(CDocTemplate& tmpl) {
    CDocument* doc = tmpl.CreateNewDocument();
    if (!doc) return nullptr;
    if (!doc->OnNewDocument()) {
        Discard(doc);
        return nullptr;
    }
    doc->SetTitle(tmpl.NextUntitledTitle());
    return doc;
}

CDocument* CDocManager::OpenDocument(const std::string& path) {
    CDocTemplate* tmpl = FindTemplateForPath(path);
    if (!tmpl) {
        ReportError("Cannot open " + path + ": not a document type Voxmill reads");
        return nullptr;
    }
    CDocument* doc = tmpl->CreateNewDocument();
    if (!doc) {
        ReportError("Cannot open " + path + ": the document could not be created");
        return nullptr;
    }
    if (!doc->OnOpenDocument(path)) {
        Discard(doc);
        return nullptr;
    }
    return doc;
}

std::string CDocManager::FilterOf(const CDocTemplate& tmpl) { return tmpl.GetDocString(CDocTemplate::filterName); }

}  // namespace voxmill
