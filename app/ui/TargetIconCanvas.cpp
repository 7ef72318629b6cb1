#include "app/ui/TargetIconCanvas.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include "app/Target.h"
#include "app/ui/ChildFrame.h"
#include "app/ui/DibImage.h"
#include "app/ui/TargetView.h"
#include "imaging/dib/Dib.h"

namespace voxmill {

CTargetIconCanvas::CTargetIconCanvas(CTargetView* view) : m_pView(view) {
    setFixedSize(sizeHint());
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

QString CTargetIconCanvas::ToolTipText() const {
    const CTarget* target = m_pView->GetTarget();
    return target ? QString::fromStdString(target->GetTitle()) : QString();
}

bool CTargetIconCanvas::event(QEvent* event) {
    // Asked for when shown, so a title changed by Save As is current.
    if (event->type() == QEvent::ToolTip) {
        const QString tip = ToolTipText();
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), tip, this);
        return true;
    }
    return QWidget::event(event);
}

void CTargetIconCanvas::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (const CTarget* target = m_pView->GetTarget(); target && target->GetIcon()) {
        const QImage icon = DibToImage(*target->GetIcon());
        if (!icon.isNull()) painter.drawImage(IconOrigin(), icon);
    }
    painter.setPen(QPen(palette().text().color(), 1, Qt::DashLine));
    painter.drawRect(TrackerRect());
}

void CTargetIconCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && TrackerRect().contains(event->position().toPoint())) {
        m_bDragPending = true;
        m_pressPos = event->position().toPoint();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void CTargetIconCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (m_bDragPending &&
        (event->position().toPoint() - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
        m_bDragPending = false;
        if (auto* frame = dynamic_cast<CChildFrame*>(m_pView->GetParentFrame())) frame->StartTargetDrag(this);
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void CTargetIconCanvas::mouseReleaseEvent(QMouseEvent* event) {
    m_bDragPending = false;
    QWidget::mouseReleaseEvent(event);
}

}  // namespace voxmill
