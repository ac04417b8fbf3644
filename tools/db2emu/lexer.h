#pragma once

// The tokens of a statement in DB2's dialect.

#include <cstddef>
#include <string>
#include <vector>

namespace db2emu {

inline constexpr std::size_t kLongestLiteral = 32672;

struct Token
{
    enum class Kind { Word, Quoted, String, Hex, Number, Symbol, End } kind = Kind::End;
    std::string text;   // word (upper-cased), identifier, string bytes, number, symbol
    std::string source; // as written
};

// Splits a statement into tokens; throws Db2Exception with DB2's errors for a string or hex
// constant that is unterminated, too long or not hex.
std::vector<Token> tokenize(const std::string &sql);

} // namespace db2emu
