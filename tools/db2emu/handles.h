#pragma once

// The driver's handles and what every entry point shares: diagnostics, the connection and its
// injected faults, and the calls the ANSI and the wide entry points both make, in UTF-8.

#include "config.h"
#include "engine.h"

#include <sql.h>
#include <sqlext.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace db2emu::odbc {

struct Diagnostics
{
    std::vector<Db2Error> records;
};

struct Environment
{
    Diagnostics diag;
};

struct Connection
{
    Diagnostics diag;
    std::unique_ptr<Database> database;
    Config config;
    long statements = 0;
    long rowsFetched = 0;
    bool dropped = false;
    bool autoCommit = true;
    bool lobsAsLong = false; // LongDataCompat=1
    std::string location = "127.0.0.1";
};

struct Statement
{
    Connection *connection = nullptr;
    Diagnostics diag;
    std::unique_ptr<ResultSet> result;
    std::vector<Cell> row;
    bool onRow = false;
    std::vector<std::size_t> readOffset; // per column: how much SQLGetData has handed out
    // A value SQLGetData converted for a character target, kept while it is read in pieces.
    std::string converted;
    SQLUSMALLINT convertedColumn = 0;
    SQLSMALLINT convertedTarget = 0;
    SQLLEN rowCount = -1;
};

// A counted string argument (SQL_NTS: up to the NUL); null gives "".
std::string text(const SQLCHAR *chars, SQLINTEGER length);

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

Diagnostics *diagnosticsOf(SQLSMALLINT type, SQLHANDLE handle);

// The error every call on a connection whose line dropped gets.
Db2Error lineDropped(const std::string &location);
// The line to the server is gone: the server rolls back the open unit of work.
void dropLine(Connection &connection);

// The calls behind both entry points of a pair, their texts in UTF-8.
SQLRETURN connect(Connection &connection, const std::string &input);
SQLRETURN execute(Statement &stmt, const std::string &sql);
SQLRETURN listTables(Statement &stmt, const CatalogFilter &filter);
SQLRETURN listColumns(Statement &stmt, const CatalogFilter &filter);

// A text answer's buffer, its size, where its length goes and how it is written.
struct TextOut
{
    SQLPOINTER buffer;
    SQLSMALLINT size;
    SQLSMALLINT *length;
    PutText put;
};

// SQLDescribeCol and SQLGetDiagRec (whose SQLSTATE `put` writes into six characters).
SQLRETURN describeColumn(Statement &stmt,
                         SQLUSMALLINT number,
                         TextOut name,
                         SQLSMALLINT *type,
                         SQLULEN *size,
                         SQLSMALLINT *digits,
                         SQLSMALLINT *nullable);
SQLRETURN diagRecord(SQLSMALLINT type,
                     SQLHANDLE handle,
                     SQLSMALLINT record,
                     SQLPOINTER state,
                     SQLINTEGER *native,
                     TextOut message);
// SQLColAttribute, SQLGetInfo and SQLGetDiagField, their texts put by `put`.
SQLRETURN columnAttribute(Statement &stmt,
                          SQLUSMALLINT number,
                          SQLUSMALLINT field,
                          SQLPOINTER character,
                          SQLSMALLINT size,
                          SQLSMALLINT *length,
                          SQLLEN *numeric,
                          PutText put);
SQLRETURN info(Connection &connection,
               SQLUSMALLINT type,
               SQLPOINTER value,
               SQLSMALLINT size,
               SQLSMALLINT *length,
               PutText put);
SQLRETURN diagField(SQLSMALLINT type,
                    SQLHANDLE handle,
                    SQLSMALLINT record,
                    SQLSMALLINT field,
                    SQLPOINTER info,
                    SQLSMALLINT size,
                    SQLSMALLINT *length,
                    PutText put);

// A catalog argument: absent when null.
std::optional<std::string> catalogArgument(const SQLCHAR *chars, SQLSMALLINT length);

} // namespace db2emu::odbc
