// SELECT: the everyday queries of a client looking at a table, carried out on the store with
// each literal converted to its column's type first, as Db2 compares.

#include "executor.h"
#include "results.h"
#include "values.h"

#include <algorithm>

namespace db2emu {

namespace {

// Exact numbers are kept as text; they compare and sort by their value.
bool keptAsText(const Column &column)
{
    return column.family() == Family::Exact;
}

std::string stored(std::size_t index, const Column &column)
{
    const std::string name = "c" + std::to_string(index + 1);
    return keptAsText(column) ? "CAST(" + name + " AS REAL)" : name;
}

} // namespace

std::unique_ptr<ResultSet> Executor::operator()(const Select &select)
{
    const Database::Object table = object(select.table);
    auto indexOf = [&](const std::string &name) {
        const auto at = std::find_if(table.columns.begin(),
                                     table.columns.end(),
                                     [&](const Column &c) { return c.name == name; });
        if (at == table.columns.end()) {
            raise(-206, "\"" + name + "\" is not valid in the context where it is used.", "42703");
        }
        return static_cast<std::size_t>(at - table.columns.begin());
    };

    std::vector<Column> columns;
    std::string query = "SELECT ";
    if (select.count) {
        // Db2 names a column without a name by its position.
        columns.push_back(resultColumn("1", TypeId::Integer));
        query += "count(*)";
    } else if (select.columns.empty()) {
        columns = table.columns;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            query += (i == 0 ? "c" : ", c") + std::to_string(i + 1);
        }
    } else {
        for (const std::string &name : select.columns) {
            const std::size_t index = indexOf(name);
            columns.push_back(table.columns[index]);
            query += (columns.size() == 1 ? "c" : ", c") + std::to_string(index + 1);
        }
    }
    query += " FROM " + quoteSqlite(table.store);

    std::vector<Cell> parameters;
    if (!select.where.empty()) {
        query += " WHERE";
        for (const WhereItem &item : select.where) {
            if (const auto *word = std::get_if<std::string>(&item)) {
                query += " " + *word;
                continue;
            }
            const auto &comparison = std::get<Comparison>(item);
            const std::size_t index = indexOf(comparison.column);
            const Column &column = table.columns[index];
            if (comparison.op == "IS NULL" || comparison.op == "IS NOT NULL") {
                query += " c" + std::to_string(index + 1) + " " + comparison.op;
                continue;
            }
            parameters.push_back(convert(comparison.value, column));
            const std::string parameter = "?" + std::to_string(parameters.size());
            query += " " + stored(index, column) + " " + comparison.op + " " +
                     (keptAsText(column) ? "CAST(" + parameter + " AS REAL)" : parameter);
        }
    }
    if (!select.orderBy.empty()) {
        query += " ORDER BY ";
        for (std::size_t k = 0; k < select.orderBy.size(); ++k) {
            const OrderKey &key = select.orderBy[k];
            const std::size_t index = indexOf(key.column);
            // Db2 sorts nulls as the highest values.
            const std::string name = "c" + std::to_string(index + 1);
            query += (k == 0 ? "" : ", ") + name + " IS NULL" +
                     (key.descending ? " DESC, " : ", ") + stored(index, table.columns[index]) +
                     (key.descending ? " DESC" : "");
        }
    }
    if (select.fetchFirst >= 0) {
        query += " LIMIT " + std::to_string(select.fetchFirst);
    }
    return std::make_unique<TableResult>(m_database.m_db, std::move(columns), query, parameters);
}

std::unique_ptr<ResultSet> Executor::operator()(const Values &)
{
    // The one special register a client asks for: the schema unqualified names are in.
    Cell schema;
    schema.kind = Cell::Kind::Text;
    schema.bytes = m_database.m_schema;
    return std::make_unique<MemoryResult>(
        std::vector<Column>{resultColumn("1", TypeId::VarChar, 128)},
        std::vector<std::vector<Cell>>{{schema}});
}

} // namespace db2emu
