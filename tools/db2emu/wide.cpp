// The wide (UTF-16) ODBC entry points the IBM driver exports, for Unicode clients; they
// convert their texts and make the same calls as the ANSI ones.

#include "handles.h"
#include "unicode.h"

#include <algorithm>

using namespace db2emu::odbc;

namespace {

std::optional<std::string> catalogArgument(const SQLWCHAR *chars, SQLSMALLINT length)
{
    if (chars == nullptr) {
        return std::nullopt;
    }
    return utf8(chars, length);
}

// A text answer in UTF-16 where the call counts in characters.
bool putWideCharacters(const std::string &value,
                       SQLPOINTER out,
                       SQLSMALLINT size,
                       SQLSMALLINT *length)
{
    return putWide(value, static_cast<SQLWCHAR *>(out), size, length);
}

// A text answer in UTF-16 where the call counts in bytes.
bool putWideBytes(const std::string &value, SQLPOINTER out, SQLSMALLINT size, SQLSMALLINT *length)
{
    SQLSMALLINT characters = 0;
    const bool fitted = putWide(value,
                                static_cast<SQLWCHAR *>(out),
                                static_cast<SQLSMALLINT>(size / sizeof(SQLWCHAR)),
                                &characters);
    if (length != nullptr) {
        *length = static_cast<SQLSMALLINT>(characters * sizeof(SQLWCHAR));
    }
    return fitted;
}

} // namespace

extern "C" {

// The attributes the driver keeps carry numbers, not texts.
SQLRETURN SQL_API SQLSetConnectAttrW(SQLHDBC handle,
                                     SQLINTEGER attribute,
                                     SQLPOINTER value,
                                     SQLINTEGER)
{
    return setConnectAttr(*static_cast<Connection *>(handle), attribute, value);
}

SQLRETURN SQL_API
SQLGetConnectAttrW(SQLHDBC handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER, SQLINTEGER *)
{
    return getConnectAttr(*static_cast<Connection *>(handle), attribute, value);
}

SQLRETURN SQL_API SQLSetStmtAttrW(SQLHSTMT handle,
                                  SQLINTEGER attribute,
                                  SQLPOINTER value,
                                  SQLINTEGER)
{
    return setStmtAttr(*static_cast<Statement *>(handle), attribute, value);
}

SQLRETURN SQL_API
SQLGetStmtAttrW(SQLHSTMT handle, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER, SQLINTEGER *)
{
    return getStmtAttr(*static_cast<Statement *>(handle), attribute, value);
}

SQLRETURN SQL_API SQLDriverConnectW(SQLHDBC handle,
                                    SQLHWND,
                                    SQLWCHAR *in,
                                    SQLSMALLINT inLength,
                                    SQLWCHAR *out,
                                    SQLSMALLINT outSize,
                                    SQLSMALLINT *outLength,
                                    SQLUSMALLINT)
{
    const std::string input = utf8(in, inLength);
    const SQLRETURN rc = connect(*static_cast<Connection *>(handle), input);
    if (rc == SQL_SUCCESS) {
        putWide(input, out, outSize, outLength);
    }
    return rc;
}

SQLRETURN SQL_API SQLExecDirectW(SQLHSTMT handle, SQLWCHAR *sqlText, SQLINTEGER length)
{
    return execute(*static_cast<Statement *>(handle), utf8(sqlText, length));
}

SQLRETURN SQL_API SQLPrepareW(SQLHSTMT handle, SQLWCHAR *sqlText, SQLINTEGER length)
{
    return prepareStatement(*static_cast<Statement *>(handle), utf8(sqlText, length));
}

SQLRETURN SQL_API SQLTablesW(SQLHSTMT handle,
                             SQLWCHAR *,
                             SQLSMALLINT,
                             SQLWCHAR *schema,
                             SQLSMALLINT schemaLength,
                             SQLWCHAR *table,
                             SQLSMALLINT tableLength,
                             SQLWCHAR *types,
                             SQLSMALLINT typesLength)
{
    return listTables(*static_cast<Statement *>(handle),
                      {catalogArgument(schema, schemaLength),
                       catalogArgument(table, tableLength),
                       std::nullopt,
                       catalogArgument(types, typesLength)});
}

SQLRETURN SQL_API SQLColumnsW(SQLHSTMT handle,
                              SQLWCHAR *,
                              SQLSMALLINT,
                              SQLWCHAR *schema,
                              SQLSMALLINT schemaLength,
                              SQLWCHAR *table,
                              SQLSMALLINT tableLength,
                              SQLWCHAR *column,
                              SQLSMALLINT columnLength)
{
    return listColumns(*static_cast<Statement *>(handle),
                       {catalogArgument(schema, schemaLength),
                        catalogArgument(table, tableLength),
                        catalogArgument(column, columnLength),
                        std::nullopt});
}

SQLRETURN SQL_API SQLPrimaryKeysW(SQLHSTMT handle,
                                  SQLWCHAR *,
                                  SQLSMALLINT,
                                  SQLWCHAR *schema,
                                  SQLSMALLINT schemaLength,
                                  SQLWCHAR *table,
                                  SQLSMALLINT tableLength)
{
    return listPrimaryKeys(*static_cast<Statement *>(handle),
                           catalogArgument(schema, schemaLength).value_or(""),
                           catalogArgument(table, tableLength).value_or(""));
}

SQLRETURN SQL_API SQLStatisticsW(SQLHSTMT handle,
                                 SQLWCHAR *,
                                 SQLSMALLINT,
                                 SQLWCHAR *schema,
                                 SQLSMALLINT schemaLength,
                                 SQLWCHAR *table,
                                 SQLSMALLINT tableLength,
                                 SQLUSMALLINT,
                                 SQLUSMALLINT)
{
    return listStatistics(*static_cast<Statement *>(handle),
                          catalogArgument(schema, schemaLength).value_or(""),
                          catalogArgument(table, tableLength).value_or(""));
}

SQLRETURN SQL_API SQLDescribeColW(SQLHSTMT handle,
                                  SQLUSMALLINT number,
                                  SQLWCHAR *name,
                                  SQLSMALLINT nameSize,
                                  SQLSMALLINT *nameLength,
                                  SQLSMALLINT *type,
                                  SQLULEN *size,
                                  SQLSMALLINT *digits,
                                  SQLSMALLINT *nullable)
{
    return describeColumn(*static_cast<Statement *>(handle),
                          number,
                          {name, nameSize, nameLength, putWideCharacters},
                          type,
                          size,
                          digits,
                          nullable);
}

SQLRETURN SQL_API SQLGetDiagRecW(SQLSMALLINT type,
                                 SQLHANDLE handle,
                                 SQLSMALLINT record,
                                 SQLWCHAR *state,
                                 SQLINTEGER *native,
                                 SQLWCHAR *message,
                                 SQLSMALLINT size,
                                 SQLSMALLINT *length)
{
    return diagRecord(
        type, handle, record, state, native, {message, size, length, putWideCharacters});
}

SQLRETURN SQL_API SQLColAttributeW(SQLHSTMT handle,
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
                           putWideBytes);
}

SQLRETURN SQL_API SQLGetInfoW(
    SQLHDBC handle, SQLUSMALLINT type, SQLPOINTER value, SQLSMALLINT size, SQLSMALLINT *length)
{
    return info(*static_cast<Connection *>(handle), type, value, size, length, putWideBytes);
}

SQLRETURN SQL_API SQLGetDiagFieldW(SQLSMALLINT type,
                                   SQLHANDLE handle,
                                   SQLSMALLINT record,
                                   SQLSMALLINT field,
                                   SQLPOINTER value,
                                   SQLSMALLINT size,
                                   SQLSMALLINT *length)
{
    return diagField(type, handle, record, field, value, size, length, putWideBytes);
}

} // extern "C"
