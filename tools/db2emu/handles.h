#pragma once

// The driver's handles, and the one body behind each entry point: the ANSI calls (driver.cpp)
// and the wide ones (wide.cpp) both call these, never each other and never an exported SQL*
// function, so a client linked with the driver manager always reaches the driver's own code.
// Texts are UTF-8 here.

#include "config.h"
#include "diagnostics.h"
#include "engine.h"
#include "statement.h"

#include <sql.h>
#include <sqlext.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace db2emu::odbc {

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

// A parameter as SQLBindParameter bound it.
struct Binding
{
    SQLSMALLINT cType = SQL_C_CHAR;
    SQLSMALLINT sqlType = SQL_VARCHAR;
    SQLPOINTER buffer = nullptr;
    SQLLEN bufferLength = 0;
    SQLLEN *indicator = nullptr;
};

// An execution waiting for values sent with SQLPutData: the parameter set it is at, the
// values of that set, the markers still to come and the bytes of the one being sent.
struct PendingExecution
{
    SQLULEN row = 0;
    bool collected = false; // the set's values are read from the bound buffers
    std::vector<Literal> values;
    std::vector<SQLUSMALLINT> waiting; // markers whose values come at execution
    bool announced = false;            // SQLParamData named waiting.front()
    bool putAny = false;
    bool putNull = false;
    std::string data;
    SQLULEN failed = 0;
    long long changed = 0;
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
    std::map<SQLINTEGER, SQLPOINTER> attributes; // as SQLSetStmtAttr set them
    std::optional<PreparedStatement> prepared;
    std::string preparedText;
    std::map<SQLUSMALLINT, Binding> parameters;
    std::optional<PendingExecution> pending;
};

// A counted string argument (SQL_NTS: up to the NUL); null gives "".
std::string text(const SQLCHAR *chars, SQLINTEGER length);
// A catalog argument: absent when null.
std::optional<std::string> catalogArgument(const SQLCHAR *chars, SQLSMALLINT length);

// One line of the driver's log (CONNECT, EXEC, TABLES, ...), when the configuration names one.
void logLine(const Config &config, const std::string &kind, const std::string &detail);
// Gets a connection ready for a statement of that kind (EXEC, TABLES...): clears the
// statement, logs, counts it and injects the configured faults.
SQLRETURN beginStatement(Statement &stmt, const std::string &kind, const std::string &sql);
void takeResult(Statement &stmt, std::unique_ptr<ResultSet> result);
// Runs the prepared statement with its bound parameters, every parameter set of the array.
SQLRETURN runPrepared(Statement &stmt);

// The error every call on a connection whose line dropped gets.
Db2Error lineDropped(const std::string &location);
// The line to the server is gone: the server rolls back the open unit of work.
void dropLine(Connection &connection);

// Handles and their attributes.
SQLRETURN allocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE *output);
SQLRETURN freeHandle(SQLSMALLINT type, SQLHANDLE handle);
SQLRETURN setConnectAttr(Connection &connection, SQLINTEGER attribute, SQLPOINTER value);
SQLRETURN getConnectAttr(Connection &connection, SQLINTEGER attribute, SQLPOINTER value);
SQLRETURN setStmtAttr(Statement &stmt, SQLINTEGER attribute, SQLPOINTER value);
SQLRETURN getStmtAttr(Statement &stmt, SQLINTEGER attribute, SQLPOINTER value);

// Connections (connect.cpp).
SQLRETURN connect(Connection &connection, const std::string &input);
SQLRETURN disconnect(Connection &connection);
SQLRETURN endTran(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT completion);

// Statements and their results.
SQLRETURN execute(Statement &stmt, const std::string &sql);
// Prepared statements, their parameters and arrays of them (params.cpp).
SQLRETURN prepareStatement(Statement &stmt, const std::string &sql);
SQLRETURN executePrepared(Statement &stmt);
SQLRETURN bindParameter(Statement &stmt, SQLUSMALLINT number, const Binding &binding);
SQLRETURN numParams(Statement &stmt, SQLSMALLINT *count);
SQLRETURN paramData(Statement &stmt, SQLPOINTER *value);
SQLRETURN putData(Statement &stmt, SQLPOINTER data, SQLLEN length);
// Ends an execution still waiting for data: the rows it ran stay or go as the array's
// atomicity says.
void abandonExecution(Statement &stmt);
SQLRETURN listTables(Statement &stmt, const CatalogFilter &filter);
SQLRETURN listColumns(Statement &stmt, const CatalogFilter &filter);
SQLRETURN listPrimaryKeys(Statement &stmt, const std::string &schema, const std::string &table);
SQLRETURN listStatistics(Statement &stmt, const std::string &schema, const std::string &table);
SQLRETURN numResultCols(Statement &stmt, SQLSMALLINT *count);
SQLRETURN fetch(Statement &stmt);
SQLRETURN rowCount(Statement &stmt, SQLLEN *count);
// SQL_CLOSE closes the cursor (SQLCloseCursor too); SQL_DROP frees the statement.
SQLRETURN freeStatement(Statement *stmt, SQLUSMALLINT option);

// Descriptions (describe.cpp), their texts put by `put`.
SQLRETURN describeColumn(Statement &stmt,
                         SQLUSMALLINT number,
                         TextOut name,
                         SQLSMALLINT *type,
                         SQLULEN *size,
                         SQLSMALLINT *digits,
                         SQLSMALLINT *nullable);
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

} // namespace db2emu::odbc
