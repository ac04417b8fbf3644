#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The few statement shapes the Paradox and staging backends accept, read token by token.
// Identifiers may be quoted with backticks, brackets or double quotes; a doubled closing
// quote inside stands for one.
namespace tw::db::sql {

struct Token
{
    enum class Kind { Word, Identifier, String, Number, Symbol, End } kind = Kind::End;
    std::string text; // words keep their spelling; quoted texts lose their quotes
};

class Reader
{
public:
    // Throws db::Error quoting the statement when it cannot be split into tokens.
    explicit Reader(std::string_view statement);

    bool word(std::string_view keyword);           // takes a keyword, letter case ignored
    bool symbol(std::string_view symbol);          // takes a punctuation token
    bool identifier(std::string &name);            // takes a quoted or bare name
    bool literal(std::string &text, bool &isNull); // takes 'text', a number or NULL
    bool atEnd();                                  // true at the end, a final ";" allowed

    // The error for a statement this backend does not accept.
    [[noreturn]] void reject(const std::string &what) const;

private:
    const Token &peek() const { return m_tokens[m_at]; }

    std::string m_statement;
    std::vector<Token> m_tokens;
    std::size_t m_at = 0;
};

} // namespace tw::db::sql
