#include "app/ui/OperatorChildFrame.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QProgressBar>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <climits>
#include <cmath>
#include <cstdint>

#include "app/ui/RunScope.h"
#include "app/ui/WidgetView.h"

namespace voxmill {

COperatorChildFrame::COperatorChildFrame(QWidget* parent)
    : CChildFrame(parent), m_pStatusBar(new QWidget), m_pPane0(new QLabel), m_pPane1(new QLabel),
      m_pProgress(new QProgressBar(m_pStatusBar)), m_pCancel(new QToolButton(m_pStatusBar)) {
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

    m_pProgress->setTextVisible(true);
    m_pProgress->setAlignment(Qt::AlignCenter);
    m_pProgress->hide();
    m_pCancel->setText(QStringLiteral("Cancel"));
    m_pCancel->setToolTip(QStringLiteral("Stop the run after the step in progress; its result is discarded"));
    m_pCancel->hide();
    connect(m_pCancel, &QToolButton::clicked, this, &COperatorChildFrame::OnCancel);
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

QString COperatorChildFrame::ProgressText(unsigned done, unsigned total, qint64 elapsedMs) {
    if (total == 0) return QStringLiteral("100 %");
    done = std::min(done, total);
    const auto percent = static_cast<unsigned>(std::uint64_t{done} * 100 / total);
    if (done == 0 || elapsedMs < 0) return QStringLiteral("%1 %").arg(percent);
    // Whole seconds, rounded up: "0:00 left" only once nothing is left.
    const double leftMs = static_cast<double>(elapsedMs) / done * (total - done);
    const auto left = static_cast<qint64>(std::ceil(leftMs / 1000.0));
    const QString clock = left >= 3600 ? QStringLiteral("%1:%2:%3")
                                             .arg(left / 3600)
                                             .arg(left / 60 % 60, 2, 10, QLatin1Char('0'))
                                             .arg(left % 60, 2, 10, QLatin1Char('0'))
                                       : QStringLiteral("%1:%2").arg(left / 60).arg(left % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1 %  %2 left").arg(percent).arg(clock);
}

void COperatorChildFrame::SetProgressRange(unsigned steps) {
    m_pProgress->setRange(0, static_cast<int>(std::min<unsigned>(steps, INT_MAX)));
    m_pProgress->setValue(0);
    m_runTime.start();
    m_pProgress->setFormat(ProgressText(0, steps, 0));
    PlaceProgressBar();
    m_pProgress->show();
    m_pProgress->raise();
    m_pCancel->setEnabled(!m_bCancelRequested);
    m_pCancel->show();
    m_pCancel->raise();
}

void COperatorChildFrame::StepProgress() {
    if (m_pProgress->value() < m_pProgress->maximum()) m_pProgress->setValue(m_pProgress->value() + 1);
    m_pProgress->setFormat(ProgressText(static_cast<unsigned>(m_pProgress->value()),
                                        static_cast<unsigned>(m_pProgress->maximum()), m_runTime.elapsed()));
    // Runs are synchronous: every pending event is handled here, so that
    // the window repaints and a click on Cancel arrives; the run's scope
    // swallows the other input meanwhile. A run without one keeps input
    // queued.
    QCoreApplication::processEvents(RunScope::Active() ? QEventLoop::AllEvents
                                                       : QEventLoop::ExcludeUserInputEvents);
}

void COperatorChildFrame::HideProgress() {
    m_pProgress->setValue(0);
    m_pProgress->hide();
    HideCancel();
}

void COperatorChildFrame::HideCancel() { m_pCancel->hide(); }

void COperatorChildFrame::OnCancel() {
    m_bCancelRequested = true;
    m_pCancel->setEnabled(false);  // the run stops at the end of its step
}

// The bar covers pane 1; Cancel sits at its left, over the end of pane 0.
void COperatorChildFrame::PlaceProgressBar() {
    const QRect pane1 = m_pPane1->geometry();
    m_pProgress->setGeometry(pane1);
    const int width = m_pCancel->sizeHint().width();
    m_pCancel->setGeometry(pane1.left() - 2 - width, pane1.top(), width, pane1.height());
}

bool COperatorChildFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pStatusBar && (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest))
        PlaceProgressBar();
    return CChildFrame::eventFilter(watched, event);
}

}  // namespace voxmill
