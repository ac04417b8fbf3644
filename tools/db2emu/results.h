#pragma once

// The result sets of the emulation: a few rows made up in memory, or a table streamed from
// SQLite.

#include "sqlitestatement.h"

#include <string>
#include <vector>

namespace db2emu {

class MemoryResult final : public ResultSet
{
public:
    MemoryResult(std::vector<Column> columns, std::vector<std::vector<Cell>> rows)
        : m_columns(std::move(columns))
        , m_rows(std::move(rows))
    {}

    const std::vector<Column> &columns() const override { return m_columns; }

    bool next(std::vector<Cell> &row) override
    {
        if (m_at >= m_rows.size()) {
            return false;
        }
        row = m_rows[m_at++];
        return true;
    }

private:
    std::vector<Column> m_columns;
    std::vector<std::vector<Cell>> m_rows;
    std::size_t m_at = 0;
};

class TableResult final : public ResultSet
{
public:
    // `parameters` are bound to the query's ?1, ?2, ... in order.
    TableResult(sqlite3 *db,
                std::vector<Column> columns,
                const std::string &sql,
                const std::vector<Cell> &parameters = {})
        : m_columns(std::move(columns))
        , m_stmt(db, sql)
    {
        for (std::size_t i = 0; i < parameters.size(); ++i) {
            bindCell(m_stmt.get(), static_cast<int>(i + 1), parameters[i]);
        }
    }

    const std::vector<Column> &columns() const override { return m_columns; }

    bool next(std::vector<Cell> &row) override
    {
        if (!m_stmt.step()) {
            return false;
        }
        row.resize(m_columns.size());
        for (std::size_t i = 0; i < m_columns.size(); ++i) {
            const int c = static_cast<int>(i);
            Cell &cell = row[i];
            switch (sqlite3_column_type(m_stmt.get(), c)) {
            case SQLITE_NULL:
                cell = Cell{};
                break;
            case SQLITE_INTEGER:
                cell.kind = Cell::Kind::Integer;
                cell.integer = sqlite3_column_int64(m_stmt.get(), c);
                break;
            case SQLITE_FLOAT:
                cell.kind = Cell::Kind::Real;
                cell.real = sqlite3_column_double(m_stmt.get(), c);
                break;
            case SQLITE_BLOB: {
                cell.kind = Cell::Kind::Blob;
                const auto *p = static_cast<const char *>(sqlite3_column_blob(m_stmt.get(), c));
                cell.bytes.assign(p == nullptr ? "" : p,
                                  static_cast<std::size_t>(sqlite3_column_bytes(m_stmt.get(), c)));
                break;
            }
            default:
                cell.kind = Cell::Kind::Text;
                cell.bytes = m_stmt.text(c);
                break;
            }
        }
        return true;
    }

private:
    std::vector<Column> m_columns;
    SqliteStatement m_stmt;
};

} // namespace db2emu
