#include "python/RunMonitor.h"

namespace py = pybind11;

namespace voxmill::python {

RunMonitor::RunMonitor(py::object progress)
    : m_progress(std::move(progress)), m_runThread(std::this_thread::get_id()) {
    if (!m_progress.is_none() && !PyCallable_Check(m_progress.ptr()))
        throw py::type_error("progress must be a callable taking (step, count, caption), or None");
}

void RunMonitor::OnStep(unsigned step, unsigned count, const std::string& caption) {
    const bool runThread = std::this_thread::get_id() == m_runThread;
    std::exception_ptr stop;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        stop = m_stop;
    }
    if (!stop) {
        py::gil_scoped_acquire gil;
        try {
            if (!m_progress.is_none()) m_progress(step, count, caption);
            // Signal handlers run only on the main thread; elsewhere this
            // returns 0 and the run goes on.
            if (runThread && PyErr_CheckSignals() != 0) throw py::error_already_set();
        } catch (...) {
            stop = std::current_exception();
        }
    }
    if (!stop) return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_stop) m_stop = stop;
    }
    // Throwing on another thread would end the process.
    if (runThread) std::rethrow_exception(stop);
}

void RunMonitor::Finish() {
    std::exception_ptr stop;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::swap(stop, m_stop);
    }
    if (stop) std::rethrow_exception(stop);
}

}  // namespace voxmill::python
