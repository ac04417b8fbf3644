#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <thread>

namespace tw {

// Runs one long system call (an fsync, the removal of a large file) on a thread of its own
// while this thread keeps calling `pump`, so a window stays responsive. Returns what `work`
// returns. A pump that throws is let through once `work` has finished.
template <class Work> auto whilePumping(Work work, const std::function<void()> &pump)
{
    if (!pump) {
        return work();
    }
    std::packaged_task<decltype(work())()> task(std::move(work));
    auto done = task.get_future();
    std::thread worker(std::move(task));
    try {
        while (done.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) {
            pump();
        }
    } catch (...) {
        worker.join();
        throw;
    }
    worker.join();
    return done.get();
}

} // namespace tw
