#pragma once

// Literals converted to a column's type the way DB2 converts them, with DB2's errors.

#include "statement.h"

namespace db2emu {

// The cell a literal gives in a column of that type; throws Db2Exception (22001, 22007,
// 22008, 22018, 22003...) where DB2 refuses it.
Cell convert(const Literal &value, const Column &column);

} // namespace db2emu
