#include "transfer/progress.h"

#include "app/eventpump.h"

namespace tw::transfer {

std::function<void()> stoppingPump(Progress &progress)
{
    return [&progress] {
        progress.tick();
        if (progress.stopping()) {
            throw app::WorkStopped();
        }
    };
}

} // namespace tw::transfer
