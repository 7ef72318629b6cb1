#include "acquisition/ui/GLContext.h"

#include <QOpenGLContext>
#include <GL/gl.h>

#include "app/archive/ErrorSink.h"

namespace voxmill {

VOXMILL_IMPLEMENT_DYNCREATE(CGLContext, CDocument)

CGLContext::CGLContext() = default;

CGLContext::~CGLContext() { ReleaseList(); }

void CGLContext::Serialize(CArchive&) {}

bool CGLContext::OnSaveDocument(const std::string&) {
    ReportError("An OpenGL preview cannot be saved");
    return false;
}

void CGLContext::ReleaseList() {
    if (m_nList && m_hRC && QOpenGLContext::currentContext() == m_hRC) glDeleteLists(m_nList, 1);
    m_nList = 0;
}

}  // namespace voxmill
