// A small workbench for the reconstruction windows' tests: the main frame
// with the templates the backprojector and the volume work with (target
// view, phantom, projection collection, backprojector, volume, slice
// collection; the kinds owned elsewhere get plain stand-in windows), a
// registry file of the test's own with the plug-ins it asks for, and the
// dialog, message box and file prompt answered instead of a user.
#pragma once

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QListWidget>
#include <QMdiArea>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "app/DocTemplate.h"
#include "app/ListElementStub.h"
#include "app/templates/DocManager.h"
#include "app/ui/ChildFrame.h"
#include "app/ui/MainFrame.h"
#include "app/ui/OperatorChildFrame.h"
#include "app/ui/RecentFileList.h"
#include "app/ui/TargetMimeData.h"
#include "app/ui/TargetView.h"
#include "app/ui/WidgetView.h"
#include "phantom/Phantom.h"
#include "reconstruction/BackProjector.h"
#include "reconstruction/PluginRegistry.h"
#include "reconstruction/SliceCollection.h"
#include "reconstruction/Volume.h"
#include "reconstruction/ui/BackProjectorView.h"
#include "reconstruction/ui/SelectRendererDialog.h"
#include "reconstruction/ui/VolumeView.h"

namespace voxmill::test {

// The window a document of a kind owned elsewhere gets here: it only shows
// that one exists.
class CStubView : public CWidgetView {
public:
    ~CStubView() override { DetachFromDocument(); }
};

inline constexpr const char* kNoDocString = "\n\n\n\n\n\n";
inline constexpr CLSID kTessor = {0x67D20F26, 0x7B01, 0x11D3, {0xBD, 0xB9, 0x00, 0x90, 0x27, 0x24, 0xDB, 0x28}};
inline constexpr CLSID kKarvex = {0xD5CD8B32, 0x7333, 0x11D3, {0xB4, 0x05, 0xF0, 0x46, 0x40, 0xD1, 0x71, 0xF5}};

using BackProjectorFactory = std::function<CDocument*()>;

inline std::vector<std::unique_ptr<CDocTemplate>> ReconstructionTemplates(BackProjectorFactory backProjector) {
    std::vector<std::unique_ptr<CDocTemplate>> t;
    t.push_back(std::make_unique<CDocTemplate>(138, kNoDocString, false, nullptr));
    t.push_back(std::make_unique<CDocTemplate>(
        130,
        "\nProjection Collection\nProjection Collection\nProjection Collection Files (*.prs)\n.PRS\n"
        "ProjectionCollection.Document\nProjection Collection Document",
        true, [] { return static_cast<CDocument*>(new CProjectionCollection); }));
    t.push_back(std::make_unique<CDocTemplate>(
        133,
        "\nSlice Collection\nSlice Collection\nSlice Collection Files (*.sls)\n.SLS\nSliceCollection.Document\n"
        "Slice Collection Document",
        true, [] { return static_cast<CDocument*>(new CSliceCollection); }));
    t.push_back(std::make_unique<CDocTemplate>(
        135, "\nPhantom\nPhantom\nPhantom Files (*.pha)\n.PHA\nPhantom.Document\nPhantom Document", true,
        [] { return static_cast<CDocument*>(new CPhantom); }));
    if (!backProjector) backProjector = [] { return static_cast<CDocument*>(new CBackProjector); };
    t.push_back(std::make_unique<CDocTemplate>(
        134, "\nBackprojector\nBackprojector\nBackprojector Files (*.brp)\n.BRP\nBackprojector.Document\nBackprojector "
             "Document",
        true, backProjector));
    t.push_back(std::make_unique<CDocTemplate>(
        132, "\nVolume\nVolume\nVolume Files (*.vol)\n.VOL\nVolume.Document\nVolume Document", true,
        [] { return static_cast<CDocument*>(new CVolume); }));
    return t;
}

class ReconstructionWorkbench {
public:
    struct Options {
        bool sliceWindows = true;
        BackProjectorFactory backProjector;
    };

    ReconstructionWorkbench() : ReconstructionWorkbench(Options{}) {}
    explicit ReconstructionWorkbench(Options options) : m_docs(ReconstructionTemplates(options.backProjector)) {
        std::vector<FrameRow> rows = {
            {138, &CreateFrame<CChildFrame, CTargetView>},
            {130, &CreateFrame<CChildFrame, CStubView>},
            {135, &CreateFrame<CChildFrame, CStubView>},
            {134, &CreateFrame<COperatorChildFrame, CBackProjectorView>},
            {132, &CreateFrame<CChildFrame, CVolumeView>},
        };
        if (options.sliceWindows) rows.push_back({133, &CreateFrame<CChildFrame, CStubView>});
        m_frame = std::make_unique<CMainFrame>(m_docs, m_recent);
        m_frame->InstallFrames(rows);
        m_frame->resize(1100, 800);
        m_frame->show();
    }
    ~ReconstructionWorkbench() {
        m_frame->CloseAllDocuments();
        m_frame.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    CMainFrame& Frame() { return *m_frame; }
    CDocManager& Docs() { return m_docs; }
    CDocTemplate& Template(unsigned id) { return *m_docs.FindTemplate(id); }

    static CChildFrame* FrameOf(CDocument& doc) {
        return doc.GetViews().empty() ? nullptr : dynamic_cast<CChildFrame*>(doc.GetViews().front()->GetParentFrame());
    }
    CBackProjectorView* NewBackProjector() {
        CDocument* doc = m_frame->NewDocument(Template(134));
        CChildFrame* frame = doc ? FrameOf(*doc) : nullptr;
        return frame ? dynamic_cast<CBackProjectorView*>(frame->GetView()) : nullptr;
    }
    // A collection of `count` 16 x 16 projections of 2 x 2 units holding 1,
    // on the circle, in its own window.
    CProjectionCollection* NewCollection(int count = 4) {
        auto* collection = static_cast<CProjectionCollection*>(m_frame->NewDocument(Template(130)));
        if (!collection) return nullptr;
        for (int i = 0; i < count; ++i) {
            auto* p = static_cast<CProjection*>(collection->NewProjection()->m_pElement);
            if (!p->Create(2.0, 2.0, 16, 16)) return nullptr;
            for (std::size_t k = 0; k < p->GetPixelCount(); ++k) p->GetPixels()[k] = 1.0f;
            p->UpdateRange();
        }
        collection->ApplyCircularGeometry();
        collection->SetModifiedFlag(false);
        return collection;
    }
    std::vector<CChildFrame*> Frames() const {
        std::vector<CChildFrame*> frames;
        for (QMdiSubWindow* w : m_frame->MdiArea()->subWindowList())
            if (auto* f = qobject_cast<CChildFrame*>(w); f && !f->IsDestroyed()) frames.push_back(f);
        return frames;
    }
    std::vector<CVolume*> Volumes() {
        std::vector<CVolume*> volumes;
        for (CDocument* doc : Template(132).GetDocuments()) volumes.push_back(dynamic_cast<CVolume*>(doc));
        return volumes;
    }

private:
    CDocManager m_docs;
    CRecentFileList m_recent;
    std::unique_ptr<CMainFrame> m_frame;
};

// Answers "Select an ActiveX Voxmill Plugin" with the class `choose` (the
// null GUID: the selection it opened with) and OK, with nothing selected
// and OK, or with Cancel; records what it was shown.
class ScopedRendererChoice {
public:
    ScopedRendererChoice() {
        m_previous = SetSelectRendererHook([this](CSelectRendererDialog& dialog) {
            ++shown;
            caption = dialog.windowTitle();
            names.clear();
            for (int row = 0; row < dialog.List()->count(); ++row) names << dialog.List()->item(row)->text();
            selectedOnOpen = dialog.SelectedClassId();
            if (cancel) return int(QDialog::Rejected);
            if (!(choose == GUID_NULL)) dialog.SelectClassId(choose);
            if (clearSelection) dialog.List()->clearSelection();
            return int(QDialog::Accepted);
        });
    }
    ~ScopedRendererChoice() { SetSelectRendererHook(std::move(m_previous)); }
    ScopedRendererChoice(const ScopedRendererChoice&) = delete;
    ScopedRendererChoice& operator=(const ScopedRendererChoice&) = delete;

    CLSID choose = GUID_NULL;
    bool cancel = false;
    bool clearSelection = false;  // OK with nothing selected
    CLSID selectedOnOpen = GUID_NULL;
    int shown = 0;
    QString caption;
    QStringList names;

private:
    SelectRendererHook m_previous;
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
    CChildFrame* source = ReconstructionWorkbench::FrameOf(doc);
    if (!target || !source) return Qt::IgnoreAction;
    CTargetMimeData data(*target);
    const Qt::DropAction action = Drop(site, data);
    source->ApplyDragResult(action, QPoint());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return action;
}

}  // namespace voxmill::test
