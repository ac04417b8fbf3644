// Rows sent through one prepared INSERT: gathered rows go as one array of parameter sets
// (column-wise, non-atomic, so a refused row is reported alone and the others go in); a row
// holding a long value goes alone, that value sent in pieces at execution, so it is never
// copied into a bound buffer.

#include "db/odbc/boundrows.h"

#include "db/odbc/diagnostics.h"
#include "db/odbc/handle.h"

#include <sqlext.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <span>

namespace tw::db::odbc {

namespace {

using backend::Parameter;
using backend::RejectedRow;

constexpr std::size_t kRowsPerArray = 1000;
constexpr std::size_t kBytesPerArray = 4U << 20U;
constexpr std::size_t kLongValue = 64U << 10U;
constexpr std::size_t kPiece = 1U << 20U;
constexpr SQLINTEGER kParamOptAtomic = 1260; // the CLI's SQL_ATTR_PARAMOPT_ATOMIC
constexpr SQLULEN kAtomicNo = 0;

SQLSMALLINT cTypeOf(ValueKind kind)
{
    switch (kind) {
    case ValueKind::Integer:
        return SQL_C_SBIGINT;
    case ValueKind::Double:
        return SQL_C_DOUBLE;
    case ValueKind::Binary:
        return SQL_C_BINARY;
    case ValueKind::Boolean:
        return SQL_C_BIT;
    case ValueKind::Date:
        return SQL_C_TYPE_DATE;
    case ValueKind::Time:
        return SQL_C_TYPE_TIME;
    case ValueKind::Timestamp:
        return SQL_C_TYPE_TIMESTAMP;
    default:
        return SQL_C_CHAR; // text, and decimals as their exact text
    }
}

// The bytes a value of the kind takes in a bound array; 0 for the kinds of variable size.
std::size_t fixedSize(ValueKind kind)
{
    switch (kind) {
    case ValueKind::Integer:
        return sizeof(SQLBIGINT);
    case ValueKind::Double:
        return sizeof(SQLDOUBLE);
    case ValueKind::Boolean:
        return 1;
    case ValueKind::Date:
        return sizeof(SQL_DATE_STRUCT);
    case ValueKind::Time:
        return sizeof(SQL_TIME_STRUCT);
    case ValueKind::Timestamp:
        return sizeof(SQL_TIMESTAMP_STRUCT);
    default:
        return 0;
    }
}

// The bytes of a text, decimal or binary value; 0 for the others.
std::span<const char> variableBytes(const Value &value)
{
    switch (value.kind()) {
    case ValueKind::Text:
        return {value.asText().data(), value.asText().size()};
    case ValueKind::Decimal:
        return {value.asDecimal().text.data(), value.asDecimal().text.size()};
    case ValueKind::Binary:
        return {reinterpret_cast<const char *>(value.asBytes().data()), value.asBytes().size()};
    default:
        return {};
    }
}

template <class T> void store(char *element, SQLLEN &indicator, const T &value)
{
    std::memcpy(element, &value, sizeof value);
    indicator = static_cast<SQLLEN>(sizeof value);
}

// Writes a value (of its column's kind, or Null) into its element of a bound array.
void put(const Value &value, char *element, SQLLEN &indicator)
{
    switch (value.kind()) {
    case ValueKind::Null:
        indicator = SQL_NULL_DATA;
        return;
    case ValueKind::Integer:
        store(element, indicator, static_cast<SQLBIGINT>(value.asInteger()));
        return;
    case ValueKind::Double:
        store(element, indicator, value.asDouble());
        return;
    case ValueKind::Boolean:
        store(element, indicator, static_cast<unsigned char>(value.asBoolean() ? 1 : 0));
        return;
    case ValueKind::Date: {
        const Date &d = value.asDate();
        store(
            element, indicator, SQL_DATE_STRUCT{static_cast<SQLSMALLINT>(d.year), d.month, d.day});
        return;
    }
    case ValueKind::Time: {
        const std::uint32_t s = value.asTime().msOfDay / 1000U;
        store(element,
              indicator,
              SQL_TIME_STRUCT{static_cast<SQLUSMALLINT>(s / 3600U),
                              static_cast<SQLUSMALLINT>(s / 60U % 60U),
                              static_cast<SQLUSMALLINT>(s % 60U)});
        return;
    }
    case ValueKind::Timestamp: {
        const Timestamp &t = value.asTimestamp();
        const std::uint32_t s = t.msOfDay / 1000U;
        store(element,
              indicator,
              SQL_TIMESTAMP_STRUCT{static_cast<SQLSMALLINT>(t.date.year),
                                   t.date.month,
                                   t.date.day,
                                   static_cast<SQLUSMALLINT>(s / 3600U),
                                   static_cast<SQLUSMALLINT>(s / 60U % 60U),
                                   static_cast<SQLUSMALLINT>(s % 60U),
                                   (t.msOfDay % 1000U) * 1'000'000U + t.microseconds * 1000U});
        return;
    }
    default: {
        const std::span<const char> bytes = variableBytes(value);
        std::memcpy(element, bytes.data(), bytes.size());
        indicator = static_cast<SQLLEN>(bytes.size());
        return;
    }
    }
}

class BoundRows final : public backend::RowInserter
{
public:
    BoundRows(SQLHDBC connection, const std::string &sql, std::vector<Parameter> columns)
        : m_columns(std::move(columns))
        , m_buffers(m_columns.size())
        , m_indicators(m_columns.size())
    {
        if (!m_stmt.allocate(connection)) {
            raise(SQL_HANDLE_DBC, connection, "Cannot allocate a statement");
        }
        std::vector<SQLCHAR> text(sql.begin(), sql.end());
        text.push_back('\0');
        check(SQLPrepare(m_stmt.get(), text.data(), SQL_NTS),
              SQL_HANDLE_STMT,
              m_stmt.get(),
              "The statement could not be prepared");
        // Not atomic: a refused row does not take the rest of its array with it. A driver
        // without the attribute keeps its own way, and the statuses still say which row went.
        SQLSetStmtAttr(
            m_stmt.get(), kParamOptAtomic, reinterpret_cast<SQLPOINTER>(kAtomicNo), SQL_IS_INTEGER);
        check(SQLSetStmtAttr(m_stmt.get(),
                             SQL_ATTR_PARAM_BIND_TYPE,
                             reinterpret_cast<SQLPOINTER>(SQL_PARAM_BIND_BY_COLUMN),
                             0),
              SQL_HANDLE_STMT,
              m_stmt.get(),
              "Cannot bind parameters by column");
    }

    bool add(std::vector<Value> row) override
    {
        const std::uint64_t number = m_next++;
        if (row.size() != m_columns.size()) {
            m_refused.push_back({number, Error("The row has another number of values")});
            return false;
        }
        bool alone = false;
        std::size_t bytes = 0;
        for (std::size_t c = 0; c < row.size(); ++c) {
            const ValueKind kind = row[c].kind();
            if (kind != ValueKind::Null && kind != m_columns[c].kind) {
                m_refused.push_back(
                    {number, Error("Value " + std::to_string(c + 1) + " is of another kind")});
                return false;
            }
            const std::size_t size = variableBytes(row[c]).size();
            alone = alone || size > kLongValue;
            bytes += size + fixedSize(m_columns[c].kind);
        }
        m_rows.push_back({number, alone, std::move(row)});
        m_bytes += bytes;
        return alone || m_rows.size() >= kRowsPerArray || m_bytes >= kBytesPerArray;
    }

    std::vector<RejectedRow> send() override
    {
        std::vector<RejectedRow> rejected = std::exchange(m_refused, {});
        std::vector<Gathered> rows = std::exchange(m_rows, {});
        m_bytes = 0;
        for (std::size_t first = 0; first < rows.size();) {
            std::size_t end = first;
            while (end < rows.size() && !rows[end].alone) {
                ++end;
            }
            if (end > first) {
                sendArray(std::span(rows).subspan(first, end - first), rejected);
            }
            if (end < rows.size()) {
                sendAlone(rows[end], rejected);
                ++end;
            }
            first = end;
        }
        std::sort(rejected.begin(), rejected.end(), [](const auto &a, const auto &b) {
            return a.row < b.row;
        });
        return rejected;
    }

    std::uint64_t inserted() const override { return m_inserted; }

private:
    struct Gathered
    {
        std::uint64_t number;
        bool alone;
        std::vector<Value> values;
    };

    void setSetCount(SQLULEN count)
    {
        check(SQLSetStmtAttr(
                  m_stmt.get(), SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(count), 0),
              SQL_HANDLE_STMT,
              m_stmt.get(),
              "Cannot set the number of rows to send");
    }

    void bind(std::size_t c, SQLPOINTER buffer, SQLLEN elementSize, SQLLEN *indicators)
    {
        const Parameter &column = m_columns[c];
        const std::size_t fixed = fixedSize(column.kind);
        const SQLULEN size = column.size != 0 ? column.size
                             : fixed == 0 ? static_cast<SQLULEN>(std::max<SQLLEN>(elementSize, 1))
                                          : 0;
        check(SQLBindParameter(m_stmt.get(),
                               static_cast<SQLUSMALLINT>(c + 1),
                               SQL_PARAM_INPUT,
                               cTypeOf(column.kind),
                               static_cast<SQLSMALLINT>(column.sqlType),
                               size,
                               static_cast<SQLSMALLINT>(column.digits),
                               buffer,
                               elementSize,
                               indicators),
              SQL_HANDLE_STMT,
              m_stmt.get(),
              "Cannot bind a parameter");
    }

    // The rows as one array: each column's values side by side, each as long as the longest.
    void sendArray(std::span<const Gathered> rows, std::vector<RejectedRow> &rejected)
    {
        const std::size_t n = rows.size();
        for (std::size_t c = 0; c < m_columns.size(); ++c) {
            std::size_t element = fixedSize(m_columns[c].kind);
            if (element == 0) {
                for (const Gathered &row : rows) {
                    element = std::max(element, variableBytes(row.values[c]).size());
                }
                element = std::max<std::size_t>(element, 1);
            }
            m_buffers[c].resize(n * element);
            m_indicators[c].resize(n);
            for (std::size_t r = 0; r < n; ++r) {
                put(rows[r].values[c], m_buffers[c].data() + r * element, m_indicators[c][r]);
            }
            bind(c, m_buffers[c].data(), static_cast<SQLLEN>(element), m_indicators[c].data());
        }
        m_statuses.assign(n, SQL_PARAM_UNUSED);
        setSetCount(n);
        check(SQLSetStmtAttr(m_stmt.get(), SQL_ATTR_PARAM_STATUS_PTR, m_statuses.data(), 0),
              SQL_HANDLE_STMT,
              m_stmt.get(),
              "Cannot ask for the rows' statuses");
        const SQLRETURN rc = SQLExecute(m_stmt.get());
        if (rc == SQL_SUCCESS) {
            m_inserted += n;
            return;
        }
        const bool anyRefused = std::any_of(
            m_statuses.begin(), m_statuses.end(), [](auto s) { return s == SQL_PARAM_ERROR; });
        if (!SQL_SUCCEEDED(rc) && !anyRefused) {
            raise(SQL_HANDLE_STMT, m_stmt.get(), "The rows could not be sent");
        }
        Reasons reasons = reasonsOf(n);
        for (std::size_t r = 0; r < n; ++r) {
            switch (m_statuses[r]) {
            case SQL_PARAM_SUCCESS:
            case SQL_PARAM_SUCCESS_WITH_INFO:
                ++m_inserted;
                break;
            case SQL_PARAM_ERROR:
                rejected.push_back({rows[r].number, reasons.of(r + 1)});
                break;
            default:
                rejected.push_back({rows[r].number,
                                    Error("The row was not inserted: another row of its "
                                          "array was refused")});
            }
        }
    }

    // Why rows were refused: the records that name their row, and the others in their order.
    struct Reasons
    {
        std::map<SQLLEN, Error> byRow;
        std::vector<Error> unnamed;
        std::size_t nextUnnamed = 0;

        Error of(std::size_t row)
        {
            if (const auto found = byRow.find(static_cast<SQLLEN>(row)); found != byRow.end()) {
                return found->second;
            }
            if (nextUnnamed < unnamed.size()) {
                return unnamed[nextUnnamed++];
            }
            return Error("The row was refused");
        }
    };

    Reasons reasonsOf(std::size_t rows)
    {
        Reasons reasons;
        for (SQLSMALLINT record = 1;
             record <= static_cast<SQLSMALLINT>(std::min<std::size_t>(rows, 32000));
             ++record) {
            std::optional<Error> error = diagnosticRecord(SQL_HANDLE_STMT, m_stmt.get(), record);
            if (!error) {
                break;
            }
            SQLLEN row = SQL_ROW_NUMBER_UNKNOWN;
            const SQLRETURN rc = SQLGetDiagField(
                SQL_HANDLE_STMT, m_stmt.get(), record, SQL_DIAG_ROW_NUMBER, &row, 0, nullptr);
            if (SQL_SUCCEEDED(rc) && row > 0) {
                reasons.byRow.emplace(row, std::move(*error));
            } else {
                reasons.unnamed.push_back(std::move(*error));
            }
        }
        return reasons;
    }

    // One row by itself; its long values are sent at execution in pieces.
    void sendAlone(const Gathered &row, std::vector<RejectedRow> &rejected)
    {
        setSetCount(1);
        for (std::size_t c = 0; c < m_columns.size(); ++c) {
            const Value &value = row.values[c];
            const std::size_t size = variableBytes(value).size();
            m_indicators[c].resize(1);
            if (size > kLongValue) {
                m_indicators[c][0] = SQL_LEN_DATA_AT_EXEC(static_cast<SQLLEN>(size));
                // The buffer is a token SQLParamData gives back: the column's number.
                bind(c, reinterpret_cast<SQLPOINTER>(c + 1), 0, m_indicators[c].data());
                continue;
            }
            const std::size_t element = std::max<std::size_t>(
                fixedSize(m_columns[c].kind) != 0 ? fixedSize(m_columns[c].kind) : size, 1);
            m_buffers[c].resize(element);
            put(value, m_buffers[c].data(), m_indicators[c][0]);
            bind(c, m_buffers[c].data(), static_cast<SQLLEN>(element), m_indicators[c].data());
        }
        SQLRETURN rc = SQLExecute(m_stmt.get());
        while (rc == SQL_NEED_DATA) {
            SQLPOINTER token = nullptr;
            rc = SQLParamData(m_stmt.get(), &token);
            if (rc != SQL_NEED_DATA) {
                break;
            }
            const std::span<const char> bytes =
                variableBytes(row.values[reinterpret_cast<std::size_t>(token) - 1]);
            SQLRETURN put = SQL_SUCCESS;
            for (std::size_t at = 0; at < bytes.size() && SQL_SUCCEEDED(put); at += kPiece) {
                const std::size_t piece = std::min(kPiece, bytes.size() - at);
                put = SQLPutData(m_stmt.get(),
                                 const_cast<char *>(bytes.data() + at),
                                 static_cast<SQLLEN>(piece));
            }
            if (!SQL_SUCCEEDED(put)) {
                rc = put;
                break;
            }
            rc = SQL_NEED_DATA;
        }
        if (SQL_SUCCEEDED(rc)) {
            ++m_inserted;
            return;
        }
        std::optional<Error> error = diagnosticRecord(SQL_HANDLE_STMT, m_stmt.get(), 1);
        SQLCancel(m_stmt.get()); // ends an execution still waiting for data
        rejected.push_back({row.number, error ? *error : Error("The row was refused")});
    }

    StmtHandle m_stmt;
    std::vector<Parameter> m_columns;
    std::vector<std::vector<char>> m_buffers;
    std::vector<std::vector<SQLLEN>> m_indicators;
    std::vector<SQLUSMALLINT> m_statuses;
    std::vector<Gathered> m_rows;
    std::vector<RejectedRow> m_refused;
    std::size_t m_bytes = 0;
    std::uint64_t m_next = 0;
    std::uint64_t m_inserted = 0;
};

} // namespace

std::unique_ptr<backend::RowInserter>
boundRows(SQLHDBC connection, const std::string &sql, std::vector<backend::Parameter> columns)
{
    return std::make_unique<BoundRows>(connection, sql, std::move(columns));
}

} // namespace tw::db::odbc
