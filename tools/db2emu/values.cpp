#include "values.h"

#include "text/text.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

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

[[noreturn]] void overflow()
{
    raise(-413, "Overflow occurred during numeric data type conversion.", "22003");
}

[[noreturn]] void invalidCharacter(const std::string &function)
{
    raise(-420,
          "Invalid character found in a character string argument of the function \"" + function +
              "\".",
          "22018");
}

// The length of UTF-8 text in UTF-16 units, as graphic types count it.
std::size_t utf16Units(const std::string &text)
{
    std::size_t units = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) {
            units += byte >= 0xF0 ? 2 : 1;
        }
    }
    return units;
}

// The first `units` UTF-16 units of UTF-8 text.
std::string firstUnits(const std::string &text, std::size_t units)
{
    std::size_t at = 0;
    std::size_t taken = 0;
    while (at < text.size()) {
        const auto byte = static_cast<unsigned char>(text[at]);
        const std::size_t width = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        const std::size_t count = byte >= 0xF0 ? 2 : 1;
        if (taken + count > units) {
            break;
        }
        taken += count;
        at += width;
    }
    return text.substr(0, at);
}

// Rounds a string of digits to `keep` digits, half to even; true when it carried into a new
// leading digit.
bool roundDigits(std::string &digits, std::size_t keep)
{
    if (digits.size() <= keep) {
        return false;
    }
    const std::string dropped = digits.substr(keep);
    digits.resize(keep);
    const bool half = dropped[0] == '5' && dropped.find_first_not_of('0', 1) == std::string::npos;
    const bool up = dropped[0] > '5' || (dropped[0] == '5' && !half) ||
                    (half && !digits.empty() && (digits.back() - '0') % 2 == 1);
    if (!up) {
        return false;
    }
    for (std::size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return false;
        }
        digits[i] = '0';
    }
    digits.insert(digits.begin(), '1');
    digits.pop_back();
    return true;
}

// An XML document is well formed enough to keep: elements nest and close, one root.
bool wellFormed(const std::string &xml)
{
    std::vector<std::string> open;
    bool root = false;
    std::size_t at = 0;
    while (at < xml.size()) {
        const std::size_t lt = xml.find('<', at);
        const std::string text =
            xml.substr(at, lt == std::string::npos ? std::string::npos : lt - at);
        if (open.empty() && text.find_first_not_of(" \t\r\n") != std::string::npos) {
            return false; // text outside the root element
        }
        if (lt == std::string::npos) {
            break;
        }
        auto skip = [&](const char *end) {
            const std::size_t close = xml.find(end, lt);
            at = close == std::string::npos ? std::string::npos : close + std::strlen(end);
            return close != std::string::npos;
        };
        if (xml.compare(lt, 4, "<!--") == 0) {
            if (!skip("-->")) {
                return false;
            }
            continue;
        }
        if (xml.compare(lt, 2, "<?") == 0) {
            if (!skip("?>")) {
                return false;
            }
            continue;
        }
        if (xml.compare(lt, 9, "<![CDATA[") == 0) {
            if (open.empty() || !skip("]]>")) {
                return false;
            }
            continue;
        }
        const std::size_t gt = xml.find('>', lt);
        if (gt == std::string::npos) {
            return false;
        }
        const std::string tag = xml.substr(lt + 1, gt - lt - 1);
        at = gt + 1;
        if (!tag.empty() && tag[0] == '/') {
            if (open.empty() || open.back() != tag.substr(1, tag.find_first_of(" \t\r\n", 1) - 1)) {
                return false;
            }
            open.pop_back();
            continue;
        }
        const std::string name = tag.substr(0, tag.find_first_of(" \t\r\n/"));
        if (name.empty() || (open.empty() && root)) {
            return false;
        }
        root = true;
        if (tag.back() != '/') {
            open.push_back(name);
        }
    }
    return root && open.empty();
}

// The XML document without its XML declaration, which Db2 does not keep.
std::string xmlFrom(const std::string &literal)
{
    std::string text = trimBlanks(literal);
    if (text.compare(0, 5, "<?xml") == 0) {
        const std::size_t end = text.find("?>");
        text = end == std::string::npos ? text : text.substr(end + 2);
        text.erase(0, std::min(text.find_first_not_of(" \t\r\n"), text.size()));
    }
    if (!wellFormed(text)) {
        raise(-16110, "XML syntax error. Parsing cannot continue.", "2200M");
    }
    return text;
}

bool booleanFrom(const Literal &value)
{
    if (value.kind == Literal::Kind::Boolean) {
        return value.text == "1";
    }
    if (value.kind == Literal::Kind::Number) {
        return std::strtod(value.text.c_str(), nullptr) != 0;
    }
    const std::string word = tw::text::upperAscii(trimBlanks(value.text));
    for (const char *yes : {"TRUE", "T", "YES", "Y", "ON", "1"}) {
        if (word == yes) {
            return true;
        }
    }
    for (const char *no : {"FALSE", "F", "NO", "N", "OFF", "0"}) {
        if (word == no) {
            return false;
        }
    }
    invalidCharacter("BOOLEAN");
}

// The current local date ("yyyy-mm-dd"), time ("hh:mm:ss") or both, as Db2's special
// registers give them.
enum class Now { Date, Time, Timestamp };

std::string nowText(Now part)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[64];
    if (part == Now::Date) {
        std::strftime(buffer, sizeof buffer, "%Y-%m-%d", &local);
    } else if (part == Now::Time) {
        std::strftime(buffer, sizeof buffer, "%H:%M:%S", &local);
    } else {
        std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &local);
    }
    return buffer;
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
    return timestampWith(literal, 6);
}

std::string timestampWith(const std::string &literal, int digits)
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
    fraction.resize(static_cast<std::size_t>(digits), '0');
    return date + " " + time + (digits > 0 ? "." + fraction : "");
}

std::string decfloatFrom(const std::string &literal, int digits)
{
    std::string text = trimBlanks(literal);
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.erase(0, 1);
    }
    const std::string sign = negative ? "-" : "";
    const std::string word = tw::text::upperAscii(text);
    if (word == "INF" || word == "INFINITY") {
        return sign + "Infinity";
    }
    if (word == "NAN" || word == "SNAN") {
        return sign + (word == "NAN" ? "NaN" : "sNaN");
    }
    // coefficient and exponent: digits[.digits][E[+-]digits]
    std::string coefficient;
    long long exponent = 0;
    std::size_t at = 0;
    bool point = false;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c >= '0' && c <= '9') {
            coefficient += c;
            exponent -= point ? 1 : 0;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (coefficient.empty()) {
        invalidCharacter("DECFLOAT");
    }
    if (at < text.size()) {
        const std::string power = text.substr(at + 1);
        if ((text[at] != 'E' && text[at] != 'e') || power.empty() ||
            power.find_first_not_of("+-0123456789") != std::string::npos ||
            power.find_first_of("+-", 1) != std::string::npos || power.size() > 9) {
            invalidCharacter("DECFLOAT");
        }
        exponent += std::stoll(power);
    }
    coefficient.erase(0, std::min(coefficient.find_first_not_of('0'), coefficient.size() - 1));
    const auto precision = static_cast<std::size_t>(digits);
    if (coefficient.size() > precision) {
        exponent += static_cast<long long>(coefficient.size() - precision);
        if (roundDigits(coefficient, precision)) {
            ++exponent;
        }
    }
    const long long maxExponent = digits == 16 ? 384 : 6144;
    const long long adjusted = exponent + static_cast<long long>(coefficient.size()) - 1;
    if (adjusted > maxExponent || (coefficient != "0" && adjusted < 1 - maxExponent)) {
        overflow();
    }
    // IEEE 754's scientific string, as Db2 shows a DECFLOAT.
    if (exponent <= 0 && adjusted >= -6) {
        const auto fraction = static_cast<std::size_t>(-exponent);
        if (fraction == 0) {
            return sign + coefficient;
        }
        std::string padded =
            std::string(fraction + 1 > coefficient.size() ? fraction + 1 - coefficient.size() : 0,
                        '0') +
            coefficient;
        return sign + padded.substr(0, padded.size() - fraction) + "." +
               padded.substr(padded.size() - fraction);
    }
    std::string out = sign + coefficient.substr(0, 1);
    if (coefficient.size() > 1) {
        out += "." + coefficient.substr(1);
    }
    return out + "E" + (adjusted >= 0 ? "+" : "-") + std::to_string(std::llabs(adjusted));
}

namespace {

[[noreturn]] void incompatible(const Column &column)
{
    raise(-408,
          "A value is not compatible with the data type of its assignment target. Target name "
          "is \"" +
              column.name + "\".",
          "42821");
}

Cell textCell(std::string bytes, Cell::Kind kind = Cell::Kind::Text)
{
    Cell cell;
    cell.kind = kind;
    cell.bytes = std::move(bytes);
    return cell;
}

Cell integerCell(const Literal &value, const Column &column)
{
    const char *type = column.facts().name;
    const std::string exact = decimalFrom(value.text, 31, 0, type);
    const long long limit = column.type == TypeId::SmallInt  ? 32767
                            : column.type == TypeId::Integer ? 2147483647LL
                                                             : 0;
    errno = 0;
    const long long whole = std::strtoll(exact.c_str(), nullptr, 10);
    if (errno == ERANGE || (limit != 0 && (whole > limit || whole < -limit - 1))) {
        overflow();
    }
    Cell cell;
    cell.kind = Cell::Kind::Integer;
    cell.integer = whole;
    return cell;
}

Cell realCell(const Literal &value, const Column &column)
{
    const std::string written = trimBlanks(value.text);
    char *end = nullptr;
    const double real = std::strtod(written.c_str(), &end);
    if (written.empty() || *end != '\0' || std::isnan(real)) {
        invalidCharacter("DOUBLE");
    }
    const bool single = column.type == TypeId::Real;
    if (!std::isfinite(real) || (single && std::fabs(real) > FLT_MAX)) {
        overflow();
    }
    Cell cell;
    cell.kind = Cell::Kind::Real;
    cell.real = single ? static_cast<double>(static_cast<float>(real)) : real;
    return cell;
}

// Strings of characters, of UTF-16 units (graphic types) or of bytes. Trailing blanks beyond
// the length are dropped; anything else is too long. A fixed-length string is padded.
Cell stringCell(const Literal &value, const Column &column)
{
    const bool graphic = column.family() == Family::Graphic;
    const bool bytes = value.kind == Literal::Kind::Hex;
    if ((graphic && bytes) || (column.type == TypeId::Blob && !bytes)) {
        incompatible(column);
    }
    std::string content = value.text;
    const auto length = static_cast<std::size_t>(column.length);
    const std::size_t size = graphic ? utf16Units(content) : content.size();
    if (size > length) {
        const std::string kept = graphic ? firstUnits(content, length) : content.substr(0, length);
        if (content.find_first_not_of(' ', kept.size()) != std::string::npos) {
            raise(-433, "Value \"" + content.substr(0, 20) + "\" is too long.", "22001");
        }
        content = kept;
    }
    if (column.facts().padded) {
        const std::size_t filled = graphic ? utf16Units(content) : content.size();
        content.append(length - filled, column.family() == Family::Binary ? '\0' : ' ');
    }
    return textCell(std::move(content), column.holdsBytes() ? Cell::Kind::Blob : Cell::Kind::Text);
}

} // namespace

Cell convert(const Literal &value, const Column &column)
{
    if (value.kind == Literal::Kind::Null) {
        return {};
    }
    if (value.kind == Literal::Kind::Number &&
        !std::isfinite(std::strtod(value.text.c_str(), nullptr))) {
        raise(-405,
              "The numeric literal \"" + value.text +
                  "\" is not valid because its value is out of range.",
              "42820");
    }
    const bool string = value.kind == Literal::Kind::String;
    const bool bytes = value.kind == Literal::Kind::Hex;
    const Family family = column.family();
    if ((value.kind == Literal::Kind::Boolean && family != Family::Boolean) ||
        (bytes && family != Family::Character && family != Family::Binary)) {
        incompatible(column);
    }
    switch (family) {
    case Family::Integer:
        return integerCell(value, column);
    case Family::Exact:
        return textCell(column.type == TypeId::Decimal
                            ? decimalFrom(value.text, column.length, column.scale, "DECIMAL")
                            : decfloatFrom(value.text, column.length));
    case Family::Approximate:
        return realCell(value, column);
    case Family::Date:
    case Family::Time:
    case Family::Timestamp:
        if (!string) {
            incompatible(column);
        }
        return textCell(family == Family::Date   ? dateFrom(value.text)
                        : family == Family::Time ? timeFrom(value.text)
                                                 : timestampWith(value.text, column.length));
    case Family::Boolean: {
        Cell cell;
        cell.kind = Cell::Kind::Integer;
        cell.integer = booleanFrom(value) ? 1 : 0;
        return cell;
    }
    case Family::Xml:
        if (!string) {
            incompatible(column);
        }
        return textCell(xmlFrom(value.text));
    case Family::Character:
    case Family::Graphic:
    case Family::Binary:
        break;
    }
    if (value.kind == Literal::Kind::Number) {
        incompatible(column); // a number is no string
    }
    return stringCell(value, column);
}

Cell defaultCell(const Column &column)
{
    const DefaultValue &value = column.defaultValue;
    switch (value.kind) {
    case DefaultValue::Kind::None:
    case DefaultValue::Kind::Null:
        return {};
    case DefaultValue::Kind::Literal:
        return convert({static_cast<Literal::Kind>(value.literalKind), value.text}, column);
    case DefaultValue::Kind::CurrentDate:
        return convert({Literal::Kind::String, nowText(Now::Date)}, column);
    case DefaultValue::Kind::CurrentTime:
        return convert({Literal::Kind::String, nowText(Now::Time)}, column);
    case DefaultValue::Kind::CurrentTimestamp: {
        // The current moment to the microsecond, as Db2's CURRENT TIMESTAMP gives it.
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        char fraction[32];
        std::snprintf(fraction, sizeof fraction, ".%06ld", static_cast<long>(now.tv_nsec / 1000));
        return convert({Literal::Kind::String, nowText(Now::Timestamp) + fraction}, column);
    }
    case DefaultValue::Kind::TypeDefault:
        break;
    }
    // WITH DEFAULT alone: the type's own default.
    switch (column.family()) {
    case Family::Date:
        return convert({Literal::Kind::String, nowText(Now::Date)}, column);
    case Family::Time:
        return convert({Literal::Kind::String, nowText(Now::Time)}, column);
    case Family::Timestamp:
        return convert({Literal::Kind::String, nowText(Now::Timestamp)}, column);
    case Family::Xml:
        return {};
    case Family::Integer:
    case Family::Exact:
    case Family::Approximate:
    case Family::Boolean:
        return convert({Literal::Kind::Number, "0"}, column);
    case Family::Character:
    case Family::Graphic:
    case Family::Binary:
        break;
    }
    return convert({column.holdsBytes() ? Literal::Kind::Hex : Literal::Kind::String, ""}, column);
}

void checkDefault(const Column &column)
{
    auto invalid = [&](const char *reason) {
        raise(-574,
              "DEFAULT value or IDENTITY attribute value is not valid for column \"" + column.name +
                  "\". Reason code: \"" + reason + "\".",
              "42894");
    };
    if (!column.identity.empty()) {
        const bool whole = column.family() == Family::Integer ||
                           (column.type == TypeId::Decimal && column.scale == 0);
        if (!whole || column.defaultValue.kind != DefaultValue::Kind::None) {
            invalid("7");
        }
        return;
    }
    if (column.defaultValue.kind == DefaultValue::Kind::Literal) {
        try {
            defaultCell(column);
        } catch (const Db2Exception &) {
            invalid("1");
        }
    }
}

} // namespace db2emu
