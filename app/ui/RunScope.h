// An operator run on screen, for as long as it lasts: the run button
// disabled and the wait cursor shown, the frame's Cancel armed, and every
// other piece of user input dropped.
//
// Progress steps handle all pending events (so the window repaints and a
// click on Cancel arrives); this scope's application-wide filter swallows
// mouse, key, wheel, shortcut, drag and drop, context-menu and close events
// for every widget except the frame's Cancel button and a dialog the run
// itself opens (a grab prompt). Dropped, not queued: nothing the user did
// during the run acts after it, and no window (the main one included)
// closes meanwhile. One run at a time: Active() tells whether one is on.
#pragma once

#include <QObject>
#include <QPointer>

#include "app/ui/BusyScope.h"

class QPushButton;

namespace voxmill {

class CFrameWnd;
class COperatorChildFrame;

class RunScope : public QObject {
public:
    // `frame` is the window that shows the run's progress (an operator
    // frame; anything else gets no Cancel).
    RunScope(QPushButton* runButton, CFrameWnd* frame);
    ~RunScope() override;
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

    static bool Active();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Reaches(QObject* receiver) const;

    BusyScope m_busy;
    QPointer<COperatorChildFrame> m_pFrame;
};

}  // namespace voxmill
