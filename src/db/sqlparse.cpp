#include "db/sqlparse.h"

#include "db/error.h"
#include "text/text.h"

#include <cctype>

namespace tw::db::sql {

namespace {

std::string shortened(std::string_view statement)
{
    constexpr std::size_t kShown = 200;
    return statement.size() <= kShown ? std::string(statement)
                                      : std::string(statement.substr(0, kShown)) + "...";
}

} // namespace

Reader::Reader(std::string_view statement)
    : m_statement(statement)
{
    std::size_t i = 0;
    auto fail = [&](const std::string &what) {
        throw Error(what + " in the statement: " + shortened(statement));
    };
    while (i < statement.size()) {
        const char c = statement[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        Token token;
        if (c == '`' || c == '[' || c == '"' || c == '\'') {
            const char close = c == '[' ? ']' : c;
            token.kind = c == '\'' ? Token::Kind::String : Token::Kind::Identifier;
            ++i;
            bool closed = false;
            while (i < statement.size()) {
                if (statement[i] == close) {
                    if (i + 1 < statement.size() && statement[i + 1] == close) {
                        token.text += close;
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                token.text += statement[i++];
            }
            if (!closed) {
                fail(std::string("A quote ") + c + " is not closed");
            }
        } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_' ||
                   static_cast<unsigned char>(c) >= 0x80) {
            token.kind = Token::Kind::Word;
            while (i < statement.size() &&
                   (std::isalnum(static_cast<unsigned char>(statement[i])) || statement[i] == '_' ||
                    static_cast<unsigned char>(statement[i]) >= 0x80)) {
                token.text += statement[i++];
            }
        } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                   (c == '-' && i + 1 < statement.size() &&
                    std::isdigit(static_cast<unsigned char>(statement[i + 1])))) {
            token.kind = Token::Kind::Number;
            token.text += statement[i++];
            while (i < statement.size() &&
                   (std::isalnum(static_cast<unsigned char>(statement[i])) || statement[i] == '.' ||
                    ((statement[i] == '-' || statement[i] == '+') &&
                     (statement[i - 1] == 'e' || statement[i - 1] == 'E')))) {
                token.text += statement[i++];
            }
        } else {
            token.kind = Token::Kind::Symbol;
            token.text = std::string(1, c);
            ++i;
        }
        m_tokens.push_back(std::move(token));
    }
    m_tokens.push_back(Token{});
}

bool Reader::word(std::string_view keyword)
{
    if (peek().kind == Token::Kind::Word && text::equalsIgnoringAsciiCase(peek().text, keyword)) {
        ++m_at;
        return true;
    }
    return false;
}

bool Reader::symbol(std::string_view symbol)
{
    if (peek().kind == Token::Kind::Symbol && peek().text == symbol) {
        ++m_at;
        return true;
    }
    return false;
}

bool Reader::identifier(std::string &name)
{
    if (peek().kind != Token::Kind::Identifier && peek().kind != Token::Kind::Word) {
        return false;
    }
    name = peek().text;
    ++m_at;
    return true;
}

bool Reader::literal(std::string &text, bool &isNull)
{
    isNull = false;
    if (peek().kind == Token::Kind::Word && text::equalsIgnoringAsciiCase(peek().text, "NULL")) {
        isNull = true;
        text.clear();
        ++m_at;
        return true;
    }
    if (peek().kind == Token::Kind::String || peek().kind == Token::Kind::Number) {
        text = peek().text;
        ++m_at;
        return true;
    }
    return false;
}

bool Reader::atEnd()
{
    symbol(";");
    return peek().kind == Token::Kind::End;
}

void Reader::reject(const std::string &what) const
{
    throw Error(what + ": " + shortened(m_statement));
}

} // namespace tw::db::sql
