#pragma once

#include <string>
#include <string_view>

// Letter case for table names, one letter to one letter both ways. A letter becomes its
// capital only where that capital's small letter is the letter again, so ß, µ, dotless ı,
// long ſ and final ς stay as they are: a name upper-cased for a list still finds its file,
// and two files never end up under one name unless they differ only in letter case.
namespace tw::text {

char32_t capitalOf(char32_t letter);
char32_t smallOf(char32_t letter);

// The UTF-8 text with each letter as its capital (or small letter); bytes that are not
// UTF-8 stay as they are.
std::string capitals(std::string_view utf8);
std::string smallLetters(std::string_view utf8);

} // namespace tw::text
