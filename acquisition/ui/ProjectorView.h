// The projector's window: a form with the property sheet at (7, 7) and
// the buttons "Render" and "OpenGL Preview". The sheet's pages hold the
// geometry while the window lives; the Options page edits the document.
//
// "Render" checks the active page, needs a target (a phantom, or a
// digitizer for a grabbing run into a slide collection, with the "Import"
// prompt before each grab on the manual trigger), asks for the
// collection's file in linked mode, and runs the projector with the wait
// cursor shown and "Render" disabled; the new collection opens in its own
// window (or, when none can be made, is offered for saving, so that
// nothing is lost). Members that could not be made or written are listed.
// "OpenGL Preview" opens a preview window on the angle-0 scene. Any change
// the user makes to the setup marks the projector modified, so that
// closing the window asks first.
#pragma once

#include <QPointer>
#include <QString>
#include <memory>

#include "acquisition/ui/GLContextView.h"
#include "app/ui/ChildFrame.h"
#include "app/ui/WidgetView.h"

class QPushButton;

namespace voxmill {

class CDocTemplate;
class CTarget;
class CProjectionCollection;
class CProjector;
class CProjectorPropertySheet;
struct ProjectorRunReport;

class CProjectorView : public CWidgetView {
    Q_OBJECT

public:
    // Resource numbers of the templates the view makes documents with.
    static constexpr unsigned kProjectionCollectionTemplate = 130;
    static constexpr unsigned kSlideCollectionTemplate = 146;
    // The prompt before every grab with the manual trigger.
    static constexpr const char* kGrabPromptTitle = "Import";
    static constexpr const char* kGrabPromptText = "Click OK to grab the next Slide ";
    static constexpr unsigned kGLContextTemplate = 143;

    explicit CProjectorView(QWidget* parent = nullptr);
    ~CProjectorView() override;

    CProjector* GetProjector() const;
    void OnInitialUpdate() override;
    void OnDetach() override;

    CProjectorPropertySheet* Sheet() const { return m_pSheet; }
    QPushButton* RenderButton() const { return m_pRender; }
    QPushButton* PreviewButton() const { return m_pPreview; }
    // The preview window the last "OpenGL Preview" opened, or null.
    CGLContextView* LastPreview() const { return m_pLastPreview; }
    // The frame of the collection the last run showed, or null.
    CChildFrame* LastCollectionFrame() const { return m_pLastCollection; }

public slots:
    void OnRender();
    void OnOpenGLPreview();

private:
    void CreateControls();
    void WatchSetup();
    CDocTemplate* FindTemplate(unsigned resourceId) const;
    // The linked collection's file: the save prompt of the collection's
    // type, its extension added when none was typed; empty on Cancel.
    QString PromptCollectionPath(const CDocTemplate* collectionTemplate, bool grabbing);
    void ShowCollection(std::unique_ptr<CTarget>& collection, CDocTemplate* collectionTemplate, bool grabbing);
    void ReportIncompleteRun(const ProjectorRunReport& report);

    CProjectorPropertySheet* m_pSheet = nullptr;
    QPushButton* m_pRender = nullptr;
    QPushButton* m_pPreview = nullptr;
    QPointer<CGLContextView> m_pLastPreview;
    QPointer<CChildFrame> m_pLastCollection;
};

}  // namespace voxmill
