#include "statement.h"

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

constexpr std::size_t kLongestLiteral = 32672;
constexpr std::size_t kLongestStatement = 2097152;
constexpr std::size_t kLongestIdentifier = 128;
constexpr long long kLongVarcharBytes = 32700;
constexpr long long kDefaultLobBytes = 1048576;

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
            Select select;
            if (isWord("COUNT")) {
                ++m_at;
                symbol("(");
                symbol("*");
                symbol(")");
                select.count = true;
            } else {
                symbol("*");
            }
            word("FROM");
            select.table = qualifiedName();
            return select;
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

} // namespace

Statement parse(const std::string &sql)
{
    if (sql.size() > kLongestStatement) {
        raise(-101, "The statement is too long or too complex.", "54001");
    }
    return Parser(sql).statement();
}

} // namespace db2emu
