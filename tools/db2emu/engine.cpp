#include "engine.h"

#include "results.h"
#include "sqlitestatement.h"
#include "statement.h"
#include "text/text.h"
#include "values.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <variant>

namespace db2emu {

namespace {

std::string display(const std::string &schema, const std::string &name)
{
    return schema + "." + name;
}

} // namespace

Db2Error makeError(int sqlCode,
                   const std::string &text,
                   const std::string &sqlState,
                   const std::string &odbcState,
                   bool connecting)
{
    char number[16];
    std::snprintf(number, sizeof number, "SQL%04dN", sqlCode < 0 ? -sqlCode : sqlCode);
    std::string message = "[IBM][CLI Driver]";
    if (!connecting) {
        message += "[DB2/LINUXX8664]";
    }
    message += " " + std::string(number) + "  " + text + "  SQLSTATE=" + sqlState;
    return {odbcState.empty() ? sqlState : odbcState, sqlCode, message};
}

void raise(int sqlCode,
           const std::string &text,
           const std::string &sqlState,
           const std::string &odbcState)
{
    throw Db2Exception(makeError(sqlCode, text, sqlState, odbcState));
}

int Column::odbcType(bool lobsAsLong) const
{
    if (type == "SMALLINT")
        return 5;
    if (type == "INTEGER")
        return 4;
    if (type == "BIGINT")
        return -5;
    if (type == "DECIMAL")
        return 3;
    if (type == "REAL")
        return 7;
    if (type == "DOUBLE")
        return 8;
    if (type == "CHAR")
        return 1;
    if (type == "VARCHAR")
        return 12;
    if (type == "LONG VARCHAR")
        return -1;
    if (type == "CLOB")
        return lobsAsLong ? -1 : -99;
    if (type == "BLOB")
        return lobsAsLong ? -4 : -98;
    if (type == "DATE")
        return 91;
    if (type == "TIME")
        return 92;
    if (type == "TIMESTAMP")
        return 93;
    return 12;
}

long long Column::columnSize() const
{
    if (type == "SMALLINT")
        return 5;
    if (type == "INTEGER")
        return 10;
    if (type == "BIGINT")
        return 19;
    if (type == "REAL")
        return 24;
    if (type == "DOUBLE")
        return 53;
    if (type == "DATE")
        return 10;
    if (type == "TIME")
        return 8;
    if (type == "TIMESTAMP")
        return 26;
    return length;
}

int Column::decimalDigits() const
{
    if (type == "DECIMAL")
        return scale;
    if (type == "TIMESTAMP")
        return 6;
    return 0;
}

void parseOnly(const std::string &sql)
{
    (void)parse(sql);
}

Database::Database(const std::string &file, std::string schema)
    : m_schema(std::move(schema))
{
    if (sqlite3_open_v2(file.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        const std::string why = m_db != nullptr ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        m_db = nullptr;
        throw Db2Exception(makeError(
            -1031,
            "The database directory cannot be found on the indicated file system. (" + why + ")",
            "58031",
            {},
            true));
    }
    sqlite3_busy_timeout(m_db, 10000);
    run("PRAGMA journal_mode=WAL");
    run("PRAGMA synchronous=OFF");
    run("CREATE TABLE IF NOT EXISTS db2emu_objects(schema TEXT, name TEXT, type TEXT, store TEXT, "
        "PRIMARY KEY(schema, name))");
    run("CREATE TABLE IF NOT EXISTS db2emu_columns(schema TEXT, name TEXT, ordinal INTEGER, "
        "column_name TEXT, type TEXT, length INTEGER, scale INTEGER)");
}

Database::~Database()
{
    sqlite3_close(m_db);
}

void Database::run(const std::string &sql)
{
    tw::sqlite::execute<SqliteFailure>(m_db, sql.c_str());
}

std::string Database::newStore(const char *prefix)
{
    SqliteStatement next(m_db, "SELECT COUNT(*) + 1 FROM db2emu_objects");
    next.step();
    long long n = sqlite3_column_int64(next.get(), 0);
    while (true) {
        const std::string name = std::string(prefix) + std::to_string(n);
        SqliteStatement taken(m_db, "SELECT 1 FROM sqlite_master WHERE name = ?1");
        taken.bind(1, name);
        if (!taken.step()) {
            return name;
        }
        ++n;
    }
}

std::optional<Database::Object> Database::find(const std::string &schema, const std::string &name)
{
    SqliteStatement lookup(
        m_db, "SELECT type, store FROM db2emu_objects WHERE schema = ?1 AND name = ?2");
    lookup.bind(1, schema);
    lookup.bind(2, name);
    if (!lookup.step()) {
        return std::nullopt;
    }
    Object object{schema, name, lookup.text(0), lookup.text(1), {}};
    SqliteStatement columns(m_db,
                            "SELECT column_name, type, length, scale FROM db2emu_columns "
                            "WHERE schema = ?1 AND name = ?2 ORDER BY ordinal");
    columns.bind(1, schema);
    columns.bind(2, name);
    while (columns.step()) {
        object.columns.push_back({columns.text(0),
                                  columns.text(1),
                                  static_cast<int>(sqlite3_column_int(columns.get(), 2)),
                                  static_cast<int>(sqlite3_column_int(columns.get(), 3))});
    }
    return object;
}

// One statement's changes, all or none. Under autocommit it is a transaction of its own;
// inside a unit of work a savepoint, so a failed statement leaves the unit's earlier work.
class StatementUnit : public tw::sqlite::Transaction<SqliteFailure>
{
public:
    explicit StatementUnit(Database &database)
        : Transaction(database.m_db,
                      database.m_autoCommit
                          ? tw::sqlite::Bracket{"BEGIN IMMEDIATE", "COMMIT", "ROLLBACK"}
                          : tw::sqlite::Bracket{"SAVEPOINT db2emu_statement",
                                                "RELEASE db2emu_statement",
                                                "ROLLBACK TO db2emu_statement; "
                                                "RELEASE db2emu_statement"})
    {}

    void done() { commit(); }
};

void Database::setAutoCommit(bool on)
{
    if (on && !m_autoCommit) {
        endUnit(true);
    }
    m_autoCommit = on;
}

void Database::endUnit(bool commit)
{
    if (sqlite3_get_autocommit(m_db) == 0) {
        run(commit ? "COMMIT" : "ROLLBACK");
    }
}

// Carries out one parsed statement on the database, one member per kind of statement.
class Executor
{
public:
    explicit Executor(Database &database)
        : m_database(database)
    {}

    std::unique_ptr<ResultSet> operator()(const CreateTable &create)
    {
        const std::string schema = schemaOf(create.table);
        if (const auto found = m_database.find(schema, create.table.name)) {
            existing(schema, create.table.name, found->type);
        }
        for (std::size_t i = 0; i < create.columns.size(); ++i) {
            for (std::size_t k = 0; k < i; ++k) {
                if (create.columns[k].name == create.columns[i].name) {
                    raise(-612,
                          "\"" + create.columns[i].name + "\" is a duplicate name.",
                          "42711",
                          "42S21");
                }
            }
        }
        const std::string store = m_database.newStore("t");
        std::string ddl = "CREATE TABLE " + quoteSqlite(store) + "(";
        for (std::size_t i = 0; i < create.columns.size(); ++i) {
            ddl += (i == 0 ? "c" : ", c") + std::to_string(i + 1);
        }
        StatementUnit unit(m_database);
        m_database.run(ddl + ")");
        SqliteStatement object(m_database.m_db,
                               "INSERT INTO db2emu_objects VALUES(?1, ?2, 'TABLE', ?3)");
        object.bind(1, schema);
        object.bind(2, create.table.name);
        object.bind(3, store);
        object.step();
        for (std::size_t i = 0; i < create.columns.size(); ++i) {
            const Column &c = create.columns[i];
            SqliteStatement column(m_database.m_db,
                                   "INSERT INTO db2emu_columns VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)");
            column.bind(1, schema);
            column.bind(2, create.table.name);
            column.bind(3, static_cast<long long>(i));
            column.bind(4, c.name);
            column.bind(5, c.type);
            column.bind(6, static_cast<long long>(c.length));
            column.bind(7, static_cast<long long>(c.scale));
            column.step();
        }
        unit.done();
        return nullptr;
    }

    std::unique_ptr<ResultSet> operator()(const CreateView &view)
    {
        const std::string schema = schemaOf(view.view);
        const auto source = m_database.find(schemaOf(view.source), view.source.name);
        if (!source) {
            undefined(view.source);
        }
        if (const auto found = m_database.find(schema, view.view.name)) {
            existing(schema, view.view.name, found->type);
        }
        const std::string store = m_database.newStore("v");
        StatementUnit unit(m_database);
        m_database.run("CREATE VIEW " + quoteSqlite(store) + " AS SELECT * FROM " +
                       quoteSqlite(source->store));
        SqliteStatement object(m_database.m_db,
                               "INSERT INTO db2emu_objects VALUES(?1, ?2, 'VIEW', ?3)");
        object.bind(1, schema);
        object.bind(2, view.view.name);
        object.bind(3, store);
        object.step();
        SqliteStatement columns(
            m_database.m_db,
            "INSERT INTO db2emu_columns SELECT ?1, ?2, ordinal, column_name, type, length, "
            "scale FROM db2emu_columns WHERE schema = ?3 AND name = ?4");
        columns.bind(1, schema);
        columns.bind(2, view.view.name);
        columns.bind(3, source->schema);
        columns.bind(4, source->name);
        columns.step();
        unit.done();
        return nullptr;
    }

    std::unique_ptr<ResultSet> operator()(const Insert &insert)
    {
        const auto table = m_database.find(schemaOf(insert.table), insert.table.name);
        if (!table) {
            undefined(insert.table);
        }
        if (table->type != "TABLE") {
            raise(-150,
                  "The target fullselect, view, typed table, materialized query table, "
                  "range-clustered "
                  "table, or staging table in the INSERT, DELETE, UPDATE, MERGE, or TRUNCATE "
                  "statement is "
                  "a target for which the requested operation is not permitted.",
                  "42807");
        }
        if (insert.values.size() != table->columns.size()) {
            raise(-117,
                  "The number of values assigned is not the same as the number of specified or "
                  "implied "
                  "columns or variables.",
                  "42802");
        }
        std::string dml = "INSERT INTO " + quoteSqlite(table->store) + " VALUES(";
        for (std::size_t i = 0; i < table->columns.size(); ++i) {
            dml += (i == 0 ? "?" : ", ?") + std::to_string(i + 1);
        }
        SqliteStatement row(m_database.m_db, dml + ")");
        for (std::size_t i = 0; i < table->columns.size(); ++i) {
            const Cell cell = convert(insert.values[i], table->columns[i]);
            const int index = static_cast<int>(i + 1);
            switch (cell.kind) {
            case Cell::Kind::Null:
                sqlite3_bind_null(row.get(), index);
                break;
            case Cell::Kind::Integer:
                sqlite3_bind_int64(row.get(), index, cell.integer);
                break;
            case Cell::Kind::Real:
                sqlite3_bind_double(row.get(), index, cell.real);
                break;
            case Cell::Kind::Text:
                row.bind(index, cell.bytes);
                break;
            case Cell::Kind::Blob:
                sqlite3_bind_blob(row.get(),
                                  index,
                                  cell.bytes.data(),
                                  static_cast<int>(cell.bytes.size()),
                                  SQLITE_TRANSIENT);
                break;
            }
        }
        row.step();
        return nullptr;
    }

    std::unique_ptr<ResultSet> operator()(const Drop &drop)
    {
        const auto table = m_database.find(schemaOf(drop.table), drop.table.name);
        if (!table || table->type != "TABLE") {
            undefined(drop.table);
        }
        StatementUnit unit(m_database);
        m_database.run("DROP TABLE " + quoteSqlite(table->store));
        SqliteStatement forget(m_database.m_db,
                               "DELETE FROM db2emu_objects WHERE schema = ?1 AND name = ?2");
        forget.bind(1, table->schema);
        forget.bind(2, table->name);
        forget.step();
        SqliteStatement forgetColumns(m_database.m_db,
                                      "DELETE FROM db2emu_columns WHERE schema = ?1 AND name = ?2");
        forgetColumns.bind(1, table->schema);
        forgetColumns.bind(2, table->name);
        forgetColumns.step();
        unit.done();
        return nullptr;
    }

    std::unique_ptr<ResultSet> operator()(const Rename &rename)
    {
        const auto table = m_database.find(schemaOf(rename.from), rename.from.name);
        if (!table) {
            undefined(rename.from);
        }
        if (table->type != "TABLE") {
            raise(-809, "\"" + display(table->schema, table->name) + "\" is not a table.", "42809");
        }
        if (const auto target = m_database.find(table->schema, rename.to)) {
            existing(table->schema, rename.to, target->type);
        }
        StatementUnit unit(m_database);
        for (const char *catalog : {"db2emu_objects", "db2emu_columns"}) {
            SqliteStatement move(m_database.m_db,
                                 std::string("UPDATE ") + catalog +
                                     " SET name = ?1 WHERE schema = ?2 AND name = ?3");
            move.bind(1, rename.to);
            move.bind(2, table->schema);
            move.bind(3, table->name);
            move.step();
        }
        unit.done();
        return nullptr;
    }

    std::unique_ptr<ResultSet> operator()(const Select &select)
    {
        const auto table = m_database.find(schemaOf(select.table), select.table.name);
        if (!table) {
            undefined(select.table);
        }
        if (select.count) {
            // DB2 names a column without a name by its position.
            return std::make_unique<TableResult>(m_database.m_db,
                                                 std::vector<Column>{{"1", "INTEGER"}},
                                                 "SELECT count(*) FROM " +
                                                     quoteSqlite(table->store));
        }
        std::string query = "SELECT ";
        for (std::size_t i = 0; i < table->columns.size(); ++i) {
            query += (i == 0 ? "c" : ", c") + std::to_string(i + 1);
        }
        return std::make_unique<TableResult>(
            m_database.m_db, table->columns, query + " FROM " + quoteSqlite(table->store));
    }

private:
    std::string schemaOf(const Name &n) const
    {
        return n.schema.empty() ? m_database.m_schema : n.schema;
    }

    [[noreturn]] void undefined(const Name &n) const
    {
        raise(-204,
              "\"" + display(schemaOf(n), n.name) + "\" is an undefined name.",
              "42704",
              "42S02");
    }

    [[noreturn]] static void
    existing(const std::string &schema, const std::string &name, const std::string &type)
    {
        raise(-601,
              "The name of the object to be created is identical to the existing name \"" +
                  display(schema, name) + "\" of type \"" + type + "\".",
              "42710",
              "42S01");
    }

    Database &m_database;
};

std::unique_ptr<ResultSet> Database::execute(const std::string &sql)
{
    const Statement statement = parse(sql);
    if (!m_autoCommit && sqlite3_get_autocommit(m_db) != 0) {
        run("BEGIN"); // the first statement of a unit of work opens it
    }
    return std::visit(Executor(*this), statement);
}

} // namespace db2emu
