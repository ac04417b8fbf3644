// The ANSI ODBC entry points of the emulator, loaded by unixODBC as "IBM DB2 ODBC DRIVER".
// Their texts are UTF-8, the database code page; wide.cpp has the UTF-16 ones.

#include "getdata.h"
#include "handles.h"

using namespace db2emu::odbc;

extern "C" {

SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE *output)
{
    return allocHandle(type, input, output);
}

SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle)
{
    return freeHandle(type, handle);
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
    return setConnectAttr(*static_cast<Connection *>(handle), attribute, value);
}

SQLRETURN SQL_API
SQLGetConnectAttr(SQLHDBC handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER, SQLINTEGER *)
{
    return getConnectAttr(*static_cast<Connection *>(handle), attribute, value);
}

SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT handle,
                                 SQLINTEGER attribute,
                                 SQLPOINTER value,
                                 SQLINTEGER)
{
    return setStmtAttr(*static_cast<Statement *>(handle), attribute, value);
}

SQLRETURN SQL_API
SQLGetStmtAttr(SQLHSTMT handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER, SQLINTEGER *)
{
    return getStmtAttr(*static_cast<Statement *>(handle), attribute, value);
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
    return disconnect(*static_cast<Connection *>(handle));
}

SQLRETURN SQL_API SQLExecDirect(SQLHSTMT handle, SQLCHAR *sqlText, SQLINTEGER length)
{
    return execute(*static_cast<Statement *>(handle), text(sqlText, length));
}

SQLRETURN SQL_API SQLPrepare(SQLHSTMT handle, SQLCHAR *sqlText, SQLINTEGER length)
{
    return prepareStatement(*static_cast<Statement *>(handle), text(sqlText, length));
}

SQLRETURN SQL_API SQLExecute(SQLHSTMT handle)
{
    return executePrepared(*static_cast<Statement *>(handle));
}

SQLRETURN SQL_API SQLBindParameter(SQLHSTMT handle,
                                   SQLUSMALLINT number,
                                   SQLSMALLINT,
                                   SQLSMALLINT cType,
                                   SQLSMALLINT sqlType,
                                   SQLULEN,
                                   SQLSMALLINT,
                                   SQLPOINTER buffer,
                                   SQLLEN bufferLength,
                                   SQLLEN *indicator)
{
    return bindParameter(*static_cast<Statement *>(handle),
                         number,
                         {cType, sqlType, buffer, bufferLength, indicator});
}

SQLRETURN SQL_API SQLNumParams(SQLHSTMT handle, SQLSMALLINT *count)
{
    return numParams(*static_cast<Statement *>(handle), count);
}

SQLRETURN SQL_API SQLParamData(SQLHSTMT handle, SQLPOINTER *value)
{
    return paramData(*static_cast<Statement *>(handle), value);
}

SQLRETURN SQL_API SQLPutData(SQLHSTMT handle, SQLPOINTER data, SQLLEN length)
{
    return putData(*static_cast<Statement *>(handle), data, length);
}

SQLRETURN SQL_API SQLCancel(SQLHSTMT handle)
{
    abandonExecution(*static_cast<Statement *>(handle));
    return SQL_SUCCESS;
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

SQLRETURN SQL_API SQLPrimaryKeys(SQLHSTMT handle,
                                 SQLCHAR *,
                                 SQLSMALLINT,
                                 SQLCHAR *schema,
                                 SQLSMALLINT schemaLength,
                                 SQLCHAR *table,
                                 SQLSMALLINT tableLength)
{
    return listPrimaryKeys(
        *static_cast<Statement *>(handle), text(schema, schemaLength), text(table, tableLength));
}

SQLRETURN SQL_API SQLStatistics(SQLHSTMT handle,
                                SQLCHAR *,
                                SQLSMALLINT,
                                SQLCHAR *schema,
                                SQLSMALLINT schemaLength,
                                SQLCHAR *table,
                                SQLSMALLINT tableLength,
                                SQLUSMALLINT,
                                SQLUSMALLINT)
{
    return listStatistics(
        *static_cast<Statement *>(handle), text(schema, schemaLength), text(table, tableLength));
}

SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT handle, SQLSMALLINT *count)
{
    return numResultCols(*static_cast<Statement *>(handle), count);
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
    return fetch(*static_cast<Statement *>(handle));
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
    return rowCount(*static_cast<Statement *>(handle), count);
}

SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT handle, SQLUSMALLINT option)
{
    return freeStatement(static_cast<Statement *>(handle), option);
}

SQLRETURN SQL_API SQLCloseCursor(SQLHSTMT handle)
{
    return freeStatement(static_cast<Statement *>(handle), SQL_CLOSE);
}

SQLRETURN SQL_API SQLMoreResults(SQLHSTMT)
{
    return SQL_NO_DATA;
}

SQLRETURN SQL_API SQLEndTran(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT completion)
{
    return endTran(type, handle, completion);
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
