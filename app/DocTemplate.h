// A document template binds a resource number and its seven-field document
// string to a document factory. The Qt front end attaches a frame factory;
// the core uses templates to create documents and to find their type names.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace voxmill {

class CDocument;
class CFrameWnd;

class CDocTemplate {
public:
    enum DocStringIndex { windowTitle, docName, fileNewName, filterName, filterExt, regFileTypeId, regFileTypeName };

    using DocumentFactory = std::function<CDocument*()>;
    // Creates a frame showing the document (the front end's part), or null.
    using FrameFactory = std::function<CFrameWnd*(CDocTemplate& tmpl, CDocument* doc)>;

    CDocTemplate(unsigned resourceId, std::string docString, bool registered, DocumentFactory factory);
    ~CDocTemplate();
    CDocTemplate(const CDocTemplate&) = delete;
    CDocTemplate& operator=(const CDocTemplate&) = delete;

    unsigned GetResourceId() const { return m_nResourceId; }
    bool IsRegistered() const { return m_bRegistered; }
    const std::string& GetDocString() const { return m_strDocString; }
    // One of the '\n'-separated fields; empty when missing.
    std::string GetDocString(DocStringIndex index) const;

    // A new empty document of this template's kind, in its list; not yet
    // initialised (the caller runs OnNewDocument or OnOpenDocument).
    CDocument* CreateNewDocument();
    void AddDocument(CDocument* doc);
    // Removes the document from the list; its template pointer stays.
    void RemoveDocument(CDocument* doc);
    const std::vector<CDocument*>& GetDocuments() const { return m_docList; }

    // The title of the next new document of this kind: the file-new name
    // (the document name when it has none) and a running number kept for
    // the whole run, skipping titles that documents in the list hold
    // ("Volume3"). Empty for templates without a name (the target view).
    std::string NextUntitledTitle();
    // `wanted`, or, when another document in the list holds it, `wanted`
    // with the first free " (2)", " (3)", ... ("Volume1 Z Slices (2)").
    std::string UniqueTitle(const std::string& wanted, const CDocument* except) const;

    void SetFrameFactory(FrameFactory factory) { m_frameFactory = std::move(factory); }
    bool HasFrameFactory() const { return static_cast<bool>(m_frameFactory); }
    CFrameWnd* CreateNewFrame(CDocument* doc);

private:
    friend class CDocument;
    // Every document whose template pointer names this template, listed or
    // not (an operator's target, a collection's element).
    void Bind(CDocument* doc);
    void Unbind(CDocument* doc);  // also leaves the list

    unsigned m_nResourceId;
    std::string m_strDocString;
    bool m_bRegistered;
    DocumentFactory m_factory;
    FrameFactory m_frameFactory;
    int m_nUntitledCount = 0;
    std::vector<CDocument*> m_docList;
    std::vector<CDocument*> m_bound;
};

}  // namespace voxmill
