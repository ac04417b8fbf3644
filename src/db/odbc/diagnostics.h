#pragma once

// What an ODBC call that failed says: its handle's diagnostic records, as db::Error.

#include "db/error.h"

#include <sql.h>
#include <sqlext.h>

#include <optional>
#include <string>

namespace tw::db::odbc {

// Throws db::Error with every diagnostic record of the handle, as the driver words it, or
// `fallback` when it has none.
[[noreturn]] void raise(SQLSMALLINT type, SQLHANDLE handle, const std::string &fallback);

// Throws as raise() unless `rc` is a success.
void check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const char *what);

// One diagnostic record (from 1) as an error; nothing when the handle has no such record.
std::optional<Error> diagnosticRecord(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record);

} // namespace tw::db::odbc
