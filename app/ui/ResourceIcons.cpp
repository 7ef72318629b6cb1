#include "app/ui/ResourceIcons.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace voxmill {
namespace {

constexpr int kSide = 32;

QPixmap Canvas() {
    QPixmap pixmap(kSide, kSide);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QPixmap PhantomIcon() {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    p.setBrush(QColor(200, 200, 200));
    p.drawEllipse(QRectF(5, 2, 22, 28));
    p.setBrush(QColor(120, 120, 120));
    p.drawEllipse(QRectF(8, 6, 16, 21));
    p.setBrush(QColor(235, 235, 235));
    p.drawEllipse(QRectF(11, 11, 4, 7));
    p.drawEllipse(QRectF(18, 11, 4, 7));
    return pixmap;
}

QPixmap WorkbenchIcon() {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 60, 120), 3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(3, 3, 26, 26));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 180, 40));
    p.drawEllipse(QRectF(13, 1, 6, 6));
    p.setBrush(QColor(90, 90, 90));
    p.drawRect(QRectF(10, 26, 12, 4));
    p.setBrush(QColor(160, 160, 160));
    p.drawEllipse(QRectF(11, 11, 10, 10));
    return pixmap;
}

QPixmap TargetIcon() {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(160, 30, 30), 2));
    p.drawEllipse(QRectF(5, 5, 22, 22));
    p.drawEllipse(QRectF(11, 11, 10, 10));
    p.drawLine(16, 1, 16, 31);
    p.drawLine(1, 16, 31, 16);
    return pixmap;
}

QPixmap PluginIcon() {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 90, 30), 1.5));
    p.setBrush(QColor(120, 200, 120));
    p.drawRoundedRect(QRectF(4, 8, 24, 20), 3, 3);
    p.drawEllipse(QRectF(12, 2, 8, 8));
    return pixmap;
}

}  // namespace

QIcon ResourceIcon(unsigned resourceId) {
    // Drawn on each call: cheap, and nothing outlives the application.
    switch (resourceId) {
        case 128: return QIcon(WorkbenchIcon());
        case 135: return QIcon(PhantomIcon());
        case 138: return QIcon(TargetIcon());
        case 197: return QIcon(PluginIcon());
        default: return QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    }
}

}  // namespace voxmill
