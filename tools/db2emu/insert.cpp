// INSERT: rows of literals into a table, with Db2's defaults, identity columns and
// constraints, and Db2's errors for each.

#include "executor.h"
#include "values.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>

namespace db2emu {

namespace {

// The next value of an identity column, counted in the catalog.
Cell nextIdentity(sqlite3 *db, const std::string &schema, const std::string &table, const Column &c)
{
    SqliteStatement next(db,
                         "SELECT identity_next FROM db2emu_columns WHERE schema = ?1 AND name "
                         "= ?2 AND column_name = ?3");
    next.bind(1, schema);
    next.bind(2, table);
    next.bind(3, c.name);
    next.step();
    const long long value = next.isNull(0) ? c.identityStart : sqlite3_column_int64(next.get(), 0);
    SqliteStatement advance(db,
                            "UPDATE db2emu_columns SET identity_next = ?1 WHERE schema = ?2 AND "
                            "name = ?3 AND column_name = ?4");
    advance.bind(1, value + c.identityStep);
    advance.bind(2, schema);
    advance.bind(3, table);
    advance.bind(4, c.name);
    advance.step();
    return convert({Literal::Kind::Number, std::to_string(value)}, c);
}

// Which key a unique constraint of the store ("UNIQUE constraint failed: t3.c1, t3.c2")
// stands for: its number among the table's keys, counting from 1.
std::string violatedKey(const std::string &why,
                        const std::vector<Key> &keys,
                        const std::vector<Column> &columns)
{
    std::string failed; // "c1,c2"
    for (std::size_t dot = why.find('.'); dot != std::string::npos; dot = why.find('.', dot + 1)) {
        const std::size_t end = why.find(',', dot);
        failed += (failed.empty() ? "" : ",") +
                  why.substr(dot + 1, end == std::string::npos ? std::string::npos : end - dot - 1);
    }
    for (std::size_t k = 0; k < keys.size(); ++k) {
        std::string listed;
        for (const std::string &name : keys[k].columns) {
            const auto at = std::find_if(
                columns.begin(), columns.end(), [&](const Column &c) { return c.name == name; });
            listed += (listed.empty() ? "c" : ",c") + std::to_string(at - columns.begin() + 1);
        }
        if (listed == failed) {
            return std::to_string(k + 1);
        }
    }
    return "1";
}

} // namespace

namespace {

// The columns each value goes to: those named, or every column in order.
std::vector<std::size_t> targetsOf(const Insert &insert, const std::vector<Column> &columns)
{
    std::vector<std::size_t> targets;
    for (const std::string &name : insert.columns) {
        const auto at = std::find_if(
            columns.begin(), columns.end(), [&](const Column &c) { return c.name == name; });
        if (at == columns.end()) {
            raise(-206, "\"" + name + "\" is not valid in the context where it is used.", "42703");
        }
        const auto index = static_cast<std::size_t>(at - columns.begin());
        if (std::find(targets.begin(), targets.end(), index) != targets.end()) {
            raise(-121,
                  "The target name \"" + name +
                      "\" is specified more than once for assignment in the same SQL statement.",
                  "42701");
        }
        targets.push_back(index);
    }
    if (insert.columns.empty()) {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            targets.push_back(i);
        }
    }
    return targets;
}

} // namespace

Cell Executor::insertedCell(const Database::Object &table,
                            const Column &column,
                            const Literal *value) const
{
    const bool byDefault = value == nullptr || value->kind == Literal::Kind::Default;
    if (column.identity == "ALWAYS" && !byDefault) {
        raise(-798,
              "A value cannot be specified for column \"" + column.name +
                  "\" which is defined as GENERATED ALWAYS.",
              "428C9");
    }
    Cell cell = byDefault ? (column.identity.empty()
                                 ? defaultCell(column)
                                 : nextIdentity(m_database.m_db, table.schema, table.name, column))
                          : convert(*value, column);
    if (cell.kind == Cell::Kind::Null && !column.nullable) {
        raise(-407,
              "Assignment of a NULL value to a NOT NULL column \"" + column.name +
                  "\" is not allowed.",
              "23502");
    }
    return cell;
}

void Executor::refuseInsert(const Database::Object &table) const
{
    const std::string why = sqlite3_errmsg(m_database.m_db);
    if (sqlite3_extended_errcode(m_database.m_db) == SQLITE_CONSTRAINT_UNIQUE) {
        raise(
            -803,
            "One or more values in the INSERT statement, UPDATE statement, or foreign "
            "key update caused by a DELETE statement are not valid because the primary "
            "key, unique constraint or unique index identified by \"" +
                violatedKey(why, keysOf(m_database.m_db, table.schema, table.name), table.columns) +
                "\" constrains table \"" + display(table.schema, table.name) +
                "\" from having duplicate values for the index key.",
            "23505");
    }
    SqliteFailure::raise(nullptr, why);
}

std::unique_ptr<ResultSet> Executor::operator()(const Insert &insert)
{
    const Database::Object table = object(insert.table);
    if (table.type != "TABLE") {
        raise(-150,
              "The target fullselect, view, typed table, materialized query table, range-clustered "
              "table, or staging table in the INSERT, DELETE, UPDATE, MERGE, or TRUNCATE statement "
              "is a target for which the requested operation is not permitted.",
              "42807");
    }
    const std::vector<std::size_t> targets = targetsOf(insert, table.columns);
    m_database.logRows(static_cast<long long>(insert.rows.size()));
    std::string dml = "INSERT INTO " + quoteSqlite(table.store) + " VALUES(";
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        dml += (i == 0 ? "?" : ", ?") + std::to_string(i + 1);
    }
    StatementUnit unit(m_database);
    SqliteStatement row(m_database.m_db, dml + ")");
    // The row's cells stay until the row is written: SQLite reads their bytes in place.
    std::vector<Cell> cells(table.columns.size());
    for (const std::vector<Literal> &values : insert.rows) {
        if (values.size() != targets.size()) {
            raise(-117,
                  "The number of values assigned is not the same as the number of specified or "
                  "implied columns or variables.",
                  "42802");
        }
        std::map<std::size_t, const Literal *> given;
        for (std::size_t v = 0; v < values.size(); ++v) {
            given[targets[v]] = &values[v];
        }
        sqlite3_reset(row.get());
        for (std::size_t i = 0; i < table.columns.size(); ++i) {
            const auto found = given.find(i);
            cells[i] = insertedCell(
                table, table.columns[i], found == given.end() ? nullptr : found->second);
            bindCell(row.get(), static_cast<int>(i + 1), cells[i], true);
        }
        if (sqlite3_step(row.get()) != SQLITE_DONE) {
            refuseInsert(table);
        }
    }
    unit.done();
    m_database.m_unitRows += static_cast<long long>(insert.rows.size());
    m_database.m_changes = static_cast<long long>(insert.rows.size());
    return nullptr;
}

} // namespace db2emu
