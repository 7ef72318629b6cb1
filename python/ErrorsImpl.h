// Template bodies of Errors.h.
#pragma once

#include <stdexcept>

#include "app/archive/ArchiveException.h"

namespace voxmill::python {

template <class F>
void ForFile(const std::string& path, F&& operation) {
    try {
        operation();
    } catch (const CFileException& e) {
        ThrowOsError(path, e.what());
    } catch (const pybind11::error_already_set&) {
        throw;
    } catch (const pybind11::builtin_exception&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        ThrowValueError(path + ": " + e.what());
    }
}

}  // namespace voxmill::python
