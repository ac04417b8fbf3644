// Prepared statements with parameter markers, as the CLI runs them: values bound with
// SQLBindParameter, one set or arrays of SQL_ATTR_PARAMSET_SIZE sets (column-wise or
// row-wise), values sent at execution with SQLParamData and SQLPutData, a status for each set,
// and atomic or non-atomic arrays (SQL_ATTR_PARAMOPT_ATOMIC, atomic unless set otherwise).

#include "handles.h"
#include "unicode.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <variant>

namespace db2emu::odbc {

namespace {

constexpr SQLINTEGER kParamOptAtomic = 1260; // SQL_ATTR_PARAMOPT_ATOMIC

SQLULEN attribute(const Statement &stmt, SQLINTEGER which, SQLULEN otherwise)
{
    const auto kept = stmt.attributes.find(which);
    return kept == stmt.attributes.end() ? otherwise : reinterpret_cast<SQLULEN>(kept->second);
}

template <class T> T *pointerAttribute(const Statement &stmt, SQLINTEGER which)
{
    const auto kept = stmt.attributes.find(which);
    return kept == stmt.attributes.end() ? nullptr : static_cast<T *>(kept->second);
}

bool atomicArrays(const Statement &stmt)
{
    return attribute(stmt, kParamOptAtomic, 1) != 0;
}

bool isSelect(const Statement &stmt)
{
    return std::holds_alternative<Select>(stmt.prepared->statement);
}

SQLULEN parameterSets(const Statement &stmt)
{
    return isSelect(stmt) ? 1 : std::max<SQLULEN>(1, attribute(stmt, SQL_ATTR_PARAMSET_SIZE, 1));
}

bool isNumeric(SQLSMALLINT sqlType)
{
    if (const TypeFacts *facts = factsOfCode(sqlType)) {
        return facts->family == Family::Integer || facts->family == Family::Exact ||
               facts->family == Family::Approximate;
    }
    return sqlType == SQL_TINYINT || sqlType == SQL_NUMERIC || sqlType == SQL_FLOAT;
}

// The bytes one value of a fixed-size C type takes; 0 for characters and bytes.
std::size_t fixedSize(SQLSMALLINT cType)
{
    switch (cType) {
    case SQL_C_BIT:
    case SQL_C_TINYINT:
    case SQL_C_STINYINT:
    case SQL_C_UTINYINT:
        return 1;
    case SQL_C_SHORT:
    case SQL_C_SSHORT:
    case SQL_C_USHORT:
        return sizeof(SQLSMALLINT);
    case SQL_C_LONG:
    case SQL_C_SLONG:
    case SQL_C_ULONG:
        return sizeof(SQLINTEGER);
    case SQL_C_SBIGINT:
    case SQL_C_UBIGINT:
        return sizeof(SQLBIGINT);
    case SQL_C_FLOAT:
        return sizeof(SQLREAL);
    case SQL_C_DOUBLE:
        return sizeof(SQLDOUBLE);
    case SQL_C_TYPE_DATE:
    case SQL_C_DATE:
        return sizeof(SQL_DATE_STRUCT);
    case SQL_C_TYPE_TIME:
    case SQL_C_TIME:
        return sizeof(SQL_TIME_STRUCT);
    case SQL_C_TYPE_TIMESTAMP:
    case SQL_C_TIMESTAMP:
        return sizeof(SQL_TIMESTAMP_STRUCT);
    default:
        return 0;
    }
}

// Where a bound parameter's value and length of set `row` lie.
struct Element
{
    char *value;
    SQLLEN *indicator;
};

Element elementOf(const Statement &stmt, const Binding &binding, SQLULEN row)
{
    const SQLULEN bindType = attribute(stmt, SQL_ATTR_PARAM_BIND_TYPE, SQL_PARAM_BIND_BY_COLUMN);
    const bool byColumn = bindType == SQL_PARAM_BIND_BY_COLUMN;
    const std::size_t size = fixedSize(binding.cType);
    const std::size_t valueStride =
        byColumn ? (size != 0 ? size : static_cast<std::size_t>(binding.bufferLength)) : bindType;
    const std::size_t indicatorStride = byColumn ? sizeof(SQLLEN) : bindType;
    Element element{static_cast<char *>(binding.buffer), binding.indicator};
    if (element.value != nullptr) {
        element.value += row * valueStride;
    }
    if (element.indicator != nullptr) {
        element.indicator = reinterpret_cast<SQLLEN *>(reinterpret_cast<char *>(element.indicator) +
                                                       row * indicatorStride);
    }
    return element;
}

bool atExecution(SQLLEN indicator)
{
    return indicator == SQL_DATA_AT_EXEC || indicator <= SQL_LEN_DATA_AT_EXEC_OFFSET;
}

template <class T> T fixed(const char *value)
{
    T v{};
    std::memcpy(&v, value, sizeof v);
    return v;
}

template <class T> std::string shortest(T value)
{
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc{} ? std::string(buffer, end) : std::string("NaN");
}

std::string dateText(const SQL_DATE_STRUCT &d)
{
    char text[32];
    std::snprintf(
        text, sizeof text, "%04d-%02u-%02u", int{d.year}, unsigned{d.month}, unsigned{d.day});
    return text;
}

std::string timeText(const SQL_TIME_STRUCT &t)
{
    char text[32];
    std::snprintf(text,
                  sizeof text,
                  "%02u:%02u:%02u",
                  unsigned{t.hour},
                  unsigned{t.minute},
                  unsigned{t.second});
    return text;
}

std::string timestampText(const SQL_TIMESTAMP_STRUCT &t)
{
    char text[64];
    std::snprintf(text,
                  sizeof text,
                  "%04d-%02u-%02u %02u:%02u:%02u.%09u",
                  int{t.year},
                  unsigned{t.month},
                  unsigned{t.day},
                  unsigned{t.hour},
                  unsigned{t.minute},
                  unsigned{t.second},
                  static_cast<unsigned>(t.fraction));
    return text;
}

// The literal a bound value stands for; `length` counts the bytes of characters and bytes,
// SQL_NTS up to the terminator.
Literal literalOf(const Binding &binding, const char *value, SQLLEN length)
{
    const Literal::Kind textKind =
        isNumeric(binding.sqlType) ? Literal::Kind::Number : Literal::Kind::String;
    switch (binding.cType) {
    case SQL_C_CHAR:
        return {textKind,
                length == SQL_NTS ? std::string(value)
                                  : std::string(value, static_cast<std::size_t>(length))};
    case SQL_C_WCHAR: {
        const auto *units = reinterpret_cast<const char16_t *>(value);
        std::size_t count = 0;
        if (length == SQL_NTS) {
            while (units[count] != 0) {
                ++count;
            }
        } else {
            count = static_cast<std::size_t>(length) / sizeof(char16_t);
        }
        std::u16string copied(count, u'\0');
        std::memcpy(copied.data(), value, count * sizeof(char16_t));
        return {textKind, utf8(std::u16string_view(copied))};
    }
    case SQL_C_BINARY:
        return {Literal::Kind::Hex, std::string(value, static_cast<std::size_t>(length))};
    case SQL_C_BIT: {
        const bool on = fixed<unsigned char>(value) != 0;
        const bool boolean =
            binding.sqlType == SQL_BIT || binding.sqlType == factsOf(TypeId::Boolean).cliCode;
        return {boolean ? Literal::Kind::Boolean : Literal::Kind::Number, on ? "1" : "0"};
    }
    case SQL_C_TINYINT:
    case SQL_C_STINYINT:
        return {Literal::Kind::Number, std::to_string(fixed<signed char>(value))};
    case SQL_C_UTINYINT:
        return {Literal::Kind::Number, std::to_string(fixed<unsigned char>(value))};
    case SQL_C_SHORT:
    case SQL_C_SSHORT:
        return {Literal::Kind::Number, std::to_string(fixed<SQLSMALLINT>(value))};
    case SQL_C_USHORT:
        return {Literal::Kind::Number, std::to_string(fixed<SQLUSMALLINT>(value))};
    case SQL_C_LONG:
    case SQL_C_SLONG:
        return {Literal::Kind::Number, std::to_string(fixed<SQLINTEGER>(value))};
    case SQL_C_ULONG:
        return {Literal::Kind::Number, std::to_string(fixed<SQLUINTEGER>(value))};
    case SQL_C_SBIGINT:
        return {Literal::Kind::Number, std::to_string(fixed<SQLBIGINT>(value))};
    case SQL_C_UBIGINT:
        return {Literal::Kind::Number, std::to_string(fixed<SQLUBIGINT>(value))};
    case SQL_C_FLOAT:
        return {Literal::Kind::Number, shortest(fixed<SQLREAL>(value))};
    case SQL_C_DOUBLE:
        return {Literal::Kind::Number, shortest(fixed<SQLDOUBLE>(value))};
    case SQL_C_TYPE_DATE:
    case SQL_C_DATE:
        return {Literal::Kind::String, dateText(fixed<SQL_DATE_STRUCT>(value))};
    case SQL_C_TYPE_TIME:
    case SQL_C_TIME:
        return {Literal::Kind::String, timeText(fixed<SQL_TIME_STRUCT>(value))};
    case SQL_C_TYPE_TIMESTAMP:
    case SQL_C_TIMESTAMP:
        return {Literal::Kind::String, timestampText(fixed<SQL_TIMESTAMP_STRUCT>(value))};
    default:
        throw Db2Exception(
            {"HY003",
             -99999,
             "[IBM][CLI Driver] CLI0113E  Program type out of range. SQLSTATE=HY003"});
    }
}

// Reads set `row`'s values from the bound buffers; markers whose values come at execution
// are listed in `waiting`.
void collect(Statement &stmt, PendingExecution &run)
{
    const int markers = stmt.prepared->markers;
    run.values.assign(static_cast<std::size_t>(markers), Literal{});
    run.waiting.clear();
    run.announced = false;
    for (int k = 1; k <= markers; ++k) {
        const Binding &binding = stmt.parameters.at(static_cast<SQLUSMALLINT>(k));
        const Element element = elementOf(stmt, binding, run.row);
        const SQLLEN length = element.indicator != nullptr    ? *element.indicator
                              : binding.cType == SQL_C_BINARY ? binding.bufferLength
                                                              : SQL_NTS;
        Literal &value = run.values[static_cast<std::size_t>(k - 1)];
        if (atExecution(length)) {
            run.waiting.push_back(static_cast<SQLUSMALLINT>(k));
        } else if (length == SQL_NULL_DATA) {
            value = Literal{};
        } else if (length == SQL_DEFAULT_PARAM) {
            value = {Literal::Kind::Default, {}};
        } else {
            value = literalOf(binding, element.value, length);
        }
    }
    run.collected = true;
}

// Ends the array: its rows stay unless an atomic array had a failure.
SQLRETURN finish(Statement &stmt)
{
    PendingExecution run = std::move(*stmt.pending);
    stmt.pending.reset();
    const bool keep = run.failed == 0 || !atomicArrays(stmt);
    if (!isSelect(stmt)) {
        try {
            stmt.connection->database->endArray(keep);
        } catch (const Db2Exception &e) {
            return fail(stmt.diag, e.error());
        }
    }
    stmt.rowCount = keep ? run.changed : 0;
    if (run.failed == 0) {
        return SQL_SUCCESS;
    }
    return keep && run.failed < parameterSets(stmt) ? SQL_SUCCESS_WITH_INFO : SQL_ERROR;
}

// Runs parameter sets from where the execution stands until one needs data or none is left.
SQLRETURN proceed(Statement &stmt)
{
    PendingExecution &run = *stmt.pending;
    Database &database = *stmt.connection->database;
    const SQLULEN sets = parameterSets(stmt);
    auto *statuses = pointerAttribute<SQLUSMALLINT>(stmt, SQL_ATTR_PARAM_STATUS_PTR);
    auto *processed = pointerAttribute<SQLULEN>(stmt, SQL_ATTR_PARAMS_PROCESSED_PTR);
    while (run.row < sets) {
        SQLUSMALLINT status = SQL_PARAM_SUCCESS;
        try {
            if (!run.collected) {
                collect(stmt, run);
            }
            if (!run.waiting.empty()) {
                return SQL_NEED_DATA;
            }
            std::unique_ptr<ResultSet> result =
                database.execute(*stmt.prepared, std::move(run.values));
            if (isSelect(stmt)) {
                takeResult(stmt, std::move(result));
            }
            run.changed += std::max(0LL, database.changes());
        } catch (const Db2Exception &e) {
            Db2Error error = e.error();
            error.row = static_cast<long>(run.row + 1);
            stmt.diag.records.push_back(std::move(error));
            status = SQL_PARAM_ERROR;
        } catch (const std::exception &e) {
            cliError(stmt.diag, "HY000", 1001, e.what());
            stmt.diag.records.back().row = static_cast<long>(run.row + 1);
            status = SQL_PARAM_ERROR;
        }
        if (statuses != nullptr) {
            statuses[run.row] = status;
        }
        ++run.row;
        run.collected = false;
        if (processed != nullptr) {
            *processed = run.row;
        }
        if (status == SQL_PARAM_ERROR) {
            ++run.failed;
            if (atomicArrays(stmt)) {
                // An atomic array is undone whole: no set of it took effect.
                for (SQLULEN r = 0; statuses != nullptr && r < sets; ++r) {
                    if (r + 1 != run.row) {
                        statuses[r] = SQL_PARAM_UNUSED;
                    }
                }
                break;
            }
        }
    }
    return finish(stmt);
}

} // namespace

SQLRETURN runPrepared(Statement &stmt)
{
    for (int k = 1; k <= stmt.prepared->markers; ++k) {
        if (stmt.parameters.count(static_cast<SQLUSMALLINT>(k)) == 0) {
            return cliError(stmt.diag, "07002", 100, "Wrong number of parameters.");
        }
    }
    if (auto *processed = pointerAttribute<SQLULEN>(stmt, SQL_ATTR_PARAMS_PROCESSED_PTR)) {
        *processed = 0;
    }
    if (!isSelect(stmt)) {
        try {
            stmt.connection->database->beginArray();
        } catch (const Db2Exception &e) {
            return fail(stmt.diag, e.error());
        }
    }
    stmt.pending.emplace();
    return proceed(stmt);
}

SQLRETURN prepareStatement(Statement &stmt, const std::string &sql)
{
    abandonExecution(stmt);
    stmt.diag.records.clear();
    stmt.result.reset();
    stmt.onRow = false;
    stmt.prepared.reset();
    if (!stmt.connection->database) {
        return cliError(stmt.diag, "08003", 106, "Connection is closed.");
    }
    try {
        stmt.prepared = prepare(sql);
        stmt.preparedText = sql;
    } catch (const Db2Exception &e) {
        return fail(stmt.diag, e.error());
    }
    return SQL_SUCCESS;
}

SQLRETURN executePrepared(Statement &stmt)
{
    abandonExecution(stmt);
    if (!stmt.prepared) {
        stmt.diag.records.clear();
        return cliError(stmt.diag, "HY010", 125, "Function sequence error.");
    }
    if (const SQLRETURN rc = beginStatement(stmt, "EXEC", stmt.preparedText); rc != SQL_SUCCESS) {
        return rc;
    }
    return runPrepared(stmt);
}

SQLRETURN bindParameter(Statement &stmt, SQLUSMALLINT number, const Binding &binding)
{
    stmt.diag.records.clear();
    if (number == 0) {
        return cliError(stmt.diag, "07009", 2, "Invalid column number.");
    }
    stmt.parameters[number] = binding;
    return SQL_SUCCESS;
}

SQLRETURN numParams(Statement &stmt, SQLSMALLINT *count)
{
    stmt.diag.records.clear();
    if (!stmt.prepared) {
        return cliError(stmt.diag, "HY010", 125, "Function sequence error.");
    }
    if (count != nullptr) {
        *count = static_cast<SQLSMALLINT>(stmt.prepared->markers);
    }
    return SQL_SUCCESS;
}

SQLRETURN paramData(Statement &stmt, SQLPOINTER *value)
{
    if (!stmt.pending || stmt.pending->waiting.empty()) {
        return cliError(stmt.diag, "HY010", 125, "Function sequence error.");
    }
    PendingExecution &run = *stmt.pending;
    if (run.announced) {
        // The value of the marker named last is whole.
        const SQLUSMALLINT k = run.waiting.front();
        const Binding &binding = stmt.parameters.at(k);
        try {
            run.values[k - 1U] =
                run.putNull
                    ? Literal{}
                    : literalOf(binding, run.data.data(), static_cast<SQLLEN>(run.data.size()));
        } catch (const Db2Exception &e) {
            abandonExecution(stmt);
            return fail(stmt.diag, e.error());
        }
        run.waiting.erase(run.waiting.begin());
        std::string().swap(run.data);
        run.putAny = false;
        run.putNull = false;
        run.announced = false;
        if (run.waiting.empty()) {
            const SQLRETURN rc = proceed(stmt);
            if (rc != SQL_NEED_DATA) {
                return rc;
            }
        }
    }
    PendingExecution &next = *stmt.pending;
    next.announced = true;
    // SQL_LEN_DATA_AT_EXEC(length) says how much is coming.
    const Element element = elementOf(stmt, stmt.parameters.at(next.waiting.front()), next.row);
    if (element.indicator != nullptr && *element.indicator <= SQL_LEN_DATA_AT_EXEC_OFFSET) {
        next.data.reserve(
            static_cast<std::size_t>(SQL_LEN_DATA_AT_EXEC_OFFSET - *element.indicator));
    }
    if (value != nullptr) {
        *value = elementOf(stmt, stmt.parameters.at(next.waiting.front()), next.row).value;
    }
    return SQL_NEED_DATA;
}

SQLRETURN putData(Statement &stmt, SQLPOINTER data, SQLLEN length)
{
    if (!stmt.pending || !stmt.pending->announced) {
        return cliError(stmt.diag, "HY010", 125, "Function sequence error.");
    }
    PendingExecution &run = *stmt.pending;
    run.putAny = true;
    if (length == SQL_NULL_DATA) {
        run.putNull = true;
        return SQL_SUCCESS;
    }
    const auto *bytes = static_cast<const char *>(data);
    if (length == SQL_NTS) {
        const Binding &binding = stmt.parameters.at(run.waiting.front());
        if (binding.cType == SQL_C_WCHAR) {
            std::size_t units = 0;
            while (reinterpret_cast<const char16_t *>(bytes)[units] != 0) {
                ++units;
            }
            length = static_cast<SQLLEN>(units * sizeof(char16_t));
        } else {
            length = static_cast<SQLLEN>(std::strlen(bytes));
        }
    }
    run.data.append(bytes, static_cast<std::size_t>(std::max<SQLLEN>(length, 0)));
    return SQL_SUCCESS;
}

void abandonExecution(Statement &stmt)
{
    if (!stmt.pending) {
        return;
    }
    const bool select = isSelect(stmt);
    const bool keep = !atomicArrays(stmt);
    stmt.pending.reset();
    if (!select && stmt.connection->database) {
        try {
            stmt.connection->database->endArray(keep);
        } catch (const Db2Exception &) {
            // the unit of work decides what stays
        }
    }
}

} // namespace db2emu::odbc
