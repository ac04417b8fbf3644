#pragma once

// Literals converted to a column's type the way DB2 converts them, with DB2's errors.

#include "statement.h"

namespace db2emu {

// A DB2 string representation of a date, a time or a timestamp in the ISO form the emulation
// keeps ("yyyy-mm-dd", "hh:mm:ss", "yyyy-mm-dd hh:mm:ss.ffffff"); throws Db2Exception (22007)
// where DB2 refuses it. Dates: ISO yyyy-mm-dd, USA mm/dd/yyyy, EUR dd.mm.yyyy, month and day
// with or without a leading zero. Times: hh:mm:ss or hh.mm.ss. Timestamps: a date, then "-",
// " " or "T", a time and up to twelve fraction digits; or a date alone.
std::string dateFrom(const std::string &literal);
std::string timeFrom(const std::string &literal);
std::string timestampFrom(const std::string &literal);

// The cell a literal gives in a column of that type; throws Db2Exception (22001, 22007,
// 22008, 22018, 22003...) where DB2 refuses it.
Cell convert(const Literal &value, const Column &column);

} // namespace db2emu
