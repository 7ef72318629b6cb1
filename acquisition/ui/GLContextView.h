// The OpenGL preview window's view: an OpenGL canvas (double-buffered RGBA,
// 24-bit colour, depth buffer, compatibility profile) that clears to black,
// projects with a 60 degree vertical field of view at the window's aspect
// (near 1, far 2000) with depth testing, looks from the document's eye to
// its centre with +y up and calls the document's display list.
//
// A drag with the left button turns the camera about the centre (half a
// degree per pixel: sideways about the vertical axis, up and down in
// elevation, kept below the poles) and the wheel moves it closer or
// farther (1.25 times per notch); untouched, the camera stands exactly at
// the document's eye.
//
// The frame opens at 300 x 300 pixels. A resize to zero height keeps the
// last projection; painting is guarded so that a paint that starts while
// another preview paints is skipped; activating a window makes its context
// current again, so several previews coexist.
#pragma once

#include <QOpenGLWidget>
#include <array>

#include "app/ui/WidgetView.h"

namespace voxmill {

class CGLContext;

class CGLContextView : public CWidgetView {
    Q_OBJECT

public:
    static constexpr int kInitialFrameSize = 300;

    explicit CGLContextView(QWidget* parent = nullptr);
    ~CGLContextView() override;

    CGLContext* GetContextDocument() const;
    void OnInitialUpdate() override;
    void OnDetach() override;

    // Makes the window's context current; false when the window has no
    // working OpenGL context (the platform offers none).
    bool MakeCurrent();
    void DoneCurrent();
    // The picture as the window shows it.
    QImage Grab();
    QOpenGLWidget* Canvas() const { return m_pCanvas; }
    // The client size the last accepted resize gave.
    QSize LastSize() const { return m_lastSize; }

    static constexpr double kDegreesPerPixel = 0.5;
    // Closer than an eighth of the distance the near plane cuts the scene.
    static constexpr double kMinZoom = 0.1, kMaxZoom = 8;
    // The view's turn (degrees) and zoom; 0, 0, 1 show the document's eye.
    double ViewYaw() const { return m_yaw; }
    double ViewPitch() const { return m_pitch; }
    double Zoom() const { return m_zoom; }
    void SetView(double yaw, double pitch, double zoom);
    // Where the camera stands now.
    std::array<float, 3> CurrentEye() const;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    class GLCanvas;
    friend class GLCanvas;

    void InitializeGL();
    void ResizeGL(int w, int h);
    void PaintGL();
    void Press(QPoint at);
    void Drag(QPoint at);
    void Wheel(int angleDelta);

    QOpenGLWidget* m_pCanvas;
    QSize m_lastSize;
    bool m_bSized = false;
    double m_yaw = 0, m_pitch = 0, m_zoom = 1;
    QPoint m_lastMouse;
};

}  // namespace voxmill
