// One FFTW plan, owned: made and destroyed under the planner mutex, since
// FFTW's planner may not run on two threads at once. Construction throws
// std::bad_alloc when FFTW cannot make the plan.
#pragma once

#include <mutex>
#include <new>

#include "fft/FftwLibrary.h"

namespace voxmill {

class CFftwPlan {
public:
    // make() is called with the planner mutex held and returns the plan or null.
    template <typename Make>
    explicit CFftwPlan(Make make)
    {
        CFftwLibrary& fftw = CFftwLibrary::Instance();
        std::lock_guard<std::mutex> lock(fftw.PlannerMutex());
        m_plan = make(fftw);
        if (m_plan == nullptr)
            throw std::bad_alloc();
        ++fftw.LivePlans();
    }
    ~CFftwPlan()
    {
        CFftwLibrary& fftw = CFftwLibrary::Instance();
        std::lock_guard<std::mutex> lock(fftw.PlannerMutex());
        fftw.DestroyPlan(m_plan);
        --fftw.LivePlans();
    }
    CFftwPlan(const CFftwPlan&) = delete;
    CFftwPlan& operator=(const CFftwPlan&) = delete;

    void Execute() const { CFftwLibrary::Instance().Execute(m_plan); }
    // A real-to-real plan on other arrays, aligned like the ones it was made on.
    void Execute(float* in, float* out) const { CFftwLibrary::Instance().ExecuteR2r(m_plan, in, out); }

private:
    CFftwLibrary::Plan m_plan = nullptr;
};

} // namespace voxmill
