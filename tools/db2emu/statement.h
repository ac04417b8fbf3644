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
    enum class Kind { Null, Number, String, Hex } kind = Kind::Null;
    std::string text;
};

struct CreateTable
{
    Name table;
    std::vector<Column> columns;
};

struct CreateView
{
    Name view;
    Name source;
};

struct Insert
{
    Name table;
    std::vector<Literal> values;
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

struct Select
{
    Name table;
    bool count = false; // SELECT COUNT(*) FROM ...
};

using Statement = std::variant<CreateTable, CreateView, Insert, Drop, Rename, Select>;

// Parses one statement in DB2's dialect; throws Db2Exception with DB2's syntax errors.
Statement parse(const std::string &sql);

} // namespace db2emu
