#include "lexer.h"

#include "engine.h"
#include "text/text.h"

#include <cctype>

namespace db2emu {

namespace {

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

} // namespace

std::vector<Token> tokenize(const std::string &sql)
{
    return Lexer(sql).tokens();
}

} // namespace db2emu
