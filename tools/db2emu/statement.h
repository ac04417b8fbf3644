#pragma once

// The statements the emulation takes, as the parser gives them.

#include "engine.h"

#include <string>
#include <variant>
#include <vector>

namespace db2emu {

struct Name
{
    std::string schema; // empty: the default schema
    std::string name;
};

struct Literal
{
    // Boolean: TRUE or FALSE, its text "1" or "0"; Default: the DEFAULT keyword of an INSERT;
    // Hex: the bytes themselves; Parameter: a "?" marker, its text the marker's number from 1,
    // replaced by the bound value when the statement runs.
    enum class Kind { Null, Number, String, Hex, Boolean, Default, Parameter } kind = Kind::Null;
    std::string text;
};

struct OrderKey
{
    std::string column;
    bool descending = false;
};

// A PRIMARY KEY or UNIQUE constraint as CREATE TABLE gives it.
struct KeyConstraint
{
    std::string name; // empty: Db2 names it
    bool primary = false;
    std::vector<std::string> columns;
};

struct CreateTable
{
    Name table;
    std::vector<Column> columns;
    std::vector<KeyConstraint> keys;
};

struct CreateView
{
    Name view;
    Name source;
};

struct Insert
{
    Name table;
    std::vector<std::string> columns; // empty: every column in order
    std::vector<std::vector<Literal>> rows;
};

// CREATE [UNIQUE] INDEX name ON table (column [ASC | DESC], ...)
struct CreateIndex
{
    Name index;
    Name table;
    bool unique = false;
    std::vector<OrderKey> columns;
};

struct Drop
{
    Name table;
};

struct Rename
{
    Name from;
    std::string to;
};

// RENAME INDEX name TO name
struct RenameIndex
{
    Name from;
    std::string to;
};

// COMMENT ON TABLE name IS 'text': the table's REMARKS in the catalog.
struct Comment
{
    Name table;
    std::string text;
};

// One comparison of a WHERE clause: a column against a literal; "IS NULL" and "IS NOT NULL"
// have none.
struct Comparison
{
    std::string column;
    std::string op; // =, <>, <, >, <=, >=, IS NULL, IS NOT NULL
    Literal value;
};

// A WHERE clause in its written order: comparisons and the words AND, OR, NOT, "(" and ")".
using WhereItem = std::variant<Comparison, std::string>;

struct Select
{
    Name table;
    bool count = false;               // SELECT COUNT(*) FROM ...
    std::vector<std::string> columns; // empty: *
    std::vector<WhereItem> where;
    std::vector<OrderKey> orderBy;
    long long fetchFirst = -1; // FETCH FIRST n ROWS ONLY; -1 without
};

// VALUES CURRENT SCHEMA: a special register, as a one-row result.
struct Values
{
    std::string special; // "CURRENT SCHEMA"
};

// Parses one statement in DB2's dialect; throws Db2Exception with DB2's syntax errors.
Statement parse(const std::string &sql);

// A statement parsed once to run many times, with the number of its parameter markers.
struct PreparedStatement
{
    Statement statement;
    int markers = 0;
};

PreparedStatement prepare(const std::string &sql);

// The statement with each parameter marker replaced by its value (values[0] for marker 1).
Statement withValues(const PreparedStatement &prepared, std::vector<Literal> values);

} // namespace db2emu
