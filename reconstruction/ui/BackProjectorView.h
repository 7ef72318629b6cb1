// The backprojector's window: a form with the property sheet at (7, 7) at
// its natural size, and the buttons "Render" and "OpenGL Preview" (always
// disabled: it has no behaviour). The sheet's pages hold the geometry, the
// target and the renderer's options while the window lives.
//
// "Select Renderer..." on the Renderer page lists the installed renderers
// and hosts the one chosen; choosing the one already held keeps it with its
// pages and option values, another one replaces it and all its pages.
// "Render" checks the active page, needs a target, a renderer and a
// geometry that makes a volume in the memory available (without them the
// status pane says what is missing and nothing is allocated), and
// reconstructs into a new volume under the wait cursor with "Render"
// disabled; each press opens a new volume window. Progress and the average
// time show in the operator frame.
//
// Choosing a renderer, a target or a geometry marks the backprojector
// modified: its setup lives only in the window, so closing it asks first.
#pragma once

#include <QPointer>
#include <QString>
#include <memory>

#include "app/ui/ChildFrame.h"
#include "app/ui/WidgetView.h"
#include "contract/Com.h"

class QPushButton;

namespace voxmill {

class CBackProjector;
class CBackProjectorPropertySheet;
class CDocTemplate;
class CVolume;

class CBackProjectorView : public CWidgetView {
    Q_OBJECT

public:
    // Resource number of the template new volumes come from.
    static constexpr unsigned kVolumeTemplate = 132;
    static constexpr int kMargin = 7;

    explicit CBackProjectorView(QWidget* parent = nullptr);
    ~CBackProjectorView() override;

    CBackProjector* GetBackProjector() const;
    void OnUpdate(CView* sender, long hint, CObject* pHint) override;
    void OnDetach() override;

    CBackProjectorPropertySheet* Sheet() const { return m_pSheet; }
    QPushButton* RenderButton() const { return m_pRender; }
    QPushButton* PreviewButton() const { return m_pPreview; }
    // The frame of the volume the last "Render" showed, or null.
    CChildFrame* LastVolumeFrame() const { return m_pLastVolume; }

public slots:
    void OnRender();
    void OnSelectRenderer();

private:
    void CreateControls();
    // Fits the form (and a fixed-size frame) around the sheet's size.
    void Relayout();
    void RefreshRendererInfo();
    CDocTemplate* FindTemplate(unsigned resourceId) const;
    void ShowVolume(std::unique_ptr<CVolume> volume, CDocTemplate* volumeTemplate);
    // Why no volume was made, in the status pane.
    void ReportRefusedVolume(HRESULT hr);
    void ShowStatus(const QString& text);
    void MarkModified();

    CBackProjectorPropertySheet* m_pSheet = nullptr;
    QPushButton* m_pRender = nullptr;
    QPushButton* m_pPreview = nullptr;
    QPointer<CChildFrame> m_pLastVolume;
    CLSID m_shownRenderer = GUID_NULL;
    QString m_shownModule;
};

}  // namespace voxmill
