#pragma once

#include <QIcon>

namespace tw::app {

// The program's icon, two tables and an arrow between them, painted at the usual sizes (the
// same drawing as the desktop entry's SVG, which Qt cannot read without its SVG module).
QIcon applicationIcon();

} // namespace tw::app
