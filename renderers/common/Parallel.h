// Spreads independent work items (z slabs, detector rows) over threads.
// Items are handed out one at a time from a shared counter, so the split
// depends on timing, never the results: callers give each item work that
// does not depend on which thread runs it.
#pragma once

#include <functional>

namespace voxmill {

class CParallel {
public:
    // The thread count used when a caller does not choose one: the
    // environment variable VOXMILL_THREADS when it holds a positive number,
    // else the hardware's concurrency. Read once per process.
    static int DefaultThreads();

    // Calls body(item, worker) for every item in [0, count), worker being
    // in [0, threads). The calling thread is worker 0; when a thread cannot
    // be started the remaining workers' share runs on the others.
    static void For(int count, int threads, const std::function<void(int item, int worker)>& body);

    // Upper bound on threads, whatever the environment asks for.
    static constexpr int kMaxThreads = 256;
};

}  // namespace voxmill
