#pragma once

// The parser of the DB2 dialect: one statement's tokens read into the statement they make.
// Its work is split by statement kind: names and the dispatch (parser.cpp), CREATE TABLE and
// CREATE INDEX with the types and column options (parsecreate.cpp), INSERT and SELECT
// (parsequery.cpp).

#include "lexer.h"
#include "statement.h"

#include <string>
#include <vector>

namespace db2emu {

class Parser
{
public:
    explicit Parser(const std::string &sql)
        : m_tokens(tokenize(sql))
    {}

    Statement statement();

    int markers() const { return m_markers; }

private:
    const Token &peek() const { return m_tokens[m_at]; }

    const Token &take() { return m_tokens[m_at < m_tokens.size() - 1 ? m_at++ : m_at]; }

    [[noreturn]] void unexpected(const std::string &expected) const;

    bool isWord(const char *word) const
    {
        return peek().kind == Token::Kind::Word && peek().text == word;
    }

    bool isSymbol(const char *symbol) const
    {
        return peek().kind == Token::Kind::Symbol && peek().text == symbol;
    }

    void word(const char *expected);

    void symbol(const char *expected);

    void expectEnd() const;

    std::string identifier();

    Name qualifiedName();

    int integer();

    // The statement its first word names.
    Statement body();
    // Each statement after its first word.
    Statement create();
    Statement drop();
    Statement rename();
    Statement comment();
    Statement values();
    Statement insertStatement();
    Statement selectStatement();
    // FROM TO NAME of either RENAME.
    template <class Renamed> Renamed renamed();

    // [UNIQUE] INDEX name ON table (column [ASC | DESC], ...)
    CreateIndex createIndex();

    // A comma-separated list of names between brackets.
    std::vector<std::string> nameList();

    // [CONSTRAINT name] PRIMARY KEY | UNIQUE, at the place where it begins; false elsewhere.
    bool keyConstraint(KeyConstraint &key);

    CreateTable createTable();

    // NOT NULL, DEFAULT, WITH DEFAULT, GENERATED ... AS IDENTITY, PRIMARY KEY and UNIQUE, in
    // any order after the type.
    void columnOptions(Column &column, CreateTable &create);

    // What follows DEFAULT: a constant, NULL, a special register, or (after WITH DEFAULT)
    // nothing, which gives the type's own default.
    void defaultClause(DefaultValue &value, bool mayBeBare);

    // GENERATED {ALWAYS | BY DEFAULT} AS IDENTITY [(START WITH n, INCREMENT BY n, ...)]
    void identityClause(Column &column);

    long long signedInteger();

    // (n[K|M|G]) after a type name: the length in bytes, or in units of the type for
    // graphic types; `fallback` without one.
    void lengthOf(Column &column, long long fallback);

    // FOR BIT DATA after CHAR, VARCHAR or LONG VARCHAR.
    void forBitData(Column &column);

    // The type of a column as the next words spell it, its attributes read into `column`.
    TypeId dataType(Column &column);
    // The spelling the next words are, or nothing.
    const Spelling *spellingHere() const;

    // INSERT INTO table [(columns)] VALUES (values)[, (values)...]
    Insert insert();

    // SELECT {* | COUNT(*) | columns} FROM table [WHERE ...] [ORDER BY ...]
    // [FETCH FIRST n ROWS ONLY]
    Select select();

    // A search condition: comparisons joined by AND and OR, each maybe after NOT or in
    // brackets.
    void condition(std::vector<WhereItem> &where);

    Literal literal();

    std::vector<Token> m_tokens;

    std::size_t m_at = 0;

    int m_markers = 0;
};

} // namespace db2emu
