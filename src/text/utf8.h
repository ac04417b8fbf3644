#pragma once

// UTF-8 one code point at a time, written once for the program and the DB2 emulation: the
// Paradox code pages, file names as text, and the emulation's UTF-16 calls all build on it.

#include <cstddef>
#include <string>
#include <string_view>

namespace tw::text {

struct CodePoint
{
    char32_t value = 0;
    std::size_t length = 0; // bytes; 0 where the bytes are not one well-formed sequence
};

// The sequence at `at`. Overlong forms, surrogates and values past U+10FFFF are not
// well-formed, nor is a sequence cut short by the end of the text.
inline CodePoint utf8At(std::string_view bytes, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(bytes[at]);
    const std::size_t length = lead < 0x80                    ? 1
                               : lead >= 0xC2 && lead <= 0xDF ? 2
                               : (lead & 0xF0) == 0xE0        ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    if (length == 0 || at + length > bytes.size()) {
        return {};
    }
    char32_t value = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(bytes[at + k]);
        if ((next & 0xC0) != 0x80) {
            return {};
        }
        value = value << 6 | (next & 0x3F);
    }
    const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
    if (overlong || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return {};
    }
    return {value, length};
}

// The start of the character holding byte `at` (or `at` itself at the end of the text): a
// cut there never splits a sequence.
inline std::size_t characterStart(std::string_view bytes, std::size_t at)
{
    while (at > 0 && at < bytes.size() && (static_cast<unsigned char>(bytes[at]) & 0xC0) == 0x80) {
        --at;
    }
    return at;
}

inline void appendUtf8(char32_t value, std::string &out)
{
    if (value < 0x80) {
        out += static_cast<char>(value);
    } else if (value < 0x800) {
        out += static_cast<char>(0xC0 | (value >> 6));
        out += static_cast<char>(0x80 | (value & 0x3F));
    } else if (value < 0x10000) {
        out += static_cast<char>(0xE0 | (value >> 12));
        out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (value & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (value >> 18));
        out += static_cast<char>(0x80 | ((value >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (value & 0x3F));
    }
}

} // namespace tw::text
