#pragma once

#include "core/value.h"
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
    // The tables schema: at least TABLE_TYPE and TABLE_NAME.
    virtual std::unique_ptr<Cursor> tables() = 0;

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
