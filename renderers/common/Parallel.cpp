#include "renderers/common/Parallel.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <thread>
#include <vector>

namespace voxmill {
namespace {

int ReadDefaultThreads() {
    if (const char* text = std::getenv("VOXMILL_THREADS"); text && *text) {
        char* end = nullptr;
        errno = 0;
        const long value = std::strtol(text, &end, 10);
        if (errno == 0 && end != text && *end == '\0' && value > 0)
            return static_cast<int>(std::min<long>(value, CParallel::kMaxThreads));
    }
    const unsigned hardware = std::thread::hardware_concurrency();
    return std::clamp(static_cast<int>(hardware), 1, CParallel::kMaxThreads);
}

}  // namespace

int CParallel::DefaultThreads() {
    static const int threads = ReadDefaultThreads();
    return threads;
}

void CParallel::For(int count, int threads, const std::function<void(int item, int worker)>& body) {
    if (count <= 0) return;
    threads = std::clamp(threads, 1, std::min(count, kMaxThreads));
    std::atomic<int> next{0};
    auto work = [&](int worker) {
        for (int item = next.fetch_add(1, std::memory_order_relaxed); item < count;
             item = next.fetch_add(1, std::memory_order_relaxed))
            body(item, worker);
    };
    std::vector<std::thread> helpers;
    helpers.reserve(static_cast<std::size_t>(threads - 1));
    for (int worker = 1; worker < threads; ++worker) {
        try {
            helpers.emplace_back(work, worker);
        } catch (const std::system_error&) {
            break;  // fewer threads; the counter hands their items to the others
        }
    }
    work(0);
    for (std::thread& helper : helpers) helper.join();
}

}  // namespace voxmill
