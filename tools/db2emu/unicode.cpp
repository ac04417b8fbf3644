#include "unicode.h"

#include <algorithm>
#include <cstring>

namespace db2emu::odbc {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC's SQLWCHAR holds UTF-16");

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The code point at `at`, and how many bytes it took.
char32_t decode(std::string_view text, std::size_t at, std::size_t &width)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    width = 1;
    if (lead < 0x80) {
        return lead;
    }
    std::size_t count = 0;
    char32_t point = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        count = 1, point = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        count = 2, point = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        count = 3, point = lead & 0x07, least = 0x10000;
    } else {
        return kReplacement;
    }
    if (at + count >= text.size()) {
        return kReplacement;
    }
    for (std::size_t i = 1; i <= count; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            return kReplacement;
        }
        point = (point << 6) | (next & 0x3F);
    }
    if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
        return kReplacement;
    }
    width = count + 1;
    return point;
}

void append(std::string &out, char32_t point)
{
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | (point >> 6));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += static_cast<char>(0xE0 | (point >> 12));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (point >> 18));
        out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

} // namespace

std::u16string utf16(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t at = 0;
    while (at < utf8.size()) {
        std::size_t width = 1;
        const char32_t point = decode(utf8, at, width);
        at += width;
        if (point >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((point - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(point);
        }
    }
    return out;
}

std::string utf8(std::u16string_view utf16)
{
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t at = 0; at < utf16.size(); ++at) {
        const char16_t unit = utf16[at];
        if (unit >= 0xD800 && unit <= 0xDBFF && at + 1 < utf16.size() && utf16[at + 1] >= 0xDC00 &&
            utf16[at + 1] <= 0xDFFF) {
            append(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (utf16[at + 1] - 0xDC00));
            ++at;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            append(out, kReplacement);
        } else {
            append(out, unit);
        }
    }
    return out;
}

std::string utf8(const SQLWCHAR *chars, SQLINTEGER length)
{
    if (chars == nullptr) {
        return {};
    }
    std::size_t count = 0;
    if (length == SQL_NTS) {
        while (chars[count] != 0) {
            ++count;
        }
    } else {
        count = static_cast<std::size_t>(std::max<SQLINTEGER>(length, 0));
    }
    std::u16string units(count, u'\0');
    std::memcpy(units.data(), chars, count * sizeof(SQLWCHAR));
    return utf8(units);
}

bool putWide(const std::string &utf8, SQLWCHAR *out, SQLSMALLINT size, SQLSMALLINT *length)
{
    const std::u16string units = utf16(utf8);
    if (length != nullptr) {
        *length = static_cast<SQLSMALLINT>(std::min<std::size_t>(units.size(), 32767));
    }
    if (out == nullptr || size <= 0) {
        return units.empty();
    }
    const std::size_t count =
        std::min<std::size_t>(units.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(out, units.data(), count * sizeof(SQLWCHAR));
    out[count] = 0;
    return count == units.size();
}

} // namespace db2emu::odbc
