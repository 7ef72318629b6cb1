// The Qt-free document of the workbench's document/view framework: title,
// path, modified and auto-delete flags, the template it came from, and the
// views observing it. Windows are abstract here (CView, CFrameWnd); the Qt
// front end implements them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/archive/Object.h"
#include "contract/Com.h"

namespace voxmill {

class CArchive;
class CDocTemplate;
class CFrameWnd;
class CView;

class CDocument : public CObject {
    VOXMILL_DECLARE_DYNAMIC(CDocument)

public:
    CDocument();
    ~CDocument() override;
    CDocument(const CDocument&) = delete;
    CDocument& operator=(const CDocument&) = delete;

    const std::string& GetTitle() const { return m_strTitle; }
    virtual void SetTitle(const std::string& title);
    const std::string& GetPathName() const { return m_strPathName; }
    // Sets the path and the title (the file name); addToMRU also hands the
    // path to the recent-file list.
    virtual void SetPathName(const std::string& path, bool addToMRU = true);

    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true) { m_bModified = modified; }

    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
    // Ties the document to a template without entering its document list
    // (AddDocument does both). The template clears the pointer of every
    // document still tied to it when it is destroyed.
    void SetDocTemplate(CDocTemplate* pTemplate);

    // Views, in the order they were added.
    const std::vector<CView*>& GetViews() const { return m_viewList; }
    void AddView(CView* view);
    void RemoveView(CView* view);
    void UpdateAllViews(CView* sender, long hint = 0, CObject* pHint = nullptr);

    // Document life cycle. The On* operations report failures through the
    // error sink and return false; Open and Save throw instead. Only the
    // On* forms, the ones a user's File command goes through, put the file
    // on the recent-file list: members, references and scripts do not.
    virtual bool OnNewDocument();
    virtual bool OnOpenDocument(const std::string& path);
    virtual bool OnSaveDocument(const std::string& path);
    // Closes every frame of the document, clears it, deletes it when auto-delete is set.
    virtual void OnCloseDocument();
    virtual void DeleteContents() {}
    virtual void PreCloseFrame(CFrameWnd*) {}
    // Called when a view was added or removed: with no view left and
    // auto-delete set, the document closes itself.
    virtual void OnChangedViewList();

    // Throwing forms used by the CLI and tests: read or write the whole
    // document record at `path` (saving is atomic) and set the path. Both
    // first finish what an interrupted replacement of a linked collection
    // left at `path` (see CLinkedReplacement). A record that cannot be read
    // throws a CArchiveException whose text names the file and says what
    // is wrong with it (DescribeReadError), the archive's detail after it.
    void Open(const std::string& path);
    void Save(const std::string& path);

    // What a user calls this kind of document ("phantom", "projection
    // collection"): the template's File, New name, or else the class name
    // in words. Read errors name it.
    virtual std::string GetKindName() const;

    // The COM-style interface with that identifier, or null. Documents that
    // publish contract interfaces override it.
    virtual void* GetInterface(REFIID iid);

    bool m_bAutoDelete = true;

    // The recent-file list the front end keeps.
    static void SetRecentFileSink(std::function<void(const std::string&)> sink);
    static void AddToRecentFiles(const std::string& path);

protected:
    // Writes the whole record to `path` atomically, after finishing what an
    // interrupted replacement of linked members left there.
    virtual void WriteFile(const std::string& path);

    std::string m_strTitle;
    std::string m_strPathName;
    bool m_bModified = false;
    CDocTemplate* m_pDocTemplate = nullptr;
    std::vector<CView*> m_viewList;
};

}  // namespace voxmill
