#include "handles.h"

#include "text/text.h"

#include <algorithm>

namespace db2emu::odbc {

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

std::optional<std::string> catalogArgument(const SQLCHAR *chars, SQLSMALLINT length)
{
    if (chars == nullptr) {
        return std::nullopt;
    }
    return text(chars, length);
}

SQLRETURN allocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE *output)
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

SQLRETURN freeHandle(SQLSMALLINT type, SQLHANDLE handle)
{
    switch (type) {
    case SQL_HANDLE_ENV:
        delete static_cast<Environment *>(handle);
        return SQL_SUCCESS;
    case SQL_HANDLE_DBC:
        delete static_cast<Connection *>(handle);
        return SQL_SUCCESS;
    case SQL_HANDLE_STMT:
        abandonExecution(*static_cast<Statement *>(handle));
        delete static_cast<Statement *>(handle);
        return SQL_SUCCESS;
    default:
        return SQL_INVALID_HANDLE;
    }
}

SQLRETURN setConnectAttr(Connection &connection, SQLINTEGER attribute, SQLPOINTER value)
{
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

SQLRETURN getConnectAttr(Connection &connection, SQLINTEGER attribute, SQLPOINTER value)
{
    connection.diag.records.clear();
    SQLUINTEGER answer = 0;
    switch (attribute) {
    case SQL_ATTR_AUTOCOMMIT:
        answer = connection.autoCommit ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF;
        break;
    case SQL_ATTR_CONNECTION_DEAD:
        answer = !connection.database || connection.dropped ? SQL_CD_TRUE : SQL_CD_FALSE;
        break;
    case SQL_ATTR_TXN_ISOLATION:
        answer = SQL_TXN_READ_COMMITTED; // DB2's cursor stability
        break;
    case SQL_ATTR_ACCESS_MODE:
        answer = SQL_MODE_READ_WRITE;
        break;
    default:
        return cliError(connection.diag, "HY092", 24, "Invalid attribute/option identifier.");
    }
    if (value != nullptr) {
        *static_cast<SQLUINTEGER *>(value) = answer;
    }
    return SQL_SUCCESS;
}

SQLRETURN setStmtAttr(Statement &stmt, SQLINTEGER attribute, SQLPOINTER value)
{
    stmt.diag.records.clear();
    stmt.attributes[attribute] = value;
    return SQL_SUCCESS;
}

SQLRETURN getStmtAttr(Statement &stmt, SQLINTEGER attribute, SQLPOINTER value)
{
    stmt.diag.records.clear();
    // The statement's descriptors are not handed out: a driver manager asking for them
    // keeps its own.
    if (attribute == SQL_ATTR_APP_ROW_DESC || attribute == SQL_ATTR_APP_PARAM_DESC ||
        attribute == SQL_ATTR_IMP_ROW_DESC || attribute == SQL_ATTR_IMP_PARAM_DESC) {
        return cliError(stmt.diag, "HY092", 24, "Invalid attribute/option identifier.");
    }
    const auto kept = stmt.attributes.find(attribute);
    SQLPOINTER answer = nullptr;
    if (kept != stmt.attributes.end()) {
        answer = kept->second;
    } else if (attribute == SQL_ATTR_CURSOR_TYPE) {
        answer = reinterpret_cast<SQLPOINTER>(SQL_CURSOR_FORWARD_ONLY);
    } else if (attribute == SQL_ATTR_CONCURRENCY) {
        answer = reinterpret_cast<SQLPOINTER>(SQL_CONCUR_READ_ONLY);
    } else if (attribute == SQL_ATTR_ROW_ARRAY_SIZE || attribute == SQL_ATTR_PARAMSET_SIZE) {
        answer = reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(1));
    }
    if (value != nullptr) {
        *static_cast<SQLULEN *>(value) = reinterpret_cast<SQLULEN>(answer);
    }
    return SQL_SUCCESS;
}

SQLRETURN execute(Statement &stmt, const std::string &sql)
{
    abandonExecution(stmt);
    if (const SQLRETURN rc = beginStatement(stmt, "EXEC", sql); rc != SQL_SUCCESS) {
        return rc;
    }
    try {
        PreparedStatement parsed = prepare(sql);
        if (parsed.markers > 0) {
            stmt.prepared = std::move(parsed);
            stmt.preparedText = sql;
            return runPrepared(stmt);
        }
        takeResult(stmt, stmt.connection->database->execute(parsed, {}));
        stmt.rowCount = stmt.connection->database->changes();
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

SQLRETURN listPrimaryKeys(Statement &stmt, const std::string &schema, const std::string &table)
{
    if (const SQLRETURN rc = beginStatement(stmt, "PRIMARYKEYS", table); rc != SQL_SUCCESS) {
        return rc;
    }
    try {
        takeResult(stmt, stmt.connection->database->primaryKeys(schema, table));
        return SQL_SUCCESS;
    } catch (const Db2Exception &e) {
        return fail(stmt.diag, e.error());
    }
}

SQLRETURN listStatistics(Statement &stmt, const std::string &schema, const std::string &table)
{
    if (const SQLRETURN rc = beginStatement(stmt, "STATISTICS", table); rc != SQL_SUCCESS) {
        return rc;
    }
    try {
        takeResult(stmt, stmt.connection->database->statistics(schema, table));
        return SQL_SUCCESS;
    } catch (const Db2Exception &e) {
        return fail(stmt.diag, e.error());
    }
}

SQLRETURN numResultCols(Statement &stmt, SQLSMALLINT *count)
{
    if (count != nullptr) {
        *count = stmt.result ? static_cast<SQLSMALLINT>(stmt.result->columns().size()) : 0;
    }
    return SQL_SUCCESS;
}

SQLRETURN fetch(Statement &stmt)
{
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

SQLRETURN rowCount(Statement &stmt, SQLLEN *count)
{
    if (count != nullptr) {
        *count = stmt.rowCount;
    }
    return SQL_SUCCESS;
}

SQLRETURN freeStatement(Statement *stmt, SQLUSMALLINT option)
{
    if (option == SQL_DROP) {
        abandonExecution(*stmt);
        delete stmt;
        return SQL_SUCCESS;
    }
    if (option == SQL_CLOSE) {
        abandonExecution(*stmt);
        stmt->result.reset();
        stmt->onRow = false;
    }
    if (option == SQL_RESET_PARAMS) {
        stmt->parameters.clear();
    }
    return SQL_SUCCESS;
}

SQLRETURN endTran(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT completion)
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

} // namespace db2emu::odbc
