// A view observes one document and lives inside a frame window. The Qt
// front end derives its widgets from it; the core only notifies.
#pragma once

namespace voxmill {

class CDocument;
class CFrameWnd;
class CObject;

class CView {
public:
    virtual ~CView();
    CView(const CView&) = delete;
    CView& operator=(const CView&) = delete;

    CDocument* GetDocument() const { return m_pDocument; }
    CFrameWnd* GetParentFrame() const { return m_pFrame; }
    void SetParentFrame(CFrameWnd* frame) { m_pFrame = frame; }

    virtual void OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }
    virtual void OnUpdate(CView* /*sender*/, long /*hint*/, CObject* /*pHint*/) {}

    // Called by CDocument::AddView/RemoveView.
    void AttachDocument(CDocument* doc) { m_pDocument = doc; }

protected:
    CView() = default;
    // Detaches from the document before the derived part is gone; derived
    // destructors call it first so that the document never sees a half view.
    void DetachFromDocument();

private:
    CDocument* m_pDocument = nullptr;
    CFrameWnd* m_pFrame = nullptr;
};

}  // namespace voxmill
