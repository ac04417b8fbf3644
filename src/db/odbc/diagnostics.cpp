#include "db/odbc/diagnostics.h"

#include <vector>

namespace tw::db::odbc {

namespace {

constexpr SQLSMALLINT kMaxDiagnostics = 32;

} // namespace

std::optional<Error> diagnosticRecord(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT record)
{
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    std::vector<SQLCHAR> message(4096);
    SQLSMALLINT length = 0;
    auto read = [&] {
        return SQLGetDiagRec(type,
                             handle,
                             record,
                             state,
                             &native,
                             message.data(),
                             static_cast<SQLSMALLINT>(message.size()),
                             &length);
    };
    const SQLRETURN rc = read();
    if (rc == SQL_NO_DATA || !SQL_SUCCEEDED(rc)) {
        return std::nullopt;
    }
    if (length >= static_cast<SQLSMALLINT>(message.size())) {
        message.resize(static_cast<std::size_t>(length) + 1);
        read();
    }
    return Error(reinterpret_cast<const char *>(message.data()),
                 reinterpret_cast<const char *>(state),
                 native);
}

void raise(SQLSMALLINT type, SQLHANDLE handle, const std::string &fallback)
{
    std::string description;
    std::string firstState;
    long firstNative = 0;
    for (SQLSMALLINT record = 1; record <= kMaxDiagnostics; ++record) {
        const std::optional<Error> error = diagnosticRecord(type, handle, record);
        if (!error) {
            break;
        }
        if (record == 1) {
            firstState = error->sqlState();
            firstNative = error->nativeError();
        }
        if (!description.empty()) {
            description += '\n';
        }
        description += error->what();
    }
    throw Error(description.empty() ? fallback : description, firstState, firstNative);
}

void check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const char *what)
{
    if (!SQL_SUCCEEDED(rc)) {
        raise(type, handle, what);
    }
}

} // namespace tw::db::odbc
