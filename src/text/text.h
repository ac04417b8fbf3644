#pragma once

// Small text helpers for names in SQL, connection strings and file names, written once for
// the program and the DB2 emulation. Letter case here is ASCII's alone: other bytes (UTF-8
// included) are left as they are, whatever the process locale.

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

namespace tw::text {

constexpr char upperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string upperAscii(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](char c) { return upperAscii(c); });
    return out;
}

inline std::string lowerAscii(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](char c) { return lowerAscii(c); });
    return out;
}

inline bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return lowerAscii(x) == lowerAscii(y);
    });
}

inline bool containsIgnoringAsciiCase(std::string_view text, std::string_view fragment)
{
    return std::search(
               text.begin(), text.end(), fragment.begin(), fragment.end(), [](char x, char y) {
                   return lowerAscii(x) == lowerAscii(y);
               }) != text.end();
}

// Appends the text with every `quote` doubled, as SQL writes it inside a quoted name or
// literal.
inline void appendDoubled(std::string &out, std::string_view text, char quote)
{
    for (const char c : text) {
        out += c;
        if (c == quote) {
            out += c;
        }
    }
}

inline std::string doubled(std::string_view text, char quote)
{
    std::string out;
    out.reserve(text.size());
    appendDoubled(out, text, quote);
    return out;
}

// A decimal number's text split at its point: "-12.50" is negative, "12" and "50". Nothing
// for text that is not [+-]digits[.digits] with a digit somewhere.
struct DecimalParts
{
    bool negative = false;
    std::string_view whole;
    std::string_view fraction;
};

inline std::optional<DecimalParts> decimalParts(std::string_view text)
{
    DecimalParts parts;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        parts.negative = text[0] == '-';
        text.remove_prefix(1);
    }
    const std::size_t point = text.find('.');
    parts.whole = text.substr(0, point);
    parts.fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    const auto digits = [](std::string_view part) {
        return std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits(parts.whole) || !digits(parts.fraction) ||
        parts.whole.size() + parts.fraction.size() == 0) {
        return std::nullopt;
    }
    return parts;
}

} // namespace tw::text
