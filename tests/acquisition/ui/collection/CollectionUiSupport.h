// A small workbench for the projection and collection window tests: the
// application's template table with the image, projection and collection
// windows (and the target view), each test with settings of its own.
#pragma once

#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "acquisition/ui/collection/ProjectionCollectionView.h"
#include "acquisition/ui/collection/ProjectionView.h"
#include "app/ListElementStub.h"
#include "app/templates/DocManager.h"
#include "app/ui/MainFrame.h"
#include "app/ui/RecentFileList.h"
#include "app/ui/TargetView.h"
#include "imaging/ui/SurfaceChildFrame.h"
#include "tests/app/ui/UiTestSupport.h"

namespace voxmill::test {

class ImageWorkbench {
public:
    ImageWorkbench() {
        UseSettingsIn(m_settings);
        m_recent = std::make_unique<CRecentFileList>();
        const std::vector<FrameRow> rows = {
            {138, &CreateFrame<CChildFrame, CTargetView>},
            {129, &CreateFrame<CSurfaceChildFrame, CProjectionView>},
            {141, &CreateFrame<CChildFrame, CProjectionCollectionView>},
            {130, &CreateFrame<CChildFrame, CProjectionCollectionView>},
        };
        m_frame = std::make_unique<CMainFrame>(m_docs, *m_recent);
        m_frame->InstallFrames(rows);
        m_frame->resize(1100, 800);
        m_frame->show();
    }
    ~ImageWorkbench() {
        m_frame->CloseAllDocuments();
        m_frame.reset();
        FlushDeletes();
    }
    ImageWorkbench(const ImageWorkbench&) = delete;
    ImageWorkbench& operator=(const ImageWorkbench&) = delete;

    CMainFrame& Frame() { return *m_frame; }
    CDocManager& Docs() { return m_docs; }

    template <class Doc>
    Doc* New(unsigned resourceId) {
        return dynamic_cast<Doc*>(m_frame->NewDocument(*m_docs.FindTemplate(resourceId)));
    }
    static CChildFrame* FrameOf(CDocument& doc) {
        return doc.GetViews().empty() ? nullptr : dynamic_cast<CChildFrame*>(doc.GetViews().front()->GetParentFrame());
    }
    template <class View>
    static View* ViewOf(CDocument& doc) {
        CChildFrame* frame = FrameOf(doc);
        return frame ? dynamic_cast<View*>(frame->GetView()) : nullptr;
    }
    std::vector<CChildFrame*> Frames() const {
        std::vector<CChildFrame*> frames;
        for (QMdiSubWindow* w : m_frame->MdiArea()->subWindowList())
            if (auto* f = qobject_cast<CChildFrame*>(w); f && !f->IsDestroyed()) frames.push_back(f);
        return frames;
    }

private:
    QTemporaryDir m_settings;
    CDocManager m_docs;
    std::unique_ptr<CRecentFileList> m_recent;
    std::unique_ptr<CMainFrame> m_frame;
};

// A projection of w x h pixels (size 1 x 1) whose pixel (c, r) holds
// base + c + 100 r, posed at the origin facing +z.
inline bool FillProjection(CProjection& p, std::uint32_t w, std::uint32_t h, float base) {
    if (!p.SetGeometry(CPoint4(0, 0, -4), CDirection4(1, 0, 0), CDirection4(0, 1, 0), 1.0, 1.0, w, h)) return false;
    for (std::uint32_t r = 0; r < h; ++r)
        for (std::uint32_t c = 0; c < w; ++c) p.GetPixels()[r * w + c] = base + static_cast<float>(c + 100 * r);
    p.UpdateRange();
    return true;
}

// Writes `count` floats (0, 1, 2, ...) scaled by `scale` to a raw file.
inline void WriteFloats(const QString& path, std::size_t count, float scale = 1.0f) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return;
    for (std::size_t i = 0; i < count; ++i) {
        const float v = scale * static_cast<float>(i);
        f.write(reinterpret_cast<const char*>(&v), sizeof v);
    }
}

}  // namespace voxmill::test
