#pragma once

// How the emulation keeps its catalog in SQLite: the objects, each table's columns with their
// attributes, the tables' keys and their indexes.

#include "engine.h"
#include "sqlitestatement.h"
#include "statement.h"

#include <string>
#include <vector>

namespace db2emu {

// Creates the catalog's tables, and adds the columns a database made by an older emulation
// lacks.
void createCatalog(sqlite3 *db);

// The catalog columns a column is read from, in the order columnAt reads them.
inline constexpr const char *kColumnFields =
    "column_name, type, length, scale, for_bit_data, nullable, default_kind, "
    "default_literal_kind, default_text, identity, identity_start, identity_step";

// The column whose fields (kColumnFields) start at `first` in the current row.
Column columnAt(SqliteStatement &row, int first);

// Adds a table or view (`type`), kept in the store table `store`, with its columns in order.
void storeObject(sqlite3 *db,
                 const std::string &schema,
                 const std::string &name,
                 const std::string &type,
                 const std::string &store,
                 const std::vector<Column> &columns);

// A primary key or unique constraint of a table, its columns in key order.
struct Key
{
    std::string name;
    bool primary = false;
    std::vector<std::string> columns;
};

void storeKey(sqlite3 *db, const std::string &schema, const std::string &table, const Key &key);
std::vector<Key> keysOf(sqlite3 *db, const std::string &schema, const std::string &table);

// An index CREATE INDEX made, its columns in index order.
struct Index
{
    std::string schema;
    std::string name;
    bool unique = false;
    std::vector<OrderKey> columns;
};

void storeIndex(sqlite3 *db,
                const std::string &schema,
                const std::string &table,
                const Index &index);
std::vector<Index> indexesOf(sqlite3 *db, const std::string &schema, const std::string &table);
// True when the schema has an index of that name.
bool indexExists(sqlite3 *db, const std::string &schema, const std::string &name);

// Forgets a table with its columns, keys and indexes.
void forgetTable(sqlite3 *db, const std::string &schema, const std::string &table);
// Gives a table, its columns, keys and indexes another name.
void renameTable(sqlite3 *db,
                 const std::string &schema,
                 const std::string &from,
                 const std::string &to);

} // namespace db2emu
