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

// Binds a cell to a statement's parameter. A `lasting` cell outlives the statement's next
// step, so its bytes are not copied.
inline void bindCell(sqlite3_stmt *stmt, int index, const Cell &cell, bool lasting = false)
{
    const auto keep = lasting ? SQLITE_STATIC : SQLITE_TRANSIENT;
    switch (cell.kind) {
    case Cell::Kind::Null:
        sqlite3_bind_null(stmt, index);
        break;
    case Cell::Kind::Integer:
        sqlite3_bind_int64(stmt, index, cell.integer);
        break;
    case Cell::Kind::Real:
        sqlite3_bind_double(stmt, index, cell.real);
        break;
    case Cell::Kind::Text:
        sqlite3_bind_text(
            stmt, index, cell.bytes.data(), static_cast<int>(cell.bytes.size()), keep);
        break;
    case Cell::Kind::Blob:
        sqlite3_bind_blob(
            stmt, index, cell.bytes.data(), static_cast<int>(cell.bytes.size()), keep);
        break;
    }
}

inline std::string quoteSqlite(const std::string &name)
{
    return "\"" + tw::text::doubled(name, '"') + "\"";
}

} // namespace db2emu
