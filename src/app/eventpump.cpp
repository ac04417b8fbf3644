#include "eventpump.h"

#include <QCoreApplication>

#include <atomic>
#include <chrono>

namespace tw::app {

namespace {
constexpr auto kPumpInterval = std::chrono::milliseconds(15);
} // namespace

void pumpEvents()
{
    using Clock = std::chrono::steady_clock;
    // The one piece of state: when the event loop last ran from here.
    static std::atomic<Clock::rep> lastPass{0};
    const Clock::rep now = Clock::now().time_since_epoch().count();
    const Clock::rep interval = std::chrono::duration_cast<Clock::duration>(kPumpInterval).count();
    if (now - lastPass.load(std::memory_order_relaxed) < interval) {
        return;
    }
    QCoreApplication::processEvents();
    lastPass.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed);
}

} // namespace tw::app
