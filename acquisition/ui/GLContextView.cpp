#include "acquisition/ui/GLContextView.h"

#include <QEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <GL/gl.h>
#include <GL/glu.h>

#include "acquisition/PreviewScene.h"
#include "acquisition/ui/GLContext.h"
#include "app/FrameWnd.h"

namespace voxmill {
namespace {

// One preview paints at a time, process-wide.
bool g_bPainting = false;

QSurfaceFormat PreviewFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);  // display lists, fixed-function matrices
    format.setVersion(2, 1);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setDepthBufferSize(24);
    return format;
}

}  // namespace

class CGLContextView::GLCanvas : public QOpenGLWidget {
public:
    explicit GLCanvas(CGLContextView* owner) : QOpenGLWidget(owner), m_pOwner(owner) { setFormat(PreviewFormat()); }

protected:
    void initializeGL() override { m_pOwner->InitializeGL(); }
    void resizeGL(int w, int h) override { m_pOwner->ResizeGL(w, h); }
    void paintGL() override { m_pOwner->PaintGL(); }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) m_pOwner->Press(event->position().toPoint());
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (event->buttons() & Qt::LeftButton) m_pOwner->Drag(event->position().toPoint());
    }
    void wheelEvent(QWheelEvent* event) override {
        m_pOwner->Wheel(event->angleDelta().y());
        event->accept();
    }

private:
    CGLContextView* m_pOwner;
};

CGLContextView::CGLContextView(QWidget* parent) : CWidgetView(parent), m_pCanvas(new GLCanvas(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pCanvas);
    setMinimumSize(16, 16);
}

CGLContextView::~CGLContextView() {
    OnDetach();
    DetachFromDocument();
}

CGLContext* CGLContextView::GetContextDocument() const { return dynamic_cast<CGLContext*>(GetDocument()); }

void CGLContextView::OnInitialUpdate() { CWidgetView::OnInitialUpdate(); }

void CGLContextView::showEvent(QShowEvent* event) {
    CWidgetView::showEvent(event);
    // The frame lays itself out for its first show; the preview then takes
    // its fixed opening size (position kept).
    if (m_bSized) return;
    m_bSized = true;
    if (auto* frame = dynamic_cast<QWidget*>(GetParentFrame())) frame->resize(kInitialFrameSize, kInitialFrameSize);
}

void CGLContextView::OnDetach() {
    // The list lives in this window's context: delete it while it is still there.
    CGLContext* doc = GetContextDocument();
    if (!doc) return;
    if (doc->m_nList && MakeCurrent()) {
        doc->ReleaseList();
        DoneCurrent();
    }
    if (doc->m_hRC == m_pCanvas->context()) doc->m_hRC = nullptr;
}

bool CGLContextView::MakeCurrent() {
    if (!m_pCanvas->context() || !m_pCanvas->context()->isValid()) return false;
    m_pCanvas->makeCurrent();
    return QOpenGLContext::currentContext() == m_pCanvas->context();
}

void CGLContextView::DoneCurrent() {
    if (m_pCanvas->context()) m_pCanvas->doneCurrent();
}

QImage CGLContextView::Grab() { return m_pCanvas->grabFramebuffer(); }

bool CGLContextView::event(QEvent* event) {
    // Activation brings this window's context back, as each preview has its own.
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::FocusIn) MakeCurrent();
    return CWidgetView::event(event);
}

void CGLContextView::InitializeGL() {
    if (CGLContext* doc = GetContextDocument()) doc->m_hRC = m_pCanvas->context();
}

void CGLContextView::ResizeGL(int w, int h) {
    if (h <= 0) return;  // minimised: keep the last projection
    const qreal ratio = m_pCanvas->devicePixelRatioF();
    glViewport(0, 0, static_cast<GLsizei>(w * ratio), static_cast<GLsizei>(h * ratio));
    if (w < m_lastSize.width() || h < m_lastSize.height()) m_pCanvas->update();
    m_lastSize = QSize(w, h);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, static_cast<double>(w) / h, 1.0, 2000.0);
    glMatrixMode(GL_MODELVIEW);
}

void CGLContextView::PaintGL() {
    if (g_bPainting) return;
    g_bPainting = true;
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (const CGLContext* doc = GetContextDocument()) {
        const std::array<float, 3> eye = CurrentEye();
        gluLookAt(eye[0], eye[1], eye[2], doc->m_center[0], doc->m_center[1], doc->m_center[2], 0.0, 1.0, 0.0);
        if (doc->m_nList) glCallList(doc->m_nList);
    }
    // The canvas swaps (composes) its buffers itself once this returns.
    g_bPainting = false;
}

std::array<float, 3> CGLContextView::CurrentEye() const {
    const CGLContext* doc = GetContextDocument();
    if (!doc) return {0, 0, 0};
    return PreviewScene::OrbitEye(doc->m_eye, doc->m_center, m_yaw, m_pitch, m_zoom);
}

void CGLContextView::SetView(double yaw, double pitch, double zoom) {
    m_yaw = std::fmod(yaw, 360.0);
    m_pitch = pitch;
    // Pitch beyond what the camera can take would only have to be undone.
    if (const CGLContext* doc = GetContextDocument()) {
        const double dx = doc->m_eye[0] - doc->m_center[0], dy = doc->m_eye[1] - doc->m_center[1],
                     dz = doc->m_eye[2] - doc->m_center[2];
        const double distance = std::sqrt(dx * dx + dy * dy + dz * dz);
        if (distance > 0) {
            const double elevation = std::asin(dy / distance) * 180 / 3.14159265358979323846;
            m_pitch = std::clamp(pitch, -PreviewScene::kMaxElevation - elevation,
                                 PreviewScene::kMaxElevation - elevation);
        }
    }
    m_zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    m_pCanvas->update();
}

void CGLContextView::Press(QPoint at) { m_lastMouse = at; }

void CGLContextView::Drag(QPoint at) {
    const QPoint d = at - m_lastMouse;
    m_lastMouse = at;
    // The scene follows the hand: dragging right turns it to the right.
    SetView(m_yaw - kDegreesPerPixel * d.x(), m_pitch + kDegreesPerPixel * d.y(), m_zoom);
}

void CGLContextView::Wheel(int angleDelta) {
    if (angleDelta == 0) return;
    SetView(m_yaw, m_pitch, m_zoom * std::pow(1.25, angleDelta / 120.0));
}

}  // namespace voxmill
