// The `voxmill` extension module: phantoms, acquisition, reconstruction,
// slices, files and exports of the Qt-free core, with numpy arrays.
#include "app/archive/ErrorSink.h"
#include "python/Bindings.h"

namespace py = pybind11;

PYBIND11_MODULE(voxmill, m) {
    m.doc() = R"doc(
Voxmill for scripted cone-beam CT experiments: build a phantom, project it
on a circular acquisition, reconstruct with a renderer plug-in (loaded
through the registry as the workbench does), and read or write every
document as numpy arrays plus a dict of its fields. Results are the same,
bit for bit, as voxmill-cli's.

Arrays handed in as C-contiguous float32 are used in place; volumes and
images handed out own the core's buffer (no copy). Long runs release the
GIL, report to an optional progress(step, count, caption) callable and stop
at the next step on Ctrl-C. Errors are exceptions: FileNotFoundError for a
missing file, ValueError for a malformed file or bad argument (naming the
file and what is wrong), RuntimeError for a renderer failure (naming the
result code).)doc";
    // Messages of the core reach Python as exceptions; keep stderr quiet.
    voxmill::SetErrorSink([](const std::string&) {});
    voxmill::python::BindPhantom(m);
    voxmill::python::BindAcquisition(m);
    voxmill::python::BindReconstruction(m);
    voxmill::python::BindSlices(m);
    voxmill::python::BindSlides(m);
    voxmill::python::BindExports(m);
}
