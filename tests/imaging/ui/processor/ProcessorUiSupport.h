// The processor window's tests and snapshot run in a workbench with the
// program's own template and frame tables, each in a folder of its own;
// target drags use the projector tests' drop helpers.
#pragma once

#include <QCoreApplication>
#include <QMdiArea>
#include <memory>

#include "acquisition/Projection.h"
#include "acquisition/ProjectionCollection.h"
#include "app/ListElementStub.h"
#include "app/templates/DocManager.h"
#include "app/templates/DocTemplateTable.h"
#include "app/ui/MainFrame.h"
#include "app/ui/RecentFileList.h"
#include "app/ui/WorkbenchFrames.h"
#include "imaging/processor/Processor.h"
#include "imaging/ui/processor/ProcessorView.h"
#include "tests/acquisition/projector/ui/ProjectorUiSupport.h"

namespace voxmill::test {

class ProcessorWorkbench {
public:
    static constexpr unsigned kCollection = 130;
    static constexpr unsigned kPhantom = 135;
    static constexpr unsigned kProcessor = 148;

    ProcessorWorkbench() : m_docs(CreateDocTemplates()) {
        m_frame = std::make_unique<CMainFrame>(m_docs, m_recent);
        m_frame->InstallFrames(WorkbenchFrameTable());
        m_frame->resize(1000, 700);
        m_frame->show();
    }
    ~ProcessorWorkbench() {
        m_frame->CloseAllDocuments();
        m_frame.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    CMainFrame& Frame() { return *m_frame; }
    CDocTemplate& Template(unsigned id) { return *m_docs.FindTemplate(id); }

    // A processor window, for a new document of the template's or for `doc`.
    CProcessorView* NewProcessor(CProcessor* doc = nullptr) {
        if (doc) {
            Template(kProcessor).AddDocument(doc);
            doc->OnNewDocument();
            CChildFrame* frame = CChildFrame::OpenFrame(Template(kProcessor), *doc);
            return frame ? dynamic_cast<CProcessorView*>(frame->GetView()) : nullptr;
        }
        CDocument* made = m_frame->NewDocument(Template(kProcessor));
        CChildFrame* frame = made ? ProjectorWorkbench::FrameOf(*made) : nullptr;
        return frame ? dynamic_cast<CProcessorView*>(frame->GetView()) : nullptr;
    }
    // `count` in-place projections of 8 x 8 pixels in a collection window;
    // member i holds 64 i + 1, 64 i + 2, ... row by row. With `doc`, that
    // collection is the one shown.
    CProjectionCollection* NewCollection(int count = 3, CProjectionCollection* doc = nullptr) {
        CProjectionCollection* collection = doc;
        if (doc) {
            Template(kCollection).AddDocument(doc);
            doc->OnNewDocument();
        } else {
            collection = static_cast<CProjectionCollection*>(m_frame->NewDocument(Template(kCollection)));
        }
        if (!collection) return nullptr;
        for (int i = 0; i < count; ++i) {
            auto* p = static_cast<CProjection*>(collection->NewProjection()->m_pElement);
            if (!p->Create(4.0, 4.0, 8, 8)) return nullptr;
            for (std::size_t k = 0; k < p->GetPixelCount(); ++k) p->GetPixels()[k] = float(64 * i + 1 + k);
            p->UpdateRange();
        }
        collection->ApplyCircularGeometry();
        collection->SetModifiedFlag(false);
        if (doc && !CChildFrame::OpenFrame(Template(kCollection), *doc)) return nullptr;
        collection->UpdateAllViews(nullptr);
        return collection;
    }

private:
    CDocManager m_docs;
    CRecentFileList m_recent;
    std::unique_ptr<CMainFrame> m_frame;
};

}  // namespace voxmill::test
