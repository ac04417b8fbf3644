// The ODBC entry points of the emulator, loaded by unixODBC as "IBM DB2 ODBC DRIVER".

#include "config.h"
#include "core/text.h"
#include "engine.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using namespace db2emu;

namespace {

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
    SQLLEN rowCount = -1;
};

std::string text(SQLCHAR *chars, SQLINTEGER length)
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

// The error every call on a connection whose line dropped gets.
Db2Error lineDropped(const std::string &location)
{
    return communicationError(location, "recv", "\"104\", \"*\", \"0\"", "40003");
}

// Copies text into an ODBC output buffer, truncating; true when it fitted.
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

std::string formatReal(double value)
{
    char buffer[64];
    for (int precision = 15; precision <= 17; ++precision) {
        std::snprintf(buffer, sizeof buffer, "%.*g", precision, value);
        if (std::strtod(buffer, nullptr) == value) {
            break;
        }
    }
    return buffer;
}

std::string hex(const std::string &bytes)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        out += digits[static_cast<unsigned char>(c) >> 4];
        out += digits[static_cast<unsigned char>(c) & 0xF];
    }
    return out;
}

// The line to the server is gone: the server rolls back the open unit of work.
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
    auto &connection = *static_cast<Connection *>(handle);
    connection.diag.records.clear();
    const std::string input = text(in, inLength);
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
    if (outLength != nullptr || out != nullptr) {
        putString(input, out, outSize, outLength);
    }
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLDisconnect(SQLHDBC handle)
{
    static_cast<Connection *>(handle)->database.reset();
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLExecDirect(SQLHSTMT handle, SQLCHAR *sqlText, SQLINTEGER length)
{
    auto &stmt = *static_cast<Statement *>(handle);
    const std::string sql = text(sqlText, length);
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

SQLRETURN SQL_API SQLTables(SQLHSTMT handle,
                            SQLCHAR *,
                            SQLSMALLINT,
                            SQLCHAR *,
                            SQLSMALLINT,
                            SQLCHAR *,
                            SQLSMALLINT,
                            SQLCHAR *,
                            SQLSMALLINT)
{
    auto &stmt = *static_cast<Statement *>(handle);
    if (const SQLRETURN rc = beginStatement(stmt, "TABLES", ""); rc != SQL_SUCCESS) {
        return rc;
    }
    try {
        takeResult(stmt, stmt.connection->database->tables());
        return SQL_SUCCESS;
    } catch (const Db2Exception &e) {
        return fail(stmt.diag, e.error());
    }
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
    auto &stmt = *static_cast<Statement *>(handle);
    if (!stmt.result || number < 1 || number > stmt.result->columns().size()) {
        return cliError(stmt.diag, "07009", 2, "Invalid descriptor index.");
    }
    const Column &column = stmt.result->columns()[number - 1];
    putString(column.name, name, nameSize, nameLength);
    if (type != nullptr) {
        *type = static_cast<SQLSMALLINT>(column.odbcType());
    }
    if (size != nullptr) {
        *size = static_cast<SQLULEN>(column.columnSize());
    }
    if (digits != nullptr) {
        *digits = static_cast<SQLSMALLINT>(column.decimalDigits());
    }
    if (nullable != nullptr) {
        *nullable = SQL_NULLABLE;
    }
    return SQL_SUCCESS;
}

SQLRETURN SQL_API SQLColAttribute(SQLHSTMT handle,
                                  SQLUSMALLINT number,
                                  SQLUSMALLINT field,
                                  SQLPOINTER character,
                                  SQLSMALLINT size,
                                  SQLSMALLINT *length,
                                  SQLLEN *numeric)
{
    auto &stmt = *static_cast<Statement *>(handle);
    if (!stmt.result || number < 1 || number > stmt.result->columns().size()) {
        return cliError(stmt.diag, "07009", 2, "Invalid descriptor index.");
    }
    const Column &column = stmt.result->columns()[number - 1];
    SQLLEN value = 0;
    switch (field) {
    case SQL_DESC_NAME:
    case SQL_DESC_LABEL:
    case SQL_COLUMN_NAME:
        putString(column.name, static_cast<SQLCHAR *>(character), size, length);
        return SQL_SUCCESS;
    case SQL_DESC_TYPE_NAME:
        putString(column.type, static_cast<SQLCHAR *>(character), size, length);
        return SQL_SUCCESS;
    case SQL_DESC_TYPE:
    case SQL_DESC_CONCISE_TYPE:
        value = column.odbcType();
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
    auto &stmt = *static_cast<Statement *>(handle);
    if (!stmt.onRow) {
        return cliError(stmt.diag, "24000", 115, "Invalid cursor state.");
    }
    if (number < 1 || number > stmt.row.size()) {
        return cliError(stmt.diag, "07009", 2, "Invalid descriptor index.");
    }
    const Cell &cell = stmt.row[number - 1];
    std::size_t &offset = stmt.readOffset[number - 1];
    if (cell.kind == Cell::Kind::Null) {
        if (indicator == nullptr) {
            return cliError(stmt.diag, "22002", 3, "Indicator variable required but not supplied.");
        }
        *indicator = SQL_NULL_DATA;
        return SQL_SUCCESS;
    }
    auto numeric = [&](auto converted) -> SQLRETURN {
        if (buffer != nullptr) {
            std::memcpy(buffer, &converted, sizeof converted);
        }
        if (indicator != nullptr) {
            *indicator = sizeof converted;
        }
        return SQL_SUCCESS;
    };
    double real = cell.kind == Cell::Kind::Integer ? static_cast<double>(cell.integer)
                  : cell.kind == Cell::Kind::Real  ? cell.real
                                                   : std::strtod(cell.bytes.c_str(), nullptr);
    long long integer = cell.kind == Cell::Kind::Integer ? cell.integer
                        : cell.kind == Cell::Kind::Real
                            ? static_cast<long long>(cell.real)
                            : std::strtoll(cell.bytes.c_str(), nullptr, 10);
    switch (target) {
    case SQL_C_SBIGINT:
        return numeric(static_cast<SQLBIGINT>(integer));
    case SQL_C_SLONG:
    case SQL_C_LONG:
        return numeric(static_cast<SQLINTEGER>(integer));
    case SQL_C_SSHORT:
    case SQL_C_SHORT:
        return numeric(static_cast<SQLSMALLINT>(integer));
    case SQL_C_DOUBLE:
        return numeric(real);
    case SQL_C_FLOAT:
        return numeric(static_cast<float>(real));
    case SQL_C_CHAR:
    case SQL_C_BINARY:
    case SQL_C_DEFAULT:
        break;
    default:
        return cliError(stmt.diag, "HYC00", 4, "Optional feature not implemented.");
    }
    std::string whole;
    switch (cell.kind) {
    case Cell::Kind::Integer:
        whole = std::to_string(cell.integer);
        break;
    case Cell::Kind::Real:
        whole = formatReal(cell.real);
        break;
    case Cell::Kind::Blob:
        whole = target == SQL_C_CHAR ? hex(cell.bytes) : cell.bytes;
        break;
    default:
        whole = cell.bytes;
        break;
    }
    if (offset > 0 && offset >= whole.size()) {
        return SQL_NO_DATA;
    }
    const std::size_t left = whole.size() - offset;
    const bool terminate = target == SQL_C_CHAR;
    const std::size_t room = size <= 0 ? 0 : static_cast<std::size_t>(size) - (terminate ? 1 : 0);
    const std::size_t count = std::min(left, room);
    if (buffer != nullptr && size > 0) {
        std::memcpy(buffer, whole.data() + offset, count);
        if (terminate) {
            static_cast<char *>(buffer)[count] = '\0';
        }
    }
    if (indicator != nullptr) {
        *indicator = static_cast<SQLLEN>(left);
    }
    offset += count;
    if (count < left) {
        stmt.diag.records.push_back(
            {"01004", 0, "[IBM][CLI Driver] CLI0002W  Data truncated. SQLSTATE=01004"});
        return SQL_SUCCESS_WITH_INFO;
    }
    if (whole.empty()) {
        offset = 1; // a second call on an empty value has nothing more
    }
    return SQL_SUCCESS;
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
    auto &connection = *static_cast<Connection *>(handle);
    auto string = [&](const char *text) {
        putString(text, static_cast<SQLCHAR *>(value), size, length);
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

SQLRETURN SQL_API SQLGetDiagRec(SQLSMALLINT type,
                                SQLHANDLE handle,
                                SQLSMALLINT record,
                                SQLCHAR *state,
                                SQLINTEGER *native,
                                SQLCHAR *message,
                                SQLSMALLINT size,
                                SQLSMALLINT *length)
{
    Diagnostics *diag = diagnosticsOf(type, handle);
    if (diag == nullptr) {
        return SQL_INVALID_HANDLE;
    }
    if (record < 1 || static_cast<std::size_t>(record) > diag->records.size()) {
        return SQL_NO_DATA;
    }
    const Db2Error &error = diag->records[static_cast<std::size_t>(record) - 1];
    if (state != nullptr) {
        std::memcpy(
            state, error.odbcState.c_str(), std::min<std::size_t>(error.odbcState.size(), 5) + 1);
    }
    if (native != nullptr) {
        *native = error.sqlCode;
    }
    return putString(error.message, message, size, length) ? SQL_SUCCESS : SQL_SUCCESS_WITH_INFO;
}

SQLRETURN SQL_API SQLGetDiagField(SQLSMALLINT type,
                                  SQLHANDLE handle,
                                  SQLSMALLINT record,
                                  SQLSMALLINT field,
                                  SQLPOINTER info,
                                  SQLSMALLINT size,
                                  SQLSMALLINT *length)
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
        putString(error.odbcState, static_cast<SQLCHAR *>(info), size, length);
        return SQL_SUCCESS;
    case SQL_DIAG_NATIVE:
        if (info != nullptr) {
            *static_cast<SQLINTEGER *>(info) = error.sqlCode;
        }
        return SQL_SUCCESS;
    case SQL_DIAG_MESSAGE_TEXT:
        return putString(error.message, static_cast<SQLCHAR *>(info), size, length)
                   ? SQL_SUCCESS
                   : SQL_SUCCESS_WITH_INFO;
    case SQL_DIAG_CLASS_ORIGIN:
    case SQL_DIAG_SUBCLASS_ORIGIN:
        putString("ISO 9075", static_cast<SQLCHAR *>(info), size, length);
        return SQL_SUCCESS;
    case SQL_DIAG_CONNECTION_NAME:
    case SQL_DIAG_SERVER_NAME:
        putString("", static_cast<SQLCHAR *>(info), size, length);
        return SQL_SUCCESS;
    default:
        return SQL_ERROR;
    }
}

} // extern "C"
