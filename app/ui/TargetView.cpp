#include "app/ui/TargetView.h"

#include <QAction>
#include <QMenu>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/Target.h"
#include "app/ui/ChildFrame.h"
#include "app/ui/FilePrompt.h"
#include "app/ui/TargetIconCanvas.h"

namespace voxmill {

CTargetView::CTargetView(QWidget* parent)
    : CWidgetView(parent), m_pScroll(new QScrollArea(this)), m_pCanvas(new CTargetIconCanvas(this)),
      m_pMenu(new QMenu(QStringLiteral("Target"), this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pScroll);
    m_pScroll->setWidget(m_pCanvas);
    m_pScroll->setBackgroundRole(QPalette::Base);
    CreateActions();
}

CTargetView::~CTargetView() { DetachFromDocument(); }

void CTargetView::CreateActions() {
    m_pChangeIcon = m_pMenu->addAction(QStringLiteral("Change icon..."), this, &CTargetView::OnChangeIcon);
    m_pChangeIcon->setStatusTip(QStringLiteral("Load the target's icon from a bitmap file"));
    m_pDocument = m_pMenu->addAction(QStringLiteral("Document"), this, &CTargetView::OnDocument);
    m_pDocument->setStatusTip(QStringLiteral("Show the document in its own window"));
}

CTarget* CTargetView::GetTarget() const { return dynamic_cast<CTarget*>(GetDocument()); }

QList<QMenu*> CTargetView::DocumentMenus() const { return {m_pMenu}; }

QSize CTargetView::sizeHint() const { return m_pCanvas->sizeHint() + QSize(24, 24); }

void CTargetView::OnUpdate(CView*, long, CObject*) { m_pCanvas->update(); }

void CTargetView::OnChangeIcon() {
    CTarget* target = GetTarget();
    if (!target) return;
    FilePromptRequest request;
    request.title = QStringLiteral("Change icon");
    request.filters << QStringLiteral("Bitmaps (*.bmp)");
    request.defaultSuffix = QStringLiteral("bmp");
    request.fileName = QStringLiteral("*.bmp");
    const QString path = PromptForFile(this, request);
    // A file that is no bitmap is reported by the bitmap reader.
    if (!path.isEmpty()) target->LoadIcon(path.toStdString());
}

void CTargetView::OnDocument() {
    CDocument* doc = GetDocument();
    CDocTemplate* own = doc ? doc->GetDocTemplate() : nullptr;
    if (own) CChildFrame::ReplaceFrames(*doc, *own);
}

}  // namespace voxmill
