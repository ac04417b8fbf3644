#pragma once

// Diagnostics as the IBM CLI driver gives them, and how a call hands a text out: in UTF-8 for
// the ANSI entry points, in UTF-16 for the wide ones.

#include "engine.h"

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <vector>

namespace db2emu::odbc {

struct Diagnostics
{
    std::vector<Db2Error> records;
};

SQLRETURN fail(Diagnostics &diag, Db2Error error);
// A CLI error "[IBM][CLI Driver] CLInnnnE  text SQLSTATE=state".
SQLRETURN
cliError(Diagnostics &diag, const std::string &state, int number, const std::string &text);
// A CLI warning (CLInnnnW) added to the statement's diagnostics.
void cliWarning(Diagnostics &diag, const std::string &state, int number, const std::string &text);

// Copies text into an ODBC output buffer, truncating; true when it fitted.
bool putString(const std::string &value, SQLCHAR *out, SQLSMALLINT size, SQLSMALLINT *length);

// Where a call with a text answer puts it: sizes in bytes, true when it fitted. putText
// writes UTF-8; the wide calls write UTF-16.
using PutText = bool (*)(const std::string &value,
                         SQLPOINTER out,
                         SQLSMALLINT size,
                         SQLSMALLINT *length);
bool putText(const std::string &value, SQLPOINTER out, SQLSMALLINT size, SQLSMALLINT *length);

// A text answer's buffer, its size, where its length goes and how it is written.
struct TextOut
{
    SQLPOINTER buffer;
    SQLSMALLINT size;
    SQLSMALLINT *length;
    PutText put;
};

// The diagnostics of a handle of the given type; null for no handle.
Diagnostics *diagnosticsOf(SQLSMALLINT type, SQLHANDLE handle);

// SQLGetDiagRec (its SQLSTATE written into six characters) and SQLGetDiagField.
SQLRETURN diagRecord(SQLSMALLINT type,
                     SQLHANDLE handle,
                     SQLSMALLINT record,
                     SQLPOINTER state,
                     SQLINTEGER *native,
                     TextOut message);
SQLRETURN diagField(SQLSMALLINT type,
                    SQLHANDLE handle,
                    SQLSMALLINT record,
                    SQLSMALLINT field,
                    SQLPOINTER info,
                    SQLSMALLINT size,
                    SQLSMALLINT *length,
                    PutText put);

} // namespace db2emu::odbc
