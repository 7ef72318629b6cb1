// The processor's window: a form with the property sheet at (7, 7) and the
// button "Render". The Warping page's values live as long as the window.
//
// "Render" checks the active page (an angle out of range shows the range
// message and nothing happens), needs a target, and warps every projection
// of the target collection with the wait cursor shown and "Render"
// disabled; progress and the average time show in the operator frame.
// Members that could not be read or written are listed in a message.
#pragma once

#include "app/ui/WidgetView.h"

class QPushButton;

namespace voxmill {

class CProcessor;
class CProcessorPropertySheet;
struct ProcessorReport;

class CProcessorView : public CWidgetView {
    Q_OBJECT

public:
    static constexpr int kMargin = 7;

    explicit CProcessorView(QWidget* parent = nullptr);
    ~CProcessorView() override;

    CProcessor* GetProcessor() const;
    CProcessorPropertySheet* Sheet() const { return m_pSheet; }
    QPushButton* RenderButton() const { return m_pRender; }

public slots:
    void OnRender();

private:
    void CreateControls();
    void ReportIncompleteRun(const ProcessorReport& report);

    CProcessorPropertySheet* m_pSheet = nullptr;
    QPushButton* m_pRender = nullptr;
};

}  // namespace voxmill
