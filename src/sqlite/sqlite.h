#pragma once

// SQLite access written once for the staging database and the DB2 emulation: one owner of a
// prepared statement and one guard of a transaction. What a failure becomes is the user's
// choice: a `Failure` type with
//
//     static constexpr const char *reading = ...;  // what a step is doing unless told
//     [[noreturn]] static void raise(const char *doing, const std::string &why);
//
// whose raise throws the user's own error; `doing` is null outside a step.

#include <sqlite3.h>

#include <memory>
#include <string>

namespace tw::sqlite {

// A prepared statement, finalised when its owner goes.
template <class Failure> class Statement
{
public:
    Statement(sqlite3 *db, const std::string &sql)
        : m_db(db)
    {
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) !=
            SQLITE_OK) {
            sqlite3_finalize(stmt);
            Failure::raise(nullptr, sqlite3_errmsg(db));
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

    // True on a row, false when done; a failure raises `doing` with SQLite's reason.
    bool step(const char *doing = Failure::reading)
    {
        const int rc = sqlite3_step(get());
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            const std::string why = sqlite3_errmsg(m_db);
            sqlite3_reset(get());
            Failure::raise(doing, why);
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

// Runs statements without results; a failure raises with SQLite's reason.
template <class Failure> void execute(sqlite3 *db, const char *sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string why = error != nullptr ? error : sqlite3_errmsg(db);
        sqlite3_free(error);
        Failure::raise(nullptr, why);
    }
}

// The statements that begin, commit and roll back a transaction or a savepoint.
struct Bracket
{
    const char *begin = "BEGIN";
    const char *commit = "COMMIT";
    const char *rollback = "ROLLBACK";
};

// A transaction: begun on construction, rolled back when left without commit().
template <class Failure> class Transaction
{
public:
    explicit Transaction(sqlite3 *db, Bracket bracket = {})
        : m_db(db)
        , m_bracket(bracket)
    {
        execute<Failure>(m_db, m_bracket.begin);
    }

    ~Transaction()
    {
        if (!m_done) {
            sqlite3_exec(m_db, m_bracket.rollback, nullptr, nullptr, nullptr);
        }
    }

    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void commit()
    {
        execute<Failure>(m_db, m_bracket.commit);
        m_done = true;
    }

private:
    sqlite3 *m_db;
    Bracket m_bracket;
    bool m_done = false;
};

} // namespace tw::sqlite
