#pragma once

namespace tw::app {

// Lets the window process its pending events, at most about every 15 ms. Long work calls it
// once per value; between two real passes a call costs one clock read.
void pumpEvents();

} // namespace tw::app
