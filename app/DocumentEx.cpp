#include "app/DocumentEx.h"

#include "app/FrameWnd.h"
#include "app/View.h"

namespace voxmill {

VOXMILL_IMPLEMENT_DYNCREATE(CDocumentEx, CDocument)

void CDocumentEx::CloseAllViews(CDocument& doc) {
    for (;;) {
        const auto& views = doc.GetViews();
        if (views.empty()) return;
        const bool last = views.size() == 1;
        CView* view = views.front();
        CFrameWnd* frame = view->GetParentFrame();
        if (frame) {
            doc.PreCloseFrame(frame);
            frame->DestroyWindow();
        } else {
            doc.RemoveView(view);  // a view without a window
        }
        if (last) return;  // the document may be gone now
        if (!doc.GetViews().empty() && doc.GetViews().front() == view) doc.RemoveView(view);
    }
}

}  // namespace voxmill
