#include "imaging/ui/ImageCanvas.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "imaging/ui/ImageView.h"

namespace voxmill {

CImageCanvas::CImageCanvas(CImageView& view, QWidget* parent) : QWidget(parent), m_view(view) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CImageCanvas::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().color(QPalette::Base));
    m_view.DrawScene(painter);
}

void CImageCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_view.OnLeftButtonDown(event->position().toPoint());
}

void CImageCanvas::mouseMoveEvent(QMouseEvent* event) { m_view.OnMouseMove(event->position().toPoint()); }

void CImageCanvas::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        event->ignore();  // the scroll area scrolls
        return;
    }
    m_view.ZoomByWheel(event->angleDelta().y(), event->position().toPoint());
    event->accept();
}

void CImageCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_view.OnLeftButtonUp(event->position().toPoint());
}

}  // namespace voxmill
