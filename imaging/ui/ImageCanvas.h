// The scrolled surface of an image view: as large as the view's scroll
// extent, it draws what its view lays out and passes mouse input back to
// the view in view coordinates. Ctrl + wheel zooms; the plain wheel is the
// scroll area's.
#pragma once

#include <QWidget>

namespace voxmill {

class CImageView;

class CImageCanvas : public QWidget {
    Q_OBJECT

public:
    explicit CImageCanvas(CImageView& view, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    CImageView& m_view;
};

}  // namespace voxmill
