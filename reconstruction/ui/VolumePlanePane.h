// One slice pane of the volume window: a grey picture of one plane (one
// pixel per voxel) drawn at the plane's physical proportions, centred in
// the pane, with the cursor's cross over it. It reports clicks, drags and
// hovering in plane pixels, and wheel notches as plane steps; what the
// picture holds is the window's business.
#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

namespace voxmill {

class CVolumePlanePane : public QWidget {
    Q_OBJECT

public:
    explicit CVolumePlanePane(QWidget* parent = nullptr);

    // The picture (columns x rows) and its physical width : height.
    void SetImage(const QImage& image, double width, double height);
    const QImage& Image() const { return m_image; }
    // The cursor's pixel, or none (-1, -1).
    void SetCursorPixel(QPoint pixel);
    QPoint CursorPixel() const { return m_cursor; }

    // Where the picture lies in the pane, in widget coordinates.
    QRectF PictureRect() const;
    // The picture pixel under a widget point; false outside the picture.
    bool PixelAt(QPointF at, QPoint& pixel) const;
    // The widget point at the centre of a picture pixel.
    QPointF PointOf(QPoint pixel) const;

    QSize sizeHint() const override { return QSize(260, 220); }
    QSize minimumSizeHint() const override { return QSize(64, 64); }

signals:
    // A click or a drag with the left button over a pixel.
    void PixelPicked(QPoint pixel);
    // The mouse over a pixel, or (-1, -1) when it left the picture.
    void PixelHovered(QPoint pixel);
    // Whole wheel notches, positive away from the user.
    void PlaneStepped(int steps);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    QImage m_image;
    double m_width = 1, m_height = 1;
    QPoint m_cursor{-1, -1};
    int m_wheelRest = 0;  // eighths of a degree short of a notch
};

}  // namespace voxmill
