// Where the core's user-visible messages go ("write error", archive errors).
// The workbench installs a sink that shows message boxes, the CLI one that
// prints to stderr. Without a sink the last message is only remembered.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace voxmill {

using ErrorSinkFn = std::function<void(const std::string& message)>;

// Installs a sink and returns the previous one.
ErrorSinkFn SetErrorSink(ErrorSinkFn sink);
void ReportError(const std::string& message);
// The last message reported on this thread, for tests and the CLI.
const std::string& LastReportedError();
void ClearLastReportedError();

// Holds back what this thread reports while it lives, so that a boundary
// can fold those messages into its own one (a reader's "ReadSection error"
// into the sentence that says which file failed). What is not taken is
// passed on to the sink when the capture ends.
class CErrorCapture {
public:
    CErrorCapture();
    ~CErrorCapture();
    CErrorCapture(const CErrorCapture&) = delete;
    CErrorCapture& operator=(const CErrorCapture&) = delete;

    // The messages held back so far; they are not passed on any more.
    std::vector<std::string> Take();
    void Hold(const std::string& message) { m_messages.push_back(message); }

private:
    std::vector<std::string> m_messages;
    CErrorCapture* m_pPrevious;
};

}  // namespace voxmill
