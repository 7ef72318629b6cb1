#include "app/archive/ErrorSink.h"

#include <mutex>
#include <utility>

namespace voxmill {
namespace {

std::mutex& SinkMutex() {
    static std::mutex mutex;
    return mutex;
}

ErrorSinkFn& Sink() {
    static ErrorSinkFn sink;
    return sink;
}

thread_local std::string t_lastError;
thread_local CErrorCapture* t_capture = nullptr;

}  // namespace

ErrorSinkFn SetErrorSink(ErrorSinkFn sink) {
    std::lock_guard lock(SinkMutex());
    ErrorSinkFn previous = std::move(Sink());
    Sink() = std::move(sink);
    return previous;
}

void ReportError(const std::string& message) {
    t_lastError = message;
    if (t_capture) {
        t_capture->Hold(message);
        return;
    }
    ErrorSinkFn sink;
    {
        std::lock_guard lock(SinkMutex());
        sink = Sink();
    }
    if (sink) sink(message);
}

const std::string& LastReportedError() { return t_lastError; }

void ClearLastReportedError() { t_lastError.clear(); }

CErrorCapture::CErrorCapture() : m_pPrevious(t_capture) { t_capture = this; }

CErrorCapture::~CErrorCapture() {
    t_capture = m_pPrevious;
    for (const std::string& message : m_messages) ReportError(message);
}

std::vector<std::string> CErrorCapture::Take() { return std::exchange(m_messages, {}); }

}  // namespace voxmill
