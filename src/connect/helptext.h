#pragma once

#include <QString>

namespace tw::connect {

// The connection page's "Help" text: ten lines, each followed by CR CR.
QString helpText();

} // namespace tw::connect
