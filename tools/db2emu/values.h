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
// The same, with `digits` (0 to 12) fraction digits: more are cut off, fewer padded.
std::string timestampWith(const std::string &literal, int digits);

// A DECFLOAT of `digits` (16 or 34) digits in its string form (IEEE's scientific string:
// "123.4500", "1.2E+400", "Infinity", "NaN"), rounded half to even; throws Db2Exception
// where DB2 refuses the text (22018) or its value (22003).
std::string decfloatFrom(const std::string &literal, int digits);

// The cell a literal gives in a column of that type; throws Db2Exception (22001, 22007,
// 22008, 22018, 22003...) where DB2 refuses it.
Cell convert(const Literal &value, const Column &column);

// The value a column takes where an INSERT gives none (or DEFAULT): its default, NULL
// without one.
Cell defaultCell(const Column &column);

// Refuses a default that does not fit its column, or an identity column that is not a whole
// number (SQL0574N, 42894).
void checkDefault(const Column &column);

} // namespace db2emu
