#include "app/ui/OperatorChildFrame.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QProgressBar>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <climits>

#include "app/ui/WidgetView.h"

namespace voxmill {

COperatorChildFrame::COperatorChildFrame(QWidget* parent)
    : CChildFrame(parent), m_pStatusBar(new QWidget), m_pPane0(new QLabel), m_pPane1(new QLabel),
      m_pProgress(new QProgressBar(m_pStatusBar)) {
    // The stack becomes the upper part of a box with the status bar below.
    QStackedWidget* stack = Stack();
    setWidget(nullptr);
    auto* box = new QWidget;
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(stack, 1);
    column->addWidget(m_pStatusBar);

    auto* panes = new QHBoxLayout(m_pStatusBar);
    panes->setContentsMargins(2, 1, 2, 1);
    panes->setSpacing(2);
    m_pPane0->setMinimumWidth(kPane0MinWidth);
    m_pPane1->setFixedWidth(kPane1Width);
    panes->addWidget(m_pPane0, 1);
    panes->addWidget(m_pPane1, 0);

    m_pProgress->setTextVisible(false);
    m_pProgress->hide();
    m_pStatusBar->installEventFilter(this);
    setWidget(box);
    // A fixed-size window: no maximise button either.
    setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
}

void COperatorChildFrame::InitialUpdateFrame() {
    CChildFrame::InitialUpdateFrame();
    // No resizing border: the frame keeps the size its view asks for.
    setFixedSize(sizeHint());
    PlaceProgressBar();
}

QLabel* COperatorChildFrame::Pane(int pane) const {
    if (pane == 0) return m_pPane0;
    if (pane == 1) return m_pPane1;
    return nullptr;
}

QString COperatorChildFrame::StatusText(int pane) const {
    const QLabel* label = Pane(pane);
    return label ? label->text() : QString();
}

void COperatorChildFrame::SetStatusText(int pane, const std::string& text) {
    if (QLabel* label = Pane(pane)) label->setText(QString::fromStdString(text));
}

void COperatorChildFrame::SetProgressRange(unsigned steps) {
    m_pProgress->setRange(0, static_cast<int>(std::min<unsigned>(steps, INT_MAX)));
    m_pProgress->setValue(0);
    PlaceProgressBar();
    m_pProgress->show();
    m_pProgress->raise();
}

void COperatorChildFrame::StepProgress() {
    if (m_pProgress->value() < m_pProgress->maximum()) m_pProgress->setValue(m_pProgress->value() + 1);
    // Runs are synchronous: let the bar and the status repaint between steps.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void COperatorChildFrame::HideProgress() {
    m_pProgress->setValue(0);
    m_pProgress->hide();
}

void COperatorChildFrame::PlaceProgressBar() { m_pProgress->setGeometry(m_pPane1->geometry()); }

bool COperatorChildFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pStatusBar && (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest))
        PlaceProgressBar();
    return CChildFrame::eventFilter(watched, event);
}

}  // namespace voxmill
