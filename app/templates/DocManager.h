// The application's document templates and the front-end-free part of the
// file commands: which kinds File, New and File, Open offer, which template
// reads a file, new and opened documents. Windows are the front end's
// business: it attaches frame factories to the templates and shows what
// these functions return.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/DocTemplate.h"

namespace voxmill {

class CDocument;

class CDocManager {
public:
    // Takes the templates in creation order.
    explicit CDocManager(std::vector<std::unique_ptr<CDocTemplate>> templates);
    // The templates of the application's table.
    CDocManager();
    ~CDocManager();
    CDocManager(const CDocManager&) = delete;
    CDocManager& operator=(const CDocManager&) = delete;

    std::vector<CDocTemplate*> GetTemplates() const;
    // Those offered by File, New and File, Open, in the order they offer them.
    std::vector<CDocTemplate*> GetRegisteredTemplates() const;
    CDocTemplate* FindTemplate(unsigned resourceId) const;
    // The registered template whose extension the path has (ignoring case),
    // or null.
    CDocTemplate* FindTemplateForPath(const std::string& path) const;
    // Every document that is in a template's list.
    std::vector<CDocument*> GetDocuments() const;
    // The open document with that file, or null.
    CDocument* FindOpenDocument(const std::string& path) const;

    // A new, initialised document of the template's kind, titled with the
    // template's next running number ("Phantom1"); null (and nothing left
    // behind) when the kind cannot be created or initialised.
    CDocument* NewDocument(CDocTemplate& tmpl);
    // Reads the file with its registered kind. Null when no registered kind
    // has the file's extension or reading failed; the reason went to the
    // error sink and no document is left behind.
    CDocument* OpenDocument(const std::string& path);

    // "Phantom Files (*.pha)" for a template, as file prompts want it.
    static std::string FilterOf(const CDocTemplate& tmpl);

private:
    std::vector<std::unique_ptr<CDocTemplate>> m_templates;
};

}  // namespace voxmill
