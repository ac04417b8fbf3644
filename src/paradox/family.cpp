#include "paradox/family.h"

#include "paradox/codepage.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace tw::paradox {

namespace {

std::string lower(const std::string &text)
{
    return foldCase(text);
}

char32_t foldCodePoint(char32_t c)
{
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
        (c >= 0x391 && c <= 0x3A9) || (c >= 0x410 && c <= 0x42F)) {
        return c + 32;
    }
    if (c >= 0x400 && c <= 0x40F) {
        return c + 80;
    }
    if (c == 0x178) {
        return 0xFF;
    }
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x138 && c != 0x149) {
        // Capitals are the even code points, but odd ones from 0x139 and from 0x179.
        const bool oddCapitals = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (oddCapitals ? c % 2 == 1 : c % 2 == 0) {
            return c + 1;
        }
    }
    return c;
}

bool isHex(char c)
{
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

} // namespace

std::string foldCase(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t length = lead < 0x80             ? 1
                             : (lead & 0xE0) == 0xC0 ? 2
                             : (lead & 0xF0) == 0xE0 ? 3
                             : (lead & 0xF8) == 0xF0 ? 4
                                                     : 0;
        if (length == 0 || i + length > utf8.size()) {
            out += utf8[i++]; // not UTF-8: kept as it is
            continue;
        }
        char32_t cp = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            cp = cp << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        appendUtf8(foldCodePoint(cp), out);
        i += length;
    }
    return out;
}

bool isFamilyExtension(const std::string &extension)
{
    const std::string e = lower(extension);
    if (e == ".db" || e == ".mb" || e == ".px" || e == ".val" || e == ".tv" || e == ".tvf" ||
        e == ".fam") {
        return true;
    }
    // .Xnn / .Ynn: secondary indexes on field nn (hex); .XGn / .YGn: composite ones.
    if (e.size() == 4 && (e[1] == 'x' || e[1] == 'y')) {
        return (isHex(e[2]) && isHex(e[3])) || (e[2] == 'g' && isHex(e[3]));
    }
    return false;
}

std::vector<std::filesystem::path> tableFamily(const std::filesystem::path &dbPath)
{
    const std::filesystem::path folder =
        dbPath.has_parent_path() ? dbPath.parent_path() : std::filesystem::path(".");
    const std::string stem = lower(dbPath.stem().string());
    std::vector<std::filesystem::path> family;
    std::vector<std::filesystem::path> companions;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(folder, error)) {
        const std::filesystem::path &path = entry.path();
        if (lower(path.stem().string()) != stem || !entry.is_regular_file(error)) {
            continue;
        }
        const std::string extension = path.extension().string();
        if (lower(extension) == ".db") {
            // Another spelling of the name is another table on this file system.
            if (path.filename() == dbPath.filename()) {
                family.push_back(path);
            }
        } else if (isFamilyExtension(extension)) {
            companions.push_back(path);
        }
    }
    std::sort(companions.begin(), companions.end());
    family.insert(family.end(), companions.begin(), companions.end());
    return family;
}

} // namespace tw::paradox
