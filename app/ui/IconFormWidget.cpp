#include "app/ui/IconFormWidget.h"

#include <QApplication>
#include <QMdiArea>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <algorithm>

#include "app/ui/ChildFrame.h"

namespace voxmill {
namespace {

constexpr int kTitleGap = 2;
constexpr int kMaxTitleWidth = 120;

}  // namespace

CIconFormWidget::CIconFormWidget(CChildFrame* frame) : m_pFrame(frame) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
}

void CIconFormWidget::UpdateContents() {
    const int size = style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, this);
    m_icon = m_pFrame->DocumentIcon(size);
    m_title = m_pFrame->windowTitle();
    setToolTip(m_title);  // the drawn title is elided past kMaxTitleWidth
    updateGeometry();
    update();
}

QRect CIconFormWidget::TitleRect() const {
    const QFontMetrics fm(font());
    const QString text = fm.elidedText(m_title, Qt::ElideRight, kMaxTitleWidth);
    const int width = fm.horizontalAdvance(text) + 6;
    const int iconSide = m_icon.isNull() ? 32 : m_icon.height();
    return QRect(0, iconSide + kTitleGap, width, fm.height() + 2);
}

QSize CIconFormWidget::FormSize() const {
    const QRect title = TitleRect();
    const int iconSide = m_icon.isNull() ? 32 : m_icon.width();
    return QSize(std::max(iconSide, title.width()), title.bottom() + 1);
}

QRect CIconFormWidget::IconRect() const {
    const int iconSide = m_icon.isNull() ? 32 : m_icon.width();
    return QRect((FormSize().width() - iconSide) / 2, 0, iconSide, iconSide);
}

QRegion CIconFormWidget::Shape() const {
    QRect title = TitleRect();
    title.moveLeft((FormSize().width() - title.width()) / 2);
    return QRegion(IconRect()).united(title);
}

void CIconFormWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(IconRect().topLeft(), m_icon);
    QRect title = TitleRect();
    title.moveLeft((FormSize().width() - title.width()) / 2);
    painter.fillRect(title, palette().window());
    painter.setPen(palette().windowText().color());
    painter.drawText(title, Qt::AlignCenter, QFontMetrics(font()).elidedText(m_title, Qt::ElideRight, kMaxTitleWidth));
}

void CIconFormWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && IconRect().contains(event->position().toPoint())) {
        m_bDragPending = true;
        m_pressPos = event->position().toPoint();
        if (m_pFrame->mdiArea()) m_pFrame->mdiArea()->setActiveSubWindow(m_pFrame);
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void CIconFormWidget::mouseMoveEvent(QMouseEvent* event) {
    if (m_bDragPending && (event->position().toPoint() - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
        m_bDragPending = false;
        m_pFrame->StartTargetDrag(this);
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void CIconFormWidget::mouseReleaseEvent(QMouseEvent* event) {
    m_bDragPending = false;
    QWidget::mouseReleaseEvent(event);
}

void CIconFormWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    m_bDragPending = false;
    m_pFrame->LeaveIconForm();
    event->accept();
}

}  // namespace voxmill
