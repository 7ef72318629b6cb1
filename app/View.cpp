#include "app/View.h"

#include "app/Document.h"

namespace voxmill {

CView::~CView() { DetachFromDocument(); }

void CView::DetachFromDocument() {
    if (m_pDocument) m_pDocument->RemoveView(this);  // may delete the document
    m_pDocument = nullptr;
}

}  // namespace voxmill
