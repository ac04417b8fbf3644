// The ANSI ODBC entry points of the emulator, loaded by unixODBC as "IBM DB2 ODBC DRIVER".
// Their texts are UTF-8, the database code page; wide.cpp has the UTF-16 ones.

#include "getdata.h"
#include "handles.h"

using namespace db2emu;
using namespace db2emu::odbc;

extern "C" {

SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE *output)
{
    if (output == nullptr) {
        return SQL_ERROR;
    }
    try {
        switch (type) {
        case SQL_HANDLE_ENV:
            *output = new Environment;
            return SQL_SUCCESS;
        case SQL_HANDLE_DBC:
            *output = new Connection;
            return SQL_SUCCESS;
        case SQL_HANDLE_STMT: {
            auto *stmt = new Statement;
            stmt->connection = static_cast<Connection *>(input);
            *output = stmt;
            return SQL_SUCCESS;
        }
        default:
            return SQL_ERROR;
        }
    } catch (...) {
        return SQL_ERROR;
    }
}

SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle)
{
    switch (type) {
    case SQL_HANDLE_ENV:
        delete static_cast<Environment *>(handle);
        return SQL_SUCCESS;
    case SQL_HANDLE_DBC:
        delete static_cast<Connection *>(handle);
        return SQL_SUCCESS;
    case SQL_HANDLE_STMT:
        delete static_cast<Statement *>(handle);
        return SQL_SUCCESS;
    default:
        return SQL_INVALID_HANDLE;
    }
}

SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV, SQLINTEGER, SQLPOINTER, SQLINTEGER)
{
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC handle,
                                    SQLINTEGER attribute,
                                    SQLPOINTER value,
                                    SQLINTEGER)
{
    auto &connection = *static_cast<Connection *>(handle);
    connection.diag.records.clear();
    if (attribute == SQL_ATTR_AUTOCOMMIT) {
        const bool on = reinterpret_cast<SQLULEN>(value) == SQL_AUTOCOMMIT_ON;
        connection.autoCommit = on;
        if (connection.database && !connection.dropped) {
            try {
                connection.database->setAutoCommit(on);
            } catch (const Db2Exception &e) {
                return fail(connection.diag, e.error());
            }
        }
    }
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT, SQLINTEGER, SQLPOINTER, SQLINTEGER)
{
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLDriverConnect(SQLHDBC handle,
                                   SQLHWND,
                                   SQLCHAR *in,
                                   SQLSMALLINT inLength,
                                   SQLCHAR *out,
                                   SQLSMALLINT outSize,
                                   SQLSMALLINT *outLength,
                                   SQLUSMALLINT)
{
    const std::string input = text(in, inLength);
    const SQLRETURN rc = connect(*static_cast<Connection *>(handle), input);
    if (rc == SQL_SUCCESS) {
        putString(input, out, outSize, outLength);
    }
    return rc;
}

SQLRETURN SQL_API SQLDisconnect(SQLHDBC handle)
{
    static_cast<Connection *>(handle)->database.reset();
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLExecDirect(SQLHSTMT handle, SQLCHAR *sqlText, SQLINTEGER length)
{
    return execute(*static_cast<Statement *>(handle), text(sqlText, length));
}

SQLRETURN SQL_API SQLTables(SQLHSTMT handle,
                            SQLCHAR *,
                            SQLSMALLINT,
                            SQLCHAR *schema,
                            SQLSMALLINT schemaLength,
                            SQLCHAR *table,
                            SQLSMALLINT tableLength,
                            SQLCHAR *types,
                            SQLSMALLINT typesLength)
{
    return listTables(*static_cast<Statement *>(handle),
                      {catalogArgument(schema, schemaLength),
                       catalogArgument(table, tableLength),
                       std::nullopt,
                       catalogArgument(types, typesLength)});
}

SQLRETURN SQL_API SQLColumns(SQLHSTMT handle,
                             SQLCHAR *,
                             SQLSMALLINT,
                             SQLCHAR *schema,
                             SQLSMALLINT schemaLength,
                             SQLCHAR *table,
                             SQLSMALLINT tableLength,
                             SQLCHAR *column,
                             SQLSMALLINT columnLength)
{
    return listColumns(*static_cast<Statement *>(handle),
                       {catalogArgument(schema, schemaLength),
                        catalogArgument(table, tableLength),
                        catalogArgument(column, columnLength),
                        std::nullopt});
}

SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT handle, SQLSMALLINT *count)
{
    auto &stmt = *static_cast<Statement *>(handle);
    if (count != nullptr) {
        *count = stmt.result ? static_cast<SQLSMALLINT>(stmt.result->columns().size()) : 0;
    }
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLDescribeCol(SQLHSTMT handle,
                                 SQLUSMALLINT number,
                                 SQLCHAR *name,
                                 SQLSMALLINT nameSize,
                                 SQLSMALLINT *nameLength,
                                 SQLSMALLINT *type,
                                 SQLULEN *size,
                                 SQLSMALLINT *digits,
                                 SQLSMALLINT *nullable)
{
    return describeColumn(*static_cast<Statement *>(handle),
                          number,
                          {name, nameSize, nameLength, putText},
                          type,
                          size,
                          digits,
                          nullable);
}

SQLRETURN SQL_API SQLColAttribute(SQLHSTMT handle,
                                  SQLUSMALLINT number,
                                  SQLUSMALLINT field,
                                  SQLPOINTER character,
                                  SQLSMALLINT size,
                                  SQLSMALLINT *length,
                                  SQLLEN *numeric)
{
    return columnAttribute(*static_cast<Statement *>(handle),
                           number,
                           field,
                           character,
                           size,
                           length,
                           numeric,
                           putText);
}

SQLRETURN SQL_API SQLFetch(SQLHSTMT handle)
{
    auto &stmt = *static_cast<Statement *>(handle);
    if (!stmt.result) {
        return cliError(stmt.diag, "24000", 115, "Invalid cursor state.");
    }
    Connection &connection = *stmt.connection;
    if (connection.config.dropAfterRows > 0 &&
        connection.rowsFetched >= connection.config.dropAfterRows) {
        dropLine(connection);
    }
    if (connection.dropped) {
        return fail(stmt.diag, lineDropped(connection.location));
    }
    ++connection.rowsFetched;
    try {
        stmt.onRow = stmt.result->next(stmt.row);
    } catch (const Db2Exception &e) {
        return fail(stmt.diag, e.error());
    }
    std::fill(stmt.readOffset.begin(), stmt.readOffset.end(), 0);
    return stmt.onRow ? SQL_SUCCESS : SQL_NO_DATA;
}

SQLRETURN SQL_API SQLGetData(SQLHSTMT handle,
                             SQLUSMALLINT number,
                             SQLSMALLINT target,
                             SQLPOINTER buffer,
                             SQLLEN size,
                             SQLLEN *indicator)
{
    return getData(*static_cast<Statement *>(handle), number, target, buffer, size, indicator);
}

SQLRETURN SQL_API SQLRowCount(SQLHSTMT handle, SQLLEN *count)
{
    if (count != nullptr) {
        *count = static_cast<Statement *>(handle)->rowCount;
    }
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT handle, SQLUSMALLINT option)
{
    auto *stmt = static_cast<Statement *>(handle);
    if (option == SQL_DROP) {
        delete stmt;
        return SQL_SUCCESS;
    }
    if (option == SQL_CLOSE) {
        stmt->result.reset();
        stmt->onRow = false;
    }
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLCloseCursor(SQLHSTMT handle)
{
    return SQLFreeStmt(handle, SQL_CLOSE);
}

SQLRETURN SQL_API SQLMoreResults(SQLHSTMT)
{
    return SQL_NO_DATA;
}

SQLRETURN SQL_API SQLEndTran(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT completion)
{
    if (type != SQL_HANDLE_DBC) {
        return SQL_SUCCESS;
    }
    auto &connection = *static_cast<Connection *>(handle);
    connection.diag.records.clear();
    if (!connection.database) {
        return cliError(connection.diag, "08003", 106, "Connection is closed.");
    }
    if (connection.dropped) {
        return fail(connection.diag, lineDropped(connection.location));
    }
    try {
        connection.database->endUnit(completion == SQL_COMMIT);
    } catch (const Db2Exception &e) {
        return fail(connection.diag, e.error());
    }
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLGetInfo(
    SQLHDBC handle, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT size, SQLSMALLINT *length)
{
    return info(*static_cast<Connection *>(handle), type, value, size, length, putText);
}

SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT type,
                                SQLHANDLE handle,
                                SQLSMALLINT record,
                                SQLCHAR *state,
                                SQLINTEGER *native,
                                SQLCHAR *message,
                                SQLSMALLINT size,
                                SQLSMALLINT *length)
{
    return diagRecord(type, handle, record, state, native, {message, size, length, putText});
}

SQLRETURN SQL_API SQLGetDiagField(SQLSMALLINT type,
                                  SQLHANDLE handle,
                                  SQLSMALLINT record,
                                  SQLSMALLINT field,
                                  SQLPOINTER info,
                                  SQLSMALLINT size,
                                  SQLSMALLINT *length)
{
    return diagField(type, handle, record, field, info, size, length, putText);
}

} // extern "C"
