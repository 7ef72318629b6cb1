// The 80 x 80 drawing area of the target view: the target's icon at
// (16, 8) inside a rectangle tracker from (15, 7) to (81, 73). A press and
// drag inside the tracker drags the target.
#pragma once

#include <QPoint>
#include <QWidget>

namespace voxmill {

class CTargetView;

class CTargetIconCanvas : public QWidget {
    Q_OBJECT

public:
    explicit CTargetIconCanvas(CTargetView* view);

    static QRect TrackerRect() { return QRect(QPoint(15, 7), QPoint(81, 73)); }
    static QPoint IconOrigin() { return QPoint(16, 8); }
    QSize sizeHint() const override { return QSize(82, 80); }
    // The tool tip: the target's title, the name the icon stands for.
    QString ToolTipText() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    CTargetView* m_pView;
    bool m_bDragPending = false;
    QPoint m_pressPos;
};

}  // namespace voxmill
