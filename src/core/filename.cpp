#include "core/filename.h"

#include "text/utf8.h"

namespace tw {

std::string fileNameText(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        if (const std::size_t length = text::utf8At(bytes, at).length; length > 0) {
            text.append(bytes.substr(at, length));
            at += length;
            continue;
        }
        const auto byte = static_cast<unsigned char>(bytes[at++]);
        text += static_cast<char>(0xC0 | byte >> 6);
        text += static_cast<char>(0x80 | (byte & 0x3F));
    }
    return text;
}

std::string shownText(std::string_view raw, std::size_t longest)
{
    std::string printable(raw);
    for (char &c : printable) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = '?';
        }
    }
    const std::string_view text = printable;
    if (text.size() <= longest) {
        return printable;
    }
    const std::size_t half = longest / 2;
    const std::size_t head = text::characterStart(text, half);
    const std::size_t tail = text::characterStart(text, text.size() - half);
    return std::string(text.substr(0, head)) + "..." + std::string(text.substr(tail));
}

namespace {

bool needsEscape(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 || c == 0x200E ||
           c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

} // namespace

std::string escapedText(std::string_view raw)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(raw.size());
    for (std::size_t at = 0; at < raw.size();) {
        const text::CodePoint cp = text::utf8At(raw, at);
        if (cp.length == 0) {
            const auto byte = static_cast<unsigned char>(raw[at++]);
            text += "\\x";
            text += kHex[byte >> 4];
            text += kHex[byte & 15];
            continue;
        }
        if (!needsEscape(cp.value)) {
            text.append(raw.substr(at, cp.length));
        } else if (cp.value == '\n') {
            text += "\\n";
        } else if (cp.value == '\r') {
            text += "\\r";
        } else if (cp.value == '\t') {
            text += "\\t";
        } else if (cp.value < 0x100) {
            text += "\\x";
            text += kHex[cp.value >> 4];
            text += kHex[cp.value & 15];
        } else {
            text += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) {
                text += kHex[(cp.value >> shift) & 15];
            }
        }
        at += cp.length;
    }
    return text;
}

bool isPlainPathText(std::string_view path)
{
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return false;
        }
    }
    return true;
}

} // namespace tw
