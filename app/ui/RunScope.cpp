#include "app/ui/RunScope.h"

#include <QApplication>
#include <QEvent>
#include <QToolButton>
#include <QWidget>

#include "app/ui/ChildFrame.h"
#include "app/ui/OperatorChildFrame.h"

namespace voxmill {
namespace {

int g_activeRuns = 0;

bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::InputMethod:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

// The widget an event for `receiver` acts on: itself, or the widget that
// holds a shortcut or an action.
QWidget* WidgetOf(QObject* receiver) {
    for (QObject* o = receiver; o; o = o->parent())
        if (o->isWidgetType()) return static_cast<QWidget*>(o);
    return nullptr;
}

bool Within(const QWidget* outer, const QWidget* w) { return outer && w && (outer == w || outer->isAncestorOf(w)); }

}  // namespace

RunScope::RunScope(QPushButton* runButton, CFrameWnd* frame)
    : m_busy(runButton), m_pFrame(dynamic_cast<COperatorChildFrame*>(frame)) {
    ++g_activeRuns;
    if (m_pFrame) m_pFrame->ClearCancel();
    qApp->installEventFilter(this);
}

RunScope::~RunScope() {
    // Input that arrived during the last step is dropped too.
    QCoreApplication::processEvents();
    qApp->removeEventFilter(this);
    if (m_pFrame) {
        // A run that ended before its last step (a failure, a prompt
        // answered Cancel) would otherwise leave its bar standing.
        m_pFrame->HideProgress();
        m_pFrame->HideCancel();
        m_pFrame->ClearCancel();
    }
    --g_activeRuns;
}

bool RunScope::Active() { return g_activeRuns > 0; }

bool RunScope::Reaches(QObject* receiver) const {
    QWidget* w = WidgetOf(receiver);
    if (!w) return false;
    if (m_pFrame && Within(m_pFrame->CancelButton(), w)) return true;
    // A dialog the run opened (the grab prompt) must be answerable.
    return Within(QApplication::activeModalWidget(), w);
}

bool RunScope::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (!IsUserInput(type)) return false;
    // Window-system windows hand their input on to the widgets inside;
    // it is judged there. Shortcuts go to actions, never to widgets.
    if (!watched->isWidgetType() && type != QEvent::Shortcut && type != QEvent::ShortcutOverride) return false;
    if (type == QEvent::Close) {
        // A frame the program itself destroys still goes.
        if (auto* frame = qobject_cast<CChildFrame*>(watched); frame && frame->IsDestroyed()) return false;
    }
    if (Reaches(watched)) return false;
    event->ignore();  // a refused close stays refused
    return true;
}

}  // namespace voxmill
