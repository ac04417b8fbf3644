// The staging backend: an SQLite file in the place of the Jet staging database, and the
// export of one of its tables into a new Paradox table with our writer.

#include "core/filename.h"
#include "core/pumping.h"
#include "db/backend.h"
#include "db/connectionstring.h"
#include "db/error.h"
#include "db/sqlparse.h"
#include "db/staging/exporter.h"
#include "db/staging/statement.h"
#include "text/text.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tw::db::backend {

namespace {

using staging::sqliteName;
using staging::SqliteStatement;
using staging::SqliteTransaction;

class StagingSession final : public Session
{
public:
    explicit StagingSession(const std::string &connectionString)
        : m_file(connectionValue(connectionString, "Data Source"))
    {
        std::error_code error;
        if (m_file.empty() || !std::filesystem::is_regular_file(m_file, error)) {
            throw Error("The staging database \"" + m_file + "\" is missing");
        }
        // Never created here: the file must be there, beside the program.
        if (sqlite3_open_v2(m_file.c_str(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            const std::string why = m_db != nullptr ? sqlite3_errmsg(m_db) : "out of memory";
            sqlite3_close(m_db);
            m_db = nullptr;
            throw Error("The staging database " + m_file + " cannot be opened: " + why);
        }
        // A database file another program holds for a moment is waited for, not failed.
        sqlite3_busy_timeout(m_db, 10000);
        // Staging data is transient: speed before durability.
        run("PRAGMA synchronous=OFF");
        run("PRAGMA journal_mode=MEMORY");
        // Columns are kept without a type, so SQLite stores every value exactly as sent; the
        // staging type of each column is kept here instead.
        run("CREATE TABLE IF NOT EXISTS " + std::string(staging::kColumnTypes) +
            "(tbl TEXT COLLATE NOCASE, ordinal INTEGER, type TEXT)");
        run("CREATE TABLE IF NOT EXISTS " + std::string(kTableFiles) +
            "(tbl TEXT COLLATE NOCASE, file TEXT)");
        attachTableFiles();
    }

    ~StagingSession() override
    {
        m_inserts.clear();
        sqlite3_close(m_db);
    }

    StagingSession(const StagingSession &) = delete;
    StagingSession &operator=(const StagingSession &) = delete;

    void execute(const std::string &sql) override
    {
        sql::Reader reader(sql);
        if (reader.word("CREATE")) {
            create(reader);
        } else if (reader.word("INSERT")) {
            insert(reader);
        } else if (reader.word("DROP")) {
            std::string name;
            if (!(reader.word("TABLE") && reader.identifier(name) && reader.atEnd())) {
                reader.reject("Syntax error in DROP TABLE statement");
            }
            if (!exists(name)) {
                throw Error("Table '" + name + "' does not exist.");
            }
            forgetInserts();
            if (const auto own = m_ownFiles.find(text::upperAscii(name)); own != m_ownFiles.end()) {
                // A table in a file of its own goes with its file, however large: no long
                // drop, and no memory to undo one.
                const OwnFile table = own->second;
                run("DETACH DATABASE " + table.schema);
                m_ownFiles.erase(own);
                SqliteTransaction transaction(m_db);
                forgetTypes(name);
                SqliteStatement forget(
                    m_db, "DELETE FROM " + std::string(kTableFiles) + " WHERE tbl = ?1");
                forget.bind(1, name);
                forget.step("The staging database refused a statement");
                transaction.commit();
                // Removing a large file takes a while: the window goes on meanwhile.
                whilePumping([&] { return std::remove(table.file.c_str()); },
                             [this] { pumpEvents(); });
                return;
            }
            SqliteTransaction transaction(m_db);
            run("DROP TABLE " + sqliteName(name));
            forgetTypes(name);
            transaction.commit();
        } else if (reader.word("SELECT")) {
            exportTable(reader);
        } else {
            reader.reject("The staging database does not accept this statement");
        }
    }

    void executeReplacing(const std::string &sql) override
    {
        sql::Reader reader(sql);
        if (!reader.word("SELECT")) {
            reader.reject("Only the export to a Paradox table replaces a table");
        }
        exportTable(reader, true);
    }

    std::unique_ptr<Cursor> query(const std::string &sql) override
    {
        sql::Reader(sql).reject("The staging database does not return rows for this statement");
    }

    std::unique_ptr<Cursor> tables() override
    {
        std::vector<std::vector<Value>> rows;
        SqliteStatement names(m_db,
                              "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT "
                              "LIKE 'sqlite_%' AND name <> '" +
                                  std::string(staging::kColumnTypes) + "' AND name <> '" +
                                  kTableFiles + "' ORDER BY name");
        while (names.step()) {
            rows.push_back({Value::text("TABLE"), Value::text(names.text(0))});
        }
        for (const auto &[key, table] : m_ownFiles) {
            rows.push_back({Value::text("TABLE"), Value::text(table.name)});
        }
        return listCursor({{"TABLE_TYPE", adVarChar}, {"TABLE_NAME", adVarChar}}, std::move(rows));
    }

private:
    void run(const std::string &sql)
    {
        sqlite::execute<staging::StagingFailure>(m_db, sql.c_str());
    }

    bool exists(const std::string &name)
    {
        if (m_ownFiles.count(text::upperAscii(name)) != 0) {
            return true;
        }
        SqliteStatement found(
            m_db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
        found.bind(1, name);
        return found.step();
    }

    void forgetTypes(const std::string &table)
    {
        SqliteStatement forget(
            m_db, "DELETE FROM " + std::string(staging::kColumnTypes) + " WHERE tbl = ?1");
        forget.bind(1, table);
        forget.step("The staging database refused a statement");
    }

    void forgetInserts() { m_inserts.clear(); }

    // CREATE TABLE `name`(`column` TYPE,...);
    void create(sql::Reader &reader)
    {
        std::string table;
        if (!(reader.word("TABLE") && reader.identifier(table) && reader.symbol("("))) {
            reader.reject("Syntax error in CREATE TABLE statement");
        }
        std::string ddl;
        std::vector<std::string> types;
        do {
            std::string column;
            std::string type;
            if (!reader.identifier(column) || !reader.identifier(type) ||
                !staging::isStagingType(text::upperAscii(type))) {
                reader.reject("Syntax error in field definition");
            }
            ddl += (types.empty() ? "" : ", ") + sqliteName(column);
            types.push_back(text::upperAscii(type));
        } while (reader.symbol(","));
        if (!reader.symbol(")") || !reader.atEnd()) {
            reader.reject("Syntax error in CREATE TABLE statement");
        }
        if (exists(table)) {
            throw Error("Table '" + table + "' already exists.");
        }
        forgetInserts();
        // Each table lives in a file of its own beside the staging database, attached under a
        // schema name of its own.
        std::string file = m_file + "-XXXXXX";
        const int fd = ::mkstemp(file.data());
        if (fd < 0) {
            throw Error("The staging database cannot make a file beside " + m_file + ": " +
                        std::strerror(errno));
        }

        // Open to whoever may open the staging database itself; empty, it is an empty database.
        struct stat staging
        {};

        if (::stat(m_file.c_str(), &staging) == 0) {
            ::fchmod(fd, staging.st_mode & 0666);
        }
        ::close(fd);
        const std::string schema = attach(file);
        try {
            SqliteTransaction transaction(m_db);
            run("CREATE TABLE " + schema + "." + sqliteName(table) + "(" + ddl + ")");
            forgetTypes(table);
            for (std::size_t i = 0; i < types.size(); ++i) {
                SqliteStatement type(m_db,
                                     "INSERT INTO " + std::string(staging::kColumnTypes) +
                                         " VALUES(?1, ?2, ?3)");
                type.bind(1, table);
                type.bind(2, static_cast<sqlite3_int64>(i));
                type.bind(3, types[i]);
                type.step("The staging database refused a statement");
            }
            SqliteStatement record(m_db,
                                   "INSERT INTO " + std::string(kTableFiles) + " VALUES(?1, ?2)");
            record.bind(1, table);
            record.bind(2, file);
            record.step("The staging database refused a statement");
            transaction.commit();
        } catch (...) {
            sqlite3_exec(m_db, ("DETACH DATABASE " + schema).c_str(), nullptr, nullptr, nullptr);
            std::remove(file.c_str());
            throw;
        }
        m_ownFiles[text::upperAscii(table)] = {table, schema, file};
    }

    // Attaches a table's file under a new schema name; returns the name.
    std::string attach(const std::string &file)
    {
        const std::string schema = "t" + std::to_string(++m_lastSchema);
        run("ATTACH DATABASE '" + text::doubled(file, '\'') + "' AS " + schema);
        run("PRAGMA " + schema + ".synchronous=OFF");
        run("PRAGMA " + schema + ".journal_mode=MEMORY");
        return schema;
    }

    // The tables earlier connections made, each in its file; a record whose file is gone goes.
    void attachTableFiles()
    {
        std::vector<std::pair<std::string, std::string>> recorded;
        {
            SqliteStatement files(m_db, "SELECT tbl, file FROM " + std::string(kTableFiles));
            while (files.step()) {
                recorded.emplace_back(files.text(0), files.text(1));
            }
        }
        for (const auto &[table, file] : recorded) {
            std::error_code error;
            if (std::filesystem::is_regular_file(file, error)) {
                m_ownFiles[text::upperAscii(table)] = {table, attach(file), file};
                continue;
            }
            SqliteStatement forget(m_db,
                                   "DELETE FROM " + std::string(kTableFiles) + " WHERE file = ?1");
            forget.bind(1, file);
            forget.step("The staging database refused a statement");
        }
    }

    // The table's name as SQLite takes it: in the schema of its own file when it has one.
    std::string qualified(const std::string &table) const
    {
        const auto own = m_ownFiles.find(text::upperAscii(table));
        return own == m_ownFiles.end() ? sqliteName(table)
                                       : own->second.schema + "." + sqliteName(own->second.name);
    }

    // INSERT INTO `name` VALUES('text', NULL, ...): one statement, one row.
    void insert(sql::Reader &reader)
    {
        std::string table;
        if (!(reader.word("INTO") && reader.identifier(table) && reader.word("VALUES") &&
              reader.symbol("("))) {
            reader.reject("Syntax error in INSERT INTO statement");
        }
        std::vector<std::pair<bool, std::string>> values;
        do {
            std::string text;
            bool isNull = false;
            if (!reader.literal(text, isNull)) {
                reader.reject("Syntax error in INSERT INTO statement");
            }
            values.emplace_back(isNull, std::move(text));
        } while (reader.symbol(","));
        if (!reader.symbol(")") || !reader.atEnd()) {
            reader.reject("Syntax error in INSERT INTO statement");
        }
        const std::pair<std::string, std::size_t> key{text::upperAscii(table), values.size()};
        auto found = m_inserts.find(key);
        if (found == m_inserts.end()) {
            if (!exists(table)) {
                throw Error("The staging database has no table '" + table + "'.");
            }
            std::string sql = "INSERT INTO " + qualified(table) + " VALUES(";
            for (std::size_t i = 0; i < values.size(); ++i) {
                sql += i == 0 ? "?" : ", ?";
            }
            try {
                found = m_inserts.emplace(key, SqliteStatement(m_db, sql + ")")).first;
            } catch (const Error &) {
                throw Error("Number of query values and destination fields are not the same.");
            }
        }
        SqliteStatement &stmt = found->second;
        stmt.reset();
        for (std::size_t i = 0; i < values.size(); ++i) {
            const int index = static_cast<int>(i + 1);
            if (values[i].first) {
                stmt.bindNull(index);
            } else {
                stmt.bind(index, values[i].second);
            }
        }
        stmt.step("The staging database refused a row");
    }

    // select * into [Paradox 5.x;Database=DIR].[NAME.db] from [SOURCE]
    void exportTable(sql::Reader &reader, bool replaceExisting = false)
    {
        std::string target;
        std::string file;
        std::string source;
        if (!(reader.symbol("*") && reader.word("INTO") && reader.identifier(target) &&
              reader.symbol(".") && reader.identifier(file) && reader.word("FROM") &&
              reader.identifier(source) && reader.atEnd())) {
            reader.reject(
                "The staging database accepts SELECT only as the export to a Paradox table");
        }
        const std::string prefix = "PARADOX 5.X;";
        const std::size_t databaseAt = text::upperAscii(target).find("DATABASE=");
        if (text::upperAscii(target).rfind(prefix, 0) != 0 || databaseAt == std::string::npos) {
            reader.reject("Unknown export target");
        }
        std::string folder = target.substr(databaseAt + 9);
        if (!isPlainPathText(folder)) {
            throw Error("The Paradox folder \"" + shownText(folder) +
                        "\" holds a control character, which no folder name holds");
        }
        if (folder.empty() || folder.back() != '/') {
            folder += '/';
        }
        if (!exists(source)) {
            throw Error("The staging database has no table '" + source + "'.");
        }
        // The file is named in the folder: a name that is a path would put it elsewhere.
        if (file.find('/') != std::string::npos || file.find('\0') != std::string::npos) {
            throw Error("The Paradox table name \"" + file +
                        "\" holds a \"/\" or a NUL and cannot be a file name");
        }
        const auto own = m_ownFiles.find(text::upperAscii(source));
        staging::exportToParadox(
            m_db,
            own == m_ownFiles.end() ? staging::StagingTable{source, "main"}
                                    : staging::StagingTable{own->second.name, own->second.schema},
            std::filesystem::path(folder + file),
            [this] { pumpEvents(); },
            replaceExisting);
    }

    // A table in a file of its own: its name as created, and its schema.
    struct OwnFile
    {
        std::string name;
        std::string schema;
        std::string file;
    };

    // Which file holds each table that has one.
    static constexpr const char *kTableFiles = "tw_staging_files";

    std::string m_file;
    sqlite3 *m_db = nullptr;
    std::map<std::pair<std::string, std::size_t>, SqliteStatement> m_inserts;
    std::map<std::string, OwnFile> m_ownFiles; // by the name in capitals
    int m_lastSchema = 0;
};

} // namespace

std::unique_ptr<Session> openStaging(const std::string &connectionString)
{
    return std::make_unique<StagingSession>(connectionString);
}

} // namespace tw::db::backend
