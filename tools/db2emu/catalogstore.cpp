#include "catalogstore.h"

#include <sqlite3.h>

namespace db2emu {

void createCatalog(sqlite3 *db)
{
    tw::sqlite::execute<SqliteFailure>(
        db,
        "CREATE TABLE IF NOT EXISTS db2emu_objects(schema TEXT, name TEXT, type TEXT, store "
        "TEXT, PRIMARY KEY(schema, name))");
    tw::sqlite::execute<SqliteFailure>(
        db,
        "CREATE TABLE IF NOT EXISTS db2emu_columns(schema TEXT, name TEXT, ordinal INTEGER, "
        "column_name TEXT, type TEXT, length INTEGER, scale INTEGER)");
    tw::sqlite::execute<SqliteFailure>(
        db,
        "CREATE TABLE IF NOT EXISTS db2emu_keys(schema TEXT, name TEXT, key_name TEXT, "
        "is_primary INTEGER, ordinal INTEGER, column_name TEXT)");
    tw::sqlite::execute<SqliteFailure>(
        db,
        "CREATE TABLE IF NOT EXISTS db2emu_indexes(schema TEXT, name TEXT, index_schema TEXT, "
        "index_name TEXT, is_unique INTEGER, ordinal INTEGER, column_name TEXT, descending "
        "INTEGER)");
    sqlite3_exec(db,
                 "ALTER TABLE db2emu_objects ADD COLUMN remarks TEXT",
                 nullptr,
                 nullptr,
                 nullptr); // already there: nothing to do
    // Columns later emulations keep for each column; an older database gets them here.
    for (const char *added : {"for_bit_data INTEGER DEFAULT 0",
                              "nullable INTEGER DEFAULT 1",
                              "default_kind INTEGER DEFAULT 0",
                              "default_literal_kind INTEGER DEFAULT 0",
                              "default_text TEXT DEFAULT ''",
                              "identity TEXT DEFAULT ''",
                              "identity_start INTEGER DEFAULT 1",
                              "identity_step INTEGER DEFAULT 1",
                              "identity_next INTEGER"}) {
        sqlite3_exec(db,
                     (std::string("ALTER TABLE db2emu_columns ADD COLUMN ") + added).c_str(),
                     nullptr,
                     nullptr,
                     nullptr); // already there: nothing to do
    }
    // SYSCAT.COLUMNS as a client reads it: the columns of the catalog view a query names.
    tw::sqlite::execute<SqliteFailure>(
        db,
        "CREATE VIEW IF NOT EXISTS db2emu_syscat_columns AS SELECT schema AS c1, name AS c2, "
        "column_name AS c3, ordinal AS c4, type AS c5, CASE WHEN identity <> '' THEN 'Y' ELSE "
        "'N' END AS c6 FROM db2emu_columns");
}

Column columnAt(SqliteStatement &row, int first)
{
    sqlite3_stmt *stmt = row.get();
    Column column;
    column.name = row.text(first);
    // The catalog keeps a type by its name, as Db2's does.
    const TypeFacts *facts = factsNamed(row.text(first + 1));
    column.type = facts != nullptr ? facts->id : TypeId::VarChar;
    column.length = sqlite3_column_int(stmt, first + 2);
    column.scale = sqlite3_column_int(stmt, first + 3);
    column.forBitData = sqlite3_column_int(stmt, first + 4) != 0;
    column.nullable = sqlite3_column_int(stmt, first + 5) != 0;
    column.defaultValue.kind = static_cast<DefaultValue::Kind>(sqlite3_column_int(stmt, first + 6));
    column.defaultValue.literalKind = sqlite3_column_int(stmt, first + 7);
    column.defaultValue.text = row.text(first + 8);
    column.identity = row.text(first + 9);
    column.identityStart = sqlite3_column_int64(stmt, first + 10);
    column.identityStep = sqlite3_column_int64(stmt, first + 11);
    return column;
}

namespace {

void storeColumn(sqlite3 *db,
                 const std::string &schema,
                 const std::string &table,
                 long long ordinal,
                 const Column &column)
{
    SqliteStatement store(db,
                          "INSERT INTO db2emu_columns(schema, name, ordinal, " +
                              std::string(kColumnFields) +
                              ", identity_next) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, "
                              "?11, ?12, ?13, ?14, ?15, ?14)");
    store.bind(1, schema);
    store.bind(2, table);
    store.bind(3, ordinal);
    store.bind(4, column.name);
    store.bind(5, std::string(column.facts().name));
    store.bind(6, static_cast<long long>(column.length));
    store.bind(7, static_cast<long long>(column.scale));
    store.bind(8, static_cast<long long>(column.forBitData ? 1 : 0));
    store.bind(9, static_cast<long long>(column.nullable ? 1 : 0));
    store.bind(10, static_cast<long long>(column.defaultValue.kind));
    store.bind(11, static_cast<long long>(column.defaultValue.literalKind));
    store.bind(12, column.defaultValue.text);
    store.bind(13, column.identity);
    store.bind(14, column.identityStart);
    store.bind(15, column.identityStep);
    store.step();
}

} // namespace

void storeObject(sqlite3 *db,
                 const std::string &schema,
                 const std::string &name,
                 const std::string &type,
                 const std::string &store,
                 const std::vector<Column> &columns)
{
    SqliteStatement object(
        db, "INSERT INTO db2emu_objects(schema, name, type, store) VALUES(?1, ?2, ?3, ?4)");
    object.bind(1, schema);
    object.bind(2, name);
    object.bind(3, type);
    object.bind(4, store);
    object.step();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        storeColumn(db, schema, name, static_cast<long long>(i), columns[i]);
    }
}

void storeKey(sqlite3 *db, const std::string &schema, const std::string &table, const Key &key)
{
    for (std::size_t i = 0; i < key.columns.size(); ++i) {
        SqliteStatement store(db, "INSERT INTO db2emu_keys VALUES(?1, ?2, ?3, ?4, ?5, ?6)");
        store.bind(1, schema);
        store.bind(2, table);
        store.bind(3, key.name);
        store.bind(4, static_cast<long long>(key.primary ? 1 : 0));
        store.bind(5, static_cast<long long>(i + 1));
        store.bind(6, key.columns[i]);
        store.step();
    }
}

std::vector<Key> keysOf(sqlite3 *db, const std::string &schema, const std::string &table)
{
    std::vector<Key> keys;
    SqliteStatement listed(db,
                           "SELECT key_name, is_primary, column_name FROM db2emu_keys WHERE "
                           "schema = ?1 AND name = ?2 ORDER BY is_primary DESC, key_name, "
                           "ordinal");
    listed.bind(1, schema);
    listed.bind(2, table);
    while (listed.step()) {
        if (keys.empty() || keys.back().name != listed.text(0)) {
            keys.push_back({listed.text(0), sqlite3_column_int(listed.get(), 1) != 0, {}});
        }
        keys.back().columns.push_back(listed.text(2));
    }
    return keys;
}

void storeIndex(sqlite3 *db,
                const std::string &schema,
                const std::string &table,
                const Index &index)
{
    for (std::size_t i = 0; i < index.columns.size(); ++i) {
        SqliteStatement store(db,
                              "INSERT INTO db2emu_indexes VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
        store.bind(1, schema);
        store.bind(2, table);
        store.bind(3, index.schema);
        store.bind(4, index.name);
        store.bind(5, static_cast<long long>(index.unique ? 1 : 0));
        store.bind(6, static_cast<long long>(i + 1));
        store.bind(7, index.columns[i].column);
        store.bind(8, static_cast<long long>(index.columns[i].descending ? 1 : 0));
        store.step();
    }
}

std::vector<Index> indexesOf(sqlite3 *db, const std::string &schema, const std::string &table)
{
    std::vector<Index> indexes;
    SqliteStatement listed(db,
                           "SELECT index_schema, index_name, is_unique, column_name, descending "
                           "FROM db2emu_indexes WHERE schema = ?1 AND name = ?2 ORDER BY "
                           "index_schema, index_name, ordinal");
    listed.bind(1, schema);
    listed.bind(2, table);
    while (listed.step()) {
        if (indexes.empty() || indexes.back().schema != listed.text(0) ||
            indexes.back().name != listed.text(1)) {
            indexes.push_back(
                {listed.text(0), listed.text(1), sqlite3_column_int(listed.get(), 2) != 0, {}});
        }
        indexes.back().columns.push_back(
            {listed.text(3), sqlite3_column_int(listed.get(), 4) != 0});
    }
    return indexes;
}

bool indexExists(sqlite3 *db, const std::string &schema, const std::string &name)
{
    SqliteStatement found(
        db, "SELECT 1 FROM db2emu_indexes WHERE index_schema = ?1 AND index_name = ?2");
    found.bind(1, schema);
    found.bind(2, name);
    return found.step();
}

void forgetTable(sqlite3 *db, const std::string &schema, const std::string &table)
{
    for (const char *catalog :
         {"db2emu_objects", "db2emu_columns", "db2emu_keys", "db2emu_indexes"}) {
        SqliteStatement forget(
            db, std::string("DELETE FROM ") + catalog + " WHERE schema = ?1 AND name = ?2");
        forget.bind(1, schema);
        forget.bind(2, table);
        forget.step();
    }
}

void renameTable(sqlite3 *db,
                 const std::string &schema,
                 const std::string &from,
                 const std::string &to)
{
    for (const char *catalog :
         {"db2emu_objects", "db2emu_columns", "db2emu_keys", "db2emu_indexes"}) {
        SqliteStatement move(db,
                             std::string("UPDATE ") + catalog +
                                 " SET name = ?1 WHERE schema = ?2 AND name = ?3");
        move.bind(1, to);
        move.bind(2, schema);
        move.bind(3, from);
        move.step();
    }
}

} // namespace db2emu
