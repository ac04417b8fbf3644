#include "handles.h"

#include "core/text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace db2emu::odbc {

namespace {

// One line per connect attempt or statement, with backslash, CR and LF escaped.
void logLine(const Config &config, const std::string &kind, const std::string &detail)
{
    if (config.log.empty()) {
        return;
    }
    std::string line = kind + " ";
    for (const char c : detail) {
        switch (c) {
        case '\\':
            line += "\\\\";
            break;
        case '\n':
            line += "\\n";
            break;
        case '\r':
            line += "\\r";
            break;
        default:
            line += c;
        }
    }
    line += '\n';
    const int fd = ::open(config.log.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) {
        std::size_t done = 0;
        while (done < line.size()) {
            const ssize_t wrote = ::write(fd, line.data() + done, line.size() - done);
            if (wrote <= 0) {
                break;
            }
            done += static_cast<std::size_t>(wrote);
        }
        ::close(fd);
    }
}

Db2Error communicationError(const std::string &location,
                            const char *function,
                            const char *codes,
                            const char *sqlState)
{
    return makeError(
        -30081,
        "A communication error has been detected. Communication protocol being used: \"TCP/IP\".  "
        "Communication API being used: \"SOCKETS\".  Location where the error was detected: \"" +
            location + "\".  Communication function detecting the error: \"" + function +
            "\".  Protocol specific error code(s): " + codes + ".",
        sqlState,
        std::string(sqlState) == "40003" ? "08S01" : sqlState,
        true);
}

// Gets a connection ready for a statement, counting it and injecting the configured faults.
SQLRETURN beginStatement(Statement &stmt, const std::string &kind, const std::string &sql)
{
    Connection &connection = *stmt.connection;
    stmt.diag.records.clear();
    stmt.result.reset();
    stmt.onRow = false;
    stmt.rowCount = -1;
    logLine(connection.config, kind, sql);
    if (!connection.database) {
        return cliError(stmt.diag, "08003", 106, "Connection is closed.");
    }
    if (kind != "EXEC") {
        return connection.dropped ? fail(stmt.diag, lineDropped(connection.location)) : SQL_SUCCESS;
    }
    ++connection.statements;
    if (connection.config.dropAfter > 0 && connection.statements > connection.config.dropAfter) {
        dropLine(connection);
    }
    if (connection.dropped) {
        return fail(stmt.diag, lineDropped(connection.location));
    }
    if (connection.config.failStatement == connection.statements) {
        return fail(stmt.diag,
                    makeError(-901,
                              "The SQL statement or command failed because of a database system "
                              "error. (Reason \"injected fault\".)",
                              "58004"));
    }
    return SQL_SUCCESS;
}

void takeResult(Statement &stmt, std::unique_ptr<ResultSet> result)
{
    stmt.result = std::move(result);
    stmt.readOffset.assign(stmt.result ? stmt.result->columns().size() : 0, 0);
}

} // namespace

Db2Error lineDropped(const std::string &location)
{
    return communicationError(location, "recv", "\"104\", \"*\", \"0\"", "40003");
}

void dropLine(Connection &connection)
{
    if (!connection.dropped && connection.database) {
        try {
            connection.database->endUnit(false);
        } catch (const Db2Exception &) {
        }
    }
    connection.dropped = true;
}

std::string text(const SQLCHAR *chars, SQLINTEGER length)
{
    if (chars == nullptr) {
        return {};
    }
    if (length == SQL_NTS) {
        return reinterpret_cast<const char *>(chars);
    }
    return std::string(reinterpret_cast<const char *>(chars),
                       static_cast<std::size_t>(std::max<SQLINTEGER>(length, 0)));
}

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

SQLRETURN connect(Connection &connection, const std::string &input)
{
    connection.diag.records.clear();
    try {
        connection.config = Config::load();
    } catch (const std::exception &e) {
        return cliError(connection.diag, "HY000", 1032, e.what());
    }
    logLine(connection.config, "CONNECT", input);

    // Keywords as the CLI reads them: split at every ";", names in any letter case.
    std::string database;
    std::string host;
    std::string port;
    std::string protocol;
    std::string user;
    std::string password;
    bool lobsAsLong = false;
    std::size_t at = 0;
    while (at <= input.size()) {
        const std::size_t end = std::min(input.find(';', at), input.size());
        const std::string pair = input.substr(at, end - at);
        at = end + 1;
        const std::size_t equals = pair.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        std::string key = tw::text::upperAscii(pair.substr(0, equals));
        key.erase(0, std::min(key.find_first_not_of(' '), key.size()));
        const std::string value = pair.substr(equals + 1);
        if (key == "DATABASE") {
            database = value;
        } else if (key == "HOSTNAME") {
            host = value;
        } else if (key == "PORT" || key == "SERVICENAME") {
            port = value;
        } else if (key == "PROTOCOL") {
            protocol = value;
        } else if (key == "UID") {
            user = value;
        } else if (key == "PWD") {
            password = value;
        } else if (key == "LONGDATACOMPAT") {
            lobsAsLong = value == "1";
        }
    }

    const Config &config = connection.config;
    if (tw::text::upperAscii(protocol) != "TCPIP" || host.empty() || port.empty()) {
        return fail(connection.diag,
                    makeError(-1013,
                              "The database alias name or database name \"" +
                                  tw::text::upperAscii(database) + "\" could not be found.",
                              "42705",
                              "08001",
                              true));
    }
    auto listed = [](const std::vector<std::string> &names, const std::string &name) {
        return std::any_of(names.begin(), names.end(), [&](const std::string &candidate) {
            return tw::text::upperAscii(candidate) == tw::text::upperAscii(name);
        });
    };
    if (listed(config.unreachable, host)) {
        return fail(
            connection.diag,
            communicationError(host, "selectForConnectTimeout", "\"115\", \"*\", \"*\"", "08001"));
    }
    if (!listed(config.hosts, host)) {
        return fail(
            connection.diag,
            makeError(-1336, "The remote host \"" + host + "\" was not found.", "08001", {}, true));
    }
    if (port != config.port) {
        return fail(
            connection.diag,
            communicationError(connection.location, "connect", "\"111\", \"*\", \"*\"", "08001"));
    }
    const auto found = std::find_if(
        config.databases.begin(), config.databases.end(), [&](const Config::Database &d) {
            return tw::text::upperAscii(d.name) == tw::text::upperAscii(database);
        });
    if (found == config.databases.end()) {
        std::string padded = tw::text::upperAscii(database);
        padded.resize(std::max<std::size_t>(padded.size(), 18), ' ');
        return fail(connection.diag,
                    makeError(-30061,
                              "The database alias or database name \"" + padded +
                                  "\" was not found at the remote node.",
                              "08004",
                              {},
                              true));
    }
    const bool authorised =
        std::any_of(found->users.begin(), found->users.end(), [&](const auto &entry) {
            return tw::text::upperAscii(entry.first) == tw::text::upperAscii(user) &&
                   entry.second == password;
        });
    if (!authorised) {
        return fail(connection.diag,
                    makeError(-30082,
                              "Security processing failed with reason \"24\" (\"USERNAME AND/OR "
                              "PASSWORD INVALID\").",
                              "08001",
                              {},
                              true));
    }
    try {
        connection.database = std::make_unique<Database>(found->file, tw::text::upperAscii(user));
        connection.database->setAutoCommit(connection.autoCommit);
    } catch (const Db2Exception &e) {
        return fail(connection.diag, e.error());
    }
    connection.statements = 0;
    connection.rowsFetched = 0;
    connection.dropped = false;
    connection.lobsAsLong = lobsAsLong;
    return SQL_SUCCESS;
}

SQLRETURN execute(Statement &stmt, const std::string &sql)
{
    if (const SQLRETURN rc = beginStatement(stmt, "EXEC", sql); rc != SQL_SUCCESS) {
        return rc;
    }
    try {
        takeResult(stmt, stmt.connection->database->execute(sql));
        stmt.rowCount = stmt.result ? -1
                                    : (tw::text::upperAscii(sql.substr(
                                           sql.find_first_not_of(" \t\r\n") == std::string::npos
                                               ? 0
                                               : sql.find_first_not_of(" \t\r\n"),
                                           6)) == "INSERT"
                                           ? 1
                                           : -1);
        return SQL_SUCCESS;
    } catch (const Db2Exception &e) {
        return fail(stmt.diag, e.error());
    } catch (const std::exception &e) {
        return cliError(stmt.diag, "HY000", 1001, e.what());
    }
}

SQLRETURN listTables(Statement &stmt, const CatalogFilter &filter)
{
    if (const SQLRETURN rc = beginStatement(stmt, "TABLES", ""); rc != SQL_SUCCESS) {
        return rc;
    }
    try {
        takeResult(stmt, stmt.connection->database->tables(filter));
        return SQL_SUCCESS;
    } catch (const Db2Exception &e) {
        return fail(stmt.diag, e.error());
    }
}

SQLRETURN listColumns(Statement &stmt, const CatalogFilter &filter)
{
    if (const SQLRETURN rc = beginStatement(stmt, "COLUMNS", ""); rc != SQL_SUCCESS) {
        return rc;
    }
    try {
        takeResult(stmt, stmt.connection->database->columns(filter, stmt.connection->lobsAsLong));
        return SQL_SUCCESS;
    } catch (const Db2Exception &e) {
        return fail(stmt.diag, e.error());
    }
}

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
        *nullable = SQL_NULLABLE;
    }
    return SQL_SUCCESS;
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

std::optional<std::string> catalogArgument(const SQLCHAR *chars, SQLSMALLINT length)
{
    if (chars == nullptr) {
        return std::nullopt;
    }
    return text(chars, length);
}

bool putText(const std::string &value, SQLPOINTER out, SQLSMALLINT size, SQLSMALLINT *length)
{
    return putString(value, static_cast<SQLCHAR *>(out), size, length);
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
        put(column.type, character, size, length);
        return SQL_SUCCESS;
    case SQL_DESC_TYPE:
    case SQL_DESC_CONCISE_TYPE:
        value = column.odbcType(stmt.connection->lobsAsLong);
        break;
    case SQL_DESC_LENGTH:
    case SQL_DESC_OCTET_LENGTH:
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
        value = SQL_NULLABLE;
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
    case SQL_DIAG_CONNECTION_NAME:
    case SQL_DIAG_SERVER_NAME:
        put("", info, size, length);
        return SQL_SUCCESS;
    default:
        return SQL_ERROR;
    }
}

} // namespace db2emu::odbc
