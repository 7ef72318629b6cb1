// What a run reports back to Python while the GIL is released: the
// optional `progress(step, count, caption)` callable once per operator
// step, and Ctrl-C. Both happen at a step boundary with the GIL taken back
// for that moment only.
//
// A pending KeyboardInterrupt (or an exception raised by the callable)
// stops the run there: the step throws it on, the run unwinds (its
// documents are freed, nothing is saved) and Python sees the exception.
// A renderer that swallows it, or reports steps from another thread, is
// stopped by the steps that follow, and Finish raises it once the run has
// returned, whatever the run's result.
#pragma once

#include <exception>
#include <mutex>
#include <string>
#include <thread>

#include <pybind11/pybind11.h>

namespace voxmill::python {

class RunMonitor {
public:
    // `progress` may be None. Made and destroyed with the GIL held.
    explicit RunMonitor(pybind11::object progress);
    RunMonitor(const RunMonitor&) = delete;
    RunMonitor& operator=(const RunMonitor&) = delete;

    // One step done; called without the GIL.
    void OnStep(unsigned step, unsigned count, const std::string& caption);
    // After the run returned: raises what stopped it, if anything did.
    void Finish();

private:
    pybind11::object m_progress;
    std::thread::id m_runThread;
    std::mutex m_mutex;
    std::exception_ptr m_stop;
};

// An operator (projector, backprojector) whose steps go to a monitor.
template <class Operator>
class MonitoredOperator : public Operator {
public:
    explicit MonitoredOperator(RunMonitor& monitor) : m_monitor(monitor) {}

    void Step() override {
        Operator::Step();
        m_monitor.OnStep(this->m_nStep, this->m_nSteps, this->m_strStepText);
    }

private:
    RunMonitor& m_monitor;
};

}  // namespace voxmill::python
