// What a result's columns are and what the server is, as the CLI describes them.

#include "handles.h"

namespace db2emu::odbc {

namespace {

// The column SQLDescribeCol and SQLColAttribute describe; null after reporting 07009.
const Column *describedColumn(Statement &stmt, SQLUSMALLINT number)
{
    if (!stmt.result || number < 1 || number > stmt.result->columns().size()) {
        cliError(stmt.diag, "07009", 2, "Invalid descriptor index.");
        return nullptr;
    }
    return &stmt.result->columns()[number - 1];
}

} // namespace

SQLRETURN describeColumn(Statement &stmt,
                         SQLUSMALLINT number,
                         TextOut name,
                         SQLSMALLINT *type,
                         SQLULEN *size,
                         SQLSMALLINT *digits,
                         SQLSMALLINT *nullable)
{
    const Column *column = describedColumn(stmt, number);
    if (column == nullptr) {
        return SQL_ERROR;
    }
    name.put(column->name, name.buffer, name.size, name.length);
    if (type != nullptr) {
        *type = static_cast<SQLSMALLINT>(column->odbcType(stmt.connection->lobsAsLong));
    }
    if (size != nullptr) {
        *size = static_cast<SQLULEN>(column->columnSize());
    }
    if (digits != nullptr) {
        *digits = static_cast<SQLSMALLINT>(column->decimalDigits());
    }
    if (nullable != nullptr) {
        *nullable = column->nullable ? SQL_NULLABLE : SQL_NO_NULLS;
    }
    return SQL_SUCCESS;
}

SQLRETURN columnAttribute(Statement &stmt,
                          SQLUSMALLINT number,
                          SQLUSMALLINT field,
                          SQLPOINTER character,
                          SQLSMALLINT size,
                          SQLSMALLINT *length,
                          SQLLEN *numeric,
                          PutText put)
{
    const Column *described = describedColumn(stmt, number);
    if (described == nullptr) {
        return SQL_ERROR;
    }
    const Column &column = *described;
    SQLLEN value = 0;
    switch (field) {
    case SQL_DESC_NAME:
    case SQL_DESC_LABEL:
    case SQL_COLUMN_NAME:
        put(column.name, character, size, length);
        return SQL_SUCCESS;
    case SQL_DESC_TYPE_NAME:
        put(column.typeName(), character, size, length);
        return SQL_SUCCESS;
    case SQL_DESC_TYPE:
    case SQL_DESC_CONCISE_TYPE:
        value = column.odbcType(stmt.connection->lobsAsLong);
        break;
    case SQL_DESC_OCTET_LENGTH:
        value = static_cast<SQLLEN>(column.octetLength());
        break;
    case SQL_DESC_LENGTH:
    case SQL_DESC_DISPLAY_SIZE:
    case SQL_DESC_PRECISION:
    case SQL_COLUMN_LENGTH:
    case SQL_COLUMN_PRECISION:
        value = static_cast<SQLLEN>(column.columnSize());
        break;
    case SQL_DESC_SCALE:
    case SQL_COLUMN_SCALE:
        value = column.decimalDigits();
        break;
    case SQL_DESC_NULLABLE:
        value = column.nullable ? SQL_NULLABLE : SQL_NO_NULLS;
        break;
    default:
        value = 0;
        break;
    }
    if (numeric != nullptr) {
        *numeric = value;
    }
    return SQL_SUCCESS;
}

SQLRETURN info(Connection &connection,
               SQLUSMALLINT type,
               SQLPOINTER value,
               SQLSMALLINT size,
               SQLSMALLINT *length,
               PutText put)
{
    auto string = [&](const char *text) {
        put(text, value, size, length);
        return SQL_SUCCESS;
    };
    switch (type) {
    case SQL_DBMS_NAME:
        return string("DB2/LINUXX8664");
    case SQL_DBMS_VER:
        return string("11.05.0900");
    case SQL_DRIVER_ODBC_VER:
        return string("03.51");
    case SQL_DRIVER_NAME:
        return string("libdb2o.so");
    case SQL_IDENTIFIER_QUOTE_CHAR:
        return string("\"");
    default:
        return cliError(connection.diag, "HY096", 24, "Information type out of range.");
    }
}

} // namespace db2emu::odbc
