#include "reconstruction/ui/VolumeMipView.h"

#include <QGenericMatrix>
#include <QMouseEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLShaderProgram>
#include <QOpenGLTexture>
#include <QVector2D>
#include <QVector3D>
#include <QWheelEvent>
#include <algorithm>

#include "reconstruction/Volume.h"

namespace voxmill {
namespace {

// GLSL 1.20 so that the compatibility profile of any driver compiles it.
const char* const kVertexShader = R"(#version 120
attribute vec2 position;
varying vec2 ndc;
void main() {
    ndc = position;
    gl_Position = vec4(position, 0.0, 1.0);
}
)";

// One ray per pixel through the box [-halfBox, halfBox] (unit-sphere
// units), sampled at `steps` points per sphere diameter; the grey level is
// the truncating window of the slice panes.
const char* const kFragmentShader = R"(#version 120
uniform sampler3D voxels;
uniform mat3 worldFromEye;
uniform vec2 extent;
uniform vec3 halfBox;
uniform vec3 coverage;
uniform float low;
uniform float high;
uniform float steps;
varying vec2 ndc;
void main() {
    vec3 origin = worldFromEye * vec3(ndc * extent, 0.0);
    vec3 dir = worldFromEye * vec3(0.0, 0.0, -1.0);
    vec3 safe = vec3(abs(dir.x) < 1e-6 ? 1e-6 : dir.x, abs(dir.y) < 1e-6 ? 1e-6 : dir.y,
                     abs(dir.z) < 1e-6 ? 1e-6 : dir.z);
    vec3 t0 = (-halfBox - origin) / safe;
    vec3 t1 = (halfBox - origin) / safe;
    vec3 tNear = min(t0, t1);
    vec3 tFar = max(t0, t1);
    float enter = max(max(tNear.x, tNear.y), tNear.z);
    float leave = min(min(tFar.x, tFar.y), tFar.z);
    if (leave <= enter) {
        gl_FragColor = vec4(0.0, 0.0, 0.0, 1.0);
        return;
    }
    int count = int(max(1.0, ceil((leave - enter) * steps / 2.0)));
    float dt = (leave - enter) / float(count);
    vec3 scale = vec3(0.5, -0.5, -0.5) / halfBox;
    float best = -3.4e38;
    for (int n = 0; n < 8192; ++n) {
        if (n >= count) break;
        vec3 q = origin + (enter + (float(n) + 0.5) * dt) * dir;
        vec3 tc = (vec3(0.5) + q * scale) * coverage;
        best = max(best, texture3D(voxels, tc).r);
    }
    float g = 0.0;
    if (best >= low && high != low)
        g = best > high ? 255.0 : clamp(floor(255.0 / (high - low) * (best - low)), 0.0, 255.0);
    gl_FragColor = vec4(vec3(g / 255.0), 1.0);
}
)";

const GLfloat kQuad[] = {-1, -1, 1, -1, -1, 1, 1, 1};

QSurfaceFormat MipFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    return format;
}

}  // namespace

bool CVolumeMipView::IsAvailable() {
    static const bool available = [] {
        QOffscreenSurface surface;
        surface.setFormat(MipFormat());
        surface.create();
        QOpenGLContext context;
        context.setFormat(MipFormat());
        if (!surface.isValid() || !context.create() || !context.makeCurrent(&surface)) return false;
        context.doneCurrent();
        return true;
    }();
    return available;
}

CVolumeMipView::CVolumeMipView(QWidget* parent) : QOpenGLWidget(parent) {
    setFormat(MipFormat());
    setCursor(Qt::OpenHandCursor);
    m_refine.setSingleShot(true);
    m_refine.setInterval(kRefineDelayMs);
    connect(&m_refine, &QTimer::timeout, this, [this] {
        m_bInteracting = false;
        update();
    });
}

CVolumeMipView::~CVolumeMipView() {
    // The members go before the base class takes the context down.
    if (context()) disconnect(context(), nullptr, this, nullptr);
    if (context() && context()->isValid()) {
        makeCurrent();
        ReleaseGL();
        doneCurrent();
    }
}

void CVolumeMipView::ReleaseGL() {
    m_texture.reset();
    m_program.reset();
    m_bReady = false;
    m_bTextureStale = true;
}

void CVolumeMipView::SetVolume(const CVolume* volume) {
    m_pVolume = volume;
    m_bTextureStale = true;
    update();
}

void CVolumeMipView::SetGreyWindow(float low, float high) {
    m_low = low;
    m_high = high;
    update();
}

void CVolumeMipView::SetCamera(const MipCamera& camera) {
    m_camera = camera;
    update();
}

void CVolumeMipView::initializeGL() {
    initializeOpenGLFunctions();
    // A new context (the widget moved to another window) starts afresh.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] {
        makeCurrent();
        ReleaseGL();
        doneCurrent();
    });
    m_program = std::make_unique<QOpenGLShaderProgram>();
    if (!m_program->addShaderFromSourceCode(QOpenGLShader::Vertex, kVertexShader) ||
        !m_program->addShaderFromSourceCode(QOpenGLShader::Fragment, kFragmentShader) || !m_program->link()) {
        qWarning("The projection's shader does not build: %s", qPrintable(m_program->log()));
        m_program.reset();
    }
    m_bTextureStale = true;
}

bool CVolumeMipView::UploadTexture() {
    m_bTextureStale = false;
    m_texture.reset();
    m_layout = MipTexture();
    if (!m_pVolume || !m_pVolume->IsAllocated()) return false;
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_3D_TEXTURE_SIZE, &maxSide);
    if (maxSide <= 0) return false;
    MipTexture layout =
        MakeMipTexture(*m_pVolume, std::min<std::uint32_t>(static_cast<std::uint32_t>(maxSide), kMaxTextureSide),
                       kMaxTextureTexels);
    auto texture = std::make_unique<QOpenGLTexture>(QOpenGLTexture::Target3D);
    texture->setSize(static_cast<int>(layout.nX), static_cast<int>(layout.nY), static_cast<int>(layout.nZ));
    texture->setFormat(QOpenGLTexture::R32F);
    texture->setMipLevels(1);
    texture->allocateStorage(QOpenGLTexture::Red, QOpenGLTexture::Float32);
    if (!texture->isStorageAllocated()) return false;
    texture->setData(QOpenGLTexture::Red, QOpenGLTexture::Float32, layout.data);
    texture->setMinMagFilters(QOpenGLTexture::Linear, QOpenGLTexture::Linear);
    texture->setWrapMode(QOpenGLTexture::ClampToEdge);
    m_textureFactor = layout.factor;
    layout.reduced = {};  // the card holds the texels now
    layout.data = nullptr;
    m_layout = std::move(layout);
    m_texture = std::move(texture);
    return true;
}

void CVolumeMipView::paintGL() {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    if (m_bTextureStale) UploadTexture();
    m_bReady = m_program && m_texture && m_pVolume && m_pVolume->IsAllocated();
    if (!m_bReady) return;
    m_bCoarse = m_bInteracting;

    const double radius = HalfDiagonal(*m_pVolume);
    const std::array<double, 9> r = m_camera.Rotation();
    // The transpose turns eye directions into world ones.
    const float t[9] = {float(r[0]), float(r[3]), float(r[6]), float(r[1]), float(r[4]),
                        float(r[7]), float(r[2]), float(r[5]), float(r[8])};
    const qreal ratio = devicePixelRatioF();
    const int w = static_cast<int>(width() * ratio), h = static_cast<int>(height() * ratio);
    const double s = std::max(1, std::min(w, h));
    glViewport(0, 0, w, h);

    m_program->bind();
    glActiveTexture(GL_TEXTURE0);
    m_texture->bind();
    m_program->setUniformValue("voxels", 0);
    m_program->setUniformValue("worldFromEye", QMatrix3x3(t));
    m_program->setUniformValue("extent", QVector2D(float(w / s / m_camera.zoom), float(h / s / m_camera.zoom)));
    m_program->setUniformValue("halfBox", QVector3D(float(m_pVolume->GetDimX() / (2 * radius)),
                                                    float(m_pVolume->GetDimY() / (2 * radius)),
                                                    float(m_pVolume->GetDimZ() / (2 * radius))));
    m_program->setUniformValue("coverage", QVector3D(float(m_layout.coverage[0]), float(m_layout.coverage[1]),
                                                     float(m_layout.coverage[2])));
    m_program->setUniformValue("low", m_low);
    m_program->setUniformValue("high", m_high);
    m_program->setUniformValue("steps", float(MipSteps(m_layout, m_bCoarse)));
    const int position = m_program->attributeLocation("position");
    m_program->enableAttributeArray(position);
    m_program->setAttributeArray(position, kQuad, 2);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    m_program->disableAttributeArray(position);
    m_texture->release();
    m_program->release();
}

void CVolumeMipView::RenderNow(bool coarse) {
    m_bInteracting = coarse;
    m_refine.stop();
    makeCurrent();
    paintGL();
    glFinish();
    doneCurrent();
}

void CVolumeMipView::Interact() {
    m_bInteracting = true;
    m_refine.start();
    update();
}

void CVolumeMipView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    m_lastMouse = event->position().toPoint();
    setCursor(Qt::ClosedHandCursor);
}

void CVolumeMipView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    const QPoint at = event->position().toPoint();
    m_camera.Drag(at.x() - m_lastMouse.x(), at.y() - m_lastMouse.y());
    m_lastMouse = at;
    Interact();
}

void CVolumeMipView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) setCursor(Qt::OpenHandCursor);
}

void CVolumeMipView::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta == 0) return;
    m_camera.Wheel(delta);
    Interact();
    event->accept();
}

}  // namespace voxmill
