#include "paradox/family.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace tw::paradox {

namespace {

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return static_cast<char>(std::tolower(c));
    });
    return text;
}

bool isHex(char c)
{
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

} // namespace

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
