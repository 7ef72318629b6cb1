#include "python/Arrays.h"

#include <string>

#include <pybind11/stl.h>

#include "app/Document.h"
#include "imaging/Surface.h"
#include "python/Errors.h"
#include "reconstruction/Volume.h"

namespace py = pybind11;

namespace voxmill::python {

py::array OwningArray(std::unique_ptr<CDocument> owner, float* data, const std::vector<py::ssize_t>& shape) {
    if (!data) return py::array_t<float>(std::vector<py::ssize_t>(shape.size(), 0));
    py::capsule keeper(owner.get(),
                       [](void* document) { delete static_cast<CDocument*>(document); });
    owner.release();
    return py::array_t<float>(shape, data, keeper);
}

py::array VolumeArray(std::unique_ptr<CVolume> volume) {
    float* voxels = volume->GetVoxels();
    const std::vector<py::ssize_t> shape = {volume->GetCountZ(), volume->GetCountY(), volume->GetCountX()};
    return OwningArray(std::move(volume), voxels, shape);
}

py::array SurfaceArray(std::unique_ptr<CSurface> surface) {
    float* pixels = surface->GetPixels();
    const std::vector<py::ssize_t> shape = {surface->GetHeight(), surface->GetWidth()};
    return OwningArray(std::move(surface), pixels, shape);
}

FloatArray FloatInput(const py::handle& object, int dims, const char* what) {
    FloatArray array = FloatArray::ensure(object);
    if (!array) {
        PyErr_Clear();
        ThrowValueError(std::string(what) + " must be an array of numbers");
    }
    if (array.ndim() != dims)
        ThrowValueError(std::string(what) + " must have " + std::to_string(dims) + " dimensions, not " +
                        std::to_string(array.ndim()));
    return array;
}

template <class T>
std::vector<T> Triple(const py::handle& object, const char* what) {
    std::vector<T> values;
    try {
        values = object.cast<std::vector<T>>();
    } catch (const py::cast_error&) {
        ThrowValueError(std::string(what) + " must be three numbers");
    }
    if (values.size() != 3) ThrowValueError(std::string(what) + " must be three numbers");
    return values;
}

template std::vector<double> Triple<double>(const py::handle&, const char*);
template std::vector<int> Triple<int>(const py::handle&, const char*);

}  // namespace voxmill::python
