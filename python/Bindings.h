// The parts of the `voxmill` module, each adding its classes and functions.
#pragma once

#include <pybind11/pybind11.h>

namespace voxmill::python {

void BindPhantom(pybind11::module_& m);
void BindAcquisition(pybind11::module_& m);
void BindReconstruction(pybind11::module_& m);
void BindSlices(pybind11::module_& m);
void BindSlides(pybind11::module_& m);
void BindExports(pybind11::module_& m);

}  // namespace voxmill::python
