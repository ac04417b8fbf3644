#include "paradox/describe.h"

#include "core/filename.h"
#include "paradox/bytesource.h"
#include "paradox/error.h"
#include "paradox/family.h"
#include "paradox/language.h"
#include "paradox/reader.h"

#include <algorithm>
#include <ctime>
#include <sys/stat.h>

namespace tw::paradox {

namespace {

std::string sizeAndDate(const std::filesystem::path &path)
{
    struct stat info
    {};

    if (::lstat(path.c_str(), &info) != 0) {
        return {};
    }
    std::tm local{};
    ::localtime_r(&info.st_mtime, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M", &local);
    return std::to_string(info.st_size) + " bytes, changed " + date;
}

std::string codePageLine(const TableHeader &header)
{
    const std::string driver =
        header.sortOrderId.empty() ? "no language driver" : "language driver " + header.sortOrderId;
    if (header.codePage != 0) {
        return "Code page " + std::to_string(header.codePage) + ", " + driver;
    }
    const std::string used = textEncodingOf(header, {});
    if (used == "HP-ROMAN8") {
        return "Code page HP Roman-8, from the " + driver + " (the header names no code page)";
    }
    if (codePageOfDriver(header.sortOrderId) != 0) {
        return "Code page " + used.substr(2) + ", from the " + driver +
               " (the header names no code page)";
    }
    return "Code page " + used.substr(2) + ", " + driver + " (the header names none: read in " +
           codePagesInUse().dosWhy + ")";
}

std::string counted(std::uint64_t n, const std::string &noun)
{
    return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

bool hasBlobFields(const TableHeader &header)
{
    return std::any_of(header.fields.begin(), header.fields.end(), [](const Field &field) {
        return isBlobType(field.type);
    });
}

} // namespace

std::vector<std::string>
describeHeader(const ByteSource &file, const std::string &memoFile, const std::string &size)
{
    std::vector<std::string> lines;
    try {
        const TableHeader header = parseHeader(file);
        lines.push_back("Paradox " + header.versionName() + " table, " +
                        (header.fileType == 0 ? "keyed" : "not keyed"));
        lines.push_back(counted(header.numRecords, "record") + ", " +
                        counted(header.fields.size(), "field"));
        lines.push_back(codePageLine(header));
        lines.push_back(header.encrypted() ? "Encrypted (read here without its password)"
                                           : "Not encrypted");
        std::vector<std::string> warnings;
        if (hasBlobFields(header)) {
            if (!memoFile.empty()) {
                lines.push_back("Memo file " + fileNameText(memoFile) + " present");
            } else {
                lines.push_back("Memo file missing");
                warnings.push_back(
                    "Warning: the memo file " + fileNameText(std::string(stemOf(file.name()))) +
                    ".MB is missing; memo, graphic and binary values cannot be read");
            }
        } else {
            lines.push_back("No memo fields");
        }
        const std::uint64_t blockSize = static_cast<std::uint64_t>(header.blockSize());
        const std::uint64_t data =
            file.size() > header.headerSize ? file.size() - header.headerSize : 0;
        const std::uint64_t blocks = blockSize == 0 ? 0 : (data + blockSize - 1) / blockSize;
        const std::uint64_t perBlock =
            header.recordSize == 0 ? 0 : (blockSize - kBlockHeaderBytes) / header.recordSize;
        if (header.numRecords > blocks * perBlock) {
            warnings.push_back("Warning: the header counts " + std::to_string(header.numRecords) +
                               " records, more than the " + std::to_string(blocks * perBlock) +
                               " the file's blocks can hold");
        }
        if (!size.empty()) {
            lines.push_back(size);
        }
        lines.insert(lines.end(), warnings.begin(), warnings.end());
    } catch (const Error &e) {
        lines.push_back(e.what());
        if (!size.empty()) {
            lines.push_back(size);
        }
    }
    return lines;
}

std::vector<std::string> describeTable(const std::filesystem::path &dbPath)
{
    std::vector<std::string> lines{fileNameText(dbPath.filename().string())};
    const std::string size = sizeAndDate(dbPath);
    std::vector<std::string> described;
    try {
        const FileSource file(dbPath);
        const std::optional<std::filesystem::path> mb = findCompanion(dbPath, ".mb");
        described = describeHeader(file, mb ? mb->filename().string() : std::string(), size);
    } catch (const Error &e) {
        described = {e.what()};
        if (!size.empty()) {
            described.push_back(size);
        }
    }
    lines.insert(lines.end(), described.begin(), described.end());
    return lines;
}

} // namespace tw::paradox
