// INSERT and SELECT: the rows a statement gives and the rows it asks for.

#include "parser.h"

#include <cstdlib>

namespace db2emu {

Insert Parser::insert()
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

Select Parser::select()
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

void Parser::condition(std::vector<WhereItem> &where)
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

} // namespace db2emu
