#include "unicode.h"

#include "text/utf8.h"

#include <algorithm>
#include <cstring>

namespace db2emu::odbc {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "unixODBC's SQLWCHAR holds UTF-16");

constexpr char32_t kReplacement = 0xFFFD;

std::u16string utf16(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t at = 0;
    while (at < utf8.size()) {
        const tw::text::CodePoint decoded = tw::text::utf8At(utf8, at);
        const char32_t point = decoded.length == 0 ? kReplacement : decoded.value;
        at += std::max<std::size_t>(decoded.length, 1);
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
            tw::text::appendUtf8(
                0x10000 + ((char32_t(unit) - 0xD800) << 10) + (utf16[at + 1] - 0xDC00), out);
            ++at;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            tw::text::appendUtf8(kReplacement, out);
        } else {
            tw::text::appendUtf8(unit, out);
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
