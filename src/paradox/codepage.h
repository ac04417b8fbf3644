#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tw::paradox {

// Conversion between a table's code page and UTF-8, table-driven: the tables are built once
// per code page with iconv, so converting a value costs no iconv call.
//
// Bytes the code page leaves undefined decode to the Unicode character of the same number
// (as Windows does for 0x81 in 1252), so every byte sequence decodes and encodes back.
class CodePage
{
public:
    // By iconv name ("CP1252", "HP-ROMAN8", ...) or Windows/DOS code page number.
    // Throws paradox::Error when the system has no such converter.
    static const CodePage &named(const std::string &iconvName);
    static const CodePage &number(int codePage);

    const std::string &name() const { return m_name; }

    bool doubleByte() const { return m_doubleByte; }

    // Appends the UTF-8 text of the bytes to `out`.
    void decode(std::span<const std::uint8_t> bytes, std::string &out) const;

    std::string decode(std::span<const std::uint8_t> bytes) const
    {
        std::string out;
        decode(bytes, out);
        return out;
    }

    // Appends the code page bytes of the UTF-8 text to `out`. Returns false when a character
    // has no byte form in this code page (or the UTF-8 is malformed); `badOffset` then tells
    // where in the text.
    bool
    encode(std::string_view utf8, std::vector<std::uint8_t> &out, std::size_t *badOffset) const;

    CodePage(const CodePage &) = delete;
    CodePage &operator=(const CodePage &) = delete;

private:
    struct Utf8
    {
        std::array<char, 4> bytes{};
        std::uint8_t length = 0;
    };

    explicit CodePage(std::string iconvName);

    std::string m_name;
    bool m_doubleByte = false;
    std::array<Utf8, 256> m_single{};
    std::array<bool, 256> m_lead{};
    std::vector<Utf8> m_pairs; // lead * 256 + trail, double-byte code pages only
    std::unordered_map<char32_t, std::uint16_t> m_reverse;
};

// The iconv name of a Windows or DOS code page number ("CP866", "BIG5" for 950).
std::string encodingOfCodePage(int codePage);

// The most bytes a character of the code page takes in UTF-8.
int utf8BytesPerCharacter(const CodePage &codePage);

} // namespace tw::paradox
