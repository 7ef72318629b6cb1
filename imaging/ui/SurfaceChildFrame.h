// The image child frame: a child frame (draggable as a target like every
// child frame) with a tool bar and a one-pane status bar around its image
// view. The tool bar holds the pointer and liner tools, one check group
// with nothing checked at first, and two sliders (1 to 1000) for the grey
// window's width (starting at 1000) and position (starting at 499). The
// tool mode is the frame's; the view asks for it.
#pragma once

#include <QString>

#include "app/ui/ChildFrame.h"

class QAction;
class QLabel;
class QSlider;
class QToolBar;

namespace voxmill {

class CImageView;

class CSurfaceChildFrame : public CChildFrame {
    Q_OBJECT

public:
    enum ToolModes { kNoTool = 0, kLinerTool = 1, kPointerTool = 2 };
    static constexpr int kSliderWidth = 64;

    explicit CSurfaceChildFrame(QWidget* parent = nullptr);

    void InitialUpdateFrame() override;
    // Resizes the frame to show the view's whole scroll extent, but never
    // past the right or bottom edge of the main window's work area.
    void FitToView();

    // CFrameWnd
    void SetStatusText(int pane, const std::string& text) override;
    QString StatusText() const;

    int ToolMode() const { return m_nToolMode; }
    void SetToolMode(int mode);

    CImageView* GetImageView() const;
    QToolBar* ToolBar() const { return m_pToolBar; }
    QAction* PointerAction() const { return m_pPointer; }
    QAction* LinerAction() const { return m_pLiner; }
    QSlider* WidthSlider() const { return m_pWidthSlider; }
    QSlider* PositionSlider() const { return m_pPositionSlider; }
    // A slider's tool tip: its command name and value, and the grey window
    // once the view applies one ("Adjust Grey Window Width: 1000\nGrey
    // level window: from 0.000 to 9.995").
    QString SliderToolTip(const QSlider* slider) const;

public slots:
    void OnSelectPointerTool();
    void OnSelectLinerTool();
    void OnGreyWindowChanged();

private:
    void CreateToolBar();
    QSlider* CreateSlider(int value, const QString& tip);
    void UpdateSliderTips();
    // Shows the tip beside the handle while it is dragged.
    void ShowSliderTip(QSlider* slider);

    QToolBar* m_pToolBar;
    QLabel* m_pStatus;
    QAction* m_pPointer = nullptr;
    QAction* m_pLiner = nullptr;
    QSlider* m_pWidthSlider = nullptr;
    QSlider* m_pPositionSlider = nullptr;
    int m_nToolMode = kNoTool;
};

}  // namespace voxmill
