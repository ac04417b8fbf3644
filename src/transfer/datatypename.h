#pragma once

#include <QString>

#include <cstdint>

namespace tw::transfer {

// The name of a data type code ("adInteger", ...); the empty text for a code without one. The
// copies choose their column types by fragments of it.
QString DataTypeName(std::int16_t code);

} // namespace tw::transfer
