#pragma once

#include <functional>

namespace tw::transfer {

// What long work shows and asks while it runs: the window stays responsive, the bar follows
// the rows, the pointer says the program is busy, and the work learns when it must stop.
class Progress
{
public:
    virtual ~Progress() = default;

    // Lets the window process its pending events. The operations call it once per row and
    // before each long step; it costs a clock read between two real passes.
    virtual void tick() = 0;
    // True once the work must stop where it is: the window was closed, or the command line
    // was told to end. The statement in flight finishes; nothing new is begun.
    virtual bool stopping() const = 0;
    // The share of the current table's rows already started, in percent, with its fraction.
    virtual void set(double percent) = 0;
    // Back to 0, with the bar's own text.
    virtual void reset() = 0;
    // The hourglass while a handler works; the default pointer when it ends.
    virtual void busy(bool on) = 0;

protected:
    Progress() = default;
    Progress(const Progress &) = default;
    Progress &operator=(const Progress &) = default;
};

// The pump of long work inside the database layer: a tick that throws app::WorkStopped once
// the work must stop.
std::function<void()> stoppingPump(Progress &progress);

} // namespace tw::transfer
