// A small workbench for the projector's window tests: the main frame with
// the templates the projector works with (target view, phantom, projector,
// OpenGL preview and, when asked, projection collections with a plain
// window), each test in a folder of its own.
#pragma once

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMdiArea>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "acquisition/ProjectionCollection.h"
#include "acquisition/Projector.h"
#include "acquisition/ui/GLContextView.h"
#include "acquisition/ui/ProjectorView.h"
#include "app/DocTemplate.h"
#include "app/templates/DocManager.h"
#include "app/ui/ChildFrame.h"
#include "app/ui/MainFrame.h"
#include "app/ui/OperatorChildFrame.h"
#include "app/ui/RecentFileList.h"
#include "app/ui/TargetMimeData.h"
#include "app/ui/TargetView.h"
#include "phantom/Phantom.h"
#include "phantom/ui/PhantomView.h"

namespace voxmill::test {

// The window a projection collection gets here: it only shows that one exists.
class CCollectionStubView : public CWidgetView {
public:
    ~CCollectionStubView() override { DetachFromDocument(); }
    CProjectionCollection* GetCollection() const { return dynamic_cast<CProjectionCollection*>(GetDocument()); }
};

constexpr const char* kNoDocString = "\n\n\n\n\n\n";

inline std::vector<std::unique_ptr<CDocTemplate>> ProjectorTemplates() {
    std::vector<std::unique_ptr<CDocTemplate>> t;
    t.push_back(std::make_unique<CDocTemplate>(138, kNoDocString, false, nullptr));
    t.push_back(std::make_unique<CDocTemplate>(143, kNoDocString, false, nullptr));
    t.push_back(std::make_unique<CDocTemplate>(
        130,
        "\nProjection Collection\nProjection Collection\nProjection Collection Files (*.prs)\n.PRS\n"
        "ProjectionCollection.Document\nProjection Collection Document",
        true, [] { return static_cast<CDocument*>(new CProjectionCollection); }));
    t.push_back(std::make_unique<CDocTemplate>(
        135, "\nPhantom\nPhantom\nPhantom Files (*.pha)\n.PHA\nPhantom.Document\nPhantom Document", true,
        [] { return static_cast<CDocument*>(new CPhantom); }));
    t.push_back(std::make_unique<CDocTemplate>(
        131, "\nProjector\nProjector\nProjector Files  (*.pro)\n.PRO\nProjector.Document\nProjector Document", true,
        [] { return static_cast<CDocument*>(new CProjector); }));
    return t;
}

class ProjectorWorkbench {
public:
    explicit ProjectorWorkbench(bool collectionWindows = true) : m_docs(ProjectorTemplates()) {
        std::vector<FrameRow> rows = {
            {138, &CreateFrame<CChildFrame, CTargetView>},
            {135, &CreateFrame<CChildFrame, CPhantomView>},
            {131, &CreateFrame<COperatorChildFrame, CProjectorView>},
            {143, &CreateFrame<CChildFrame, CGLContextView>},
        };
        if (collectionWindows) rows.push_back({130, &CreateFrame<CChildFrame, CCollectionStubView>});
        m_frame = std::make_unique<CMainFrame>(m_docs, m_recent);
        m_frame->InstallFrames(rows);
        m_frame->resize(1100, 800);
        m_frame->show();
    }
    ~ProjectorWorkbench() {
        m_frame->CloseAllDocuments();
        m_frame.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    CMainFrame& Frame() { return *m_frame; }
    CDocManager& Docs() { return m_docs; }

    CProjectorView* NewProjector() {
        CDocument* doc = m_frame->NewDocument(*m_docs.FindTemplate(131));
        CChildFrame* frame = doc ? FrameOf(*doc) : nullptr;
        return frame ? dynamic_cast<CProjectorView*>(frame->GetView()) : nullptr;
    }
    // A new phantom in its own window, with one ball of MU 1.
    CPhantom* NewPhantom() {
        auto* phantom = static_cast<CPhantom*>(m_frame->NewDocument(*m_docs.FindTemplate(135)));
        if (phantom) phantom->AddElement(CPhantom::ElementKinds().front().cls);
        if (phantom) phantom->SetModifiedFlag(false);
        return phantom;
    }
    static CChildFrame* FrameOf(CDocument& doc) {
        return doc.GetViews().empty() ? nullptr : dynamic_cast<CChildFrame*>(doc.GetViews().front()->GetParentFrame());
    }
    std::vector<CChildFrame*> Frames() const {
        std::vector<CChildFrame*> frames;
        for (QMdiSubWindow* w : m_frame->MdiArea()->subWindowList())
            if (auto* f = qobject_cast<CChildFrame*>(w); f && !f->IsDestroyed()) frames.push_back(f);
        return frames;
    }

private:
    CDocManager m_docs;
    CRecentFileList m_recent;
    std::unique_ptr<CMainFrame> m_frame;
};

// A drag of `data` entering and dropping on `site`; the action the site
// chose, or IgnoreAction when it refused.
inline Qt::DropAction Drop(QWidget* site, const QMimeData& data, const QPoint& pos = QPoint(30, 30)) {
    QDragEnterEvent enter(pos, Qt::MoveAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(site, &enter);
    if (!enter.isAccepted()) return Qt::IgnoreAction;
    QDropEvent drop(QPointF(pos), Qt::MoveAction | Qt::LinkAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(site, &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

// The whole target drag of a document in a window onto `site`: the drop,
// then what the source does with the result.
inline Qt::DropAction DragTarget(CDocument& doc, QWidget* site) {
    auto* target = dynamic_cast<CTarget*>(&doc);
    CChildFrame* source = ProjectorWorkbench::FrameOf(doc);
    if (!target || !source) return Qt::IgnoreAction;
    CTargetMimeData data(*target);
    const Qt::DropAction action = Drop(site, data);
    source->ApplyDragResult(action, QPoint());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return action;
}

}  // namespace voxmill::test
