// What a child frame shows in its compact icon form: the document's icon
// at the large icon size on a transparent background, the title beneath.
// A press and drag on the icon drags the document as a target; a double
// click restores the frame.
#pragma once

#include <QPoint>
#include <QRegion>
#include <QWidget>

namespace voxmill {

class CChildFrame;

class CIconFormWidget : public QWidget {
    Q_OBJECT

public:
    explicit CIconFormWidget(CChildFrame* frame);

    // Takes the icon and title of the frame's document.
    void UpdateContents();
    QSize FormSize() const;
    // The icon and the title's box: the window is clipped to it.
    QRegion Shape() const;
    QRect IconRect() const;
    QSize sizeHint() const override { return FormSize(); }
    QSize minimumSizeHint() const override { return FormSize(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QRect TitleRect() const;

    CChildFrame* m_pFrame;
    QPixmap m_icon;
    QString m_title;
    bool m_bDragPending = false;
    QPoint m_pressPos;
};

}  // namespace voxmill
