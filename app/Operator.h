// The base of the documents that work on a target (projector,
// backprojector, processor): progress and timing of a run, shown in the
// frame of the operator's first view (status pane 0 and the progress bar).
//
// Runs are synchronous on the calling thread and may be cancelled at a
// step boundary: the run loops ask CancelRequested after every step.
// Each step is timed from the end of the previous one (the first from
// BeginRun) with millisecond resolution taken from a 100 ns file-time
// clock; when the announced number of steps is reached the mean and the
// standard deviation per step replace the step text. The clock is
// injectable so that runs can be timed exactly in tests.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "app/Document.h"

namespace voxmill {

class CFrameWnd;

// Broken-down UTC time, as a SYSTEMTIME holds it.
struct CSystemTime {
    std::uint16_t wYear = 1601;
    std::uint16_t wMonth = 1;  // 1 = January
    std::uint16_t wDayOfWeek = 1;  // 0 = Sunday
    std::uint16_t wDay = 1;
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;
};

class COperator : public CDocument {
    VOXMILL_DECLARE_DYNAMIC(COperator)

public:
    // 100 ns units since 1601-01-01 UTC.
    using Clock = std::function<std::uint64_t()>;

    COperator();
    ~COperator() override;

    // Announces a run of `steps` steps: shows the progress bar and `text`.
    virtual void BeginRun(unsigned steps, const std::string& text);
    // One step done: times it, advances the bar, and after the last
    // announced step shows the average time per step.
    virtual void Step();

    // Asks the run in progress to stop at its next step (a front end's
    // cancel without a frame: a signal, a script). Safe from a signal
    // handler. The request stands until a run honours it.
    void RequestCancel() { m_bCancelRequested = true; }
    // Whether the run should stop now: asked through RequestCancel or the
    // Cancel of the frame that shows the progress. Every run loop asks
    // after each step.
    bool CancelRequested() const;
    // Ends a run that stopped on request: hides the progress, says so in
    // the status pane, and clears the request.
    void EndCancelledRun();
    // Drops a request that came too late for the run to honour it.
    void DropCancelRequest() { m_bCancelRequested = false; }
    static constexpr const char* kCancelledText = "Cancelled";

    // Replaces the clock (null restores the system clock).
    void SetClock(Clock clock);
    // The text last put in status pane 0, also kept without a view.
    const std::string& GetStatusText() const { return m_strStatusText; }

    static std::uint64_t SystemFileTime();
    static CSystemTime FileTimeToSystemTime(std::uint64_t fileTime);
    // "Average time: %d ± %d ms / step".
    static std::string FormatAverageTime(std::int64_t meanMs, std::int64_t sdMs);

    // What a target's source does once an operator took the target over
    // (the link result of a target drag): the document loses its windows
    // and its place in its template's list, keeps its template pointer, and
    // is no longer auto-deleted, so that the operator owns it.
    static void ReleaseLinkedTarget(CDocument& target);

    std::string m_strStepText;
    std::uint32_t m_nStep = 0;
    std::uint32_t m_nSteps = 0;
    CSystemTime m_timeNow;
    CSystemTime m_timeLast;
    std::uint64_t m_ftNow = 0;
    std::uint64_t m_ftLast = 0;
    std::int64_t m_sumMs = 0;
    std::int64_t m_sumSqMs = 0;

private:
    CFrameWnd* ProgressFrame() const;
    void ShowStatus(CFrameWnd* frame, const std::string& text);
    std::uint64_t Now() const;

    Clock m_clock;
    std::string m_strStatusText;
    std::atomic<bool> m_bCancelRequested{false};
};

}  // namespace voxmill
