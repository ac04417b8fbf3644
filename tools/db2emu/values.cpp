#include "values.h"

#include "text/text.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace db2emu {

namespace {

bool allDigits(const std::string &text, std::size_t from, std::size_t to)
{
    if (from >= to) {
        return false;
    }
    for (std::size_t i = from; i < to; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) {
            return false;
        }
    }
    return true;
}

std::string trimBlanks(const std::string &text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

[[noreturn]] void badDatetime()
{
    raise(
        -180, "The syntax of the string representation of a datetime value is incorrect.", "22007");
}

[[noreturn]] void datetimeOutOfRange()
{
    raise(-181, "The string representation of a datetime value is out of range.", "22007");
}

bool leapYear(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

void checkDate(int y, int m, int d)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 ||
        d > days[m - 1] + (m == 2 && leapYear(y) ? 1 : 0)) {
        datetimeOutOfRange();
    }
}

// Splits "a<sep>b<sep>c" into exactly three runs of digits.
bool threeNumbers(const std::string &text, char sep, int lengths[3], int values[3])
{
    std::size_t at = 0;
    for (int part = 0; part < 3; ++part) {
        const std::size_t end = part < 2 ? text.find(sep, at) : text.size();
        if (end == std::string::npos || !allDigits(text, at, end)) {
            return false;
        }
        lengths[part] = static_cast<int>(end - at);
        values[part] = lengths[part] > 4 ? 99999 : std::atoi(text.substr(at, end - at).c_str());
        at = end + 1;
    }
    return true;
}

// An exact decimal in text, normalised to `scale` decimals (extra ones truncated, as DB2 does).
std::string decimalFrom(const std::string &literal, int precision, int scale, const char *function)
{
    std::string text = trimBlanks(literal);
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.erase(0, 1);
    }
    const std::size_t point = text.find('.');
    std::string whole = text.substr(0, point);
    std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    const bool valid = (!whole.empty() || !fraction.empty()) &&
                       (whole.empty() || allDigits(whole, 0, whole.size())) &&
                       (fraction.empty() || allDigits(fraction, 0, fraction.size()));
    if (!valid) {
        // A number written with an exponent converts through double.
        char *end = nullptr;
        const double value = std::strtod(literal.c_str(), &end);
        if (end == literal.c_str() || trimBlanks(end).size() != 0 || !std::isfinite(value)) {
            raise(-420,
                  std::string(
                      "Invalid character found in a character string argument of the function \"") +
                      function + "\".",
                  "22018");
        }
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.*f", scale, value);
        return decimalFrom(buffer, precision, scale, function);
    }
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
    if (static_cast<int>(whole.size()) > precision - scale) {
        raise(-413, "Overflow occurred during numeric data type conversion.", "22003");
    }
    fraction.resize(static_cast<std::size_t>(scale), '0');
    std::string result = whole.empty() ? "0" : whole;
    if (scale > 0) {
        result += "." + fraction;
    }
    if (negative && result.find_first_not_of("0.") != std::string::npos) {
        result = "-" + result;
    }
    return result;
}

} // namespace

std::string dateFrom(const std::string &literal)
{
    const std::string text = trimBlanks(literal);
    int lengths[3];
    int v[3];
    int y = 0;
    int m = 0;
    int d = 0;
    if (threeNumbers(text, '-', lengths, v) && lengths[0] == 4 && lengths[1] <= 2 &&
        lengths[2] <= 2) {
        y = v[0], m = v[1], d = v[2];
    } else if (threeNumbers(text, '/', lengths, v) && lengths[2] == 4 && lengths[0] <= 2 &&
               lengths[1] <= 2) {
        m = v[0], d = v[1], y = v[2];
    } else if (threeNumbers(text, '.', lengths, v) && lengths[2] == 4 && lengths[0] <= 2 &&
               lengths[1] <= 2) {
        d = v[0], m = v[1], y = v[2];
    } else {
        badDatetime();
    }
    checkDate(y, m, d);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", y, m, d);
    return buffer;
}

std::string timeFrom(const std::string &literal)
{
    const std::string text = trimBlanks(literal);
    int lengths[3];
    int v[3];
    if (!(threeNumbers(text, ':', lengths, v) || threeNumbers(text, '.', lengths, v)) ||
        lengths[0] > 2 || lengths[1] != 2 || lengths[2] != 2) {
        badDatetime();
    }
    if (v[0] > 24 || v[1] > 59 || v[2] > 59 || (v[0] == 24 && (v[1] != 0 || v[2] != 0))) {
        datetimeOutOfRange();
    }
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", v[0], v[1], v[2]);
    return buffer;
}

std::string timestampFrom(const std::string &literal)
{
    const std::string text = trimBlanks(literal);
    if (text.size() <= 10) {
        return dateFrom(text) + " 00:00:00.000000";
    }
    if (text.size() < 19 || (text[10] != '-' && text[10] != ' ' && text[10] != 'T')) {
        badDatetime();
    }
    const std::string date = dateFrom(text.substr(0, 10));
    std::string clock = text.substr(11, 8);
    const std::string time = timeFrom(clock);
    std::string fraction;
    if (text.size() > 19) {
        if (text[19] != '.' || !allDigits(text, 20, text.size()) || text.size() - 20 > 12) {
            badDatetime();
        }
        fraction = text.substr(20);
    }
    fraction.resize(6, '0');
    return date + " " + time + "." + fraction.substr(0, 6);
}

Cell convert(const Literal &value, const Column &column)
{
    Cell cell;
    if (value.kind == Literal::Kind::Null) {
        return cell;
    }
    const std::string &type = column.type;
    auto incompatible = [&]() -> Cell {
        raise(-408,
              "A value is not compatible with the data type of its assignment target. Target name "
              "is \"" +
                  column.name + "\".",
              "42821");
    };
    auto tooLong = [&](const std::string &bytes) {
        raise(-433, "Value \"" + bytes.substr(0, 20) + "\" is too long.", "22001");
    };
    if (type == "SMALLINT" || type == "INTEGER" || type == "BIGINT") {
        if (value.kind == Literal::Kind::Hex) {
            return incompatible();
        }
        const std::string exact = decimalFrom(value.text, 31, 0, type.c_str());
        const long long limit = type == "SMALLINT" ? 32767 : type == "INTEGER" ? 2147483647LL : 0;
        errno = 0;
        const long long number = std::strtoll(exact.c_str(), nullptr, 10);
        if (errno == ERANGE || (limit != 0 && (number > limit || number < -limit - 1))) {
            raise(-413, "Overflow occurred during numeric data type conversion.", "22003");
        }
        cell.kind = Cell::Kind::Integer;
        cell.integer = number;
        return cell;
    }
    if (type == "DECIMAL") {
        if (value.kind == Literal::Kind::Hex) {
            return incompatible();
        }
        cell.kind = Cell::Kind::Text;
        cell.bytes = decimalFrom(value.text, column.length, column.scale, "DECIMAL");
        return cell;
    }
    if (type == "REAL" || type == "DOUBLE") {
        if (value.kind == Literal::Kind::Hex) {
            return incompatible();
        }
        const std::string text = trimBlanks(value.text);
        char *end = nullptr;
        const double number = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0') {
            raise(-420,
                  "Invalid character found in a character string argument of the function "
                  "\"DOUBLE\".",
                  "22018");
        }
        cell.kind = Cell::Kind::Real;
        cell.real = type == "REAL" ? static_cast<double>(static_cast<float>(number)) : number;
        return cell;
    }
    if (type == "DATE" || type == "TIME" || type == "TIMESTAMP") {
        if (value.kind != Literal::Kind::String) {
            return incompatible();
        }
        cell.kind = Cell::Kind::Text;
        cell.bytes = type == "DATE"   ? dateFrom(value.text)
                     : type == "TIME" ? timeFrom(value.text)
                                      : timestampFrom(value.text);
        return cell;
    }
    if (type == "BLOB") {
        if (value.kind != Literal::Kind::Hex) {
            return incompatible();
        }
        if (static_cast<long long>(value.text.size()) > column.length) {
            tooLong(value.text);
        }
        cell.kind = Cell::Kind::Blob;
        cell.bytes = value.text;
        return cell;
    }
    // Character columns. Trailing blanks beyond the length are dropped, anything else is too long.
    std::string bytes = value.text;
    const auto length = static_cast<std::size_t>(column.length);
    if (bytes.size() > length) {
        if (bytes.find_first_not_of(' ', length) != std::string::npos) {
            tooLong(bytes);
        }
        bytes.resize(length);
    }
    if (type == "CHAR") {
        bytes.resize(length, ' ');
    }
    cell.kind = Cell::Kind::Text;
    cell.bytes = std::move(bytes);
    return cell;
}

} // namespace db2emu
