#include "app/ui/ChildFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDrag>
#include <QMdiArea>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <algorithm>

#include "app/DocTemplate.h"
#include "app/DocumentEx.h"
#include "app/Operator.h"
#include "app/Target.h"
#include "app/ui/DocumentCommands.h"
#include "app/ui/IconFormWidget.h"
#include "app/ui/ResourceIcons.h"
#include "app/ui/TargetMimeData.h"
#include "app/ui/TargetPage.h"
#include "app/ui/WidgetView.h"

namespace voxmill {

CChildFrame::CChildFrame(QWidget* parent) : QMdiSubWindow(parent), m_pStack(new QStackedWidget) {
    setAttribute(Qt::WA_DeleteOnClose);
    m_pIconForm = new CIconFormWidget(this);
    m_pStack->addWidget(m_pIconForm);
    setWidget(m_pStack);
}

CChildFrame::~CChildFrame() {
    if (!m_bDestroyed) {
        m_bDestroyed = true;
        DetachView();
    }
}

void CChildFrame::AttachView(CWidgetView* view, CDocument& doc) {
    m_pView = view;
    m_pStack->addWidget(view);
    m_pStack->setCurrentWidget(view);
    view->SetParentFrame(this);
    doc.AddView(view);
}

void CChildFrame::InitialUpdateFrame() {
    if (!m_pView) return;
    m_pView->OnInitialUpdate();
    UpdateTitle();
    setWindowIcon(QIcon(DocumentIcon(16)));
    resize(sizeHint());
    show();
    if (mdiArea()) mdiArea()->setActiveSubWindow(this);
    m_pView->setFocus();
}

CDocument* CChildFrame::GetDocument() const { return m_pView ? m_pView->GetDocument() : nullptr; }

CView* CChildFrame::GetActiveView() const { return m_bDestroyed ? nullptr : m_pView; }

CTarget* CChildFrame::GetTarget() const { return dynamic_cast<CTarget*>(GetDocument()); }

void CChildFrame::UpdateTitle() {
    if (!m_pView || m_bDestroyed) return;
    setWindowTitle(m_pView->FrameTitle());
    if (m_bIconForm) m_pIconForm->UpdateContents();
}

QPixmap CChildFrame::DocumentIcon(int size) const {
    const CDocument* doc = GetDocument();
    const CDocTemplate* tmpl = doc ? doc->GetDocTemplate() : nullptr;
    return ResourceIcon(tmpl ? tmpl->GetResourceId() : 0).pixmap(size, size);
}

CChildFrame* CChildFrame::OpenFrame(CDocTemplate& tmpl, CDocument& doc) {
    // A new document that an operator or a command made shows a title of
    // its own: numbered like File, New's ("Projection Collection2"), never
    // "Untitled", and never one another unsaved document of its kind shows
    // ("Volume1 Z Slices (2)"). A file's name stays its title. Members are
    // tied to a template without entering its list.
    const std::vector<CDocument*>& listed = tmpl.GetDocuments();
    if (doc.GetPathName().empty() && std::find(listed.begin(), listed.end(), &doc) != listed.end())
        doc.SetTitle(doc.GetTitle().empty() ? tmpl.NextUntitledTitle() : tmpl.UniqueTitle(doc.GetTitle(), &doc));
    CFrameWnd* wnd = tmpl.CreateNewFrame(&doc);
    auto* frame = dynamic_cast<CChildFrame*>(wnd);
    if (!frame) {
        if (wnd) wnd->DestroyWindow();
        return nullptr;
    }
    frame->InitialUpdateFrame();
    return frame;
}

CChildFrame* CChildFrame::ReplaceFrames(CDocument& doc, CDocTemplate& tmpl) {
    if (!tmpl.HasFrameFactory()) return nullptr;
    const bool autoDelete = doc.m_bAutoDelete;
    doc.m_bAutoDelete = false;
    CDocumentEx::CloseAllViews(doc);
    CChildFrame* frame = OpenFrame(tmpl, doc);
    doc.m_bAutoDelete = autoDelete;
    // Without a window the document would be unreachable: close it the
    // usual way instead of leaving it behind.
    if (!frame && autoDelete) doc.OnCloseDocument();
    return frame;
}

void CChildFrame::DetachView() {
    if (!m_pView) return;
    m_pView->OnDetach();
    if (CDocument* doc = m_pView->GetDocument()) doc->RemoveView(m_pView);  // may delete the document
}

void CChildFrame::DestroyWindow() {
    if (m_bDestroyed) return;
    m_bDestroyed = true;
    DetachView();
    close();  // deleted from the event loop (WA_DeleteOnClose)
}

bool CChildFrame::CanCloseFrame() {
    // The frame's pages go with it, and so do the targets they own.
    for (CTargetPage* page : findChildren<CTargetPage*>())
        if (!page->SaveModifiedTarget()) return false;
    CDocument* doc = GetDocument();
    if (doc && doc->m_bAutoDelete && doc->GetViews().size() == 1) return SaveModified(this, *doc);
    return true;
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (!m_bDestroyed) {
        if (!CanCloseFrame()) {
            event->ignore();
            return;
        }
        m_bDestroyed = true;
        DetachView();
    }
    QMdiSubWindow::closeEvent(event);
}

void CChildFrame::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized) && parent()) {
        // Minimising turns the frame into its icon form instead.
        const Qt::WindowStates old = static_cast<QWindowStateChangeEvent*>(event)->oldState();
        overrideWindowState(old & ~Qt::WindowMinimized);
        if (old & Qt::WindowMaximized) showNormal();
        EnterIconForm();
        return;
    }
    QMdiSubWindow::changeEvent(event);
}

void CChildFrame::EnterIconForm() {
    if (m_bIconForm || !m_pView) return;
    m_restoreRect = geometry();
    m_restoreFlags = windowFlags();
    m_restoreMinimum = minimumSize();
    m_restoreMaximum = maximumSize();
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    m_bIconForm = true;
    m_pIconForm->UpdateContents();
    // The hidden view must not keep the frame at its minimum size.
    m_pView->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_pStack->setCurrentWidget(m_pIconForm);
    setWindowFlags(Qt::SubWindow | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setGeometry(QRect(m_restoreRect.topLeft(), m_pIconForm->FormSize()));
    show();
    setMask(m_pIconForm->Shape());
}

void CChildFrame::resizeEvent(QResizeEvent* event) {
    QMdiSubWindow::resizeEvent(event);
    // The frame sets its style's window shape on every resize; the icon
    // form keeps its own.
    if (m_bIconForm) setMask(m_pIconForm->Shape());
}

void CChildFrame::LeaveIconForm() {
    if (!m_bIconForm) return;
    m_bIconForm = false;
    clearMask();
    setAttribute(Qt::WA_TranslucentBackground, false);
    setWindowFlags(m_restoreFlags);
    m_pView->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    m_pStack->setCurrentWidget(m_pView);
    setMinimumSize(m_restoreMinimum);
    setMaximumSize(m_restoreMaximum);
    setGeometry(m_restoreRect);
    show();
    m_pView->update();
}

QRect CChildFrame::CaptionIconRect() const {
    if (m_bIconForm || (windowFlags() & Qt::FramelessWindowHint)) return {};
    QStyleOptionTitleBar opt;
    opt.initFrom(this);
    opt.subControls = QStyle::SC_All;
    opt.titleBarFlags = windowFlags();
    opt.titleBarState = windowState();
    opt.icon = windowIcon();
    opt.text = windowTitle();
    const int border = style()->styleHint(QStyle::SH_TitleBar_NoBorder, &opt, this) ? 0 : 4;
    const int height = style()->pixelMetric(QStyle::PM_TitleBarHeight, &opt, this);
    opt.rect = QRect(border, border, width() - 2 * border, height - border);
    return style()->subControlRect(QStyle::CC_TitleBar, &opt, QStyle::SC_TitleBarSysMenu, this);
}

void CChildFrame::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && GetTarget() && CaptionIconRect().contains(event->position().toPoint())) {
        m_bDragPending = true;
        m_pressPos = event->position().toPoint();
        if (mdiArea()) mdiArea()->setActiveSubWindow(this);
        event->accept();
        return;
    }
    QMdiSubWindow::mousePressEvent(event);
}

void CChildFrame::mouseMoveEvent(QMouseEvent* event) {
    if (m_bDragPending) {
        if ((event->position().toPoint() - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
            m_bDragPending = false;
            StartTargetDrag(this);
        }
        event->accept();
        return;
    }
    QMdiSubWindow::mouseMoveEvent(event);
}

void CChildFrame::mouseReleaseEvent(QMouseEvent* event) {
    if (m_bDragPending) {
        // A click without a drag still opens the window menu.
        m_bDragPending = false;
        showSystemMenu();
        event->accept();
        return;
    }
    QMdiSubWindow::mouseReleaseEvent(event);
}

void CChildFrame::StartTargetDrag(QWidget* source) {
    CTarget* target = GetTarget();
    if (!target || m_bDestroyed) return;
    auto* drag = new QDrag(source);
    auto* data = new CTargetMimeData(*target);
    drag->setMimeData(data);
    const QPixmap icon = DocumentIcon(style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, this));
    drag->setPixmap(icon);
    drag->setHotSpot(QPoint(icon.width() / 2, icon.height() / 2));
    // The drag object lives until control is back in the event loop.
    const Qt::DropAction action = drag->exec(Qt::MoveAction | Qt::LinkAction, Qt::MoveAction);
    const QPoint dropPoint = data->HasDropPoint() ? data->DropPoint() : QCursor::pos();
    ApplyDragResult(action, dropPoint);
}

void CChildFrame::ApplyDragResult(Qt::DropAction action, const QPoint& globalDropPoint) {
    if (m_bDestroyed) return;
    if (action == Qt::LinkAction) {
        if (CDocument* doc = GetDocument()) COperator::ReleaseLinkedTarget(*doc);
    } else if (action == Qt::MoveAction && parentWidget()) {
        move(parentWidget()->mapFromGlobal(globalDropPoint));
    }
}

}  // namespace voxmill
