#pragma once

// tw_db: Connection and Recordset, the database access every handler goes through, over
// three backends chosen by the connection string: ODBC (DB2), a Paradox folder (our engine)
// and the staging database (SQLite) with its export to Paradox. Failures are db::Error.

#include "core/value.h"
#include "db/backend.h"
#include "db/error.h"
#include "db/field.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tw::db {

class RowSpool;

// A connection to one data source, chosen from its connection string:
// PROVIDER=Microsoft.Jet.OLEDB.4.0 the staging database, Driver={Microsoft Paradox Driver
// (*.db )} a Paradox folder, anything else an ODBC driver.
//
//     db::Connection db2;
//     db2.open(connectionString);
//     db2.execute("DROP TABLE \"ORDERS\"");
class Connection
{
public:
    Connection();
    ~Connection();
    Connection(Connection &&) noexcept;
    Connection &operator=(Connection &&) noexcept;

    void open(const std::string &connectionString);
    // Called during long work (spooling rows, exporting a table) so a window stays responsive.
    void setEventPump(std::function<void()> pump);

    bool isOpen() const { return m_session != nullptr; }

    // Runs one statement; rows it returns are ignored.
    void execute(const std::string &sql);
    // Runs the staging database's export onto a Paradox table the user agreed to replace:
    // the old table goes only once the new one is whole, and stays on any failure.
    void executeReplacing(const std::string &sql);
    // A unit of work (ODBC: autocommit off, then SQLEndTran): the statements between
    // BeginTrans and CommitTrans or RollbackTrans are kept or undone together.
    void beginTrans();
    void commitTrans();
    void rollbackTrans();
    void close();

    // An INSERT with parameter markers for rows sent in arrays (ODBC sources).
    std::unique_ptr<backend::RowInserter>
    insertRows(const std::string &sql, const std::vector<backend::Parameter> &columns);
    // The server's version as it gives it; empty where there is none.
    std::string serverVersion();
    // The columns of the table's primary key, in key order; none when it has none.
    std::vector<std::string> primaryKey(const std::string &schema, const std::string &table);

    backend::Session &session();

private:
    std::unique_ptr<backend::Session> m_session;
    std::function<void()> m_pump;
};

// A unit of work that is undone unless committed: leaving its scope after begin() without
// commit() rolls back (a rollback that fails there is dropped: the connection is gone, and
// with it the unit). Shaped like a scope guard, so every early return undoes the unit.
//
//     db::Transaction unit(db2);
//     unit.begin();
//     db2.execute("DROP TABLE \"ORDERS\"");
//     db2.execute("CREATE TABLE \"ORDERS\"(...)");
//     unit.commit();
class Transaction
{
public:
    explicit Transaction(Connection &connection)
        : m_connection(connection)
    {}

    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void begin();
    void commit();
    void rollback();

    bool active() const { return m_active; }

private:
    Connection &m_connection;
    bool m_active = false;
};

// The rows of a query. With a client cursor (CursorLocation::Client) RecordCount is exact from the
// start: rows are spooled (in memory up to a bound, then to a temporary file) unless the
// source knows the count itself. With a server cursor rows stream and the count is -1.
//
//     db::Recordset rows;
//     rows.setCursorLocation(db::CursorLocation::Client);
//     rows.open("SELECT * FROM `ORDERS`", paradox);
//     for (std::int64_t k = 0; k < rows.recordCount(); ++k, rows.moveNext())
//         use(rows.value(0));
class Recordset
{
public:
    Recordset();
    ~Recordset();
    Recordset(Recordset &&) noexcept;
    Recordset &operator=(Recordset &&) noexcept;

    void setCursorLocation(CursorLocation location) { m_cursorLocation = location; }

    // Shown every row as a client cursor reads them all on open, before the first is used:
    // what the rows hold can then shape how they are used, without reading them twice.
    using RowWatch = std::function<void(const std::vector<Field> &, const std::vector<Value> &)>;

    void watchRows(RowWatch watch) { m_watch = std::move(watch); }

    CursorLocation cursorLocation() const { return m_cursorLocation; }

    void open(const std::string &sql, Connection &connection);
    // The tables schema (OpenSchema(20)).
    void openSchema(int schema, Connection &connection);

    bool isOpen() const { return m_cursor != nullptr || m_spool != nullptr; }

    void close();

    const std::vector<Field> &fields() const;
    std::size_t fieldIndex(std::string_view name) const;
    // The current row's value; throws at EOF.
    const Value &value(std::size_t index) const;

    const Value &value(std::string_view name) const { return value(fieldIndex(name)); }

    // Moves the current row's values into `row`, so a long value is handed on and not copied;
    // value() then finds none until moveNext(). Throws at EOF.
    void takeRow(std::vector<Value> &row);

    bool eof() const;
    void moveNext();

    std::int64_t recordCount() const;

private:
    void start(std::unique_ptr<backend::Cursor> cursor);
    void requireOpen() const;
    // Throws unless a row is current.
    void requireCurrent() const;
    void advance();

    CursorLocation m_cursorLocation = CursorLocation::Server;
    const backend::Session *m_session = nullptr;
    std::unique_ptr<backend::Cursor> m_cursor;
    std::unique_ptr<RowSpool> m_spool;
    RowWatch m_watch;
    std::vector<Field> m_fields;
    std::vector<Value> m_row;
    bool m_eof = true;
    std::int64_t m_count = -1;
};

} // namespace tw::db
