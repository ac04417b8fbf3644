#pragma once

// SQLGetData: a cell of the current row in the C type the caller asks for, converted the way
// the DB2 CLI converts it, with its errors and warnings.

#include "handles.h"

namespace db2emu::odbc {

// Character and binary targets come in pieces (01004 while more is left, then SQL_NO_DATA);
// a fixed-size target is given once. Text is UTF-8, and UTF-16 for SQL_C_WCHAR.
SQLRETURN getData(Statement &stmt,
                  SQLUSMALLINT number,
                  SQLSMALLINT target,
                  SQLPOINTER buffer,
                  SQLLEN size,
                  SQLLEN *indicator);

} // namespace db2emu::odbc
