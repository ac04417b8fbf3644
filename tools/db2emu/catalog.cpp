// The catalog calls: SQLTables and SQLColumns answered from the emulation's own catalog, with
// the system objects every DB2 database lists.

#include "catalogstore.h"
#include "engine.h"
#include "results.h"
#include "sqlitestatement.h"
#include "statement.h"

#include <string_view>
#include <tuple>

namespace db2emu {

namespace {

// ODBC's SQL_TABLE_STAT and SQL_INDEX_OTHER (sqlext.h), not included on this side.
constexpr long long SQL_TABLE_STAT_VALUE = 0;
constexpr long long SQL_INDEX_OTHER_VALUE = 3;

// ODBC's search pattern: "%" any run, "_" any one character, a backslash escapes the next.
bool matches(std::string_view pattern, std::string_view text)
{
    if (pattern.empty()) {
        return text.empty();
    }
    if (pattern[0] == '%') {
        for (std::size_t skip = 0; skip <= text.size(); ++skip) {
            if (matches(pattern.substr(1), text.substr(skip))) {
                return true;
            }
        }
        return false;
    }
    std::size_t width = 1;
    bool any = pattern[0] == '_';
    if (pattern[0] == '\\' && pattern.size() > 1) {
        width = 2;
        any = false;
    }
    return !text.empty() && (any || pattern[width - 1] == text[0]) &&
           matches(pattern.substr(width), text.substr(1));
}

// An absent pattern matches everything.
bool matches(const std::optional<std::string> &pattern, const std::string &text)
{
    return !pattern || matches(std::string_view(*pattern), std::string_view(text));
}

// A table type against SQLTables' list: "TABLE,'VIEW'" and the like.
bool typeListed(const std::optional<std::string> &types, const std::string &type)
{
    if (!types || types->empty() || *types == "%") {
        return true;
    }
    std::size_t at = 0;
    while (at <= types->size()) {
        const std::size_t end = std::min(types->find(',', at), types->size());
        std::string entry = types->substr(at, end - at);
        entry.erase(0, std::min(entry.find_first_not_of(" '"), entry.size()));
        entry.erase(entry.find_last_not_of(" '") + 1);
        if (entry == type) {
            return true;
        }
        at = end + 1;
    }
    return false;
}

Cell text(const std::string &value)
{
    Cell cell;
    cell.kind = Cell::Kind::Text;
    cell.bytes = value;
    return cell;
}

Cell integer(long long value)
{
    Cell cell;
    cell.kind = Cell::Kind::Integer;
    cell.integer = value;
    return cell;
}

// SQLColumns' BUFFER_LENGTH: the bytes SQL_C_DEFAULT takes.
long long bufferLength(const Column &column)
{
    if (column.type == TypeId::Decimal) {
        return column.length + 2;
    }
    if (column.type == TypeId::DecFloat) {
        return column.length == 16 ? 8 : 16;
    }
    const long long bytes = column.facts().bufferBytes;
    return bytes >= 0 ? bytes : column.octetLength();
}

// COLUMN_DEF: the default as SQL text, as Db2's catalog keeps it.
Cell defaultText(const Column &column)
{
    const DefaultValue &value = column.defaultValue;
    switch (value.kind) {
    case DefaultValue::Kind::None:
        return {};
    case DefaultValue::Kind::Null:
        return text("NULL");
    case DefaultValue::Kind::CurrentDate:
        return text("CURRENT DATE");
    case DefaultValue::Kind::CurrentTime:
        return text("CURRENT TIME");
    case DefaultValue::Kind::CurrentTimestamp:
        return text("CURRENT TIMESTAMP");
    case DefaultValue::Kind::TypeDefault:
        return text("");
    case DefaultValue::Kind::Literal:
        break;
    }
    switch (static_cast<Literal::Kind>(value.literalKind)) {
    case Literal::Kind::String:
        return text("'" + tw::text::doubled(value.text, '\'') + "'");
    case Literal::Kind::Boolean:
        return text(value.text == "1" ? "TRUE" : "FALSE");
    default:
        return text(value.text);
    }
}

bool numeric(const Column &column)
{
    const Family family = column.family();
    return family == Family::Integer || family == Family::Exact || family == Family::Approximate;
}

bool datetime(const Column &column)
{
    const Family family = column.family();
    return family == Family::Date || family == Family::Time || family == Family::Timestamp;
}

std::vector<Cell> columnRow(const std::string &schema,
                            const std::string &table,
                            const Column &column,
                            long long ordinal,
                            bool lobsAsLong)
{
    const int type = column.odbcType(lobsAsLong);
    const bool isNumeric = numeric(column);
    const bool approximate = column.family() == Family::Approximate;
    const bool octets = !isNumeric && !datetime(column) && column.type != TypeId::Boolean;
    return {
        Cell{},                        // TABLE_CAT
        text(schema),                  // TABLE_SCHEM
        text(table),                   // TABLE_NAME
        text(column.name),             // COLUMN_NAME
        integer(type),                 // DATA_TYPE
        text(column.typeName()),       // TYPE_NAME
        integer(column.columnSize()),  // COLUMN_SIZE
        integer(bufferLength(column)), // BUFFER_LENGTH
        isNumeric || column.type == TypeId::Timestamp ? integer(column.decimalDigits())
                                                      : Cell{}, // DECIMAL_DIGITS
        isNumeric ? integer(approximate ? 2 : 10) : Cell{},     // NUM_PREC_RADIX
        integer(column.nullable ? 1 : 0),                       // NULLABLE
        Cell{},                                                 // REMARKS
        defaultText(column),                                    // COLUMN_DEF
        integer(datetime(column) ? 9 : type),                   // SQL_DATA_TYPE
        datetime(column) ? integer(type - 90) : Cell{},         // SQL_DATETIME_SUB
        octets ? integer(column.octetLength()) : Cell{},        // CHAR_OCTET_LENGTH
        integer(ordinal),                                       // ORDINAL_POSITION
        text(column.nullable ? "YES" : "NO"),                   // IS_NULLABLE
    };
}

} // namespace

std::unique_ptr<ResultSet> Database::tables(const CatalogFilter &filter)
{
    std::vector<Column> columns = {resultColumn("TABLE_CAT", TypeId::VarChar, 128),
                                   resultColumn("TABLE_SCHEM", TypeId::VarChar, 128),
                                   resultColumn("TABLE_NAME", TypeId::VarChar, 128),
                                   resultColumn("TABLE_TYPE", TypeId::VarChar, 128),
                                   resultColumn("REMARKS", TypeId::VarChar, 254)};
    std::vector<std::vector<Cell>> rows;
    auto add = [&](const std::string &schema,
                   const std::string &name,
                   const std::string &type,
                   const std::optional<std::string> &remarks) {
        if (matches(filter.schema, schema) && matches(filter.table, name) &&
            typeListed(filter.types, type)) {
            rows.push_back(
                {Cell{}, text(schema), text(name), text(type), remarks ? text(*remarks) : Cell{}});
        }
    };
    // A few catalog objects, as every DB2 database lists them.
    for (const auto &[schema, name, type] :
         std::vector<std::tuple<std::string, std::string, std::string>>{
             {"SYSCAT", "COLUMNS", "VIEW"},
             {"SYSCAT", "TABLES", "VIEW"},
             {"SYSIBM", "SYSCOLUMNS", "SYSTEM TABLE"},
             {"SYSIBM", "SYSTABLES", "SYSTEM TABLE"}}) {
        add(schema, name, type, std::nullopt);
    }
    SqliteStatement objects(
        m_db, "SELECT schema, name, type, remarks FROM db2emu_objects ORDER BY schema, name");
    while (objects.step()) {
        add(objects.text(0),
            objects.text(1),
            objects.text(2),
            sqlite3_column_type(objects.get(), 3) == SQLITE_NULL
                ? std::nullopt
                : std::optional<std::string>(objects.text(3)));
    }
    return std::make_unique<MemoryResult>(std::move(columns), std::move(rows));
}

std::unique_ptr<ResultSet> Database::columns(const CatalogFilter &filter, bool lobsAsLong)
{
    std::vector<Column> columns = {resultColumn("TABLE_CAT", TypeId::VarChar, 128),
                                   resultColumn("TABLE_SCHEM", TypeId::VarChar, 128),
                                   resultColumn("TABLE_NAME", TypeId::VarChar, 128),
                                   resultColumn("COLUMN_NAME", TypeId::VarChar, 128),
                                   resultColumn("DATA_TYPE", TypeId::SmallInt, 0),
                                   resultColumn("TYPE_NAME", TypeId::VarChar, 128),
                                   resultColumn("COLUMN_SIZE", TypeId::Integer, 0),
                                   resultColumn("BUFFER_LENGTH", TypeId::Integer, 0),
                                   resultColumn("DECIMAL_DIGITS", TypeId::SmallInt, 0),
                                   resultColumn("NUM_PREC_RADIX", TypeId::SmallInt, 0),
                                   resultColumn("NULLABLE", TypeId::SmallInt, 0),
                                   resultColumn("REMARKS", TypeId::VarChar, 254),
                                   resultColumn("COLUMN_DEF", TypeId::VarChar, 254),
                                   resultColumn("SQL_DATA_TYPE", TypeId::SmallInt, 0),
                                   resultColumn("SQL_DATETIME_SUB", TypeId::SmallInt, 0),
                                   resultColumn("CHAR_OCTET_LENGTH", TypeId::Integer, 0),
                                   resultColumn("ORDINAL_POSITION", TypeId::Integer, 0),
                                   resultColumn("IS_NULLABLE", TypeId::VarChar, 254)};
    std::vector<std::vector<Cell>> rows;
    SqliteStatement listed(m_db,
                           "SELECT schema, name, ordinal, " + std::string(kColumnFields) +
                               " FROM db2emu_columns ORDER BY schema, name, ordinal");
    while (listed.step()) {
        const std::string schema = listed.text(0);
        const std::string table = listed.text(1);
        const Column column = columnAt(listed, 3);
        if (matches(filter.schema, schema) && matches(filter.table, table) &&
            matches(filter.column, column.name)) {
            rows.push_back(columnRow(
                schema, table, column, sqlite3_column_int64(listed.get(), 2) + 1, lobsAsLong));
        }
    }
    return std::make_unique<MemoryResult>(std::move(columns), std::move(rows));
}

std::unique_ptr<ResultSet> Database::primaryKeys(const std::string &schema,
                                                 const std::string &table)
{
    std::vector<Column> columns = {resultColumn("TABLE_CAT", TypeId::VarChar, 128),
                                   resultColumn("TABLE_SCHEM", TypeId::VarChar, 128),
                                   resultColumn("TABLE_NAME", TypeId::VarChar, 128),
                                   resultColumn("COLUMN_NAME", TypeId::VarChar, 128),
                                   resultColumn("KEY_SEQ", TypeId::SmallInt),
                                   resultColumn("PK_NAME", TypeId::VarChar, 128)};
    std::vector<std::vector<Cell>> rows;
    const std::string owner = schema.empty() ? m_schema : schema;
    for (const Key &key : keysOf(m_db, owner, table)) {
        if (!key.primary) {
            continue;
        }
        for (std::size_t i = 0; i < key.columns.size(); ++i) {
            rows.push_back({Cell{},
                            text(owner),
                            text(table),
                            text(key.columns[i]),
                            integer(static_cast<long long>(i + 1)),
                            text(key.name)});
        }
    }
    return std::make_unique<MemoryResult>(std::move(columns), std::move(rows));
}

std::unique_ptr<ResultSet> Database::statistics(const std::string &schema, const std::string &table)
{
    std::vector<Column> columns = {resultColumn("TABLE_CAT", TypeId::VarChar, 128),
                                   resultColumn("TABLE_SCHEM", TypeId::VarChar, 128),
                                   resultColumn("TABLE_NAME", TypeId::VarChar, 128),
                                   resultColumn("NON_UNIQUE", TypeId::SmallInt),
                                   resultColumn("INDEX_QUALIFIER", TypeId::VarChar, 128),
                                   resultColumn("INDEX_NAME", TypeId::VarChar, 128),
                                   resultColumn("TYPE", TypeId::SmallInt),
                                   resultColumn("ORDINAL_POSITION", TypeId::SmallInt),
                                   resultColumn("COLUMN_NAME", TypeId::VarChar, 128),
                                   resultColumn("ASC_OR_DESC", TypeId::Char, 1),
                                   resultColumn("CARDINALITY", TypeId::Integer),
                                   resultColumn("PAGES", TypeId::Integer),
                                   resultColumn("FILTER_CONDITION", TypeId::VarChar, 128)};
    const std::string owner = schema.empty() ? m_schema : schema;
    std::vector<std::vector<Cell>> rows;
    const auto object = find(owner, table);
    if (!object) {
        return std::make_unique<MemoryResult>(std::move(columns), std::move(rows));
    }
    SqliteStatement count(m_db, "SELECT count(*) FROM " + quoteSqlite(object->store));
    count.step();
    const long long cardinality = sqlite3_column_int64(count.get(), 0);
    // The table's own row first (SQL_TABLE_STAT), then each key's index and each index CREATE
    // INDEX made, a row per column.
    rows.push_back({Cell{},
                    text(owner),
                    text(table),
                    Cell{},
                    Cell{},
                    Cell{},
                    integer(SQL_TABLE_STAT_VALUE),
                    Cell{},
                    Cell{},
                    Cell{},
                    integer(cardinality),
                    Cell{},
                    Cell{}});
    for (const Key &key : keysOf(m_db, owner, table)) {
        for (std::size_t i = 0; i < key.columns.size(); ++i) {
            rows.push_back({Cell{},
                            text(owner),
                            text(table),
                            integer(0),
                            text("SYSIBM"),
                            text(key.name),
                            integer(SQL_INDEX_OTHER_VALUE),
                            integer(static_cast<long long>(i + 1)),
                            text(key.columns[i]),
                            text("A"),
                            integer(cardinality),
                            Cell{},
                            Cell{}});
        }
    }
    for (const Index &index : indexesOf(m_db, owner, table)) {
        for (std::size_t i = 0; i < index.columns.size(); ++i) {
            rows.push_back({Cell{},
                            text(owner),
                            text(table),
                            integer(index.unique ? 0 : 1),
                            text(index.schema),
                            text(index.name),
                            integer(SQL_INDEX_OTHER_VALUE),
                            integer(static_cast<long long>(i + 1)),
                            text(index.columns[i].column),
                            text(index.columns[i].descending ? "D" : "A"),
                            integer(cardinality),
                            Cell{},
                            Cell{}});
        }
    }
    return std::make_unique<MemoryResult>(std::move(columns), std::move(rows));
}

} // namespace db2emu
