#include "diagnostics.h"

#include "handles.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace db2emu::odbc {

SQLRETURN fail(Diagnostics &diag, Db2Error error)
{
    diag.records.push_back(std::move(error));
    return SQL_ERROR;
}

SQLRETURN cliError(Diagnostics &diag, const std::string &state, int number, const std::string &text)
{
    char code[16];
    std::snprintf(code, sizeof code, "CLI%04dE", number);
    diag.records.push_back(
        {state,
         -99999,
         "[IBM][CLI Driver] " + std::string(code) + "  " + text + " SQLSTATE=" + state});
    return SQL_ERROR;
}

void cliWarning(Diagnostics &diag, const std::string &state, int number, const std::string &text)
{
    char code[16];
    std::snprintf(code, sizeof code, "CLI%04dW", number);
    diag.records.push_back(
        {state, 0, "[IBM][CLI Driver] " + std::string(code) + "  " + text + " SQLSTATE=" + state});
}

bool putString(const std::string &value, SQLCHAR *out, SQLSMALLINT size, SQLSMALLINT *length)
{
    if (length != nullptr) {
        *length = static_cast<SQLSMALLINT>(std::min<std::size_t>(value.size(), 32767));
    }
    if (out == nullptr || size <= 0) {
        return value.empty();
    }
    const std::size_t count =
        std::min<std::size_t>(value.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(out, value.data(), count);
    out[count] = '\0';
    return count == value.size();
}

bool putText(const std::string &value, SQLPOINTER out, SQLSMALLINT size, SQLSMALLINT *length)
{
    return putString(value, static_cast<SQLCHAR *>(out), size, length);
}

Diagnostics *diagnosticsOf(SQLSMALLINT type, SQLHANDLE handle)
{
    if (handle == nullptr) {
        return nullptr;
    }
    switch (type) {
    case SQL_HANDLE_ENV:
        return &static_cast<Environment *>(handle)->diag;
    case SQL_HANDLE_DBC:
        return &static_cast<Connection *>(handle)->diag;
    case SQL_HANDLE_STMT:
        return &static_cast<Statement *>(handle)->diag;
    default:
        return nullptr;
    }
}

SQLRETURN diagRecord(SQLSMALLINT type,
                     SQLHANDLE handle,
                     SQLSMALLINT record,
                     SQLPOINTER state,
                     SQLINTEGER *native,
                     TextOut message)
{
    const Diagnostics *diag = diagnosticsOf(type, handle);
    if (diag == nullptr) {
        return SQL_INVALID_HANDLE;
    }
    if (record < 1 || static_cast<std::size_t>(record) > diag->records.size()) {
        return SQL_NO_DATA;
    }
    const Db2Error &error = diag->records[static_cast<std::size_t>(record) - 1];
    if (state != nullptr) {
        message.put(error.odbcState.substr(0, 5), state, 6, nullptr);
    }
    if (native != nullptr) {
        *native = error.sqlCode;
    }
    return message.put(error.message, message.buffer, message.size, message.length)
               ? SQL_SUCCESS
               : SQL_SUCCESS_WITH_INFO;
}

SQLRETURN diagField(SQLSMALLINT type,
                    SQLHANDLE handle,
                    SQLSMALLINT record,
                    SQLSMALLINT field,
                    SQLPOINTER info,
                    SQLSMALLINT size,
                    SQLSMALLINT *length,
                    PutText put)
{
    Diagnostics *diag = diagnosticsOf(type, handle);
    if (diag == nullptr) {
        return SQL_INVALID_HANDLE;
    }
    if (field == SQL_DIAG_NUMBER) {
        if (info != nullptr) {
            *static_cast<SQLINTEGER *>(info) = static_cast<SQLINTEGER>(diag->records.size());
        }
        return SQL_SUCCESS;
    }
    if (field == SQL_DIAG_RETURNCODE) {
        if (info != nullptr) {
            *static_cast<SQLRETURN *>(info) = diag->records.empty() ? SQL_SUCCESS : SQL_ERROR;
        }
        return SQL_SUCCESS;
    }
    if (field == SQL_DIAG_ROW_COUNT || field == SQL_DIAG_CURSOR_ROW_COUNT) {
        if (info != nullptr) {
            *static_cast<SQLLEN *>(info) =
                type == SQL_HANDLE_STMT ? static_cast<Statement *>(handle)->rowCount : 0;
        }
        return SQL_SUCCESS;
    }
    if (record < 1 || static_cast<std::size_t>(record) > diag->records.size()) {
        return SQL_NO_DATA;
    }
    const Db2Error &error = diag->records[static_cast<std::size_t>(record) - 1];
    switch (field) {
    case SQL_DIAG_SQLSTATE:
        put(error.odbcState, info, size, length);
        return SQL_SUCCESS;
    case SQL_DIAG_NATIVE:
        if (info != nullptr) {
            *static_cast<SQLINTEGER *>(info) = error.sqlCode;
        }
        return SQL_SUCCESS;
    case SQL_DIAG_MESSAGE_TEXT:
        return put(error.message, info, size, length) ? SQL_SUCCESS : SQL_SUCCESS_WITH_INFO;
    case SQL_DIAG_CLASS_ORIGIN:
    case SQL_DIAG_SUBCLASS_ORIGIN:
        put("ISO 9075", info, size, length);
        return SQL_SUCCESS;
    case SQL_DIAG_ROW_NUMBER:
        if (info != nullptr) {
            *static_cast<SQLLEN *>(info) = error.row > 0 ? error.row : SQL_NO_ROW_NUMBER;
        }
        return SQL_SUCCESS;
    case SQL_DIAG_COLUMN_NUMBER:
        if (info != nullptr) {
            *static_cast<SQLINTEGER *>(info) = SQL_NO_COLUMN_NUMBER;
        }
        return SQL_SUCCESS;
    case SQL_DIAG_CONNECTION_NAME:
    case SQL_DIAG_SERVER_NAME:
        put("", info, size, length);
        return SQL_SUCCESS;
    default:
        return SQL_ERROR;
    }
}

} // namespace db2emu::odbc
