#include "statement.h"

#include "lexer.h"
#include "types.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace db2emu {

namespace {

constexpr std::size_t kLongestStatement = 2097152;
constexpr std::size_t kLongestIdentifier = 128;
constexpr long long kLongVarcharBytes = 32700;
constexpr long long kDefaultLobBytes = 1048576;
constexpr int kLongVargraphicUnits = 16350;

class Parser
{
public:
    explicit Parser(const std::string &sql)
        : m_tokens(tokenize(sql))
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
            if (isWord("UNIQUE") || isWord("INDEX")) {
                return createIndex();
            }
            word("TABLE");
            return createTable();
        }
        if (isWord("INSERT")) {
            ++m_at;
            return insert();
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
            return select();
        }
        if (isWord("VALUES")) {
            ++m_at;
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
        unexpected("CREATE INSERT DROP RENAME SELECT VALUES");
    }

    // [UNIQUE] INDEX name ON table (column [ASC | DESC], ...)
    CreateIndex createIndex()
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

    // A comma-separated list of names between brackets.
    std::vector<std::string> nameList()
    {
        std::vector<std::string> names;
        symbol("(");
        do {
            names.push_back(identifier());
        } while (isSymbol(",") && (++m_at, true));
        symbol(")");
        return names;
    }

    // [CONSTRAINT name] PRIMARY KEY | UNIQUE, at the place where it begins; false elsewhere.
    bool keyConstraint(KeyConstraint &key)
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

    CreateTable createTable()
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

    // NOT NULL, DEFAULT, WITH DEFAULT, GENERATED ... AS IDENTITY, PRIMARY KEY and UNIQUE, in
    // any order after the type.
    void columnOptions(Column &column, CreateTable &create)
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

    // What follows DEFAULT: a constant, NULL, a special register, or (after WITH DEFAULT)
    // nothing, which gives the type's own default.
    void defaultClause(DefaultValue &value, bool mayBeBare)
    {
        if (isWord("CURRENT")) {
            ++m_at;
            const std::string what = take().text;
            value.kind =
                what == "DATE"   ? DefaultValue::Kind::CurrentDate
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
        const bool constant = isWord("NULL") || isWord("TRUE") || isWord("FALSE") ||
                              isSymbol("-") || isSymbol("+") ||
                              peek().kind == Token::Kind::Number ||
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

    // GENERATED {ALWAYS | BY DEFAULT} AS IDENTITY [(START WITH n, INCREMENT BY n, ...)]
    void identityClause(Column &column)
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
                       isWord("MAXVALUE") || isWord("ORDER") ||
                       peek().kind == Token::Kind::Number) {
                ++m_at; // options that change nothing here
            } else if (isSymbol(",")) {
                ++m_at;
            } else {
                unexpected(")");
            }
        }
        ++m_at;
    }

    long long signedInteger()
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

    // (n[K|M|G]) after a type name: the length in bytes, or in units of the type for
    // graphic types; `fallback` without one.
    void lengthOf(Column &column, long long fallback)
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

    // FOR BIT DATA after CHAR, VARCHAR or LONG VARCHAR.
    void forBitData(Column &column)
    {
        if (isWord("FOR")) {
            ++m_at;
            word("BIT");
            word("DATA");
            column.forBitData = true;
        }
    }

    std::string dataType(Column &column)
    {
        if (peek().kind != Token::Kind::Word) {
            unexpected("<data type>");
        }
        const std::string type = take().text;
        static const char *const plain[] = {
            "SMALLINT", "INTEGER", "INT", "BIGINT", "REAL", "DATE", "TIME", "BOOLEAN", "XML"};
        for (const char *name : plain) {
            if (type == name) {
                return type == "INT" ? "INTEGER" : type;
            }
        }
        if (type == "DOUBLE") {
            if (isWord("PRECISION")) {
                ++m_at;
            }
            return type;
        }
        if (type == "FLOAT") {
            lengthOf(column, 53);
            Column written = column;
            written.type = "FLOAT";
            checkAttributes(written);
            return column.length <= 24 ? "REAL" : "DOUBLE";
        }
        if (type == "TIMESTAMP") {
            lengthOf(column, 6);
            return type;
        }
        if (type == "DECIMAL" || type == "DEC" || type == "NUMERIC" || type == "NUM") {
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
            return "DECIMAL";
        }
        if (type == "DECFLOAT") {
            lengthOf(column, 34);
            return type;
        }
        if (type == "CHAR" || type == "CHARACTER") {
            const bool varying = isWord("VARYING");
            if (varying) {
                ++m_at;
            }
            if (isWord("LARGE")) {
                ++m_at;
                word("OBJECT");
                lengthOf(column, kDefaultLobBytes);
                return "CLOB";
            }
            lengthOf(column, 1);
            forBitData(column);
            return varying ? "VARCHAR" : "CHAR";
        }
        if (type == "VARCHAR" || type == "VARBINARY" || type == "VARGRAPHIC" ||
            type == "NVARCHAR") {
            if (!isSymbol("(")) {
                unexpected("(");
            }
            lengthOf(column, 1);
            if (type == "VARCHAR") {
                forBitData(column);
            }
            return type == "NVARCHAR" ? "VARGRAPHIC" : type;
        }
        if (type == "LONG") {
            if (isWord("VARGRAPHIC")) {
                ++m_at;
                column.length = kLongVargraphicUnits;
                return "LONG VARGRAPHIC";
            }
            word("VARCHAR");
            column.length = static_cast<int>(kLongVarcharBytes);
            forBitData(column);
            return "LONG VARCHAR";
        }
        if (type == "GRAPHIC" || type == "NCHAR" || type == "BINARY") {
            lengthOf(column, 1);
            return type == "NCHAR" ? "GRAPHIC" : type;
        }
        if (type == "CLOB" || type == "BLOB") {
            lengthOf(column, kDefaultLobBytes);
            return type;
        }
        if (type == "DBCLOB" || type == "NCLOB") {
            lengthOf(column, kDefaultLobBytes);
            return "DBCLOB";
        }
        --m_at;
        raise(-104,
              "An unexpected token \"" + peek().source + "\" was found following \"" + column.name +
                  "\".  Expected tokens may include:  \"<data type>\".",
              "42601");
    }

    // INSERT INTO table [(columns)] VALUES (values)[, (values)...]
    Insert insert()
    {
        word("INTO");
        Insert insert;
        insert.table = qualifiedName();
        if (isSymbol("(")) {
            insert.columns = nameList();
        }
        word("VALUES");
        do {
            std::vector<Literal> row;
            symbol("(");
            do {
                if (isWord("DEFAULT")) {
                    ++m_at;
                    row.push_back({Literal::Kind::Default, {}});
                } else {
                    row.push_back(literal());
                }
            } while (isSymbol(",") && (++m_at, true));
            symbol(")");
            insert.rows.push_back(std::move(row));
        } while (isSymbol(",") && (++m_at, true));
        return insert;
    }

    // SELECT {* | COUNT(*) | columns} FROM table [WHERE ...] [ORDER BY ...]
    // [FETCH FIRST n ROWS ONLY]
    Select select()
    {
        Select select;
        if (isWord("COUNT")) {
            ++m_at;
            symbol("(");
            symbol("*");
            symbol(")");
            select.count = true;
        } else if (isSymbol("*")) {
            ++m_at;
        } else {
            do {
                select.columns.push_back(identifier());
            } while (isSymbol(",") && (++m_at, true));
        }
        word("FROM");
        select.table = qualifiedName();
        if (isWord("WHERE")) {
            ++m_at;
            condition(select.where);
        }
        if (isWord("ORDER")) {
            ++m_at;
            word("BY");
            do {
                OrderKey key{identifier(), false};
                if (isWord("ASC") || isWord("DESC")) {
                    key.descending = take().text == "DESC";
                }
                select.orderBy.push_back(std::move(key));
            } while (isSymbol(",") && (++m_at, true));
        }
        if (isWord("FETCH")) {
            ++m_at;
            if (!isWord("FIRST") && !isWord("NEXT")) {
                unexpected("FIRST");
            }
            ++m_at;
            select.fetchFirst = peek().kind == Token::Kind::Number ? integer() : 1;
            if (!isWord("ROW") && !isWord("ROWS")) {
                unexpected("ROWS");
            }
            ++m_at;
            word("ONLY");
        }
        return select;
    }

    // A search condition: comparisons joined by AND and OR, each maybe after NOT or in
    // brackets.
    void condition(std::vector<WhereItem> &where)
    {
        while (true) {
            while (isWord("NOT") || isSymbol("(")) {
                where.emplace_back(take().text);
            }
            Comparison comparison;
            comparison.column = identifier();
            if (isWord("IS")) {
                ++m_at;
                const bool negated = isWord("NOT");
                if (negated) {
                    ++m_at;
                }
                word("NULL");
                comparison.op = negated ? "IS NOT NULL" : "IS NULL";
            } else {
                static const char *const operators[] = {"=", "<", ">", "!"};
                std::string op;
                for (const char *candidate : operators) {
                    if (op.empty() && isSymbol(candidate)) {
                        op = take().text;
                    }
                }
                if (op.empty()) {
                    unexpected("=");
                }
                if ((op == "<" || op == ">" || op == "!") && (isSymbol("=") || isSymbol(">"))) {
                    op += take().text;
                }
                if (op == "!" || op == "><" || op == "!>") {
                    unexpected("=");
                }
                comparison.op = op == "!=" ? "<>" : op;
                comparison.value = literal();
            }
            where.emplace_back(std::move(comparison));
            while (isSymbol(")")) {
                where.emplace_back(take().text);
            }
            if (!isWord("AND") && !isWord("OR")) {
                return;
            }
            where.emplace_back(take().text);
        }
    }

    Literal literal()
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

public:
    int markers() const { return m_markers; }

private:
    std::vector<Token> m_tokens;
    std::size_t m_at = 0;
    int m_markers = 0;
};

// Each marker takes its value; a marker met twice gets a copy.
void fillMarkers(std::vector<Literal> &literals,
                 std::vector<Literal> &values,
                 std::vector<bool> &taken)
{
    for (Literal &literal : literals) {
        if (literal.kind == Literal::Kind::Parameter) {
            const std::size_t k = std::stoul(literal.text) - 1;
            literal = taken.at(k) ? values.at(k) : std::move(values.at(k));
            taken[k] = true;
        }
    }
}

} // namespace

Statement parse(const std::string &sql)
{
    if (sql.size() > kLongestStatement) {
        raise(-101, "The statement is too long or too complex.", "54001");
    }
    return Parser(sql).statement();
}

PreparedStatement prepare(const std::string &sql)
{
    if (sql.size() > kLongestStatement) {
        raise(-101, "The statement is too long or too complex.", "54001");
    }
    Parser parser(sql);
    Statement statement = parser.statement();
    return {std::move(statement), parser.markers()};
}

Statement withValues(const PreparedStatement &prepared, std::vector<Literal> values)
{
    Statement statement = prepared.statement;
    std::vector<bool> taken(values.size());
    if (auto *insert = std::get_if<Insert>(&statement)) {
        for (std::vector<Literal> &row : insert->rows) {
            fillMarkers(row, values, taken);
        }
    } else if (auto *select = std::get_if<Select>(&statement)) {
        for (WhereItem &item : select->where) {
            if (auto *comparison = std::get_if<Comparison>(&item)) {
                std::vector<Literal> one{comparison->value};
                fillMarkers(one, values, taken);
                comparison->value = std::move(one.front());
            }
        }
    }
    return statement;
}

} // namespace db2emu
