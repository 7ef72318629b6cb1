// A small workbench for the slide and cine window tests: the application's
// template table with the projection, projection collection, slide and
// slide collection windows, slides tied to the Slide template.
#pragma once

#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "acquisition/ui/collection/ProjectionCollectionView.h"
#include "acquisition/ui/collection/ProjectionView.h"
#include "app/ListElementStub.h"
#include "app/templates/DocManager.h"
#include "app/ui/MainFrame.h"
#include "app/ui/RecentFileList.h"
#include "app/ui/TargetView.h"
#include "hardware/Slide.h"
#include "hardware/SlideCollection.h"
#include "hardware/ui/SlideCollectionView.h"
#include "hardware/ui/SlideView.h"
#include "imaging/ui/SurfaceChildFrame.h"
#include "tests/app/ui/UiTestSupport.h"

namespace voxmill::test {

class CineWorkbench {
public:
    CineWorkbench() {
        UseSettingsIn(m_settings);
        m_recent = std::make_unique<CRecentFileList>();
        const std::vector<FrameRow> rows = {
            {138, &CreateFrame<CChildFrame, CTargetView>},
            {129, &CreateFrame<CSurfaceChildFrame, CProjectionView>},
            {130, &CreateFrame<CChildFrame, CProjectionCollectionView>},
            {147, &CreateFrame<CSurfaceChildFrame, CSlideView>},
            {146, &CreateFrame<CChildFrame, CSlideCollectionView>},
        };
        CSlideCollection::SetSlideTemplate(m_docs.FindTemplate(147));
        m_frame = std::make_unique<CMainFrame>(m_docs, *m_recent);
        m_frame->InstallFrames(rows);
        m_frame->resize(1100, 800);
        m_frame->show();
    }
    ~CineWorkbench() {
        m_frame->CloseAllDocuments();
        m_frame.reset();
        FlushDeletes();
        CSlideCollection::SetSlideTemplate(nullptr);
    }
    CineWorkbench(const CineWorkbench&) = delete;
    CineWorkbench& operator=(const CineWorkbench&) = delete;

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
    // The newest window's view of that class.
    template <class View>
    View* NewestView() const {
        const std::vector<CChildFrame*> frames = Frames();
        for (auto it = frames.rbegin(); it != frames.rend(); ++it)
            if (auto* view = dynamic_cast<View*>((*it)->GetView())) return view;
        return nullptr;
    }

private:
    QTemporaryDir m_settings;
    CDocManager m_docs;
    std::unique_ptr<CRecentFileList> m_recent;
    std::unique_ptr<CMainFrame> m_frame;
};

// A w x h slide whose pixel (c, r) holds value(c, r), posed at angle
// `theta` (radians) on the circle of radius 4.
template <class Fn>
bool FillSlide(CSlide& s, std::uint32_t w, std::uint32_t h, double theta, Fn value) {
    s.ReleaseData();
    s.SetValueRange(CSurfacei::kInitialMinValue, CSurfacei::kInitialMaxValue);
    if (!s.Create(4.0, 4.0, w, h)) return false;
    for (std::uint32_t r = 0; r < h; ++r)
        for (std::uint32_t c = 0; c < w; ++c) s.GetPixels()[r * w + c] = static_cast<std::uint8_t>(value(c, r));
    s.UpdateRange();
    s.GetSource().SetPosition(CPoint4(4 * std::sin(theta), 0, 4 * std::cos(theta)));
    return true;
}

inline void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

}  // namespace voxmill::test
