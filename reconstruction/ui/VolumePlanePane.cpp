#include "reconstruction/ui/VolumePlanePane.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace voxmill {
namespace {

constexpr int kMargin = 4;
const QColor kCursorColor(255, 200, 0, 160);

}  // namespace

CVolumePlanePane::CVolumePlanePane(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
}

void CVolumePlanePane::SetImage(const QImage& image, double width, double height) {
    m_image = image;
    // A degenerate extent falls back to square pixels.
    const bool physical = width > 0 && height > 0 && std::isfinite(width / height);
    m_width = physical ? width : std::max(1, image.width());
    m_height = physical ? height : std::max(1, image.height());
    update();
}

void CVolumePlanePane::SetCursorPixel(QPoint pixel) {
    if (pixel == m_cursor) return;
    m_cursor = pixel;
    update();
}

QRectF CVolumePlanePane::PictureRect() const {
    if (m_image.isNull()) return {};
    const double w = std::max(1, width() - 2 * kMargin), h = std::max(1, height() - 2 * kMargin);
    const double scale = std::min(w / m_width, h / m_height);
    const double pw = m_width * scale, ph = m_height * scale;
    return QRectF(kMargin + (w - pw) / 2, kMargin + (h - ph) / 2, pw, ph);
}

bool CVolumePlanePane::PixelAt(QPointF at, QPoint& pixel) const {
    const QRectF rect = PictureRect();
    if (rect.isEmpty() || !rect.contains(at)) return false;
    const int c = static_cast<int>((at.x() - rect.left()) / rect.width() * m_image.width());
    const int r = static_cast<int>((at.y() - rect.top()) / rect.height() * m_image.height());
    pixel = QPoint(std::clamp(c, 0, m_image.width() - 1), std::clamp(r, 0, m_image.height() - 1));
    return true;
}

QPointF CVolumePlanePane::PointOf(QPoint pixel) const {
    const QRectF rect = PictureRect();
    if (rect.isEmpty()) return {};
    return {rect.left() + (pixel.x() + 0.5) * rect.width() / m_image.width(),
            rect.top() + (pixel.y() + 0.5) * rect.height() / m_image.height()};
}

void CVolumePlanePane::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const QRectF picture = PictureRect();
    if (picture.isEmpty()) return;
    // Voxels stay sharp squares when magnified.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(picture, m_image);
    if (m_cursor.x() < 0) return;
    const QPointF at = PointOf(m_cursor);
    painter.setPen(QPen(kCursorColor, 1));
    painter.drawLine(QPointF(picture.left(), at.y()), QPointF(picture.right(), at.y()));
    painter.drawLine(QPointF(at.x(), picture.top()), QPointF(at.x(), picture.bottom()));
}

void CVolumePlanePane::mousePressEvent(QMouseEvent* event) {
    QPoint pixel;
    if (event->button() == Qt::LeftButton && PixelAt(event->position(), pixel)) emit PixelPicked(pixel);
}

void CVolumePlanePane::mouseMoveEvent(QMouseEvent* event) {
    QPoint pixel;
    const bool inside = PixelAt(event->position(), pixel);
    if (inside && (event->buttons() & Qt::LeftButton)) emit PixelPicked(pixel);
    emit PixelHovered(inside ? pixel : QPoint(-1, -1));
}

void CVolumePlanePane::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    emit PixelHovered(QPoint(-1, -1));
}

}  // namespace voxmill

namespace voxmill {

void CVolumePlanePane::wheelEvent(QWheelEvent* event) {
    // Touch pads send fractions of a notch: gather them.
    m_wheelRest += event->angleDelta().y();
    const int steps = m_wheelRest / 120;
    m_wheelRest -= steps * 120;
    if (steps) emit PlaneStepped(steps);
    event->accept();
}

}  // namespace voxmill
