#include "app/DocumentEx.h"

#include "app/FrameWnd.h"
#include "app/View.h"

namespace voxmill {

VOXMILL_IMPLEMENT_DYNCREATE(CDocumentEx, CDocument)

void CDocumentEx::CloseAllViews(CDocument& doc) {
    // One frame may hold several of the document's views (a splitter), so
    // the document could vanish in the middle of a frame's destruction.
    // The auto-delete rule is therefore held back until every frame is
    // closed and then applied once, exactly as the last view leaving would.
    if (doc.GetViews().empty()) return;
    const bool autoDelete = doc.m_bAutoDelete;
    doc.m_bAutoDelete = false;
    while (!doc.GetViews().empty()) {
        CView* view = doc.GetViews().front();
        if (CFrameWnd* frame = view->GetParentFrame()) {
            doc.PreCloseFrame(frame);
            frame->DestroyWindow();
        }
        // A frame that kept its view (or a view without a frame) lets go here.
        if (!doc.GetViews().empty() && doc.GetViews().front() == view) doc.RemoveView(view);
    }
    doc.m_bAutoDelete = autoDelete;
    if (autoDelete) doc.OnChangedViewList();  // may delete the document
}

}  // namespace voxmill
