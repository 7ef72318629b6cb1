#include "python/Errors.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "app/Document.h"

namespace py = pybind11;

namespace voxmill::python {

void ThrowFileNotFound(const std::string& path, const std::string& what) {
    const std::string message = what.empty() ? std::string(std::strerror(ENOENT)) : what;
    PyErr_SetObject(PyExc_FileNotFoundError,
                    py::make_tuple(ENOENT, message, py::str(path)).ptr());
    throw py::error_already_set();
}

void ThrowOsError(const std::string& path, const std::string& what) {
    PyErr_SetObject(PyExc_OSError, py::make_tuple(EIO, path + ": " + what, py::str(path)).ptr());
    throw py::error_already_set();
}

void ThrowValueError(const std::string& message) { throw py::value_error(message); }

void ThrowRuntimeError(const std::string& message) {
    PyErr_SetString(PyExc_RuntimeError, message.c_str());
    throw py::error_already_set();
}

void OpenDocumentFrom(CDocument& doc, const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) ThrowFileNotFound(path);
    ForFile(path, [&] { doc.Open(path); });
}

void SaveDocumentTo(CDocument& doc, const std::string& path) {
    try {
        doc.Save(path);
    } catch (const CFileException& e) {
        ThrowOsError(path, e.what());
    } catch (const std::exception& e) {
        ThrowOsError(path, e.what());
    }
}

std::string PathText(const py::handle& path) {
    return py::str(py::module_::import("os").attr("fspath")(path)).cast<std::string>();
}

bool IsPath(const py::handle& object) {
    return py::isinstance<py::str>(object) || py::hasattr(object, "__fspath__");
}

}  // namespace voxmill::python
