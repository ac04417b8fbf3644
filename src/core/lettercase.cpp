#include "core/lettercase.h"

#include "text/utf8.h"

#include <clocale>
#include <cwctype>
#include <locale.h>

namespace tw::text {

namespace {

// Unicode's simple case mappings, as the C library knows them for any UTF-8 locale; ASCII
// alone where the system has none.
locale_t unicodeLocale()
{
    static const locale_t locale = [] {
        for (const char *name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
            if (const locale_t found = ::newlocale(LC_CTYPE_MASK, name, locale_t{})) {
                return found;
            }
        }
        return locale_t{};
    }();
    return locale;
}

char32_t upper(char32_t c)
{
    if (const locale_t locale = unicodeLocale()) {
        return static_cast<char32_t>(::towupper_l(static_cast<wint_t>(c), locale));
    }
    return c >= U'a' && c <= U'z' ? c - 32 : c;
}

char32_t lower(char32_t c)
{
    if (const locale_t locale = unicodeLocale()) {
        return static_cast<char32_t>(::towlower_l(static_cast<wint_t>(c), locale));
    }
    return c >= U'A' && c <= U'Z' ? c + 32 : c;
}

template <class Map> std::string mapped(std::string_view utf8, Map map)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        const CodePoint cp = utf8At(utf8, at);
        if (cp.length == 0) {
            out += utf8[at++];
            continue;
        }
        appendUtf8(map(cp.value), out);
        at += cp.length;
    }
    return out;
}

} // namespace

char32_t capitalOf(char32_t letter)
{
    const char32_t capital = upper(letter);
    return capital != letter && lower(capital) == letter ? capital : letter;
}

char32_t smallOf(char32_t letter)
{
    const char32_t small = lower(letter);
    return small != letter && upper(small) == letter ? small : letter;
}

std::string capitals(std::string_view utf8)
{
    return mapped(utf8, capitalOf);
}

std::string smallLetters(std::string_view utf8)
{
    return mapped(utf8, smallOf);
}

} // namespace tw::text
