#include "engine.h"

#include "core/text.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <variant>

namespace db2emu {

namespace {

constexpr std::size_t kLongestLiteral = 32672;
constexpr std::size_t kLongestStatement = 2097152;
constexpr std::size_t kLongestIdentifier = 128;
constexpr long long kLongVarcharBytes = 32700;
constexpr long long kDefaultLobBytes = 1048576;

[[noreturn]] void raise(int sqlCode,
                        const std::string &text,
                        const std::string &sqlState,
                        const std::string &odbcState = {})
{
    throw Db2Exception(makeError(sqlCode, text, sqlState, odbcState));
}

// ---- Tokens ---------------------------------------------------------------------------------

struct Token
{
    enum class Kind { Word, Quoted, String, Hex, Number, Symbol, End } kind = Kind::End;
    std::string text;   // word (upper-cased), identifier, string bytes, number, symbol
    std::string source; // as written
};

class Lexer
{
public:
    explicit Lexer(const std::string &sql)
        : m_sql(sql)
    {}

    std::vector<Token> tokens()
    {
        std::vector<Token> result;
        while (true) {
            skipSpace();
            if (m_at >= m_sql.size()) {
                break;
            }
            result.push_back(next());
        }
        result.push_back({Token::Kind::End, "END-OF-STATEMENT", "END-OF-STATEMENT"});
        return result;
    }

private:
    void skipSpace()
    {
        while (m_at < m_sql.size()) {
            const char c = m_sql[m_at];
            if (std::isspace(static_cast<unsigned char>(c))) {
                ++m_at;
            } else if (c == '-' && m_at + 1 < m_sql.size() && m_sql[m_at + 1] == '-') {
                while (m_at < m_sql.size() && m_sql[m_at] != '\n') {
                    ++m_at;
                }
            } else {
                break;
            }
        }
    }

    // The body of a '...' or "..." with the delimiter doubled inside it.
    std::string delimited(char quote, std::size_t &written)
    {
        const std::size_t start = m_at;
        ++m_at;
        std::string body;
        while (true) {
            if (m_at >= m_sql.size()) {
                const std::string begin = m_sql.substr(start + 1, 20);
                if (quote == '\'') {
                    raise(-10,
                          "The string constant beginning with \"" + begin +
                              "\" does not have an ending string delimiter.",
                          "42603");
                }
                raise(-10,
                      "The string constant beginning with \"" + begin +
                          "\" does not have an ending string delimiter.",
                      "42603");
            }
            const char c = m_sql[m_at++];
            if (c == quote) {
                if (m_at < m_sql.size() && m_sql[m_at] == quote) {
                    body += quote;
                    ++m_at;
                    continue;
                }
                break;
            }
            body += c;
        }
        written = m_at - start - 2;
        return body;
    }

    Token next()
    {
        const std::size_t start = m_at;
        const char c = m_sql[m_at];
        std::size_t written = 0;
        if (c == '\'') {
            std::string body = delimited('\'', written);
            if (written > kLongestLiteral) {
                raise(-102,
                      "The string constant beginning with \"" + body.substr(0, 20) +
                          "\" is too long.",
                      "54002");
            }
            return {Token::Kind::String, std::move(body), m_sql.substr(start, m_at - start)};
        }
        if ((c == 'X' || c == 'x') && m_at + 1 < m_sql.size() && m_sql[m_at + 1] == '\'') {
            ++m_at;
            const std::string digits = delimited('\'', written);
            if (digits.size() % 2 != 0 ||
                digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
                raise(-103,
                      "The numeric literal \"X'" + digits.substr(0, 20) + "'\" is not valid.",
                      "42604");
            }
            std::string bytes;
            for (std::size_t i = 0; i < digits.size(); i += 2) {
                bytes += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
            }
            return {Token::Kind::Hex, std::move(bytes), m_sql.substr(start, m_at - start)};
        }
        if (c == '"') {
            std::string body = delimited('"', written);
            return {Token::Kind::Quoted, std::move(body), m_sql.substr(start, m_at - start)};
        }
        if (std::isdigit(static_cast<unsigned char>(c)) ||
            (c == '.' && m_at + 1 < m_sql.size() &&
             std::isdigit(static_cast<unsigned char>(m_sql[m_at + 1])))) {
            while (m_at < m_sql.size() &&
                   (std::isdigit(static_cast<unsigned char>(m_sql[m_at])) || m_sql[m_at] == '.')) {
                ++m_at;
            }
            if (m_at < m_sql.size() && (m_sql[m_at] == 'E' || m_sql[m_at] == 'e')) {
                ++m_at;
                if (m_at < m_sql.size() && (m_sql[m_at] == '+' || m_sql[m_at] == '-')) {
                    ++m_at;
                }
                while (m_at < m_sql.size() &&
                       std::isdigit(static_cast<unsigned char>(m_sql[m_at]))) {
                    ++m_at;
                }
            }
            const std::string number = m_sql.substr(start, m_at - start);
            return {Token::Kind::Number, number, number};
        }
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#' ||
            c == '@' || static_cast<unsigned char>(c) >= 0x80) {
            while (m_at < m_sql.size()) {
                const auto d = static_cast<unsigned char>(m_sql[m_at]);
                if (!(std::isalnum(d) || d == '_' || d == '$' || d == '#' || d == '@' ||
                      d >= 0x80)) {
                    break;
                }
                ++m_at;
            }
            const std::string word = m_sql.substr(start, m_at - start);
            return {Token::Kind::Word, tw::text::upperAscii(word), word};
        }
        if (c == '|' && m_at + 1 < m_sql.size() && m_sql[m_at + 1] == '|') {
            m_at += 2;
            return {Token::Kind::Symbol, "||", "||"};
        }
        ++m_at;
        return {Token::Kind::Symbol, std::string(1, c), std::string(1, c)};
    }

    const std::string &m_sql;
    std::size_t m_at = 0;
};

// ---- Statements -----------------------------------------------------------------------------

struct Name
{
    std::string schema; // empty: the default schema
    std::string name;
};

struct Literal
{
    enum class Kind { Null, Number, String, Hex } kind = Kind::Null;
    std::string text;
};

struct CreateTable
{
    Name table;
    std::vector<Column> columns;
};

struct CreateView
{
    Name view;
    Name source;
};

struct Insert
{
    Name table;
    std::vector<Literal> values;
};

struct Drop
{
    Name table;
};

struct Rename
{
    Name from;
    std::string to;
};

struct Select
{
    Name table;
};

using Statement = std::variant<CreateTable, CreateView, Insert, Drop, Rename, Select>;

class Parser
{
public:
    explicit Parser(const std::string &sql)
        : m_tokens(Lexer(sql).tokens())
    {}

    Statement statement()
    {
        Statement result = body();
        // One trailing ";" is fine; anything after it belongs to a statement not run here.
        if (peek().kind == Token::Kind::Symbol && peek().text == ";") {
            ++m_at;
            return result;
        }
        expectEnd();
        return result;
    }

private:
    const Token &peek() const { return m_tokens[m_at]; }

    const Token &take() { return m_tokens[m_at < m_tokens.size() - 1 ? m_at++ : m_at]; }

    [[noreturn]] void unexpected(const std::string &expected) const
    {
        std::string following;
        for (std::size_t i = m_at >= 3 ? m_at - 3 : 0; i < m_at; ++i) {
            following += (following.empty() ? "" : " ") + m_tokens[i].source;
        }
        if (following.size() > 20) {
            following = following.substr(following.size() - 20);
        }
        raise(-104,
              "An unexpected token \"" + peek().source + "\" was found following \"" + following +
                  "\".  Expected tokens may include:  \"" + expected + "\".",
              "42601");
    }

    bool isWord(const char *word) const
    {
        return peek().kind == Token::Kind::Word && peek().text == word;
    }

    bool isSymbol(const char *symbol) const
    {
        return peek().kind == Token::Kind::Symbol && peek().text == symbol;
    }

    void word(const char *expected)
    {
        if (!isWord(expected)) {
            unexpected(expected);
        }
        ++m_at;
    }

    void symbol(const char *expected)
    {
        if (!isSymbol(expected)) {
            unexpected(expected);
        }
        ++m_at;
    }

    void expectEnd() const
    {
        if (peek().kind != Token::Kind::End) {
            unexpected("END-OF-STATEMENT");
        }
    }

    std::string identifier()
    {
        const Token &token = peek();
        if (token.kind != Token::Kind::Word && token.kind != Token::Kind::Quoted) {
            unexpected("<identifier>");
        }
        if (token.kind == Token::Kind::Quoted && token.text.empty()) {
            raise(-104,
                  "An unexpected token \"\"\"\" was found following \"\".  Expected tokens "
                  "may include:  \"<identifier>\".",
                  "42601");
        }
        std::string name = token.text;
        if (token.kind == Token::Kind::Quoted) {
            // Trailing blanks of a delimited identifier are not significant.
            while (!name.empty() && name.back() == ' ') {
                name.pop_back();
            }
        }
        if (name.size() > kLongestIdentifier) {
            raise(-107,
                  "The name \"" + name.substr(0, 20) +
                      "\" is too long.  The maximum length is \"128\".",
                  "42622");
        }
        ++m_at;
        return name;
    }

    Name qualifiedName()
    {
        Name result;
        result.name = identifier();
        if (isSymbol(".")) {
            ++m_at;
            result.schema = result.name;
            result.name = identifier();
        }
        return result;
    }

    int integer()
    {
        if (peek().kind != Token::Kind::Number ||
            peek().text.find_first_not_of("0123456789") != std::string::npos) {
            unexpected("<integer>");
        }
        const long value = std::strtol(take().text.c_str(), nullptr, 10);
        return static_cast<int>(std::min(value, 2147483647L));
    }

    Statement body()
    {
        if (isWord("CREATE")) {
            ++m_at;
            if (isWord("VIEW")) {
                ++m_at;
                CreateView view;
                view.view = qualifiedName();
                word("AS");
                word("SELECT");
                symbol("*");
                word("FROM");
                view.source = qualifiedName();
                return view;
            }
            word("TABLE");
            return createTable();
        }
        if (isWord("INSERT")) {
            ++m_at;
            word("INTO");
            Insert insert;
            insert.table = qualifiedName();
            word("VALUES");
            symbol("(");
            while (true) {
                insert.values.push_back(literal());
                if (isSymbol(",")) {
                    ++m_at;
                    continue;
                }
                symbol(")");
                break;
            }
            return insert;
        }
        if (isWord("DROP")) {
            ++m_at;
            word("TABLE");
            return Drop{qualifiedName()};
        }
        if (isWord("RENAME")) {
            ++m_at;
            if (isWord("TABLE")) {
                ++m_at;
            }
            Rename rename;
            rename.from = qualifiedName();
            word("TO");
            rename.to = identifier();
            if (isSymbol(".")) {
                unexpected("END-OF-STATEMENT");
            }
            return rename;
        }
        if (isWord("SELECT")) {
            ++m_at;
            symbol("*");
            word("FROM");
            return Select{qualifiedName()};
        }
        unexpected("CREATE INSERT DROP RENAME SELECT");
    }

    CreateTable createTable()
    {
        CreateTable create;
        create.table = qualifiedName();
        symbol("(");
        while (true) {
            Column column;
            column.name = identifier();
            column.type = dataType(column);
            if (isWord("NOT")) {
                ++m_at;
                word("NULL");
            }
            create.columns.push_back(std::move(column));
            if (isSymbol(",")) {
                ++m_at;
                continue;
            }
            symbol(")");
            break;
        }
        return create;
    }

    std::string dataType(Column &column)
    {
        if (peek().kind != Token::Kind::Word) {
            unexpected("<data type>");
        }
        const std::string type = take().text;
        auto optionalLength = [&](int fallback) {
            if (isSymbol("(")) {
                ++m_at;
                const int length = integer();
                if (isWord("K") || isWord("M") || isWord("G")) {
                    const std::string unit = take().text;
                    const long long bytes =
                        static_cast<long long>(length) * (unit == "K"   ? 1024
                                                          : unit == "M" ? 1048576
                                                                        : 1073741824);
                    // A large object holds at most 2 GB less a byte, as in DB2.
                    column.length = static_cast<int>(std::min(bytes, 2147483647LL));
                } else {
                    column.length = length;
                }
                symbol(")");
            } else {
                column.length = fallback;
            }
        };
        if (type == "SMALLINT" || type == "INTEGER" || type == "INT" || type == "BIGINT" ||
            type == "REAL" || type == "DOUBLE" || type == "DATE" || type == "TIME" ||
            type == "TIMESTAMP") {
            if (type == "DOUBLE" && isWord("PRECISION")) {
                ++m_at;
            }
            return type == "INT" ? "INTEGER" : type;
        }
        if (type == "FLOAT") {
            optionalLength(53);
            return column.length <= 24 ? "REAL" : "DOUBLE";
        }
        if (type == "DECIMAL" || type == "DEC" || type == "NUMERIC") {
            column.length = 5;
            if (isSymbol("(")) {
                ++m_at;
                column.length = integer();
                if (isSymbol(",")) {
                    ++m_at;
                    column.scale = integer();
                }
                symbol(")");
            }
            if (column.length < 1 || column.length > 31 || column.scale > column.length) {
                raise(
                    -604,
                    "The length, precision, or scale attribute for column, distinct type, "
                    "structured type, array type, attribute of structured type, routine, "
                    "cast target type, type mapping, or global variable \"DECIMAL\" is not valid.",
                    "42611");
            }
            return "DECIMAL";
        }
        if (type == "CHAR" || type == "CHARACTER") {
            if (isWord("VARYING")) {
                ++m_at;
                optionalLength(1);
                return "VARCHAR";
            }
            optionalLength(1);
            return "CHAR";
        }
        if (type == "VARCHAR") {
            if (!isSymbol("(")) {
                unexpected("(");
            }
            optionalLength(1);
            return "VARCHAR";
        }
        if (type == "LONG") {
            word("VARCHAR");
            column.length = static_cast<int>(kLongVarcharBytes);
            return "LONG VARCHAR";
        }
        if (type == "CLOB" || type == "BLOB") {
            optionalLength(static_cast<int>(kDefaultLobBytes));
            return type;
        }
        --m_at;
        raise(-104,
              "An unexpected token \"" + peek().source + "\" was found following \"" + column.name +
                  "\".  Expected tokens may include:  \"<data type>\".",
              "42601");
    }

    Literal literal()
    {
        if (isWord("NULL")) {
            ++m_at;
            return {};
        }
        if (isSymbol("-") || isSymbol("+")) {
            const std::string sign = take().text;
            if (peek().kind != Token::Kind::Number) {
                unexpected("<number>");
            }
            return {Literal::Kind::Number, (sign == "-" ? "-" : "") + take().text};
        }
        if (peek().kind == Token::Kind::Number) {
            return {Literal::Kind::Number, take().text};
        }
        if (peek().kind != Token::Kind::String && peek().kind != Token::Kind::Hex) {
            unexpected("<value>");
        }
        // A string expression: literals joined with ||.
        Literal value{peek().kind == Token::Kind::Hex ? Literal::Kind::Hex : Literal::Kind::String,
                      take().text};
        while (isSymbol("||")) {
            ++m_at;
            if (peek().kind != Token::Kind::String && peek().kind != Token::Kind::Hex) {
                unexpected("<string>");
            }
            value.text += take().text;
        }
        return value;
    }

    std::vector<Token> m_tokens;
    std::size_t m_at = 0;
};

Statement parse(const std::string &sql)
{
    if (sql.size() > kLongestStatement) {
        raise(-101, "The statement is too long or too complex.", "54001");
    }
    return Parser(sql).statement();
}

// ---- Values ---------------------------------------------------------------------------------

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

// ISO yyyy-mm-dd, USA mm/dd/yyyy, EUR dd.mm.yyyy; month and day may drop a leading zero.
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

// yyyy-mm-dd-hh.mm.ss[.ffffff], yyyy-mm-dd hh:mm:ss[.ffffff], or a date alone.
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

// ---- SQLite helpers -------------------------------------------------------------------------

class Statement3
{
public:
    Statement3(sqlite3 *db, const std::string &sql)
    {
        if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &m_stmt, nullptr) !=
            SQLITE_OK) {
            const std::string why = sqlite3_errmsg(db);
            sqlite3_finalize(m_stmt);
            raise(-901,
                  "The SQL statement or command failed because of a database system error. (Reason "
                  "\"" +
                      why + "\".)",
                  "58004");
        }
    }

    ~Statement3() { sqlite3_finalize(m_stmt); }

    Statement3(const Statement3 &) = delete;
    Statement3 &operator=(const Statement3 &) = delete;

    sqlite3_stmt *get() const { return m_stmt; }

    void bind(int index, const std::string &text)
    {
        sqlite3_bind_text(
            m_stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }

    void bind(int index, long long value) { sqlite3_bind_int64(m_stmt, index, value); }

    bool step(sqlite3 *db)
    {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW) {
            return true;
        }
        if (rc != SQLITE_DONE) {
            raise(-901,
                  std::string(
                      "The SQL statement or command failed because of a database system error. "
                      "(Reason \"") +
                      sqlite3_errmsg(db) + "\".)",
                  "58004");
        }
        return false;
    }

    std::string text(int column) const
    {
        const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
        return p == nullptr
                   ? std::string()
                   : std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column)));
    }

private:
    sqlite3_stmt *m_stmt = nullptr;
};

std::string quoteSqlite(const std::string &name)
{
    return "\"" + tw::text::doubled(name, '"') + "\"";
}

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
    TableResult(sqlite3 *db, std::vector<Column> columns, const std::string &sql)
        : m_db(db)
        , m_columns(std::move(columns))
        , m_stmt(db, sql)
    {}

    const std::vector<Column> &columns() const override { return m_columns; }

    bool next(std::vector<Cell> &row) override
    {
        if (!m_stmt.step(m_db)) {
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
    sqlite3 *m_db;
    std::vector<Column> m_columns;
    Statement3 m_stmt;
};

std::string display(const std::string &schema, const std::string &name)
{
    return schema + "." + name;
}

} // namespace

Db2Error makeError(int sqlCode,
                   const std::string &text,
                   const std::string &sqlState,
                   const std::string &odbcState,
                   bool connecting)
{
    char number[16];
    std::snprintf(number, sizeof number, "SQL%04dN", sqlCode < 0 ? -sqlCode : sqlCode);
    std::string message = "[IBM][CLI Driver]";
    if (!connecting) {
        message += "[DB2/LINUXX8664]";
    }
    message += " " + std::string(number) + "  " + text + "  SQLSTATE=" + sqlState;
    return {odbcState.empty() ? sqlState : odbcState, sqlCode, message};
}

int Column::odbcType() const
{
    if (type == "SMALLINT")
        return 5;
    if (type == "INTEGER")
        return 4;
    if (type == "BIGINT")
        return -5;
    if (type == "DECIMAL")
        return 3;
    if (type == "REAL")
        return 7;
    if (type == "DOUBLE")
        return 8;
    if (type == "CHAR")
        return 1;
    if (type == "VARCHAR")
        return 12;
    if (type == "LONG VARCHAR")
        return -1;
    if (type == "CLOB")
        return -99;
    if (type == "BLOB")
        return -98;
    if (type == "DATE")
        return 91;
    if (type == "TIME")
        return 92;
    if (type == "TIMESTAMP")
        return 93;
    return 12;
}

long long Column::columnSize() const
{
    if (type == "SMALLINT")
        return 5;
    if (type == "INTEGER")
        return 10;
    if (type == "BIGINT")
        return 19;
    if (type == "REAL")
        return 24;
    if (type == "DOUBLE")
        return 53;
    if (type == "DATE")
        return 10;
    if (type == "TIME")
        return 8;
    if (type == "TIMESTAMP")
        return 26;
    return length;
}

int Column::decimalDigits() const
{
    if (type == "DECIMAL")
        return scale;
    if (type == "TIMESTAMP")
        return 6;
    return 0;
}

void parseOnly(const std::string &sql)
{
    (void)parse(sql);
}

Database::Database(const std::string &file, std::string schema)
    : m_schema(std::move(schema))
{
    if (sqlite3_open_v2(file.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        const std::string why = m_db != nullptr ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        m_db = nullptr;
        throw Db2Exception(makeError(
            -1031,
            "The database directory cannot be found on the indicated file system. (" + why + ")",
            "58031",
            {},
            true));
    }
    sqlite3_busy_timeout(m_db, 10000);
    run("PRAGMA journal_mode=WAL");
    run("PRAGMA synchronous=OFF");
    run("CREATE TABLE IF NOT EXISTS db2emu_objects(schema TEXT, name TEXT, type TEXT, store TEXT, "
        "PRIMARY KEY(schema, name))");
    run("CREATE TABLE IF NOT EXISTS db2emu_columns(schema TEXT, name TEXT, ordinal INTEGER, "
        "column_name TEXT, type TEXT, length INTEGER, scale INTEGER)");
}

Database::~Database()
{
    sqlite3_close(m_db);
}

void Database::run(const std::string &sql)
{
    char *error = nullptr;
    if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string why = error != nullptr ? error : "unknown";
        sqlite3_free(error);
        raise(-901,
              "The SQL statement or command failed because of a database system error. (Reason \"" +
                  why + "\".)",
              "58004");
    }
}

std::string Database::newStore(const char *prefix)
{
    Statement3 next(m_db, "SELECT COUNT(*) + 1 FROM db2emu_objects");
    next.step(m_db);
    long long n = sqlite3_column_int64(next.get(), 0);
    while (true) {
        const std::string name = std::string(prefix) + std::to_string(n);
        Statement3 taken(m_db, "SELECT 1 FROM sqlite_master WHERE name = ?1");
        taken.bind(1, name);
        if (!taken.step(m_db)) {
            return name;
        }
        ++n;
    }
}

std::optional<Database::Object> Database::find(const std::string &schema, const std::string &name)
{
    Statement3 lookup(m_db,
                      "SELECT type, store FROM db2emu_objects WHERE schema = ?1 AND name = ?2");
    lookup.bind(1, schema);
    lookup.bind(2, name);
    if (!lookup.step(m_db)) {
        return std::nullopt;
    }
    Object object{schema, name, lookup.text(0), lookup.text(1), {}};
    Statement3 columns(m_db,
                       "SELECT column_name, type, length, scale FROM db2emu_columns "
                       "WHERE schema = ?1 AND name = ?2 ORDER BY ordinal");
    columns.bind(1, schema);
    columns.bind(2, name);
    while (columns.step(m_db)) {
        object.columns.push_back({columns.text(0),
                                  columns.text(1),
                                  static_cast<int>(sqlite3_column_int(columns.get(), 2)),
                                  static_cast<int>(sqlite3_column_int(columns.get(), 3))});
    }
    return object;
}

// One statement's changes, all or none. Under autocommit it is a transaction of its own;
// inside a unit of work a savepoint, so a failed statement leaves the unit's earlier work.
class StatementUnit
{
public:
    explicit StatementUnit(Database &database)
        : m_database(database)
        , m_nested(!database.m_autoCommit)
    {
        m_database.run(m_nested ? "SAVEPOINT db2emu_statement" : "BEGIN IMMEDIATE");
    }

    ~StatementUnit()
    {
        if (!m_done) {
            sqlite3_exec(m_database.m_db,
                         m_nested ? "ROLLBACK TO db2emu_statement; RELEASE db2emu_statement"
                                  : "ROLLBACK",
                         nullptr,
                         nullptr,
                         nullptr);
        }
    }

    StatementUnit(const StatementUnit &) = delete;
    StatementUnit &operator=(const StatementUnit &) = delete;

    void done()
    {
        m_database.run(m_nested ? "RELEASE db2emu_statement" : "COMMIT");
        m_done = true;
    }

private:
    Database &m_database;
    bool m_nested;
    bool m_done = false;
};

void Database::setAutoCommit(bool on)
{
    if (on && !m_autoCommit) {
        endUnit(true);
    }
    m_autoCommit = on;
}

void Database::endUnit(bool commit)
{
    if (sqlite3_get_autocommit(m_db) == 0) {
        run(commit ? "COMMIT" : "ROLLBACK");
    }
}

std::unique_ptr<ResultSet> Database::execute(const std::string &sql)
{
    const Statement statement = parse(sql);
    if (!m_autoCommit && sqlite3_get_autocommit(m_db) != 0) {
        run("BEGIN"); // the first statement of a unit of work opens it
    }
    auto schemaOf = [&](const Name &n) {
        return n.schema.empty() ? m_schema : n.schema;
    };
    auto undefined = [&](const Name &n) {
        raise(-204,
              "\"" + display(schemaOf(n), n.name) + "\" is an undefined name.",
              "42704",
              "42S02");
    };
    auto existing =
        [&](const std::string &schema, const std::string &name, const std::string &type) {
            raise(-601,
                  "The name of the object to be created is identical to the existing name \"" +
                      display(schema, name) + "\" of type \"" + type + "\".",
                  "42710",
                  "42S01");
        };

    if (const auto *create = std::get_if<CreateTable>(&statement)) {
        const std::string schema = schemaOf(create->table);
        if (const auto found = find(schema, create->table.name)) {
            existing(schema, create->table.name, found->type);
        }
        for (std::size_t i = 0; i < create->columns.size(); ++i) {
            for (std::size_t k = 0; k < i; ++k) {
                if (create->columns[k].name == create->columns[i].name) {
                    raise(-612,
                          "\"" + create->columns[i].name + "\" is a duplicate name.",
                          "42711",
                          "42S21");
                }
            }
        }
        const std::string store = newStore("t");
        std::string ddl = "CREATE TABLE " + quoteSqlite(store) + "(";
        for (std::size_t i = 0; i < create->columns.size(); ++i) {
            ddl += (i == 0 ? "c" : ", c") + std::to_string(i + 1);
        }
        StatementUnit unit(*this);
        run(ddl + ")");
        Statement3 object(m_db, "INSERT INTO db2emu_objects VALUES(?1, ?2, 'TABLE', ?3)");
        object.bind(1, schema);
        object.bind(2, create->table.name);
        object.bind(3, store);
        object.step(m_db);
        for (std::size_t i = 0; i < create->columns.size(); ++i) {
            const Column &c = create->columns[i];
            Statement3 column(m_db,
                              "INSERT INTO db2emu_columns VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)");
            column.bind(1, schema);
            column.bind(2, create->table.name);
            column.bind(3, static_cast<long long>(i));
            column.bind(4, c.name);
            column.bind(5, c.type);
            column.bind(6, static_cast<long long>(c.length));
            column.bind(7, static_cast<long long>(c.scale));
            column.step(m_db);
        }
        unit.done();
        return nullptr;
    }
    if (const auto *view = std::get_if<CreateView>(&statement)) {
        const std::string schema = schemaOf(view->view);
        const auto source = find(schemaOf(view->source), view->source.name);
        if (!source) {
            undefined(view->source);
        }
        if (const auto found = find(schema, view->view.name)) {
            existing(schema, view->view.name, found->type);
        }
        const std::string store = newStore("v");
        StatementUnit unit(*this);
        run("CREATE VIEW " + quoteSqlite(store) + " AS SELECT * FROM " +
            quoteSqlite(source->store));
        Statement3 object(m_db, "INSERT INTO db2emu_objects VALUES(?1, ?2, 'VIEW', ?3)");
        object.bind(1, schema);
        object.bind(2, view->view.name);
        object.bind(3, store);
        object.step(m_db);
        Statement3 columns(
            m_db,
            "INSERT INTO db2emu_columns SELECT ?1, ?2, ordinal, column_name, type, length, "
            "scale FROM db2emu_columns WHERE schema = ?3 AND name = ?4");
        columns.bind(1, schema);
        columns.bind(2, view->view.name);
        columns.bind(3, source->schema);
        columns.bind(4, source->name);
        columns.step(m_db);
        unit.done();
        return nullptr;
    }
    if (const auto *insert = std::get_if<Insert>(&statement)) {
        const auto table = find(schemaOf(insert->table), insert->table.name);
        if (!table) {
            undefined(insert->table);
        }
        if (table->type != "TABLE") {
            raise(-150,
                  "The target fullselect, view, typed table, materialized query table, "
                  "range-clustered "
                  "table, or staging table in the INSERT, DELETE, UPDATE, MERGE, or TRUNCATE "
                  "statement is "
                  "a target for which the requested operation is not permitted.",
                  "42807");
        }
        if (insert->values.size() != table->columns.size()) {
            raise(-117,
                  "The number of values assigned is not the same as the number of specified or "
                  "implied "
                  "columns or variables.",
                  "42802");
        }
        std::string dml = "INSERT INTO " + quoteSqlite(table->store) + " VALUES(";
        for (std::size_t i = 0; i < table->columns.size(); ++i) {
            dml += (i == 0 ? "?" : ", ?") + std::to_string(i + 1);
        }
        Statement3 row(m_db, dml + ")");
        for (std::size_t i = 0; i < table->columns.size(); ++i) {
            const Cell cell = convert(insert->values[i], table->columns[i]);
            const int index = static_cast<int>(i + 1);
            switch (cell.kind) {
            case Cell::Kind::Null:
                sqlite3_bind_null(row.get(), index);
                break;
            case Cell::Kind::Integer:
                sqlite3_bind_int64(row.get(), index, cell.integer);
                break;
            case Cell::Kind::Real:
                sqlite3_bind_double(row.get(), index, cell.real);
                break;
            case Cell::Kind::Text:
                row.bind(index, cell.bytes);
                break;
            case Cell::Kind::Blob:
                sqlite3_bind_blob(row.get(),
                                  index,
                                  cell.bytes.data(),
                                  static_cast<int>(cell.bytes.size()),
                                  SQLITE_TRANSIENT);
                break;
            }
        }
        row.step(m_db);
        return nullptr;
    }
    if (const auto *drop = std::get_if<Drop>(&statement)) {
        const auto table = find(schemaOf(drop->table), drop->table.name);
        if (!table || table->type != "TABLE") {
            undefined(drop->table);
        }
        StatementUnit unit(*this);
        run("DROP TABLE " + quoteSqlite(table->store));
        Statement3 forget(m_db, "DELETE FROM db2emu_objects WHERE schema = ?1 AND name = ?2");
        forget.bind(1, table->schema);
        forget.bind(2, table->name);
        forget.step(m_db);
        Statement3 forgetColumns(m_db,
                                 "DELETE FROM db2emu_columns WHERE schema = ?1 AND name = ?2");
        forgetColumns.bind(1, table->schema);
        forgetColumns.bind(2, table->name);
        forgetColumns.step(m_db);
        unit.done();
        return nullptr;
    }
    if (const auto *rename = std::get_if<Rename>(&statement)) {
        const auto table = find(schemaOf(rename->from), rename->from.name);
        if (!table) {
            undefined(rename->from);
        }
        if (table->type != "TABLE") {
            raise(-809, "\"" + display(table->schema, table->name) + "\" is not a table.", "42809");
        }
        if (const auto target = find(table->schema, rename->to)) {
            existing(table->schema, rename->to, target->type);
        }
        StatementUnit unit(*this);
        for (const char *catalog : {"db2emu_objects", "db2emu_columns"}) {
            Statement3 move(m_db,
                            std::string("UPDATE ") + catalog +
                                " SET name = ?1 WHERE schema = ?2 AND name = ?3");
            move.bind(1, rename->to);
            move.bind(2, table->schema);
            move.bind(3, table->name);
            move.step(m_db);
        }
        unit.done();
        return nullptr;
    }
    const auto &select = std::get<Select>(statement);
    const auto table = find(schemaOf(select.table), select.table.name);
    if (!table) {
        undefined(select.table);
    }
    std::string query = "SELECT ";
    for (std::size_t i = 0; i < table->columns.size(); ++i) {
        query += (i == 0 ? "c" : ", c") + std::to_string(i + 1);
    }
    return std::make_unique<TableResult>(
        m_db, table->columns, query + " FROM " + quoteSqlite(table->store));
}

std::unique_ptr<ResultSet> Database::tables()
{
    std::vector<Column> columns = {{"TABLE_CAT", "VARCHAR", 128, 0},
                                   {"TABLE_SCHEM", "VARCHAR", 128, 0},
                                   {"TABLE_NAME", "VARCHAR", 128, 0},
                                   {"TABLE_TYPE", "VARCHAR", 128, 0},
                                   {"REMARKS", "VARCHAR", 254, 0}};
    auto text = [](const std::string &value) {
        Cell cell;
        cell.kind = Cell::Kind::Text;
        cell.bytes = value;
        return cell;
    };
    std::vector<std::vector<Cell>> rows;
    // A few catalog objects, as every DB2 database lists them.
    for (const auto &[schema, name, type] :
         std::vector<std::tuple<std::string, std::string, std::string>>{
             {"SYSCAT", "COLUMNS", "VIEW"},
             {"SYSCAT", "TABLES", "VIEW"},
             {"SYSIBM", "SYSCOLUMNS", "SYSTEM TABLE"},
             {"SYSIBM", "SYSTABLES", "SYSTEM TABLE"}}) {
        rows.push_back({Cell{}, text(schema), text(name), text(type), Cell{}});
    }
    Statement3 objects(m_db, "SELECT schema, name, type FROM db2emu_objects ORDER BY schema, name");
    while (objects.step(m_db)) {
        rows.push_back(
            {Cell{}, text(objects.text(0)), text(objects.text(1)), text(objects.text(2)), Cell{}});
    }
    return std::make_unique<MemoryResult>(std::move(columns), std::move(rows));
}

} // namespace db2emu
