// The volume window's fourth pane: a maximum-intensity projection drawn on
// the graphics card. The voxels go up once as a 3-D float texture (reduced
// by block maxima when the card or the memory cannot hold them, see
// MakeMipTexture); a small fragment shader marches one ray per pixel
// through the box along the camera's view (MipCamera: orthographic, the
// box inside the unit sphere) and maps the largest value through the
// shared grey window as the slice panes do. A drag turns the view, the
// wheel zooms; while the view turns it takes a quarter of the samples and
// refines once the mouse rests.
//
// Where the platform offers no OpenGL (IsAvailable) the window shows a
// note in its place: a canvas that cannot make its context breaks some
// platforms' window composition.
#pragma once

#include <QOpenGLFunctions>
#include <QOpenGLWidget>
#include <QTimer>
#include <memory>

#include "reconstruction/VolumePlanes.h"

class QOpenGLShaderProgram;
class QOpenGLTexture;

namespace voxmill {

class CVolumeMipView : public QOpenGLWidget, protected QOpenGLFunctions {
    Q_OBJECT

public:
    static constexpr int kRefineDelayMs = 200;
    // Largest texture the projection asks for, whatever the card allows.
    static constexpr std::uint32_t kMaxTextureSide = 512;
    static constexpr std::uint64_t kMaxTextureTexels = std::uint64_t{1} << 25;

    explicit CVolumeMipView(QWidget* parent = nullptr);
    ~CVolumeMipView() override;

    // Whether an OpenGL context of the projection's format can be made and
    // made current here (tried once per process).
    static bool IsAvailable();

    // The volume to show (null for none); it must outlive the pane or be
    // replaced first. The texture is made again on the next paint.
    void SetVolume(const CVolume* volume);
    void SetGreyWindow(float low, float high);
    const MipCamera& Camera() const { return m_camera; }
    void SetCamera(const MipCamera& camera);
    // Whether the last paint used the reduced sample count.
    bool IsCoarse() const { return m_bCoarse; }
    // Whether the projection could be drawn (context, shader and texture).
    bool IsReady() const { return m_bReady; }
    // The texture's reduction factor (1: one texel per voxel).
    std::uint32_t TextureFactor() const { return m_textureFactor; }
    // Draws one frame at full or reduced sampling and waits for it; for
    // measurements.
    void RenderNow(bool coarse);

    QSize sizeHint() const override { return QSize(260, 220); }
    QSize minimumSizeHint() const override { return QSize(64, 64); }

protected:
    void initializeGL() override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void ReleaseGL();
    bool UploadTexture();
    void Interact();

    const CVolume* m_pVolume = nullptr;
    MipCamera m_camera;
    float m_low = 0, m_high = 0;
    std::unique_ptr<QOpenGLShaderProgram> m_program;
    std::unique_ptr<QOpenGLTexture> m_texture;
    MipTexture m_layout;  // without its data once uploaded
    std::uint32_t m_textureFactor = 1;
    bool m_bTextureStale = true;
    bool m_bCoarse = false;
    bool m_bInteracting = false;
    bool m_bReady = false;
    QPoint m_lastMouse;
    QTimer m_refine;
};

}  // namespace voxmill
