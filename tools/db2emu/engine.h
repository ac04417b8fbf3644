#pragma once

// The DB2 side of the emulator: the statements the program sends, parsed and carried out on
// an SQLite file the way a DB2 LUW server would, with DB2's errors.

#include "typefacts.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace db2emu {

// An error as the IBM CLI driver reports it.
struct Db2Error
{
    std::string odbcState; // what SQLGetDiagRec gives
    int sqlCode;           // the native error
    std::string message;   // "[IBM][CLI Driver]... SQLnnnnN  ...  SQLSTATE=xxxxx"
    long row = 0;          // the parameter set it belongs to, from 1; 0 for none
};

class Db2Exception : public std::exception
{
public:
    explicit Db2Exception(Db2Error error)
        : m_error(std::move(error))
    {}

    const char *what() const noexcept override { return m_error.message.c_str(); }

    const Db2Error &error() const { return m_error; }

private:
    Db2Error m_error;
};

// Builds the text: prefix, server tag unless `connecting`, the message, the SQLSTATE.
Db2Error makeError(int sqlCode,
                   const std::string &text,
                   const std::string &sqlState,
                   const std::string &odbcState = {},
                   bool connecting = false);

// Throws Db2Exception with makeError's text.
[[noreturn]] void raise(int sqlCode,
                        const std::string &text,
                        const std::string &sqlState,
                        const std::string &odbcState = {});

// A column's default, as CREATE TABLE gave it.
struct DefaultValue
{
    enum class Kind {
        None,             // no DEFAULT clause: NULL where the column takes one
        Null,             // DEFAULT NULL
        Literal,          // DEFAULT 'text', 42, X'00'... (`literalKind` and `text`)
        TypeDefault,      // WITH DEFAULT alone: zero, blanks, the empty string, now
        CurrentDate,      // CURRENT DATE
        CurrentTime,      // CURRENT TIME
        CurrentTimestamp, // CURRENT TIMESTAMP
    } kind = Kind::None;
    int literalKind = 0; // a Literal::Kind, for Literal
    std::string text;
};

// A column as DB2 describes it.
struct Column
{
    std::string name;
    TypeId type = TypeId::VarChar;
    int length = 0; // string and LOB length (GRAPHIC types in UTF-16 units), DECIMAL and
                    // DECFLOAT precision, TIMESTAMP's fraction digits
    int scale = 0;
    bool forBitData = false; // CHAR, VARCHAR and LONG VARCHAR FOR BIT DATA hold bytes
    bool nullable = true;
    DefaultValue defaultValue;
    std::string identity; // "", "ALWAYS" or "BY DEFAULT"
    long long identityStart = 1;
    long long identityStep = 1;

    // The CLI's SQL type code. CLOB, BLOB and DBCLOB with `lobsAsLong` (the LongDataCompat
    // keyword) as SQL_LONGVARCHAR, SQL_LONGVARBINARY and SQL_WLONGVARCHAR.
    int odbcType(bool lobsAsLong = false) const;
    // Column size and decimal digits as SQLDescribeCol and SQLColumns give them.
    long long columnSize() const;
    int decimalDigits() const;
    // The bytes a value may take, where SQLColumns gives CHAR_OCTET_LENGTH.
    long long octetLength() const;
    // True for the types whose values are bytes.
    bool holdsBytes() const;
    // The type as DB2 names it in its catalog (TYPE_NAME): "CHAR () FOR BIT DATA", ...
    std::string typeName() const;

    const TypeFacts &facts() const { return factsOf(type); }

    Family family() const { return factsOf(type).family; }
};

// A column of a result the emulation makes up (a catalog listing, a count).
Column resultColumn(std::string name, TypeId type, int length = 0);

// One cell of a result row: null, integer, double, text or bytes.
struct Cell
{
    enum class Kind { Null, Integer, Real, Text, Blob } kind = Kind::Null;
    long long integer = 0;
    double real = 0;
    std::string bytes; // text or blob bytes
};

// A result set being read: streams from SQLite, or holds a few rows made up in memory.
class ResultSet
{
public:
    virtual ~ResultSet() = default;
    virtual const std::vector<Column> &columns() const = 0;
    // Moves to the next row and fills `row`; false after the last.
    virtual bool next(std::vector<Cell> &row) = 0;
};

// What a catalog call asks for. Schema, table and column are search patterns ("%" any run,
// "_" any one character, a backslash takes the next one literally), matched case for case; types is
// a comma-separated list of table types, each quoted or not. Absent means any.
struct CatalogFilter
{
    std::optional<std::string> schema;
    std::optional<std::string> table;
    std::optional<std::string> column;
    std::optional<std::string> types;
};

// The statements the parser gives (statement.h).
struct CreateTable;
struct CreateView;
struct CreateIndex;
struct Insert;
struct Drop;
struct Rename;
struct RenameIndex;
struct Comment;
struct Select;
struct Values;
using Statement = std::variant<CreateTable,
                               CreateView,
                               CreateIndex,
                               Insert,
                               Drop,
                               Rename,
                               RenameIndex,
                               Comment,
                               Select,
                               Values>;
struct Literal;
struct PreparedStatement;

// One connection's view of a database file.
class Database
{
public:
    // Opens (creating the catalog if needed) the SQLite file; `schema` is the default schema.
    // `durable`: each commit returns once its changes are on disk, as a server's log write.
    Database(const std::string &file, std::string schema, bool durable = false);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // Runs one statement; a SELECT gives a result set. Throws Db2Exception.
    std::unique_ptr<ResultSet> execute(const std::string &sql);
    // Runs a prepared statement whose parameter markers all have values.
    std::unique_ptr<ResultSet> execute(const PreparedStatement &prepared,
                                       std::vector<Literal> values);
    // The catalog listing of SQLTables: TABLE_CAT, TABLE_SCHEM, TABLE_NAME, TABLE_TYPE, REMARKS.
    std::unique_ptr<ResultSet> tables(const CatalogFilter &filter = {});
    // The catalog listing of SQLColumns, its eighteen columns in ODBC's order.
    std::unique_ptr<ResultSet> columns(const CatalogFilter &filter = {}, bool lobsAsLong = false);
    // SQLPrimaryKeys and SQLStatistics of one table (its schema empty for the user's).
    std::unique_ptr<ResultSet> primaryKeys(const std::string &schema, const std::string &table);
    std::unique_ptr<ResultSet> statistics(const std::string &schema, const std::string &table);

    // Autocommit on (the default): every statement is its own unit of work. Off: statements
    // join one unit until endUnit(); switching it back on commits the open unit.
    void setAutoCommit(bool on);
    // Commits or rolls back the open unit of work, DDL included; nothing open is no error.
    void endUnit(bool commit);
    // The rows of a parameter array are one statement: between beginArray() and endArray()
    // each row's changes are kept or undone alone, and endArray() keeps or undoes them all
    // (under autocommit, one commit for the array).
    void beginArray();
    void endArray(bool keep);

    // At most `rows` inserted rows in one unit of work (0: no limit); an INSERT past them
    // fails with SQL0964C, the transaction log full, and the unit stays open.
    void setLogLimit(long long rows) { m_logLimit = rows; }

    // The rows the last INSERT added; -1 after any other statement.
    long long changes() const { return m_changes; }

private:
    struct Object
    {
        std::string schema;
        std::string name;
        std::string type; // TABLE or VIEW
        std::string store;
        std::vector<Column> columns;
    };

    std::optional<Object> find(const std::string &schema, const std::string &name);
    std::unique_ptr<ResultSet> perform(const Statement &statement);
    void run(const std::string &sql);
    std::string newStore(const char *prefix);

    sqlite3 *m_db = nullptr;
    std::string m_schema;
    bool m_autoCommit = true;
    bool m_inArray = false;
    bool m_arrayOwnsTransaction = false;
    long long m_changes = -1;
    long long m_logLimit = 0;
    long long m_unitRows = 0; // rows inserted in the open unit of work
    // SQL0964C when `rows` more would pass the log limit.
    void logRows(long long rows) const;

    friend class Executor;
    friend class StatementUnit;
};

// Statement syntax, for the fuzzer and tests: parses without running. Throws Db2Exception.
void parseOnly(const std::string &sql);

} // namespace db2emu
