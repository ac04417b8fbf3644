#pragma once

// The emulation's SQLite access: one owner of a prepared statement, and names quoted for SQLite.

#include "engine.h"
#include "sqlite/sqlite.h"
#include "text/text.h"

#include <string>

namespace db2emu {

// SQLite's failures as DB2 reports a failure of its own storage: SQL0901N.
struct SqliteFailure
{
    static constexpr const char *reading = nullptr;

    [[noreturn]] static void raise(const char *, const std::string &why)
    {
        db2emu::raise(-901,
                      "The SQL statement or command failed because of a database system error. "
                      "(Reason \"" +
                          why + "\".)",
                      "58004");
    }
};

using SqliteStatement = tw::sqlite::Statement<SqliteFailure>;

inline std::string quoteSqlite(const std::string &name)
{
    return "\"" + tw::text::doubled(name, '"') + "\"";
}

} // namespace db2emu
