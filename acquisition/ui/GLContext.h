// The document of an OpenGL preview window: the display list that holds
// the scene and where the camera stands. The rendering context belongs to
// the window (CGLContextView), which records it here; the list is made in
// that context and is deleted with it. Never saved, no archive record.
#pragma once

#include <QPointer>
#include <array>

#include "app/Document.h"

class QOpenGLContext;

namespace voxmill {

class CGLContext : public CDocument {
    VOXMILL_DECLARE_SERIAL(CGLContext)

public:
    CGLContext();
    ~CGLContext() override;

    void Serialize(CArchive& ar) override;
    bool OnSaveDocument(const std::string& path) override;

    // Deletes the display list (one list) while its context is current;
    // without the context the list is already gone with it.
    void ReleaseList();

    QPointer<QOpenGLContext> m_hRC;  // the window's; not owned
    unsigned m_nList = 0;
    std::array<float, 3> m_center{0, 0, 0};
    std::array<float, 3> m_eye{0, 0, 0};
};

}  // namespace voxmill
