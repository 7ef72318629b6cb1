// The frame of operator windows (and of the digitizer window): a child
// frame of fixed size with its own status bar of two panes (pane 0
// stretching, at least 164 pixels; pane 1 167 pixels) and a progress bar,
// hidden while idle, kept exactly over pane 1, with a Cancel button beside
// it. While a run lasts the bar shows the percentage done and the time
// left, estimated from the time per step so far.
//
// Within a RunScope, progress steps handle every pending event, so that a
// synchronous run repaints and its Cancel click arrives; the scope keeps
// all other input from acting, then or later. Without one, input stays
// queued until the run ends.
#pragma once

#include <QElapsedTimer>

#include "app/ui/ChildFrame.h"

class QLabel;
class QProgressBar;
class QToolButton;
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
    bool CancelRequested() const override { return m_bCancelRequested; }

    // A new run starts with no cancel request; the run's end hides Cancel.
    void ClearCancel() { m_bCancelRequested = false; }
    void HideCancel();

    // "37 %  0:12 left": `done` of `total` steps after `elapsedMs`; just
    // the percentage before the first step.
    static QString ProgressText(unsigned done, unsigned total, qint64 elapsedMs);

    QString StatusText(int pane) const;
    QProgressBar* ProgressBar() const { return m_pProgress; }
    QToolButton* CancelButton() const { return m_pCancel; }
    QLabel* Pane(int pane) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlaceProgressBar();
    void OnCancel();

    QWidget* m_pStatusBar;
    QLabel* m_pPane0;
    QLabel* m_pPane1;
    QProgressBar* m_pProgress;
    QToolButton* m_pCancel;
    QElapsedTimer m_runTime;
    bool m_bCancelRequested = false;
};

}  // namespace voxmill
