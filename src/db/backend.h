#pragma once

#include "core/value.h"
#include "db/error.h"
#include "db/field.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What a data source behind Connection and Recordset provides. Backends throw db::Error.
namespace tw::db::backend {

// Rows of one query, read forward once.
class Cursor
{
public:
    virtual ~Cursor() = default;
    virtual const std::vector<Field> &fields() const = 0;
    // Reads the next row into `row`; false after the last.
    virtual bool fetch(std::vector<Value> &row) = 0;

    // The number of rows when the source knows it without reading them.
    virtual std::optional<std::uint64_t> knownCount() const { return std::nullopt; }
};

// How one column of bound rows is sent: the kind of value its rows hold there (Null aside),
// and the SQL type code, size and decimal digits of the column it fills.
struct Parameter
{
    ValueKind kind = ValueKind::Text;
    int sqlType = 0;
    unsigned long size = 0;
    int digits = 0;
};

// A row the data source refused: its number among the rows given, from 0, and why.
struct RejectedRow
{
    std::uint64_t row = 0;
    Error error;
};

// Rows sent through one prepared INSERT with parameter markers, gathered into arrays of rows;
// a row holding a long value goes alone, that value in pieces.
//
//     auto rows = session.insertRows("INSERT INTO \"T\" VALUES(?, ?)", parameters);
//     for (const auto &row : source)
//         if (rows->add(row))
//             report(rows->send());
//     report(rows->send());
class RowInserter
{
public:
    virtual ~RowInserter() = default;
    // Takes a row; true when enough are gathered that they should be sent now.
    virtual bool add(std::vector<Value> row) = 0;
    // Sends the rows gathered and gives those refused, each with its error, in their order.
    // Throws db::Error when the statement failed as a whole: none of those rows went in.
    virtual std::vector<RejectedRow> send() = 0;
    // Rows the data source has taken so far.
    virtual std::uint64_t inserted() const = 0;
};

class Session
{
public:
    virtual ~Session() = default;

    // Called now and then during long work inside the backend, so a window stays responsive.
    void setEventPump(std::function<void()> pump) { m_pump = std::move(pump); }

    void pumpEvents() const
    {
        if (m_pump) {
            m_pump();
        }
    }

    virtual void execute(const std::string &sql) = 0;
    // Runs a statement that creates a table (the export of the staging database), replacing
    // a table of that name once the new one is whole. Other sources throw db::Error.
    virtual void executeReplacing(const std::string &sql);

    // A unit of work: statements after beginTrans() are kept or undone together, DDL
    // included, by commitTrans() or rollbackTrans(); each of those returns to autocommit.
    // Sources without units of work throw db::Error.
    virtual void beginTrans();
    virtual void commitTrans();
    virtual void rollbackTrans();
    virtual std::unique_ptr<Cursor> query(const std::string &sql) = 0;
    // An INSERT whose parameter markers take `columns`, for rows sent in arrays. Sources that
    // take no bound rows throw db::Error.
    virtual std::unique_ptr<RowInserter> insertRows(const std::string &sql,
                                                    const std::vector<Parameter> &columns);

    // The server's version as it gives it ("11.05.0900"); empty where there is none.
    virtual std::string serverVersion() { return {}; }

    // The tables schema: at least TABLE_TYPE and TABLE_NAME.
    virtual std::unique_ptr<Cursor> tables() = 0;

    // The columns of a table's primary key in key order; none when it has no primary key
    // or the source keeps none. An empty `schema` is the current one.
    virtual std::vector<std::string> primaryKey(const std::string &schema,
                                                const std::string &table);

private:
    std::function<void()> m_pump;
};

// A cursor over rows already in memory (a catalog listing).
std::unique_ptr<Cursor> listCursor(std::vector<Field> fields, std::vector<std::vector<Value>> rows);

// Picks the data source from the connection string and opens it.
std::unique_ptr<Session> open(const std::string &connectionString);

// Each backend's opener.
std::unique_ptr<Session> openOdbc(const std::string &connectionString);
std::unique_ptr<Session> openParadox(const std::string &connectionString);
std::unique_ptr<Session> openStaging(const std::string &connectionString);

} // namespace tw::db::backend
