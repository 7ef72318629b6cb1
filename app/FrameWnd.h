// A window that holds one view of a document: an MDI child in the
// workbench. The core closes frames and reports progress through it.
#pragma once

#include <string>

namespace voxmill {

class CView;

class CFrameWnd {
public:
    virtual ~CFrameWnd() = default;

    // Destroys the window now, with its views (each view leaves its
    // document's list before this returns).
    virtual void DestroyWindow() = 0;
    virtual CView* GetActiveView() const = 0;

    // Operator frames: a status bar with panes and a progress bar over pane 1.
    virtual void SetStatusText(int /*pane*/, const std::string& /*text*/) {}
    virtual void SetProgressRange(unsigned /*steps*/) {}
    virtual void StepProgress() {}
    virtual void HideProgress() {}
    // Whether the user asked the run in progress to stop (the frame's
    // Cancel); runs ask after every step.
    virtual bool CancelRequested() const { return false; }

protected:
    CFrameWnd() = default;
};

}  // namespace voxmill
