// An operator's frame on the command line: the step text and a progress
// bar on stderr, redrawn in place on a terminal and at every tenth
// elsewhere, then the timing summary. A ProgressView hands an operator's
// progress to it; ScopedProgress attaches one for the length of a run.
//
// While an InterruptCancels lives, Ctrl-C (SIGINT) is the frame's Cancel:
// the run stops after the step in progress and removes what it wrote, and
// the command reports the interruption. A second Ctrl-C ends the program
// at once.
#pragma once

#include <signal.h>

#include <string>

#include "app/Document.h"
#include "app/FrameWnd.h"
#include "app/View.h"

namespace voxmill::cli {

class StderrProgressFrame : public CFrameWnd {
public:
    StderrProgressFrame();

    void DestroyWindow() override {}
    CView* GetActiveView() const override { return nullptr; }
    void SetStatusText(int pane, const std::string& text) override;
    void SetProgressRange(unsigned steps) override;
    void StepProgress() override;
    void HideProgress() override;
    bool CancelRequested() const override;

private:
    void Draw(bool always);

    bool m_tty;
    std::string m_text;
    unsigned m_steps = 0, m_pos = 0;
    int m_shownTenth = -1;
    bool m_visible = false;
};

// Ctrl-C asks the run in progress to stop while this lives.
class InterruptCancels {
public:
    InterruptCancels();
    ~InterruptCancels();
    InterruptCancels(const InterruptCancels&) = delete;
    InterruptCancels& operator=(const InterruptCancels&) = delete;

private:
    struct sigaction m_previous {};
};

class ProgressView : public CView {
public:
    explicit ProgressView(CFrameWnd& frame) { SetParentFrame(&frame); }
    ~ProgressView() override { DetachFromDocument(); }
};

// The operator reports to stderr while this lives.
class ScopedProgress {
public:
    explicit ScopedProgress(CDocument& op) : m_op(op) { m_op.AddView(&m_view); }
    ~ScopedProgress() { m_op.RemoveView(&m_view); }
    ScopedProgress(const ScopedProgress&) = delete;
    ScopedProgress& operator=(const ScopedProgress&) = delete;

private:
    CDocument& m_op;
    InterruptCancels m_interrupt;
    StderrProgressFrame m_frame;
    ProgressView m_view{m_frame};
};

}  // namespace voxmill::cli
