// The ODBC backend: unixODBC's driver manager and whatever driver the string names.

#include "db/backend.h"
#include "db/error.h"
#include "db/odbc/boundrows.h"
#include "db/odbc/diagnostics.h"
#include "db/odbc/handle.h"
#include "db/sqltype.h"
#include "text/isotime.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tw::db::backend {

namespace {

using odbc::check;
using odbc::DbcHandle;
using odbc::EnvHandle;
using odbc::raise;
using odbc::StmtHandle;

constexpr SQLLEN kChunk = 64 * 1024;

DataType adoType(SQLSMALLINT sqlType)
{
    switch (sqlType) {
    case SQL_CHAR:
        return adChar;
    case SQL_VARCHAR:
        return adVarChar;
    case SQL_LONGVARCHAR:
    case sqltype::Clob:
        return adLongVarChar;
    case SQL_WCHAR:
    case sqltype::Graphic:
        return adWChar;
    case SQL_WVARCHAR:
    case sqltype::VarGraphic:
        return adVarWChar;
    case SQL_WLONGVARCHAR:
    case sqltype::LongVarGraphic:
    case sqltype::DbClob:
        return adLongVarWChar;
    case SQL_SMALLINT:
        return adSmallInt;
    case SQL_INTEGER:
        return adInteger;
    case SQL_BIGINT:
        return adBigInt;
    case SQL_TINYINT:
        return adTinyInt;
    case SQL_REAL:
        return adSingle;
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return adDouble;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
    case sqltype::DecFloat:
        return adNumeric;
    case SQL_BIT:
    case sqltype::Boolean:
        return adBoolean;
    case SQL_TYPE_DATE:
    case SQL_DATE:
        return adDBDate;
    case SQL_TYPE_TIME:
    case SQL_TIME:
        return adDBTime;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        return adDBTimeStamp;
    case SQL_BINARY:
        return adBinary;
    case SQL_VARBINARY:
        return adVarBinary;
    case SQL_LONGVARBINARY:
    case sqltype::Blob:
        return adLongVarBinary;
    case SQL_GUID:
        return adGUID;
    default:
        return adVarChar;
    }
}

Date dateOf(const tw::text::IsoDate &date)
{
    return {date.year, static_cast<std::uint8_t>(date.month), static_cast<std::uint8_t>(date.day)};
}

class OdbcCursor final : public Cursor
{
public:
    OdbcCursor(StmtHandle statement)
        : m_stmt(std::move(statement))
    {
        SQLSMALLINT columns = 0;
        check(SQLNumResultCols(m_stmt.get(), &columns),
              SQL_HANDLE_STMT,
              m_stmt.get(),
              "SQLNumResultCols failed");
        for (SQLSMALLINT i = 1; i <= columns; ++i) {
            std::vector<SQLCHAR> name(512);
            SQLSMALLINT nameLength = 0;
            SQLSMALLINT type = 0;
            SQLULEN size = 0;
            SQLSMALLINT digits = 0;
            SQLSMALLINT nullable = 0;
            check(SQLDescribeCol(m_stmt.get(),
                                 static_cast<SQLUSMALLINT>(i),
                                 name.data(),
                                 static_cast<SQLSMALLINT>(name.size()),
                                 &nameLength,
                                 &type,
                                 &size,
                                 &digits,
                                 &nullable),
                  SQL_HANDLE_STMT,
                  m_stmt.get(),
                  "SQLDescribeCol failed");
            m_fields.push_back({reinterpret_cast<const char *>(name.data()),
                                adoType(type),
                                type,
                                static_cast<std::int64_t>(size),
                                digits});
        }
    }

    const std::vector<Field> &fields() const override { return m_fields; }

    bool fetch(std::vector<Value> &row) override
    {
        const SQLRETURN rc = SQLFetch(m_stmt.get());
        if (rc == SQL_NO_DATA) {
            return false;
        }
        check(rc, SQL_HANDLE_STMT, m_stmt.get(), "SQLFetch failed");
        row.resize(m_fields.size());
        for (std::size_t i = 0; i < m_fields.size(); ++i) {
            row[i] = read(static_cast<SQLUSMALLINT>(i + 1), m_fields[i].type);
        }
        return true;
    }

private:
    // The whole value in pieces of kChunk: long data is never cut at a buffer size.
    std::optional<std::string> readLong(SQLUSMALLINT column, SQLSMALLINT cType)
    {
        // Read through one buffer kept for the cursor: most values are short, and a fresh
        // 64 KB string per value cost an allocation and a clearing each time.
        m_chunk.resize(static_cast<std::size_t>(kChunk));
        const SQLLEN terminator = cType == SQL_C_CHAR ? 1 : 0;
        std::string value;
        while (true) {
            SQLLEN indicator = 0;
            const SQLRETURN rc =
                SQLGetData(m_stmt.get(), column, cType, m_chunk.data(), kChunk, &indicator);
            if (rc == SQL_NO_DATA) {
                return value;
            }
            check(rc, SQL_HANDLE_STMT, m_stmt.get(), "SQLGetData failed");
            if (indicator == SQL_NULL_DATA) {
                return std::nullopt;
            }
            const bool truncated = rc == SQL_SUCCESS_WITH_INFO &&
                                   (indicator == SQL_NO_TOTAL || indicator > kChunk - terminator);
            if (truncated) {
                value.append(m_chunk.data(), static_cast<std::size_t>(kChunk - terminator));
                continue;
            }
            value.append(m_chunk.data(), static_cast<std::size_t>(indicator));
            return value;
        }
    }

    template <class T> std::optional<T> readFixed(SQLUSMALLINT column, SQLSMALLINT cType)
    {
        T value{};
        SQLLEN indicator = 0;
        check(SQLGetData(m_stmt.get(), column, cType, &value, sizeof value, &indicator),
              SQL_HANDLE_STMT,
              m_stmt.get(),
              "SQLGetData failed");
        if (indicator == SQL_NULL_DATA) {
            return std::nullopt;
        }
        return value;
    }

    Value read(SQLUSMALLINT column, int type)
    {
        switch (type) {
        case adSmallInt:
        case adInteger:
        case adBigInt:
        case adTinyInt: {
            const auto v = readFixed<SQLBIGINT>(column, SQL_C_SBIGINT);
            return v ? Value::integer(*v) : Value();
        }
        case adSingle:
        case adDouble: {
            const auto v = readFixed<double>(column, SQL_C_DOUBLE);
            return v ? Value::real(*v) : Value();
        }
        case adBinary:
        case adVarBinary:
        case adLongVarBinary: {
            const auto v = readLong(column, SQL_C_BINARY);
            return v ? Value::bytes(Bytes(v->begin(), v->end())) : Value();
        }
        default:
            break;
        }
        const auto text = readLong(column, SQL_C_CHAR);
        if (!text) {
            return {};
        }
        switch (type) {
        case adNumeric:
            return Value::decimal(*text);
        case adBoolean:
            return Value::boolean(*text != "0" && *text != "false" && *text != "FALSE");
        case adDBDate:
            if (const auto date = tw::text::parseIsoDate(*text)) {
                return Value::date(dateOf(*date));
            }
            return Value::text(*text);
        case adDBTime:
            if (const auto clock = tw::text::parseIsoClock(*text)) {
                return Value::time({static_cast<std::uint32_t>(clock->millisecondsOfDay())});
            }
            return Value::text(*text);
        case adDBTimeStamp:
            if (const auto stamp = tw::text::parseIsoTimestamp(*text); stamp && stamp->clock) {
                return Value::timestamp(
                    {dateOf(stamp->date),
                     static_cast<std::uint32_t>(stamp->clock->millisecondsOfDay()),
                     static_cast<std::uint16_t>(stamp->clock->microsecond % 1000)});
            }
            return Value::text(*text);
        default:
            return Value::text(*text);
        }
    }

    StmtHandle m_stmt;
    std::vector<Field> m_fields;
    std::vector<char> m_chunk;
};

class OdbcSession final : public Session
{
public:
    explicit OdbcSession(const std::string &connectionString)
    {
        if (!m_env.allocate(SQL_NULL_HANDLE)) {
            throw Error("The ODBC driver manager cannot allocate an environment");
        }
        check(
            SQLSetEnvAttr(
                m_env.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
            SQL_HANDLE_ENV,
            m_env.get(),
            "Cannot set the ODBC version");
        if (!m_dbc.allocate(m_env.get())) {
            raise(SQL_HANDLE_ENV,
                  m_env.get(),
                  "The ODBC driver manager cannot allocate a connection");
        }
        std::vector<SQLCHAR> in(connectionString.begin(), connectionString.end());
        in.push_back('\0');
        SQLCHAR out[1024];
        SQLSMALLINT outLength = 0;
        const SQLRETURN rc = SQLDriverConnect(m_dbc.get(),
                                              nullptr,
                                              in.data(),
                                              SQL_NTS,
                                              out,
                                              sizeof out,
                                              &outLength,
                                              SQL_DRIVER_NOPROMPT);
        check(rc, SQL_HANDLE_DBC, m_dbc.get(), "The connection could not be opened");
        m_connected = true;
    }

    ~OdbcSession() override
    {
        m_executeStmt.reset();
        if (m_connected) {
            SQLDisconnect(m_dbc.get());
        }
    }

    OdbcSession(const OdbcSession &) = delete;
    OdbcSession &operator=(const OdbcSession &) = delete;

    void execute(const std::string &sql) override
    {
        // One statement handle serves every execute: allocating one per statement costs more
        // than the driver's work for a small INSERT.
        if (m_executeStmt.get() == nullptr) {
            m_executeStmt = statement();
        }
        SQLFreeStmt(m_executeStmt.get(), SQL_CLOSE);
        run(m_executeStmt, sql);
    }

    void beginTrans() override { setAutoCommit(false); }

    void commitTrans() override { endTran(SQL_COMMIT); }

    void rollbackTrans() override { endTran(SQL_ROLLBACK); }

    std::unique_ptr<Cursor> query(const std::string &sql) override
    {
        StmtHandle stmt = statement();
        run(stmt, sql);
        return std::make_unique<OdbcCursor>(std::move(stmt));
    }

    std::unique_ptr<RowInserter> insertRows(const std::string &sql,
                                            const std::vector<Parameter> &columns) override
    {
        return odbc::boundRows(m_dbc.get(), sql, columns);
    }

    std::string serverVersion() override
    {
        SQLCHAR version[64] = {};
        SQLSMALLINT length = 0;
        check(SQLGetInfo(m_dbc.get(), SQL_DBMS_VER, version, sizeof version, &length),
              SQL_HANDLE_DBC,
              m_dbc.get(),
              "The server's version could not be read");
        return reinterpret_cast<const char *>(version);
    }

    std::unique_ptr<Cursor> tables() override
    {
        StmtHandle stmt = statement();
        check(SQLTables(stmt.get(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0),
              SQL_HANDLE_STMT,
              stmt.get(),
              "SQLTables failed");
        return std::make_unique<OdbcCursor>(std::move(stmt));
    }

    std::vector<std::string> primaryKey(const std::string &schema,
                                        const std::string &table) override
    {
        StmtHandle stmt = statement();
        auto *schemaText = reinterpret_cast<SQLCHAR *>(const_cast<char *>(schema.c_str()));
        auto *tableText = reinterpret_cast<SQLCHAR *>(const_cast<char *>(table.c_str()));
        check(SQLPrimaryKeys(stmt.get(),
                             nullptr,
                             0,
                             schema.empty() ? nullptr : schemaText,
                             schema.empty() ? 0 : SQL_NTS,
                             tableText,
                             SQL_NTS),
              SQL_HANDLE_STMT,
              stmt.get(),
              "SQLPrimaryKeys failed");
        // COLUMN_NAME is the 4th column, KEY_SEQ the 5th.
        OdbcCursor cursor(std::move(stmt));
        std::vector<std::pair<std::int64_t, std::string>> columns;
        std::vector<Value> row;
        while (cursor.fetch(row)) {
            if (row.size() >= 5 && !row[3].isNull() && !row[4].isNull()) {
                columns.emplace_back(row[4].asInteger(), row[3].toText());
            }
        }
        std::sort(columns.begin(), columns.end());
        std::vector<std::string> names;
        for (auto &[sequence, name] : columns) {
            names.push_back(std::move(name));
        }
        return names;
    }

private:
    void setAutoCommit(bool on)
    {
        check(SQLSetConnectAttr(m_dbc.get(),
                                SQL_ATTR_AUTOCOMMIT,
                                reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(
                                    on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF)),
                                SQL_IS_UINTEGER),
              SQL_HANDLE_DBC,
              m_dbc.get(),
              "Cannot switch autocommit");
    }

    // Ends the unit of work and returns to autocommit, whatever the end gave.
    void endTran(SQLSMALLINT completion)
    {
        const SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, m_dbc.get(), completion);
        if (!SQL_SUCCEEDED(rc)) {
            try {
                raise(SQL_HANDLE_DBC, m_dbc.get(), "The unit of work could not be ended");
            } catch (...) {
                SQLSetConnectAttr(m_dbc.get(),
                                  SQL_ATTR_AUTOCOMMIT,
                                  reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON),
                                  SQL_IS_UINTEGER);
                throw;
            }
        }
        setAutoCommit(true);
    }

    StmtHandle statement()
    {
        StmtHandle stmt;
        if (!stmt.allocate(m_dbc.get())) {
            raise(SQL_HANDLE_DBC, m_dbc.get(), "Cannot allocate a statement");
        }
        return stmt;
    }

    static void run(StmtHandle &stmt, const std::string &sql)
    {
        std::vector<SQLCHAR> text(sql.begin(), sql.end());
        text.push_back('\0');
        const SQLRETURN rc = SQLExecDirect(stmt.get(), text.data(), SQL_NTS);
        if (rc != SQL_NO_DATA) {
            check(rc, SQL_HANDLE_STMT, stmt.get(), "The statement failed");
        }
    }

    // Destroyed in reverse order: the statement, then the connection, then its environment.
    EnvHandle m_env;
    DbcHandle m_dbc;
    StmtHandle m_executeStmt;
    bool m_connected = false;
};

} // namespace

std::unique_ptr<Session> openOdbc(const std::string &connectionString)
{
    return std::make_unique<OdbcSession>(connectionString);
}

} // namespace tw::db::backend
