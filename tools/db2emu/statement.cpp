// Parsing a statement, preparing one to run many times, and its markers given their values.

#include "statement.h"

#include "parser.h"

namespace db2emu {

namespace {

constexpr std::size_t kLongestStatement = 2097152;

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
