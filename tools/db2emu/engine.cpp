#include "engine.h"

#include "executor.h"
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

std::string display(const std::string &schema, const std::string &name)
{
    return schema + "." + name;
}

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

void parseOnly(const std::string &sql)
{
    (void)parse(sql);
}

Database::Database(const std::string &file, std::string schema, bool durable)
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
    run(durable ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=OFF");
    createCatalog(m_db);
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
    if (schema == "SYSCAT" && name == "COLUMNS") {
        return Object{schema,
                      name,
                      "VIEW",
                      "db2emu_syscat_columns",
                      {resultColumn("TABSCHEMA", TypeId::VarChar, 128),
                       resultColumn("TABNAME", TypeId::VarChar, 128),
                       resultColumn("COLNAME", TypeId::VarChar, 128),
                       resultColumn("COLNO", TypeId::SmallInt),
                       resultColumn("TYPENAME", TypeId::VarChar, 128),
                       resultColumn("IDENTITY", TypeId::Char, 1)}};
    }
    SqliteStatement lookup(
        m_db, "SELECT type, store FROM db2emu_objects WHERE schema = ?1 AND name = ?2");
    lookup.bind(1, schema);
    lookup.bind(2, name);
    if (!lookup.step()) {
        return std::nullopt;
    }
    Object object{schema, name, lookup.text(0), lookup.text(1), {}};
    SqliteStatement columns(m_db,
                            "SELECT " + std::string(kColumnFields) +
                                " FROM db2emu_columns WHERE schema = ?1 AND name = ?2 ORDER BY "
                                "ordinal");
    columns.bind(1, schema);
    columns.bind(2, name);
    while (columns.step()) {
        object.columns.push_back(columnAt(columns, 0));
    }
    return object;
}

void Database::setAutoCommit(bool on)
{
    if (on && !m_autoCommit) {
        endUnit(true);
    }
    m_autoCommit = on;
}

void Database::logRows(long long rows) const
{
    if (m_logLimit > 0 && m_unitRows + rows > m_logLimit) {
        raise(-964, "The transaction log for the database is full.", "57011");
    }
}

void Database::endUnit(bool commit)
{
    m_unitRows = 0;
    if (sqlite3_get_autocommit(m_db) == 0) {
        run(commit ? "COMMIT" : "ROLLBACK");
    }
}

void Database::beginArray()
{
    if (!m_autoCommit && sqlite3_get_autocommit(m_db) != 0) {
        run("BEGIN"); // the array opens the unit of work
    }
    m_arrayOwnsTransaction = sqlite3_get_autocommit(m_db) != 0;
    run(m_arrayOwnsTransaction ? "BEGIN IMMEDIATE" : "SAVEPOINT db2emu_array");
    m_inArray = true;
}

void Database::endArray(bool keep)
{
    m_inArray = false;
    if (m_arrayOwnsTransaction) {
        run(keep ? "COMMIT" : "ROLLBACK");
    } else {
        run(keep ? "RELEASE db2emu_array" : "ROLLBACK TO db2emu_array; RELEASE db2emu_array");
    }
}

std::string Executor::schemaOf(const Name &n) const
{
    return n.schema.empty() ? m_database.m_schema : n.schema;
}

Database::Object Executor::object(const Name &n) const
{
    auto found = m_database.find(schemaOf(n), n.name);
    if (!found) {
        undefined(n);
    }
    return std::move(*found);
}

void Executor::undefined(const Name &n) const
{
    raise(-204, "\"" + display(schemaOf(n), n.name) + "\" is an undefined name.", "42704", "42S02");
}

void Executor::existing(const std::string &schema, const std::string &name, const std::string &type)
{
    raise(-601,
          "The name of the object to be created is identical to the existing name \"" +
              display(schema, name) + "\" of type \"" + type + "\".",
          "42710",
          "42S01");
}

std::vector<Key> Executor::checkedKeys(const CreateTable &create) const
{
    std::vector<Key> keys;
    bool primary = false;
    const std::string table = display(schemaOf(create.table), create.table.name);
    for (const KeyConstraint &constraint : create.keys) {
        if (constraint.primary && primary) {
            raise(-624, "Table \"" + table + "\" already has a \"PRIMARY\" key.", "42889");
        }
        primary = primary || constraint.primary;
        for (const std::string &name : constraint.columns) {
            const auto column = std::find_if(create.columns.begin(),
                                             create.columns.end(),
                                             [&](const Column &c) { return c.name == name; });
            if (column == create.columns.end()) {
                raise(-205,
                      "Column, attribute, or period \"" + name + "\" is not defined in \"" + table +
                          "\".",
                      "42703");
            }
            if (column->nullable) {
                raise(-542,
                      "\"" + name +
                          "\" cannot be a column of a primary key or unique key because it can "
                          "contain null values.",
                      "42831");
            }
        }
        // Db2 names a constraint it was not given a name for.
        const std::string name = constraint.name.empty() ? "SQL" + std::to_string(keys.size() + 1) +
                                                               "_" + create.table.name
                                                         : constraint.name;
        keys.push_back({name, constraint.primary, constraint.columns});
    }
    return keys;
}

std::unique_ptr<ResultSet> Executor::operator()(const CreateTable &create)
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
        checkDefault(create.columns[i]);
    }
    const std::vector<Key> keys = checkedKeys(create);
    const std::string store = m_database.newStore("t");
    std::string ddl = "CREATE TABLE " + quoteSqlite(store) + "(";
    for (std::size_t i = 0; i < create.columns.size(); ++i) {
        ddl += (i == 0 ? "c" : ", c") + std::to_string(i + 1);
    }
    // Keys are the store's unique constraints, one index each.
    for (const Key &key : keys) {
        ddl += ", UNIQUE(";
        for (std::size_t k = 0; k < key.columns.size(); ++k) {
            const auto at = std::find_if(create.columns.begin(),
                                         create.columns.end(),
                                         [&](const Column &c) { return c.name == key.columns[k]; });
            ddl += (k == 0 ? "c" : ", c") + std::to_string(at - create.columns.begin() + 1);
        }
        ddl += ")";
    }
    StatementUnit unit(m_database);
    m_database.run(ddl + ")");
    storeObject(m_database.m_db, schema, create.table.name, "TABLE", store, create.columns);
    for (const Key &key : keys) {
        storeKey(m_database.m_db, schema, create.table.name, key);
    }
    unit.done();
    return nullptr;
}

std::unique_ptr<ResultSet> Executor::operator()(const CreateView &view)
{
    const std::string schema = schemaOf(view.view);
    const Database::Object source = object(view.source);
    if (const auto found = m_database.find(schema, view.view.name)) {
        existing(schema, view.view.name, found->type);
    }
    const std::string store = m_database.newStore("v");
    StatementUnit unit(m_database);
    m_database.run("CREATE VIEW " + quoteSqlite(store) + " AS SELECT * FROM " +
                   quoteSqlite(source.store));
    std::vector<Column> columns = source.columns;
    for (Column &column : columns) {
        column.identity.clear(); // a view's column generates nothing
    }
    storeObject(m_database.m_db, schema, view.view.name, "VIEW", store, columns);
    unit.done();
    return nullptr;
}

std::unique_ptr<ResultSet> Executor::operator()(const CreateIndex &create)
{
    const Database::Object table = object(create.table);
    if (table.type != "TABLE") {
        raise(-156, "The statement or command was not applied to a table.", "42809");
    }
    const std::string schema = schemaOf(create.index);
    if (indexExists(m_database.m_db, schema, create.index.name)) {
        existing(schema, create.index.name, "INDEX");
    }
    std::string columns;
    for (const OrderKey &key : create.columns) {
        const auto at = std::find_if(table.columns.begin(),
                                     table.columns.end(),
                                     [&](const Column &c) { return c.name == key.column; });
        if (at == table.columns.end()) {
            raise(-205,
                  "Column, attribute, or period \"" + key.column + "\" is not defined in \"" +
                      display(table.schema, table.name) + "\".",
                  "42703");
        }
        columns += (columns.empty() ? "c" : ", c") +
                   std::to_string(at - table.columns.begin() + 1) + (key.descending ? " DESC" : "");
    }
    StatementUnit unit(m_database);
    const std::string store = m_database.newStore("i");
    m_database.run(std::string("CREATE ") + (create.unique ? "UNIQUE " : "") + "INDEX " +
                   quoteSqlite(store) + " ON " + quoteSqlite(table.store) + "(" + columns + ")");
    storeIndex(m_database.m_db,
               table.schema,
               table.name,
               {schema, create.index.name, create.unique, create.columns});
    unit.done();
    return nullptr;
}

std::unique_ptr<ResultSet> Executor::operator()(const Drop &drop)
{
    const auto table = m_database.find(schemaOf(drop.table), drop.table.name);
    if (!table || table->type != "TABLE") {
        undefined(drop.table);
    }
    StatementUnit unit(m_database);
    m_database.run("DROP TABLE " + quoteSqlite(table->store));
    forgetTable(m_database.m_db, table->schema, table->name);
    unit.done();
    return nullptr;
}

std::unique_ptr<ResultSet> Executor::operator()(const Rename &rename)
{
    const Database::Object table = object(rename.from);
    if (table.type != "TABLE") {
        raise(-809, "\"" + display(table.schema, table.name) + "\" is not a table.", "42809");
    }
    if (const auto target = m_database.find(table.schema, rename.to)) {
        existing(table.schema, rename.to, target->type);
    }
    // A view reads the table by its store's name, as Db2 keeps a view's dependency.
    SqliteStatement viewed(m_database.m_db,
                           "SELECT 1 FROM sqlite_master WHERE type = 'view' AND instr(sql, ?1)");
    viewed.bind(1, quoteSqlite(table.store));
    if (viewed.step()) {
        raise(-750,
              "The source table cannot be renamed because it is referenced in a view, "
              "materialized query table, trigger, SQL function, SQL method, check constraint, "
              "referential constraint, or an XSR object.",
              "42986");
    }
    StatementUnit unit(m_database);
    renameTable(m_database.m_db, table.schema, table.name, rename.to);
    unit.done();
    return nullptr;
}

std::unique_ptr<ResultSet> Executor::operator()(const RenameIndex &rename)
{
    const std::string schema = schemaOf(rename.from);
    if (!indexExists(m_database.m_db, schema, rename.from.name)) {
        raise(-204, "\"" + display(schema, rename.from.name) + "\" is an undefined name.", "42704");
    }
    if (indexExists(m_database.m_db, schema, rename.to)) {
        existing(schema, rename.to, "INDEX");
    }
    StatementUnit unit(m_database);
    SqliteStatement move(m_database.m_db,
                         "UPDATE db2emu_indexes SET index_name = ?1 WHERE index_schema = ?2 AND "
                         "index_name = ?3");
    move.bind(1, rename.to);
    move.bind(2, schema);
    move.bind(3, rename.from.name);
    move.step();
    unit.done();
    return nullptr;
}

std::unique_ptr<ResultSet> Executor::operator()(const Comment &comment)
{
    const Database::Object table = object(comment.table);
    // A table's REMARKS column holds 254 bytes.
    if (comment.text.size() > 254) {
        raise(-102,
              "The string constant beginning with \"'" + comment.text.substr(0, 10) +
                  "\" is too long.",
              "54002");
    }
    StatementUnit unit(m_database);
    SqliteStatement remark(
        m_database.m_db, "UPDATE db2emu_objects SET remarks = ?1 WHERE schema = ?2 AND name = ?3");
    remark.bind(1, comment.text);
    remark.bind(2, table.schema);
    remark.bind(3, table.name);
    remark.step();
    unit.done();
    return nullptr;
}

std::unique_ptr<ResultSet> Database::execute(const std::string &sql)
{
    return execute(prepare(sql), {});
}

std::unique_ptr<ResultSet> Database::execute(const PreparedStatement &prepared,
                                             std::vector<Literal> values)
{
    if (static_cast<std::size_t>(prepared.markers) > values.size()) {
        throw Db2Exception({"07002",
                            -99999,
                            "[IBM][CLI Driver] CLI0100E  Wrong number of parameters. "
                            "SQLSTATE=07002"});
    }
    if (prepared.markers > 0) {
        return perform(withValues(prepared, std::move(values)));
    }
    return perform(prepared.statement);
}

std::unique_ptr<ResultSet> Database::perform(const Statement &statement)
{
    if (sqlite3_get_autocommit(m_db) != 0) {
        m_unitRows = 0;
    }
    if (!m_autoCommit && sqlite3_get_autocommit(m_db) != 0) {
        run("BEGIN"); // the first statement of a unit of work opens it
    }
    m_changes = -1;
    return std::visit(Executor(*this), statement);
}

} // namespace db2emu
