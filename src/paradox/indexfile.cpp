#include "paradox/indexfile.h"

#include "paradox/bytesource.h"
#include "paradox/error.h"
#include "paradox/family.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace tw::paradox {

namespace {

constexpr std::size_t kHeaderBytes = 4096; // every index header fits in its first block
constexpr std::uint16_t kDescending = 0x8000;

std::uint16_t u16At(const std::vector<std::uint8_t> &bytes, std::size_t at)
{
    if (at + 2 > bytes.size()) {
        throw Error("the index header is cut short");
    }
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// A NUL-terminated text at `at`, which moves past it.
std::string textAt(const std::vector<std::uint8_t> &bytes, std::size_t &at, const CodePage &cp)
{
    const auto begin = bytes.begin() + static_cast<std::ptrdiff_t>(std::min(at, bytes.size()));
    const auto end = std::find(begin, bytes.end(), std::uint8_t{0});
    if (end == bytes.end()) {
        throw Error("an index name runs past the header");
    }
    at += static_cast<std::size_t>(end - begin) + 1;
    return cp.decode(std::span<const std::uint8_t>(&*begin, static_cast<std::size_t>(end - begin)));
}

bool isIndexExtension(const std::string &extension)
{
    // .Xnn (nn hexadecimal) and .XGn, any letter case.
    std::string e;
    for (const char c : extension) {
        e += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return e.size() == 4 && e[0] == '.' && e[1] == 'X' &&
           std::isxdigit(static_cast<unsigned char>(e[3])) &&
           (e[2] == 'G' || std::isxdigit(static_cast<unsigned char>(e[2])));
}

} // namespace

SecondaryIndex
readSecondaryIndex(const ByteSource &source, const TableHeader &table, const CodePage &codePage)
{
    std::vector<std::uint8_t> bytes(std::min<std::uint64_t>(source.size(), kHeaderBytes));
    bytes.resize(source.read(0, bytes));
    if (bytes.size() < kFixedHeaderBytes) {
        throw Error("the index header is cut short");
    }
    const std::uint8_t fileType = bytes[0x04];
    if (fileType < 3 || fileType == 4 || fileType == 7 || fileType > 8) {
        throw Error("it is no secondary index");
    }
    const std::size_t fields = u16At(bytes, 0x21);
    const std::size_t trailing = table.primaryKeyFields > 0 ? table.primaryKeyFields + 1U : 3U;
    if (fields <= trailing) {
        throw Error("it orders by no field");
    }
    const std::uint8_t version = bytes[0x39];
    const bool extended = version >= 5;
    const std::size_t tableNameBytes = version >= 0x0C ? 261 : 79;
    std::size_t at = (extended ? kExtendedHeaderBytes : kFixedHeaderBytes) + 2 * fields + 4 +
                     4 * fields + tableNameBytes;
    std::vector<std::string> names;
    for (std::size_t i = 0; i < fields; ++i) {
        names.push_back(textAt(bytes, at, codePage));
    }
    SecondaryIndex index;
    const std::size_t indexed = fields - trailing;
    for (std::size_t i = 0; i < indexed; ++i) {
        const bool known = std::any_of(table.fields.begin(),
                                       table.fields.end(),
                                       [&](const Field &f) { return f.name == names[i]; });
        if (!known) {
            throw Error("it names a field \"" + names[i] + "\" the table does not have");
        }
        index.fields.push_back(names[i]);
        index.descending.push_back(extended &&
                                   (u16At(bytes, at + 2 * i) & kDescending) == kDescending);
    }
    index.name = index.fields.front();
    if (extended) {
        at += 2 * fields;
        textAt(bytes, at, codePage); // the sort order
        if (at < bytes.size() && bytes[at] != 0) {
            index.name = textAt(bytes, at, codePage);
        }
    }
    return index;
}

std::vector<SecondaryIndex> secondaryIndexes(const std::filesystem::path &dbPath,
                                             const TableHeader &table,
                                             const CodePage &codePage,
                                             std::vector<std::string> *skipped)
{
    std::vector<SecondaryIndex> indexes;
    for (const std::filesystem::path &file : tableFamily(dbPath)) {
        if (!isIndexExtension(file.extension().string())) {
            continue;
        }
        try {
            SecondaryIndex index = readSecondaryIndex(FileSource(file), table, codePage);
            index.file = file;
            indexes.push_back(std::move(index));
        } catch (const Error &e) {
            if (skipped != nullptr) {
                skipped->push_back(file.filename().string() + ": " + e.what());
            }
        }
    }
    return indexes;
}

} // namespace tw::paradox
