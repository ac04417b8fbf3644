#include "paradox/codepage.h"

#include "paradox/error.h"
#include "text/utf8.h"

#include <algorithm>
#include <iconv.h>
#include <map>
#include <mutex>

namespace tw::paradox {

namespace {

// One iconv conversion descriptor, closed on scope exit.
class Converter
{
public:
    explicit Converter(const std::string &from)
        : m_cd(::iconv_open("UTF-32LE", from.c_str()))
    {
        if (m_cd == reinterpret_cast<iconv_t>(-1)) {
            throw Error("The code page " + from + " is not supported on this system");
        }
    }

    ~Converter() { ::iconv_close(m_cd); }

    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    // The code points of the bytes, or an empty result when they do not convert whole.
    std::u32string convert(const std::uint8_t *bytes, std::size_t count)
    {
        ::iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char input[4];
        std::copy(bytes, bytes + count, input);
        char32_t output[4] = {};
        char *in = input;
        auto *out = reinterpret_cast<char *>(output);
        std::size_t inLeft = count;
        std::size_t outLeft = sizeof output;
        if (::iconv(m_cd, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1) ||
            inLeft != 0) {
            return {};
        }
        // Flush: a stateful converter may hold a character back.
        if (::iconv(m_cd, nullptr, nullptr, &out, &outLeft) == static_cast<std::size_t>(-1)) {
            return {};
        }
        const std::size_t produced = (sizeof output - outLeft) / sizeof(char32_t);
        return std::u32string(output, output + produced);
    }

private:
    iconv_t m_cd;
};

} // namespace

std::string encodingOfCodePage(int codePage)
{
    switch (codePage) {
    case 936:
        return "CP936";
    case 950:
        return "BIG5";
    default:
        return "CP" + std::to_string(codePage);
    }
}

const CodePage &CodePage::named(const std::string &iconvName)
{
    // Built once per code page and kept for the life of the program.
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<CodePage>> built;
    const std::lock_guard lock(mutex);
    auto found = built.find(iconvName);
    if (found == built.end()) {
        found = built.emplace(iconvName, std::unique_ptr<CodePage>(new CodePage(iconvName))).first;
    }
    return *found->second;
}

const CodePage &CodePage::number(int codePage)
{
    return named(encodingOfCodePage(codePage));
}

CodePage::CodePage(std::string iconvName)
    : m_name(std::move(iconvName))
{
    Converter converter(m_name);
    auto toEntry = [](char32_t cp) {
        std::string text;
        tw::text::appendUtf8(cp, text);
        Utf8 entry;
        entry.length = static_cast<std::uint8_t>(text.size());
        std::copy(text.begin(), text.end(), entry.bytes.begin());
        return entry;
    };

    std::vector<std::uint8_t> undefined;
    for (int byte = 0; byte < 256; ++byte) {
        const auto b = static_cast<std::uint8_t>(byte);
        const std::u32string single = converter.convert(&b, 1);
        if (single.size() == 1) {
            m_single[b] = toEntry(single[0]);
            m_reverse.try_emplace(single[0], b);
            continue;
        }
        // Not a character on its own: a lead byte when some second byte completes it.
        bool lead = false;
        if (byte >= 0x81) {
            for (int trail = 0x40; trail < 0x100 && !lead; ++trail) {
                const std::uint8_t pair[2] = {b, static_cast<std::uint8_t>(trail)};
                lead = converter.convert(pair, 2).size() == 1;
            }
        }
        if (lead) {
            m_lead[b] = true;
            m_doubleByte = true;
        } else {
            undefined.push_back(b);
        }
    }
    // An undefined byte stands for the character of its own number, or for a private-use
    // character when a defined byte already has that one, so that decoding stays reversible.
    for (const std::uint8_t b : undefined) {
        const char32_t cp = m_reverse.count(char32_t(b)) == 0 ? char32_t(b) : char32_t(0xF700 + b);
        m_single[b] = toEntry(cp);
        m_reverse.emplace(cp, b);
    }

    if (m_doubleByte) {
        m_pairs.resize(256 * 256);
        for (int lead = 0x81; lead < 0x100; ++lead) {
            if (!m_lead[lead]) {
                continue;
            }
            for (int trail = 0x40; trail < 0x100; ++trail) {
                const std::uint8_t pair[2] = {static_cast<std::uint8_t>(lead),
                                              static_cast<std::uint8_t>(trail)};
                const std::u32string cps = converter.convert(pair, 2);
                if (cps.size() == 1) {
                    const auto code = static_cast<std::uint16_t>(lead << 8 | trail);
                    m_pairs[code] = toEntry(cps[0]);
                    m_reverse.try_emplace(cps[0], code);
                }
            }
        }
    }
}

void CodePage::decode(std::span<const std::uint8_t> bytes, std::string &out) const
{
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::uint8_t byte = bytes[i];
        if (byte < 0x80) {
            out += static_cast<char>(byte);
            continue;
        }
        if (m_lead[byte]) {
            if (i + 1 < bytes.size()) {
                const Utf8 &pair = m_pairs[std::size_t{byte} << 8 | bytes[i + 1]];
                if (pair.length != 0) {
                    out.append(pair.bytes.data(), pair.length);
                    ++i;
                    continue;
                }
            }
            // A lead byte without a valid second byte stands for itself.
            tw::text::appendUtf8(char32_t(0xF700 + byte), out);
            continue;
        }
        const Utf8 &single = m_single[byte];
        out.append(single.bytes.data(), single.length);
    }
}

bool CodePage::encode(std::string_view utf8,
                      std::vector<std::uint8_t> &out,
                      std::size_t *badOffset) const
{
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<std::uint8_t>(utf8[i]);
        if (lead < 0x80) {
            out.push_back(lead);
            ++i;
            continue;
        }
        const tw::text::CodePoint cp = tw::text::utf8At(utf8, i);
        const std::size_t length = cp.length;
        const auto found = length != 0 ? m_reverse.find(cp.value) : m_reverse.end();
        if (found == m_reverse.end()) {
            if (badOffset != nullptr) {
                *badOffset = i;
            }
            return false;
        }
        if (found->second > 0xFF) {
            out.push_back(static_cast<std::uint8_t>(found->second >> 8));
        }
        out.push_back(static_cast<std::uint8_t>(found->second & 0xFF));
        i += length;
    }
    return true;
}

int utf8BytesPerCharacter(const CodePage &codePage)
{
    if (codePage.doubleByte()) {
        return 3;
    }
    std::size_t most = 1;
    for (int b = 0x80; b <= 0xFF; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        most = std::max(most, codePage.decode(std::span<const std::uint8_t>(&byte, 1)).size());
    }
    return static_cast<int>(most);
}

} // namespace tw::paradox
