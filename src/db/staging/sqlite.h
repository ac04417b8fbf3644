#pragma once

// The staging database's SQLite access: one owner of a prepared statement and one guard of a
// transaction, each failure a db::Error.

#include "db/error.h"

#include <sqlite3.h>

#include <memory>
#include <string>

namespace tw::db::staging {

// A prepared statement, finalised when its owner goes.
class SqliteStatement
{
public:
    SqliteStatement(sqlite3 *db, const std::string &sql)
        : m_db(db)
    {
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
            sqlite3_finalize(stmt);
            throw Error(std::string("The staging database refused a statement: ") +
                        sqlite3_errmsg(db));
        }
        m_stmt.reset(stmt);
    }

    sqlite3_stmt *get() const { return m_stmt.get(); }

    void bind(int index, const std::string &text)
    {
        sqlite3_bind_text(
            get(), index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }

    void bind(int index, sqlite3_int64 number) { sqlite3_bind_int64(get(), index, number); }

    void bindNull(int index) { sqlite3_bind_null(get(), index); }

    // True on a row, false when done; a failure throws `what` with SQLite's reason.
    bool step(const char *what = "Reading the staging table failed")
    {
        const int rc = sqlite3_step(get());
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            const std::string why = sqlite3_errmsg(m_db);
            sqlite3_reset(get());
            throw Error(std::string(what) + ": " + why);
        }
        return rc == SQLITE_ROW;
    }

    void reset() { sqlite3_reset(get()); }

    bool isNull(int column) const { return sqlite3_column_type(get(), column) == SQLITE_NULL; }

    std::string text(int column) const
    {
        const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(get(), column));
        return p == nullptr
                   ? std::string()
                   : std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(get(), column)));
    }

private:
    struct Finalize
    {
        void operator()(sqlite3_stmt *stmt) const { sqlite3_finalize(stmt); }
    };

    sqlite3 *m_db;
    std::unique_ptr<sqlite3_stmt, Finalize> m_stmt;
};

// A transaction: begun on construction, rolled back when left without commit().
class SqliteTransaction
{
public:
    explicit SqliteTransaction(sqlite3 *db)
        : m_db(db)
    {
        run("BEGIN");
    }

    ~SqliteTransaction()
    {
        if (!m_done) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
    }

    SqliteTransaction(const SqliteTransaction &) = delete;
    SqliteTransaction &operator=(const SqliteTransaction &) = delete;

    void commit()
    {
        run("COMMIT");
        m_done = true;
    }

private:
    void run(const char *sql)
    {
        char *error = nullptr;
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string why = error != nullptr ? error : sqlite3_errmsg(m_db);
            sqlite3_free(error);
            throw Error("The staging database refused a statement: " + why);
        }
    }

    sqlite3 *m_db;
    bool m_done = false;
};

} // namespace tw::db::staging
