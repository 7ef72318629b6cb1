// The frame of operator windows (and of the digitizer window): a child
// frame of fixed size with its own status bar of two panes (pane 0
// stretching, at least 164 pixels; pane 1 167 pixels) and a progress bar,
// hidden while idle, kept exactly over pane 1. Progress steps let the
// workbench repaint (user input stays queued), so a synchronous run shows
// its progress.
#pragma once

#include "app/ui/ChildFrame.h"

class QLabel;
class QProgressBar;
class QWidget;

namespace voxmill {

class COperatorChildFrame : public CChildFrame {
    Q_OBJECT

public:
    static constexpr int kPane0MinWidth = 164;
    static constexpr int kPane1Width = 167;

    explicit COperatorChildFrame(QWidget* parent = nullptr);

    void InitialUpdateFrame() override;

    // CFrameWnd progress and status.
    void SetStatusText(int pane, const std::string& text) override;
    void SetProgressRange(unsigned steps) override;
    void StepProgress() override;
    void HideProgress() override;

    QString StatusText(int pane) const;
    QProgressBar* ProgressBar() const { return m_pProgress; }
    QLabel* Pane(int pane) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlaceProgressBar();

    QWidget* m_pStatusBar;
    QLabel* m_pPane0;
    QLabel* m_pPane1;
    QProgressBar* m_pProgress;
};

}  // namespace voxmill
