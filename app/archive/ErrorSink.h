// Where the core's user-visible messages go ("write error", archive errors).
// The workbench installs a sink that shows message boxes, the CLI one that
// prints to stderr. Without a sink the last message is only remembered.
#pragma once

#include <functional>
#include <string>

namespace voxmill {

using ErrorSinkFn = std::function<void(const std::string& message)>;

// Installs a sink and returns the previous one.
ErrorSinkFn SetErrorSink(ErrorSinkFn sink);
void ReportError(const std::string& message);
// The last message reported on this thread, for tests and the CLI.
const std::string& LastReportedError();
void ClearLastReportedError();

}  // namespace voxmill
