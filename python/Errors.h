// How core failures reach Python: a missing input file raises
// FileNotFoundError (with its filename), a malformed one ValueError naming
// the file and what is wrong, a file that cannot be written OSError. Every
// message carries the core's own text.
#pragma once

#include <memory>
#include <string>

#include <pybind11/pybind11.h>

namespace voxmill {
class CDocument;
}

namespace voxmill::python {

// Raises FileNotFoundError for `path` (errno ENOENT, the path as filename).
[[noreturn]] void ThrowFileNotFound(const std::string& path, const std::string& what = {});
// Raises ValueError / RuntimeError with the message as is.
[[noreturn]] void ThrowValueError(const std::string& message);
[[noreturn]] void ThrowRuntimeError(const std::string& message);
// Raises OSError "<path>: <what>" with the path as filename.
[[noreturn]] void ThrowOsError(const std::string& path, const std::string& what);

// Opens `doc` from `path`: FileNotFoundError when there is no such file,
// ValueError "<path>: <what>" when it cannot be read as that document.
void OpenDocumentFrom(CDocument& doc, const std::string& path);

// A fresh document of that class (not auto-deleted) opened from `path`.
template <class Doc>
std::unique_ptr<Doc> OpenDocument(const std::string& path) {
    auto doc = std::make_unique<Doc>();
    doc->m_bAutoDelete = false;
    OpenDocumentFrom(*doc, path);
    return doc;
}

// Saves `doc` to `path` (temporary file, then rename): OSError
// "<path>: <what>" when it cannot be written; the previous file stays.
void SaveDocumentTo(CDocument& doc, const std::string& path);

// Runs an export or another file operation of the core, turning its
// failures into OSError (file errors) or ValueError (everything else),
// both prefixed with `path`.
template <class F>
void ForFile(const std::string& path, F&& operation);

// The text of a str or os.PathLike argument.
std::string PathText(const pybind11::handle& path);
bool IsPath(const pybind11::handle& object);

}  // namespace voxmill::python

#include "python/ErrorsImpl.h"
