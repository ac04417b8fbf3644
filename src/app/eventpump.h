#pragma once

#include <stdexcept>

namespace tw::app {

// Thrown from the event pump of long work when the user closed the window while it ran: the
// work stops where it is, without a box, and the program ends.
class WorkStopped : public std::runtime_error
{
public:
    WorkStopped()
        : std::runtime_error("the window was closed")
    {}
};

// Lets the window process its pending events, at most about every 15 ms. Long work calls it
// once per value; between two real passes a call costs one clock read.
void pumpEvents();

} // namespace tw::app
