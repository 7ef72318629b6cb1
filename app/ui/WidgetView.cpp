#include "app/ui/WidgetView.h"

#include "app/Document.h"

namespace voxmill {

CWidgetView::CWidgetView(QWidget* parent) : QWidget(parent) {}

CWidgetView::~CWidgetView() { DetachFromDocument(); }

QString CWidgetView::FrameTitle() const {
    if (!GetDocument() || GetDocument()->GetTitle().empty()) return QStringLiteral("Untitled");
    return QString::fromStdString(GetDocument()->GetTitle());
}

}  // namespace voxmill
