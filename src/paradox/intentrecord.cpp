#include "paradox/intentrecord.h"

#include "core/digest.h"
#include "core/workowner.h"
#include "paradox/family.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <sstream>
#include <sys/stat.h>

namespace tw::paradox::intent {

namespace {

constexpr std::string_view kRecordPrefix = ".tw-intent-";
constexpr std::string_view kRecordHead = "tablewright intent 2";
constexpr std::size_t kMostFiles = 256;
constexpr std::size_t kUniqueChars = 6;

// A name as a record writes it: its bytes in hex, "-" for none.
std::string hex(std::string_view bytes)
{
    return bytes.empty() ? "-" : hexOfBytes(bytes);
}

std::optional<std::string> unhex(std::string_view text)
{
    if (text == "-") {
        return std::string();
    }
    if (text.empty() || text.size() % 2 != 0) {
        return std::nullopt;
    }
    auto digit = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    };
    std::string out;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = digit(text[i]);
        const int low = digit(text[i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        out += static_cast<char>(high * 16 + low);
    }
    return out;
}

template <class Number> std::optional<Number> number(std::string_view text)
{
    Number value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string_view> words(std::string_view line)
{
    std::vector<std::string_view> found;
    while (!line.empty()) {
        const std::size_t blank = line.find(' ');
        found.push_back(line.substr(0, blank));
        line = blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
    }
    return found;
}

// A table file the record may name: a plain name of the folder with a family extension.
bool isTableFileName(std::string_view name)
{
    return isPlainName(name) && isFamilyExtension(extensionOf(name));
}

// Reads one line of a record into it; false when the line is not what the program writes.
bool readLine(std::string_view line, Record &record, bool &ended)
{
    const std::vector<std::string_view> w = words(line);
    if (w.empty()) {
        return false;
    }
    if (w[0] == "end" && w.size() == 1) {
        ended = true;
        return true;
    }
    if (w[0] == "owner" && w.size() == 3 && record.host.empty()) {
        const auto host = unhex(w[2]);
        if (w[1] != record.owner || !host) {
            return false;
        }
        record.host = host->empty() ? "?" : *host;
        return true;
    }
    if (record.host.empty()) {
        return false; // the owner line comes first
    }
    if (w[0] == "dispose" && w.size() == 2 && (w[1] == "trash" || w[1] == "unlink")) {
        record.disposal = w[1] == "trash" ? Record::Disposal::Trash : Record::Disposal::Unlink;
        return true;
    }
    if (record.old.size() + record.added.size() >= kMostFiles) {
        return false;
    }
    if (w[0] == "old" && w.size() == 6) {
        const auto name = unhex(w[1]);
        const auto device = number<dev_t>(w[2]);
        const auto inode = number<ino_t>(w[3]);
        const auto aside = unhex(w[4]);
        const auto placeholder = number<ino_t>(w[5]);
        if (!name || !device || !inode || !aside || !placeholder || !isTableFileName(*name) ||
            (!aside->empty() && !isHiddenNameFor(*aside, *name, record.owner)) ||
            (record.old.empty() && foldCase(extensionOf(*name)) != ".db")) {
            return false;
        }
        record.old.push_back({*name, {*device, *inode}, *aside, *placeholder});
        return true;
    }
    if (w[0] == "new" && w.size() == 5) {
        const auto hidden = unhex(w[1]);
        const auto name = unhex(w[2]);
        const auto device = number<dev_t>(w[3]);
        const auto inode = number<ino_t>(w[4]);
        if (!hidden || !name || !device || !inode || !isTableFileName(*name) ||
            !isHiddenNameFor(*hidden, *name, record.owner)) {
            return false;
        }
        record.added.push_back({*hidden, *name, {*device, *inode}});
        return true;
    }
    return false;
}

} // namespace

std::string serialize(const Record &record)
{
    std::ostringstream out;
    out << kRecordHead << '\n'
        << "owner " << record.owner << ' ' << hex(record.host) << '\n'
        << "dispose " << (record.disposal == Record::Disposal::Trash ? "trash" : "unlink") << '\n';
    for (const Record::OldFile &file : record.old) {
        out << "old " << hex(file.name) << ' ' << file.id.device << ' ' << file.id.inode << ' '
            << hex(file.aside) << ' ' << file.placeholder << '\n';
    }
    for (const Record::NewFile &file : record.added) {
        out << "new " << hex(file.hidden) << ' ' << hex(file.name) << ' ' << file.id.device << ' '
            << file.id.inode << '\n';
    }
    out << "end\n";
    return out.str();
}

// The record in a file, whose name carries its owner's tag.
Parsed parse(std::string_view text, Record &record)
{
    const std::size_t firstBreak = text.find('\n');
    if (firstBreak == std::string_view::npos) {
        return kRecordHead.substr(0, text.size()) == text ? Parsed::Torn : Parsed::Invalid;
    }
    if (text.substr(0, firstBreak) != kRecordHead) {
        return Parsed::Invalid;
    }
    std::string_view rest = text.substr(firstBreak + 1);
    bool ended = false;
    while (!rest.empty() && !ended) {
        const std::size_t lineBreak = rest.find('\n');
        const std::string_view line = rest.substr(0, lineBreak);
        const bool complete = lineBreak != std::string_view::npos;
        rest = complete ? rest.substr(lineBreak + 1) : std::string_view();
        if (!readLine(line, record, ended)) {
            // Only the last line can be cut short by an ending program.
            return complete ? Parsed::Invalid : Parsed::Torn;
        }
    }
    if (!ended) {
        return Parsed::Torn;
    }
    // A delete moves nothing aside; what moves a file aside puts a new table in its place.
    const bool movesAside =
        std::any_of(record.old.begin(), record.old.end(), [](const Record::OldFile &file) {
            return !file.aside.empty();
        });
    const bool sound =
        rest.empty() && !(record.old.empty() && record.added.empty()) &&
        (record.added.empty() || foldCase(extensionOf(record.added.back().name)) == ".db") &&
        (!movesAside || !record.added.empty());
    return sound ? Parsed::Whole : Parsed::Invalid;
}

std::optional<std::string> hostIn(std::string_view text, const std::string &ownerTag)
{
    const std::size_t start = text.find('\n');
    if (start == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t end = text.find('\n', start + 1);
    Record record;
    record.owner = ownerTag;
    bool ended = false;
    if (end == std::string_view::npos ||
        !readLine(text.substr(start + 1, end - start - 1), record, ended)) {
        return std::nullopt;
    }
    return record.host;
}

std::optional<FileId> idOf(const Folder &folder, std::string_view name)
{
    const auto info = folder.status(name);
    if (!info) {
        return std::nullopt;
    }
    return FileId{info->st_dev, info->st_ino};
}

bool holds(const Folder &folder, std::string_view name, const FileId &id)
{
    return idOf(folder, name) == id;
}

std::string recordName(const std::string &ownerTag, std::string_view tail)
{
    return std::string(kRecordPrefix) + ownerTag + '-' + std::string(tail);
}

// The owner tag of a record's name, or empty when the name is no record's.
std::string_view ownerTagOfRecordName(std::string_view name)
{
    if (name.substr(0, kRecordPrefix.size()) != kRecordPrefix ||
        name.size() < kRecordPrefix.size() + kUniqueChars + 2) {
        return {};
    }
    const std::string_view tail = name.substr(name.size() - kUniqueChars);
    const std::string_view tag =
        name.substr(kRecordPrefix.size(), name.size() - kRecordPrefix.size() - kUniqueChars - 1);
    if (name[name.size() - kUniqueChars - 1] != '-' || recordName(std::string(tag), tail) != name ||
        !WorkOwner::fromTag(tag)) {
        return {};
    }
    for (const char c : tail) {
        if (std::isalnum(static_cast<unsigned char>(c)) == 0) {
            return {};
        }
    }
    return tag;
}

} // namespace tw::paradox::intent
