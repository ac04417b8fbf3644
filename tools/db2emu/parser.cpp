// The parser's reading of tokens and names, and which kind of statement the first words say.

#include "parser.h"

#include <cstdlib>

namespace db2emu {

namespace {

constexpr std::size_t kLongestIdentifier = 128;

} // namespace

Statement Parser::statement()
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

void Parser::unexpected(const std::string &expected) const
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

void Parser::word(const char *expected)
{
    if (!isWord(expected)) {
        unexpected(expected);
    }
    ++m_at;
}

void Parser::symbol(const char *expected)
{
    if (!isSymbol(expected)) {
        unexpected(expected);
    }
    ++m_at;
}

void Parser::expectEnd() const
{
    if (peek().kind != Token::Kind::End) {
        unexpected("END-OF-STATEMENT");
    }
}

std::string Parser::identifier()
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

Name Parser::qualifiedName()
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

int Parser::integer()
{
    if (peek().kind != Token::Kind::Number ||
        peek().text.find_first_not_of("0123456789") != std::string::npos) {
        unexpected("<integer>");
    }
    const long value = std::strtol(take().text.c_str(), nullptr, 10);
    return static_cast<int>(std::min(value, 2147483647L));
}

Statement Parser::body()
{
    struct Kind
    {
        const char *word;
        Statement (Parser::*parse)();
    };

    static constexpr Kind kKinds[] = {
        {"CREATE", &Parser::create},
        {"INSERT", &Parser::insertStatement},
        {"DROP", &Parser::drop},
        {"RENAME", &Parser::rename},
        {"COMMENT", &Parser::comment},
        {"SELECT", &Parser::selectStatement},
        {"VALUES", &Parser::values},
    };
    for (const Kind &kind : kKinds) {
        if (isWord(kind.word)) {
            ++m_at;
            return (this->*kind.parse)();
        }
    }
    unexpected("CREATE INSERT DROP RENAME COMMENT SELECT VALUES");
}

Statement Parser::create()
{
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
    if (isWord("UNIQUE") || isWord("INDEX")) {
        return createIndex();
    }
    word("TABLE");
    return createTable();
}

Statement Parser::insertStatement()
{
    return insert();
}

Statement Parser::selectStatement()
{
    return select();
}

Statement Parser::drop()
{
    word("TABLE");
    return Drop{qualifiedName()};
}

template <class Renamed> Renamed Parser::renamed()
{
    Renamed rename;
    rename.from = qualifiedName();
    word("TO");
    rename.to = identifier();
    return rename;
}

Statement Parser::rename()
{
    if (isWord("INDEX")) {
        ++m_at;
        return renamed<RenameIndex>();
    }
    if (isWord("TABLE")) {
        ++m_at;
    }
    Rename rename = renamed<Rename>();
    if (isSymbol(".")) {
        unexpected("END-OF-STATEMENT");
    }
    return rename;
}

Statement Parser::comment()
{
    word("ON");
    word("TABLE");
    Comment comment;
    comment.table = qualifiedName();
    word("IS");
    if (peek().kind != Token::Kind::String) {
        unexpected("<string>");
    }
    comment.text = peek().text;
    ++m_at;
    return comment;
}

Statement Parser::values()
{
    if (isWord("CURRENT_SCHEMA")) {
        ++m_at;
    } else {
        word("CURRENT");
        if (!isWord("SCHEMA") && !isWord("SQLID")) {
            unexpected("SCHEMA");
        }
        ++m_at;
    }
    return Values{"CURRENT SCHEMA"};
}

std::vector<std::string> Parser::nameList()
{
    std::vector<std::string> names;
    symbol("(");
    do {
        names.push_back(identifier());
    } while (isSymbol(",") && (++m_at, true));
    symbol(")");
    return names;
}

long long Parser::signedInteger()
{
    const bool negative = isSymbol("-");
    if (negative || isSymbol("+")) {
        ++m_at;
    }
    if (peek().kind != Token::Kind::Number) {
        unexpected("<integer>");
    }
    const long long value = std::strtoll(take().text.c_str(), nullptr, 10);
    return negative ? -value : value;
}

Literal Parser::literal()
{
    if (isWord("NULL")) {
        ++m_at;
        return {};
    }
    if (isWord("TRUE") || isWord("FALSE")) {
        return {Literal::Kind::Boolean, take().text == "TRUE" ? "1" : "0"};
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
    if (isSymbol("?")) {
        ++m_at;
        return {Literal::Kind::Parameter, std::to_string(++m_markers)};
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

} // namespace db2emu
