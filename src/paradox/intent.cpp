#include "paradox/intent.h"

#include "core/fileio.h"
#include "core/filestep.h"
#include "paradox/family.h"
#include "paradox/placefile.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <optional>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tw::paradox {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kRecordPrefix = ".tw-intent-";
constexpr std::string_view kTempMark = ".tw-";
constexpr std::size_t kUniqueChars = 6; // the XXXXXX of mkostemp
constexpr std::string_view kRecordHead = "tablewright intent 1";

[[noreturn]] void throwErrno(int error, const std::string &what)
{
    throw std::system_error(error, std::generic_category(), what);
}

// What an operation does to the files of one folder. Names are bare file names there.
struct Record
{
    enum class Disposal { Unlink, Trash };

    struct OldFile
    {
        std::string name;
        ino_t inode = 0;
        std::string aside; // the hidden name it moves to first; empty when it is not moved
    };

    struct NewFile
    {
        std::string hidden;
        std::string name;
        ino_t inode = 0;
    };

    Disposal disposal = Disposal::Unlink;
    std::vector<OldFile> old;   // the old table's files, its .db first
    std::vector<NewFile> added; // the new table's files, its .db last
};

std::string hex(std::string_view bytes)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out += digits[byte >> 4];
        out += digits[byte & 15];
    }
    return out.empty() ? "-" : out;
}

std::optional<std::string> unhex(const std::string &text)
{
    if (text == "-") {
        return std::string();
    }
    if (text.size() % 2 != 0) {
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

std::optional<ino_t> inodeNumber(const std::string &text)
{
    unsigned long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return static_cast<ino_t>(value);
}

std::string serialize(const Record &record)
{
    std::ostringstream out;
    out << kRecordHead << '\n'
        << "dispose " << (record.disposal == Record::Disposal::Trash ? "trash" : "unlink") << '\n';
    for (const Record::OldFile &file : record.old) {
        out << "old " << hex(file.name) << ' ' << file.inode << ' ' << hex(file.aside) << '\n';
    }
    for (const Record::NewFile &file : record.added) {
        out << "new " << hex(file.hidden) << ' ' << hex(file.name) << ' ' << file.inode << '\n';
    }
    out << "end\n";
    return out.str();
}

// The record in a file; nothing for one its program did not finish writing, which means no
// file was moved yet.
std::optional<Record> parse(const std::string &text)
{
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kRecordHead) {
        return std::nullopt;
    }
    Record record;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        if (kind == "end") {
            return record;
        }
        std::string a;
        std::string b;
        std::string c;
        words >> a >> b >> c;
        if (kind == "dispose") {
            record.disposal = a == "trash" ? Record::Disposal::Trash : Record::Disposal::Unlink;
        } else if (kind == "old") {
            const auto name = unhex(a);
            const auto inode = inodeNumber(b);
            const auto aside = unhex(c);
            if (!name || !inode || !aside || name->empty()) {
                return std::nullopt;
            }
            record.old.push_back({*name, *inode, *aside});
        } else if (kind == "new") {
            const auto hidden = unhex(a);
            const auto name = unhex(b);
            const auto inode = inodeNumber(c);
            if (!hidden || !name || !inode || hidden->empty() || name->empty()) {
                return std::nullopt;
            }
            record.added.push_back({*hidden, *name, *inode});
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<ino_t> inodeAt(const fs::path &path)
{
    struct stat info
    {};

    if (::lstat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return info.st_ino;
}

bool holds(const fs::path &path, ino_t inode)
{
    return inodeAt(path) == inode;
}

bool isThere(const fs::path &path)
{
    return inodeAt(path).has_value();
}

// The intent record of one running operation: written and on disk before the first file
// moves, locked while the operation runs, removed once it is resolved.
class RecordFile
{
public:
    RecordFile(const fs::path &folder, const Record &record)
        : m_folder(folder)
    {
        std::string pattern = (folder / (std::string(kRecordPrefix) + "XXXXXX")).string();
        m_fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (m_fd < 0) {
            throwErrno(errno, "cannot create a file in " + folder.string());
        }
        lockWhileOpen(m_fd);
        m_path = pattern;
        if (!writeAll(m_fd, serialize(record)) || ::fsync(m_fd) != 0) {
            const int error = errno != 0 ? errno : ENOSPC;
            remove();
            throwErrno(error, "cannot write to " + folder.string());
        }
        syncFolder(folder);
    }

    // A record whose operation could not be resolved stays for the next recovery.
    ~RecordFile()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }

    RecordFile(const RecordFile &) = delete;
    RecordFile &operator=(const RecordFile &) = delete;

    void remove()
    {
        ::unlink(m_path.c_str());
        ::close(m_fd);
        m_fd = -1;
        syncFolder(m_folder);
    }

private:
    fs::path m_folder;
    fs::path m_path;
    int m_fd = -1;
};

// The commit point: the new .db in place, or for a delete the old .db gone.
bool committed(const fs::path &folder, const Record &record)
{
    if (!record.added.empty()) {
        return holds(folder / record.added.back().name, record.added.back().inode);
    }
    return !record.old.empty() &&
           !holds(folder / record.old.front().name, record.old.front().inode);
}

void moveAside(const fs::path &folder, const Record &record)
{
    for (const Record::OldFile &file : record.old) {
        if (file.aside.empty()) {
            continue;
        }
        fileStep();
        if (::rename((folder / file.name).c_str(), (folder / file.aside).c_str()) != 0) {
            throwErrno(errno, "cannot move " + file.name + " aside");
        }
    }
}

void placeAdded(const fs::path &folder, const Record &record)
{
    for (const Record::NewFile &file : record.added) {
        fileStep();
        if (const int error = placeFile(folder / file.hidden, folder / file.name); error != 0) {
            throwErrno(error, "cannot put " + file.name + " in place");
        }
    }
}

// Past the commit point: the new files all in place, the old ones gone. Returns the old
// files that could not be removed.
std::vector<fs::path> complete(const fs::path &folder,
                               const Record &record,
                               const TrashFiles &trash,
                               const std::function<void()> &beforeEach)
{
    for (const Record::NewFile &file : record.added) {
        const fs::path hidden = folder / file.hidden;
        if (!holds(hidden, file.inode)) {
            continue;
        }
        if (holds(folder / file.name, file.inode)) {
            ::unlink(hidden.c_str()); // the second name a link left
        } else {
            placeFile(hidden, folder / file.name);
        }
    }
    std::vector<fs::path> old;
    for (const Record::OldFile &file : record.old) {
        if (!file.aside.empty() && isThere(folder / file.aside)) {
            fileStep();
            ::unlink((folder / file.aside).c_str());
        }
        if (holds(folder / file.name, file.inode)) {
            old.push_back(folder / file.name);
        }
    }
    if (old.empty() || (record.disposal == Record::Disposal::Trash && trash && trash(old))) {
        return {};
    }
    std::vector<fs::path> left;
    for (const fs::path &file : old) {
        if (beforeEach) {
            beforeEach();
        }
        fileStep();
        removeFile(file);
        if (isThere(file)) {
            left.push_back(file);
        }
    }
    return left;
}

// Before the commit point: the new files gone, the old ones back under their names. False
// when an old file could not take its name back (it then stays under its hidden name, and
// the record stays with it).
bool undo(const fs::path &folder, const Record &record)
{
    for (auto it = record.added.rbegin(); it != record.added.rend(); ++it) {
        if (holds(folder / it->name, it->inode)) {
            ::unlink((folder / it->name).c_str());
        }
        if (holds(folder / it->hidden, it->inode)) {
            ::unlink((folder / it->hidden).c_str());
        }
    }
    bool whole = true;
    for (auto it = record.old.rbegin(); it != record.old.rend(); ++it) {
        if (it->aside.empty()) {
            continue;
        }
        const fs::path aside = folder / it->aside;
        if (holds(aside, it->inode)) {
            whole = placeFile(aside, folder / it->name) == 0 && whole;
        } else if (isThere(aside)) {
            ::unlink(aside.c_str()); // the empty name it was to take
        }
    }
    return whole;
}

// Runs an operation under its record: a failure before the commit point undoes it.
std::vector<fs::path> run(const fs::path &folder,
                          const Record &record,
                          const TrashFiles &trash = {},
                          const std::function<void()> &beforeEach = {})
{
    RecordFile file(folder, record);
    try {
        moveAside(folder, record);
        placeAdded(folder, record);
    } catch (...) {
        if (undo(folder, record)) {
            file.remove();
        }
        throw;
    }
    std::vector<fs::path> left = complete(folder, record, trash, beforeEach);
    file.remove();
    syncFolder(folder);
    return left;
}

fs::path folderOf(const fs::path &file)
{
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

Record::NewFile added(const FinishedFile &file)
{
    const auto inode = inodeAt(file.first);
    if (!inode) {
        throwErrno(ENOENT, "the finished file " + file.first.filename().string() + " is gone");
    }
    return {file.first.filename().string(), file.second.filename().string(), *inode};
}

Record::OldFile oldFile(const fs::path &file)
{
    const auto inode = inodeAt(file);
    if (!inode) {
        throwErrno(ENOENT, "cannot find " + file.string());
    }
    return {file.filename().string(), *inode, {}};
}

// Copies a file into a new hidden file beside `target` with the mode of the original, and
// makes the copy durable. The hidden file stays open (and so locked) for the caller.
HiddenFile copyToHidden(const fs::path &from, const fs::path &target)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        throwErrno(errno, "cannot read " + from.string());
    }
    HiddenFile copy;
    try {
        copy = createHiddenBeside(target);
    } catch (...) {
        ::close(in);
        throw;
    }

    struct stat info
    {};

    int error = 0;
    if (::fstat(in, &info) != 0 || ::fchmod(copy.fd, info.st_mode & 0777) != 0) {
        error = errno;
    }
    if (error == 0 && !copyAll(in, copy.fd)) {
        error = errno;
    }
    if (error == 0 && ::fsync(copy.fd) != 0) {
        error = errno;
    }
    ::close(in);
    if (error != 0) {
        ::unlink(copy.path.c_str());
        ::close(copy.fd);
        throwErrno(error, "cannot copy " + from.string() + " to " + target.string());
    }
    return copy;
}

// Open descriptors closed when the operation ends; they hold the locks of its hidden files.
class OpenFiles
{
public:
    OpenFiles() = default;
    OpenFiles(const OpenFiles &) = delete;
    OpenFiles &operator=(const OpenFiles &) = delete;

    ~OpenFiles()
    {
        for (const int fd : m_fds) {
            ::close(fd);
        }
    }

    void keep(int fd) { m_fds.push_back(fd); }

private:
    std::vector<int> m_fds;
};

bool isUniqueTail(std::string_view tail)
{
    if (tail.size() != kUniqueChars) {
        return false;
    }
    for (const char c : tail) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) {
            return false;
        }
    }
    return true;
}

bool isRecordName(std::string_view name)
{
    return name.substr(0, kRecordPrefix.size()) == kRecordPrefix &&
           isUniqueTail(name.substr(kRecordPrefix.size()));
}

std::string readAll(const fs::path &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    std::string text;
    if (fd < 0) {
        return text;
    }
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0 && text.size() < 1024 * 1024) {
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return text;
}

void protect(const Record &record, std::set<std::string> &inUse)
{
    for (const Record::OldFile &file : record.old) {
        inUse.insert(file.aside);
    }
    for (const Record::NewFile &file : record.added) {
        inUse.insert(file.hidden);
    }
}

} // namespace

bool isWorkFileName(const std::string &name)
{
    if (name.empty() || name.front() != '.') {
        return false;
    }
    if (isRecordName(name)) {
        return true;
    }
    const std::size_t mark = name.rfind(kTempMark);
    return mark != std::string::npos && mark > 0 &&
           isUniqueTail(std::string_view(name).substr(mark + kTempMark.size()));
}

void placeTable(const std::vector<FinishedFile> &files)
{
    if (files.empty()) {
        return;
    }
    if (files.size() == 1) {
        // One rename puts a lone .db in place whole: there is nothing to record.
        fileStep();
        if (const int error = placeFile(files.front().first, files.front().second); error != 0) {
            throwErrno(error,
                       "cannot put " + files.front().second.filename().string() + " in place");
        }
        syncFolder(folderOf(files.front().second));
        return;
    }
    Record record;
    for (const FinishedFile &file : files) {
        record.added.push_back(added(file));
    }
    run(folderOf(files.back().second), record);
}

void replaceTable(const fs::path &oldDb, const std::vector<FinishedFile> &files)
{
    const fs::path folder = folderOf(oldDb);
    Record record;
    OpenFiles placeholders;
    for (const fs::path &file : tableFamily(oldDb)) {
        Record::OldFile old = oldFile(file);
        // The hidden name it moves to is taken (and held) before the record names it.
        HiddenFile aside = createHiddenBeside(file);
        placeholders.keep(aside.fd);
        old.aside = aside.path.filename().string();
        record.old.push_back(old);
    }
    for (const FinishedFile &file : files) {
        record.added.push_back(added(file));
    }
    run(folder, record);
}

void copyTable(const std::vector<fs::path> &family,
               const std::string &newStem,
               const std::function<void()> &beforeEach)
{
    if (family.empty()) {
        return;
    }
    const fs::path folder = folderOf(family.front());
    Record record;
    OpenFiles copies;
    std::vector<Record::NewFile> added;
    try {
        for (const fs::path &file : family) {
            if (beforeEach) {
                beforeEach();
            }
            record.old.push_back(oldFile(file));
            const fs::path target = folder / (newStem + file.extension().string());
            HiddenFile copy = copyToHidden(file, target);
            copies.keep(copy.fd);
            added.push_back(
                {copy.path.filename().string(), target.filename().string(), *inodeAt(copy.path)});
        }
    } catch (...) {
        for (const Record::NewFile &file : added) {
            ::unlink((folder / file.hidden).c_str());
        }
        throw;
    }
    // The .db, first in the family, goes in last.
    record.added.assign(added.rbegin(), added.rend());
    run(folder, record);
}

std::vector<fs::path> deleteTable(const std::vector<fs::path> &family,
                                  const TrashFiles &trash,
                                  const std::function<void()> &beforeEach)
{
    if (family.empty()) {
        return {};
    }
    Record record;
    record.disposal = trash ? Record::Disposal::Trash : Record::Disposal::Unlink;
    for (const fs::path &file : family) {
        record.old.push_back(oldFile(file));
    }
    return run(folderOf(family.front()), record, trash, beforeEach);
}

void recoverFolder(const fs::path &folder, const TrashFiles &trash)
{
    std::vector<std::string> records;
    std::vector<std::string> workFiles;
    std::error_code error;
    for (const auto &entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (isRecordName(name)) {
            records.push_back(name);
        } else if (isWorkFileName(name)) {
            workFiles.push_back(name);
        }
    }
    std::set<std::string> inUse;
    for (const std::string &name : records) {
        const fs::path path = folder / name;
        const std::optional<Record> record = parse(readAll(path));
        if (!abandoned(path)) {
            if (record) {
                protect(*record, inUse);
            }
            continue;
        }
        if (!record) {
            ::unlink(path.c_str()); // torn: written by a program that moved nothing yet
            continue;
        }
        bool resolved = true;
        if (committed(folder, *record)) {
            complete(folder, *record, trash, {});
        } else {
            resolved = undo(folder, *record);
        }
        if (resolved) {
            ::unlink(path.c_str());
        } else {
            protect(*record, inUse);
        }
    }
    for (const std::string &name : workFiles) {
        if (inUse.count(name) == 0 && abandoned(folder / name)) {
            ::unlink((folder / name).c_str());
        }
    }
    if (!records.empty() || !workFiles.empty()) {
        syncFolder(folder);
    }
}

} // namespace tw::paradox
