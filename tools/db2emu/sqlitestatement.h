#pragma once

// The emulation's SQLite access: one owner of a prepared statement, and names quoted for SQLite.

#include "core/text.h"
#include "engine.h"

#include <sqlite3.h>

#include <string>

namespace db2emu {

class Statement3
{
public:
    Statement3(sqlite3 *db, const std::string &sql)
    {
        if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &m_stmt, nullptr) !=
            SQLITE_OK) {
            const std::string why = sqlite3_errmsg(db);
            sqlite3_finalize(m_stmt);
            raise(-901,
                  "The SQL statement or command failed because of a database system error. (Reason "
                  "\"" +
                      why + "\".)",
                  "58004");
        }
    }

    ~Statement3() { sqlite3_finalize(m_stmt); }

    Statement3(const Statement3 &) = delete;
    Statement3 &operator=(const Statement3 &) = delete;

    sqlite3_stmt *get() const { return m_stmt; }

    void bind(int index, const std::string &text)
    {
        sqlite3_bind_text(
            m_stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }

    void bind(int index, long long value) { sqlite3_bind_int64(m_stmt, index, value); }

    bool step(sqlite3 *db)
    {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW) {
            return true;
        }
        if (rc != SQLITE_DONE) {
            raise(-901,
                  std::string(
                      "The SQL statement or command failed because of a database system error. "
                      "(Reason \"") +
                      sqlite3_errmsg(db) + "\".)",
                  "58004");
        }
        return false;
    }

    std::string text(int column) const
    {
        const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
        return p == nullptr
                   ? std::string()
                   : std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column)));
    }

private:
    sqlite3_stmt *m_stmt = nullptr;
};

inline std::string quoteSqlite(const std::string &name)
{
    return "\"" + tw::text::doubled(name, '"') + "\"";
}

} // namespace db2emu
