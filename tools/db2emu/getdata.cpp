#include "getdata.h"

#include "text/isotime.h"
#include "unicode.h"
#include "values.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <optional>
#include <string_view>

namespace db2emu::odbc {

namespace {

// Room for any whole number of 38 digits, the most SQL_NUMERIC_STRUCT holds.
__extension__ typedef __int128 Int128;
__extension__ typedef unsigned __int128 UInt128;

// Why a cell cannot be given in the C type asked for; reported as a CLI error.
struct Refusal
{
    const char *state;
    int number;
    const char *text;
};

[[noreturn]] void invalidConversion()
{
    throw Refusal{"07006", 102, "Invalid conversion."};
}

[[noreturn]] void outOfRange()
{
    throw Refusal{"22003", 111, "Numeric value out of range."};
}

[[noreturn]] void notANumber()
{
    throw Refusal{"22018", 112, "Invalid character value for the conversion."};
}

[[noreturn]] void notADatetime()
{
    throw Refusal{"22007", 113, "Invalid datetime format."};
}

bool isDatetime(const Column &column)
{
    const Family family = column.family();
    return family == Family::Date || family == Family::Time || family == Family::Timestamp;
}

std::string formatReal(double value)
{
    char buffer[64];
    for (int precision = 15; precision <= 17; ++precision) {
        std::snprintf(buffer, sizeof buffer, "%.*g", precision, value);
        if (std::strtod(buffer, nullptr) == value) {
            break;
        }
    }
    return buffer;
}

std::string hex(const std::string &bytes)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        out += digits[static_cast<unsigned char>(c) >> 4];
        out += digits[static_cast<unsigned char>(c) & 0xF];
    }
    return out;
}

// The text SQL_C_CHAR gives: numbers in their shortest exact form, bytes in hex.
std::string textOf(const Cell &cell)
{
    switch (cell.kind) {
    case Cell::Kind::Integer:
        return std::to_string(cell.integer);
    case Cell::Kind::Real:
        return formatReal(cell.real);
    case Cell::Kind::Blob:
        return hex(cell.bytes);
    default:
        return cell.bytes;
    }
}

// An exact number: its digits without leading zeros, how many of them follow the point.
struct Exact
{
    bool negative = false;
    std::string digits;
    int scale = 0;
};

// [blanks][+|-]digits[.digits][(e|E)[+|-]digits][blanks]
std::optional<Exact> parseExact(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    text = text.substr(first, text.find_last_not_of(' ') - first + 1);
    Exact exact;
    std::size_t at = 0;
    if (text[0] == '+' || text[0] == '-') {
        exact.negative = text[0] == '-';
        ++at;
    }
    bool anyDigit = false;
    bool afterPoint = false;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c >= '0' && c <= '9') {
            exact.digits += c;
            exact.scale += afterPoint ? 1 : 0;
            anyDigit = true;
        } else if (c == '.' && !afterPoint) {
            afterPoint = true;
        } else {
            break;
        }
    }
    if (!anyDigit) {
        return std::nullopt;
    }
    if (at < text.size()) {
        if (text[at] != 'e' && text[at] != 'E') {
            return std::nullopt;
        }
        char *end = nullptr;
        const std::string exponent(text.substr(at + 1));
        const long shift = std::strtol(exponent.c_str(), &end, 10);
        if (exponent.find_first_not_of("+-0123456789") != std::string::npos || *end != '\0' ||
            end == exponent.c_str() || shift > 400 || shift < -400) {
            return std::nullopt;
        }
        exact.scale -= static_cast<int>(shift);
    }
    if (exact.scale < 0) {
        exact.digits.append(static_cast<std::size_t>(-exact.scale), '0');
        exact.scale = 0;
    }
    exact.digits.erase(0, std::min(exact.digits.find_first_not_of('0'), exact.digits.size()));
    return exact;
}

Exact exactOf(const Cell &cell, const Column &column)
{
    std::optional<Exact> exact;
    switch (cell.kind) {
    case Cell::Kind::Integer:
        exact = parseExact(std::to_string(cell.integer));
        break;
    case Cell::Kind::Real:
        if (!std::isfinite(cell.real)) {
            outOfRange();
        }
        exact = parseExact(formatReal(cell.real));
        break;
    case Cell::Kind::Text:
        if (isDatetime(column)) {
            invalidConversion();
        }
        exact = parseExact(cell.bytes);
        if (!exact) {
            notANumber();
        }
        break;
    default:
        invalidConversion();
    }
    return *exact;
}

// The whole part, signed; `fractionLost` when a digit other than 0 follows the point.
Int128 wholeOf(const Exact &exact, bool &fractionLost)
{
    const std::size_t fractionDigits =
        std::min(exact.digits.size(), static_cast<std::size_t>(exact.scale));
    const std::size_t wholeDigits = exact.digits.size() - fractionDigits;
    if (wholeDigits > 30) {
        outOfRange();
    }
    Int128 whole = 0;
    for (std::size_t i = 0; i < wholeDigits; ++i) {
        whole = whole * 10 + (exact.digits[i] - '0');
    }
    fractionLost = exact.digits.find_first_not_of('0', wholeDigits) != std::string::npos;
    return exact.negative ? -whole : whole;
}

double realOf(const Cell &cell, const Column &column)
{
    switch (cell.kind) {
    case Cell::Kind::Integer:
        return static_cast<double>(cell.integer);
    case Cell::Kind::Real:
        return cell.real;
    case Cell::Kind::Text: {
        exactOf(cell, column); // refuses what is not a number
        const double value = std::strtod(cell.bytes.c_str(), nullptr);
        if (!std::isfinite(value)) {
            outOfRange();
        }
        return value;
    }
    default:
        invalidConversion();
    }
}

// A date and a time of day, either of which a value may lack.
struct Moment
{
    std::optional<tw::text::IsoDate> date;
    std::optional<tw::text::IsoClock> clock;
};

Moment momentOfIso(const std::string &text)
{
    const auto stamp = tw::text::parseIsoTimestamp(text);
    if (stamp) {
        return {stamp->date, stamp->clock};
    }
    return {std::nullopt, tw::text::parseIsoClock(text)};
}

// The date and time a cell holds: a datetime column's own value, or a character value in
// any of DB2's string forms.
Moment momentOf(const Cell &cell, const Column &column)
{
    if (cell.kind != Cell::Kind::Text || column.family() == Family::Exact ||
        column.type == TypeId::Xml) {
        invalidConversion();
    }
    if (isDatetime(column)) {
        return momentOfIso(cell.bytes);
    }
    for (auto *form : {&dateFrom, &timeFrom, &timestampFrom}) {
        try {
            return momentOfIso(form(cell.bytes));
        } catch (const Db2Exception &) {
        }
    }
    notADatetime();
}

SQL_DATE_STRUCT dateStruct(const tw::text::IsoDate &date)
{
    return {static_cast<SQLSMALLINT>(date.year),
            static_cast<SQLUSMALLINT>(date.month),
            static_cast<SQLUSMALLINT>(date.day)};
}

tw::text::IsoDate today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

// The C type SQL_C_DEFAULT stands for with a column of this type.
SQLSMALLINT defaultTarget(const Column &column)
{
    return column.holdsBytes() ? SQL_C_BINARY : static_cast<SQLSMALLINT>(column.facts().cDefault);
}

// A fixed-size target: the value, with 01S07 when a fraction or a time of day was dropped.
class Fixed
{
public:
    Fixed(const Cell &cell, const Column &column)
        : m_cell(cell)
        , m_column(column)
    {}

    bool truncated() const { return m_truncated; }

    template <class T> T integral()
    {
        bool lost = false;
        const Int128 whole = m_cell.kind == Cell::Kind::Integer
                                 ? Int128{m_cell.integer}
                                 : wholeOf(exactOf(m_cell, m_column), lost);
        if (whole < std::numeric_limits<T>::min() || whole > std::numeric_limits<T>::max()) {
            outOfRange();
        }
        m_truncated = lost;
        return static_cast<T>(whole);
    }

    unsigned char bit()
    {
        const Exact exact = exactOf(m_cell, m_column);
        bool lost = false;
        const Int128 whole = wholeOf(exact, lost);
        if (whole < 0 || whole > 1 || (exact.negative && lost)) {
            outOfRange();
        }
        m_truncated = lost;
        return static_cast<unsigned char>(whole);
    }

    double real() { return realOf(m_cell, m_column); }

    float single()
    {
        const double value = realOf(m_cell, m_column);
        if (std::fabs(value) > FLT_MAX) {
            outOfRange();
        }
        return static_cast<float>(value);
    }

    SQL_NUMERIC_STRUCT numeric()
    {
        const Exact exact = exactOf(m_cell, m_column);
        if (exact.digits.size() > 38 || exact.scale > 127) {
            outOfRange();
        }
        SQL_NUMERIC_STRUCT out{};
        out.precision = static_cast<SQLCHAR>(std::max<std::size_t>(
            {exact.digits.size(), static_cast<std::size_t>(exact.scale), 1U}));
        out.scale = static_cast<SQLSCHAR>(exact.scale);
        out.sign = exact.negative ? 0 : 1;
        UInt128 value = 0;
        for (const char digit : exact.digits) {
            value = value * 10 + static_cast<unsigned>(digit - '0');
        }
        for (std::size_t i = 0; i < SQL_MAX_NUMERIC_LEN; ++i) {
            out.val[i] = static_cast<SQLCHAR>(value & 0xFF);
            value >>= 8;
        }
        return out;
    }

    SQL_DATE_STRUCT date()
    {
        if (m_column.type == TypeId::Time) {
            invalidConversion();
        }
        const Moment moment = momentOf(m_cell, m_column);
        if (!moment.date) {
            notADatetime();
        }
        m_truncated = moment.clock && (moment.clock->hour != 0 || moment.clock->minute != 0 ||
                                       moment.clock->second != 0 || moment.clock->microsecond != 0);
        return dateStruct(*moment.date);
    }

    SQL_TIME_STRUCT time()
    {
        if (m_column.type == TypeId::Date) {
            invalidConversion();
        }
        const Moment moment = momentOf(m_cell, m_column);
        if (!moment.clock) {
            notADatetime();
        }
        m_truncated = moment.clock->microsecond != 0 || moment.clock->finer;
        return {static_cast<SQLUSMALLINT>(moment.clock->hour),
                static_cast<SQLUSMALLINT>(moment.clock->minute),
                static_cast<SQLUSMALLINT>(moment.clock->second)};
    }

    SQL_TIMESTAMP_STRUCT timestamp()
    {
        const Moment moment = momentOf(m_cell, m_column);
        const SQL_DATE_STRUCT date = dateStruct(moment.date ? *moment.date : today());
        const tw::text::IsoClock clock = moment.clock.value_or(tw::text::IsoClock{});
        // The fraction holds nanoseconds: only digits below them are lost.
        m_truncated = clock.finerThanNanosecond;
        return {date.year,
                date.month,
                date.day,
                static_cast<SQLUSMALLINT>(clock.hour),
                static_cast<SQLUSMALLINT>(clock.minute),
                static_cast<SQLUSMALLINT>(clock.second),
                static_cast<SQLUINTEGER>(clock.microsecond) * 1000 +
                    static_cast<SQLUINTEGER>(clock.nanosecond)};
    }

private:
    const Cell &m_cell;
    const Column &m_column;
    bool m_truncated = false;
};

template <class T> SQLRETURN put(const T &value, SQLPOINTER buffer, SQLLEN *indicator)
{
    if (buffer != nullptr) {
        std::memcpy(buffer, &value, sizeof value);
    }
    if (indicator != nullptr) {
        *indicator = sizeof value;
    }
    return SQL_SUCCESS;
}

// Fixed-size targets; SQL_ERROR through Refusal, SQL_NO_DATA for a type not fixed.
SQLRETURN putFixed(Fixed &fixed, SQLSMALLINT target, SQLPOINTER buffer, SQLLEN *indicator)
{
    switch (target) {
    case SQL_C_SBIGINT:
        return put(fixed.integral<SQLBIGINT>(), buffer, indicator);
    case SQL_C_UBIGINT:
        return put(fixed.integral<SQLUBIGINT>(), buffer, indicator);
    case SQL_C_SLONG:
    case SQL_C_LONG:
        return put(fixed.integral<SQLINTEGER>(), buffer, indicator);
    case SQL_C_ULONG:
        return put(fixed.integral<SQLUINTEGER>(), buffer, indicator);
    case SQL_C_SSHORT:
    case SQL_C_SHORT:
        return put(fixed.integral<SQLSMALLINT>(), buffer, indicator);
    case SQL_C_USHORT:
        return put(fixed.integral<SQLUSMALLINT>(), buffer, indicator);
    case SQL_C_STINYINT:
    case SQL_C_TINYINT:
        return put(fixed.integral<SQLSCHAR>(), buffer, indicator);
    case SQL_C_UTINYINT:
        return put(fixed.integral<SQLCHAR>(), buffer, indicator);
    case SQL_C_BIT:
        return put(fixed.bit(), buffer, indicator);
    case SQL_C_DOUBLE:
        return put(fixed.real(), buffer, indicator);
    case SQL_C_FLOAT:
        return put(fixed.single(), buffer, indicator);
    case SQL_C_NUMERIC:
        return put(fixed.numeric(), buffer, indicator);
    case SQL_C_TYPE_DATE:
    case SQL_C_DATE:
        return put(fixed.date(), buffer, indicator);
    case SQL_C_TYPE_TIME:
    case SQL_C_TIME:
        return put(fixed.time(), buffer, indicator);
    case SQL_C_TYPE_TIMESTAMP:
    case SQL_C_TIMESTAMP:
        return put(fixed.timestamp(), buffer, indicator);
    default:
        return SQL_NO_DATA;
    }
}

// Character and binary targets: the next piece of the whole value.
SQLRETURN putPiece(Statement &stmt,
                   std::string_view whole,
                   std::size_t terminator,
                   std::size_t &offset,
                   SQLPOINTER buffer,
                   SQLLEN size,
                   SQLLEN *indicator)
{
    if (offset > 0 && offset >= whole.size()) {
        return SQL_NO_DATA;
    }
    const std::size_t left = whole.size() - offset;
    std::size_t room =
        size < static_cast<SQLLEN>(terminator) ? 0 : static_cast<std::size_t>(size) - terminator;
    room -= room % std::max<std::size_t>(terminator, 1); // whole UTF-16 units
    const std::size_t count = std::min(left, room);
    if (buffer != nullptr && size >= static_cast<SQLLEN>(terminator) && size > 0) {
        std::memcpy(buffer, whole.data() + offset, count);
        std::memset(static_cast<char *>(buffer) + count, 0, terminator);
    }
    if (indicator != nullptr) {
        *indicator = static_cast<SQLLEN>(left);
    }
    offset += count;
    if (count < left) {
        cliWarning(stmt.diag, "01004", 2, "Data truncated.");
        return SQL_SUCCESS_WITH_INFO;
    }
    if (whole.empty()) {
        offset = 1; // a second call on an empty value has nothing more
    }
    return SQL_SUCCESS;
}

// What a character or binary target hands out in pieces. Text and bytes are handed out where
// they lie; a conversion is made on the first piece and kept for the ones after it.
std::string_view
wholeValue(Statement &stmt, SQLUSMALLINT number, SQLSMALLINT target, std::size_t offset)
{
    const Cell &cell = stmt.row[number - 1];
    // XML is serialized with a declaration of its encoding, as the CLI's implicit
    // serialization gives it.
    const bool xml = stmt.result->columns()[number - 1].type == TypeId::Xml;
    if (!xml && target != SQL_C_WCHAR &&
        (cell.kind == Cell::Kind::Text ||
         (cell.kind == Cell::Kind::Blob && target == SQL_C_BINARY))) {
        return cell.bytes;
    }
    if (offset == 0 || stmt.convertedColumn != number || stmt.convertedTarget != target) {
        stmt.converted = xml ? std::string("<?xml version=\"1.0\" encoding=\"") +
                                   (target == SQL_C_WCHAR ? "UTF-16" : "UTF-8") + "\" ?>" +
                                   cell.bytes
                             : textOf(cell);
        if (target == SQL_C_WCHAR) {
            const std::u16string units = utf16(stmt.converted);
            stmt.converted.assign(reinterpret_cast<const char *>(units.data()),
                                  units.size() * sizeof(char16_t));
        }
        stmt.convertedColumn = number;
        stmt.convertedTarget = target;
    }
    return stmt.converted;
}

} // namespace

SQLRETURN getData(Statement &stmt,
                  SQLUSMALLINT number,
                  SQLSMALLINT target,
                  SQLPOINTER buffer,
                  SQLLEN size,
                  SQLLEN *indicator)
{
    if (!stmt.onRow) {
        return cliError(stmt.diag, "24000", 115, "Invalid cursor state.");
    }
    if (number < 1 || number > stmt.row.size()) {
        return cliError(stmt.diag, "07009", 2, "Invalid descriptor index.");
    }
    const Cell &cell = stmt.row[number - 1];
    const Column &column = stmt.result->columns()[number - 1];
    std::size_t &offset = stmt.readOffset[number - 1];
    if (cell.kind == Cell::Kind::Null) {
        if (indicator == nullptr) {
            return cliError(stmt.diag, "22002", 3, "Indicator variable required but not supplied.");
        }
        *indicator = SQL_NULL_DATA;
        return SQL_SUCCESS;
    }
    if (target == SQL_C_DEFAULT) {
        target = defaultTarget(column);
    }
    try {
        switch (target) {
        case SQL_C_CHAR:
        case SQL_C_WCHAR:
        case SQL_C_BINARY:
            return putPiece(stmt,
                            wholeValue(stmt, number, target, offset),
                            target == SQL_C_CHAR    ? 1
                            : target == SQL_C_WCHAR ? sizeof(char16_t)
                                                    : 0,
                            offset,
                            buffer,
                            size,
                            indicator);
        default:
            break;
        }
        if (offset > 0) {
            return SQL_NO_DATA;
        }
        Fixed fixed(cell, column);
        const SQLRETURN rc = putFixed(fixed, target, buffer, indicator);
        if (rc == SQL_NO_DATA) {
            return cliError(stmt.diag, "HYC00", 4, "Optional feature not implemented.");
        }
        offset = 1;
        if (fixed.truncated()) {
            cliWarning(stmt.diag, "01S07", 6, "Fractional truncation.");
            return SQL_SUCCESS_WITH_INFO;
        }
        return rc;
    } catch (const Refusal &refusal) {
        return cliError(stmt.diag, refusal.state, refusal.number, refusal.text);
    }
}

} // namespace db2emu::odbc
