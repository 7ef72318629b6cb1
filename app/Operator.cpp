#include "app/Operator.h"

#include <chrono>
#include <cmath>
#include <cstdio>

#include "app/DocTemplate.h"
#include "app/DocumentEx.h"
#include "app/FrameWnd.h"
#include "app/View.h"

namespace voxmill {
namespace {

constexpr std::int64_t kTicksPerMs = 10000;
constexpr std::int64_t kTicksPerSecond = 10000000;
// Seconds from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kFileTimeToUnixSeconds = 11644473600LL;

}  // namespace

VOXMILL_IMPLEMENT_DYNAMIC(COperator, CDocument)

COperator::COperator() = default;

COperator::~COperator() = default;

void COperator::SetClock(Clock clock) { m_clock = std::move(clock); }

std::uint64_t COperator::SystemFileTime() {
    using namespace std::chrono;
    const auto sinceUnix = duration_cast<duration<std::int64_t, std::ratio<1, kTicksPerSecond>>>(
        system_clock::now().time_since_epoch());
    return static_cast<std::uint64_t>(sinceUnix.count() + kFileTimeToUnixSeconds * kTicksPerSecond);
}

CSystemTime COperator::FileTimeToSystemTime(std::uint64_t fileTime) {
    using namespace std::chrono;
    const std::int64_t totalMs = static_cast<std::int64_t>(fileTime / kTicksPerMs);
    const std::int64_t msPerDay = 86400000;
    const std::int64_t days1601 = totalMs / msPerDay;
    const std::int64_t msOfDay = totalMs % msPerDay;
    const sys_days day{days{days1601 - kFileTimeToUnixSeconds / 86400}};
    const year_month_day ymd{day};
    const weekday wd{day};

    CSystemTime t;
    t.wYear = static_cast<std::uint16_t>(static_cast<int>(ymd.year()));
    t.wMonth = static_cast<std::uint16_t>(static_cast<unsigned>(ymd.month()));
    t.wDay = static_cast<std::uint16_t>(static_cast<unsigned>(ymd.day()));
    t.wDayOfWeek = static_cast<std::uint16_t>(wd.c_encoding());
    t.wHour = static_cast<std::uint16_t>(msOfDay / 3600000);
    t.wMinute = static_cast<std::uint16_t>(msOfDay / 60000 % 60);
    t.wSecond = static_cast<std::uint16_t>(msOfDay / 1000 % 60);
    t.wMilliseconds = static_cast<std::uint16_t>(msOfDay % 1000);
    return t;
}

std::string COperator::FormatAverageTime(std::int64_t meanMs, std::int64_t sdMs) {
    char text[96];
    std::snprintf(text, sizeof text, "Average time: %lld \u00b1 %lld ms / step", static_cast<long long>(meanMs),
                  static_cast<long long>(sdMs));
    return text;
}

std::uint64_t COperator::Now() const { return m_clock ? m_clock() : SystemFileTime(); }

CFrameWnd* COperator::ProgressFrame() const {
    if (m_viewList.empty()) return nullptr;
    return m_viewList.front()->GetParentFrame();
}

void COperator::ShowStatus(CFrameWnd* frame, const std::string& text) {
    m_strStatusText = text;
    if (frame) frame->SetStatusText(0, text);
}

void COperator::BeginRun(unsigned steps, const std::string& text) {
    m_nSteps = steps;
    m_strStepText = text;
    CFrameWnd* frame = ProgressFrame();
    if (frame) frame->SetProgressRange(steps);
    ShowStatus(frame, m_strStepText);
    m_sumMs = 0;
    m_sumSqMs = 0;
    m_nStep = 0;
    m_ftLast = Now();
    m_timeLast = FileTimeToSystemTime(m_ftLast);
}

void COperator::Step() {
    m_ftNow = Now();
    m_timeNow = FileTimeToSystemTime(m_ftNow);
    // Both ends are truncated to whole milliseconds before subtracting.
    const std::int64_t d = static_cast<std::int64_t>(m_ftNow / kTicksPerMs) -
                           static_cast<std::int64_t>(m_ftLast / kTicksPerMs);
    m_sumMs += d;
    m_sumSqMs += d * d;
    m_timeLast = m_timeNow;
    m_ftLast = m_ftNow;

    CFrameWnd* frame = ProgressFrame();
    if (frame) frame->StepProgress();
    ++m_nStep;

    if (m_nStep == m_nSteps) {
        const std::int64_t n = m_nSteps;
        const std::int64_t mean = m_sumMs / n;
        const std::int64_t meanSq = m_sumSqMs / n;
        // The truncated means can make the variance slightly negative when
        // the clock stepped backwards; never take the root of that.
        const std::int64_t variance = meanSq - mean * mean;
        const std::int64_t sd = variance > 0 ? static_cast<std::int64_t>(std::sqrt(static_cast<double>(variance))) : 0;
        if (frame) frame->HideProgress();
        ShowStatus(frame, FormatAverageTime(mean, sd));
    } else {
        ShowStatus(frame, m_strStepText);
    }
}

bool COperator::CancelRequested() const {
    if (m_bCancelRequested) return true;
    const CFrameWnd* frame = ProgressFrame();
    return frame && frame->CancelRequested();
}

void COperator::EndCancelledRun() {
    m_bCancelRequested = false;
    CFrameWnd* frame = ProgressFrame();
    if (frame) frame->HideProgress();
    ShowStatus(frame, kCancelledText);
}

void COperator::ReleaseLinkedTarget(CDocument& target) {
    target.m_bAutoDelete = false;
    CDocumentEx::CloseAllViews(target);
    if (CDocTemplate* tmpl = target.GetDocTemplate()) {
        tmpl->RemoveDocument(&target);
        target.SetDocTemplate(tmpl);
    }
}

}  // namespace voxmill
