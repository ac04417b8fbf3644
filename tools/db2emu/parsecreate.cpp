// CREATE TABLE and CREATE INDEX: columns with their types, defaults, identities and keys.

#include "parser.h"
#include "types.h"

#include <cstdlib>

namespace db2emu {

CreateIndex Parser::createIndex()
{
    CreateIndex index;
    if (isWord("UNIQUE")) {
        ++m_at;
        index.unique = true;
    }
    word("INDEX");
    index.index = qualifiedName();
    word("ON");
    index.table = qualifiedName();
    symbol("(");
    do {
        OrderKey key{identifier(), false};
        if (isWord("ASC") || isWord("DESC")) {
            key.descending = take().text == "DESC";
        }
        index.columns.push_back(std::move(key));
    } while (isSymbol(",") && (++m_at, true));
    symbol(")");
    return index;
}

bool Parser::keyConstraint(KeyConstraint &key)
{
    const std::size_t start = m_at;
    if (isWord("CONSTRAINT")) {
        ++m_at;
        key.name = identifier();
    }
    if (isWord("PRIMARY")) {
        ++m_at;
        word("KEY");
        key.primary = true;
        return true;
    }
    if (isWord("UNIQUE")) {
        ++m_at;
        return true;
    }
    m_at = start;
    return false;
}

CreateTable Parser::createTable()
{
    CreateTable create;
    create.table = qualifiedName();
    symbol("(");
    do {
        KeyConstraint key;
        if (keyConstraint(key)) {
            key.columns = nameList();
            create.keys.push_back(std::move(key));
            continue;
        }
        Column column;
        column.name = identifier();
        column.type = dataType(column);
        checkAttributes(column);
        columnOptions(column, create);
        create.columns.push_back(std::move(column));
    } while (isSymbol(",") && (++m_at, true));
    symbol(")");
    return create;
}

void Parser::columnOptions(Column &column, CreateTable &create)
{
    while (true) {
        KeyConstraint key;
        if (isWord("NOT")) {
            ++m_at;
            word("NULL");
            column.nullable = false;
        } else if (isWord("WITH")) {
            ++m_at;
            word("DEFAULT");
            defaultClause(column.defaultValue, true);
        } else if (isWord("DEFAULT")) {
            ++m_at;
            defaultClause(column.defaultValue, false);
        } else if (isWord("GENERATED")) {
            ++m_at;
            identityClause(column);
        } else if (keyConstraint(key)) {
            key.columns = {column.name};
            create.keys.push_back(std::move(key));
        } else {
            return;
        }
    }
}

void Parser::defaultClause(DefaultValue &value, bool mayBeBare)
{
    if (isWord("CURRENT")) {
        ++m_at;
        const std::string what = take().text;
        value.kind = what == "DATE"   ? DefaultValue::Kind::CurrentDate
                     : what == "TIME" ? DefaultValue::Kind::CurrentTime
                     : what == "TIMESTAMP"
                         ? DefaultValue::Kind::CurrentTimestamp
                         : (--m_at, unexpected("DATE TIME TIMESTAMP"), DefaultValue::Kind::None);
        return;
    }
    if (isWord("CURRENT_DATE") || isWord("CURRENT_TIME") || isWord("CURRENT_TIMESTAMP")) {
        const std::string what = take().text;
        value.kind = what == "CURRENT_DATE"   ? DefaultValue::Kind::CurrentDate
                     : what == "CURRENT_TIME" ? DefaultValue::Kind::CurrentTime
                                              : DefaultValue::Kind::CurrentTimestamp;
        return;
    }
    const bool constant = isWord("NULL") || isWord("TRUE") || isWord("FALSE") || isSymbol("-") ||
                          isSymbol("+") || peek().kind == Token::Kind::Number ||
                          peek().kind == Token::Kind::String || peek().kind == Token::Kind::Hex;
    if (!constant) {
        if (!mayBeBare) {
            unexpected("<default>");
        }
        value.kind = DefaultValue::Kind::TypeDefault;
        return;
    }
    const Literal literal = this->literal();
    if (literal.kind == Literal::Kind::Null) {
        value.kind = DefaultValue::Kind::Null;
        return;
    }
    value.kind = DefaultValue::Kind::Literal;
    value.literalKind = static_cast<int>(literal.kind);
    value.text = literal.text;
}

void Parser::identityClause(Column &column)
{
    if (isWord("ALWAYS")) {
        ++m_at;
        column.identity = "ALWAYS";
    } else {
        word("BY");
        word("DEFAULT");
        column.identity = "BY DEFAULT";
    }
    word("AS");
    word("IDENTITY");
    column.nullable = false;
    if (!isSymbol("(")) {
        return;
    }
    ++m_at;
    while (!isSymbol(")")) {
        if (isWord("START")) {
            ++m_at;
            word("WITH");
            column.identityStart = signedInteger();
        } else if (isWord("INCREMENT")) {
            ++m_at;
            word("BY");
            column.identityStep = signedInteger();
        } else if (isWord("NO") || isWord("CYCLE") || isWord("CACHE") || isWord("MINVALUE") ||
                   isWord("MAXVALUE") || isWord("ORDER") || peek().kind == Token::Kind::Number) {
            ++m_at; // options that change nothing here
        } else if (isSymbol(",")) {
            ++m_at;
        } else {
            unexpected(")");
        }
    }
    ++m_at;
}

void Parser::lengthOf(Column &column, long long fallback)
{
    if (!isSymbol("(")) {
        column.length = static_cast<int>(fallback);
        return;
    }
    ++m_at;
    long long length = integer();
    if (isWord("K") || isWord("M") || isWord("G")) {
        const std::string unit = take().text;
        length *= unit == "K" ? 1024 : unit == "M" ? 1048576 : 1073741824;
    }
    if (isWord("OCTETS") || isWord("CODEUNITS16") || isWord("CODEUNITS32")) {
        ++m_at;
    }
    symbol(")");
    // 2G is the largest object, 2 GB less a byte, as in Db2; more is beyond every limit
    // and refused by checkAttributes.
    column.length = length == 2147483648LL  ? 2147483647
                    : length > 2147483647LL ? -1
                                            : static_cast<int>(length);
}

void Parser::forBitData(Column &column)
{
    if (isWord("FOR")) {
        ++m_at;
        word("BIT");
        word("DATA");
        column.forBitData = true;
    }
}

const Spelling *Parser::spellingHere() const
{
    for (const Spelling &spelling : spellings()) {
        bool matches = m_at + spelling.words.size() <= m_tokens.size();
        for (std::size_t w = 0; matches && w < spelling.words.size(); ++w) {
            const Token &token = m_tokens[m_at + w];
            matches = token.kind == Token::Kind::Word && token.text == spelling.words[w];
        }
        if (matches) {
            return &spelling;
        }
    }
    return nullptr;
}

TypeId Parser::dataType(Column &column)
{
    const Spelling *spelling = spellingHere();
    if (spelling == nullptr) {
        raise(-104,
              "An unexpected token \"" + peek().source + "\" was found following \"" + column.name +
                  "\".  Expected tokens may include:  \"<data type>\".",
              "42601");
    }
    m_at += spelling->words.size();
    const TypeFacts &facts = factsOf(spelling->type);
    switch (spelling->attributes) {
    case Attributes::None:
        break;
    case Attributes::Fixed:
        column.length = static_cast<int>(facts.defaultLength);
        break;
    case Attributes::RequiredLength:
        if (!isSymbol("(")) {
            unexpected("(");
        }
        lengthOf(column, facts.defaultLength);
        break;
    case Attributes::Length:
    case Attributes::LobLength:
        lengthOf(column, facts.defaultLength);
        break;
    case Attributes::Precision:
        column.length = static_cast<int>(facts.defaultLength);
        if (isSymbol("(")) {
            ++m_at;
            column.length = integer();
            if (isSymbol(",")) {
                ++m_at;
                column.scale = integer();
            }
            symbol(")");
        }
        break;
    case Attributes::Float: {
        // FLOAT(n) is REAL up to 24 binary digits, DOUBLE beyond, and 53 at most.
        lengthOf(column, 53);
        if (column.length < 1 || column.length > 53) {
            refuseAttributes(column.name);
        }
        return column.length <= 24 ? TypeId::Real : TypeId::Double;
    }
    }
    if (spelling->bitData) {
        forBitData(column);
    }
    return spelling->type;
}

} // namespace db2emu
