#pragma once

#include <QIcon>

namespace tw::app {

// The program's icon, two tables and an arrow between them: the PNGs the build draws from the
// desktop entry's SVG at the usual sizes, built into the program.
QIcon applicationIcon();

} // namespace tw::app
