#include "app/archive/ErrorSink.h"

#include <mutex>

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

}  // namespace

ErrorSinkFn SetErrorSink(ErrorSinkFn sink) {
    std::lock_guard lock(SinkMutex());
    ErrorSinkFn previous = std::move(Sink());
    Sink() = std::move(sink);
    return previous;
}

void ReportError(const std::string& message) {
    t_lastError = message;
    ErrorSinkFn sink;
    {
        std::lock_guard lock(SinkMutex());
        sink = Sink();
    }
    if (sink) sink(message);
}

const std::string& LastReportedError() { return t_lastError; }

void ClearLastReportedError() { t_lastError.clear(); }

}  // namespace voxmill
