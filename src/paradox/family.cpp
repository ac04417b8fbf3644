#include "paradox/family.h"

#include "core/filename.h"
#include "core/lettercase.h"
#include "core/workowner.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tw::paradox {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kHiddenMark = ".tw-";
constexpr std::size_t kUniqueChars = 6;

bool isHex(char c)
{
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

bool isUniqueTail(std::string_view tail)
{
    return tail.size() == kUniqueChars && std::all_of(tail.begin(), tail.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) != 0;
           });
}

mode_t processUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

[[noreturn]] void throwErrno(int error, const std::string &what)
{
    throw std::system_error(error, std::generic_category(), what);
}

std::vector<fs::path> pathsOf(const Folder &folder, const std::vector<std::string> &names)
{
    std::vector<fs::path> paths;
    for (const std::string &name : names) {
        paths.push_back(folder.pathOf(name));
    }
    return paths;
}

} // namespace

std::string_view extensionOf(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || name == "..") {
        return {};
    }
    return name.substr(dot);
}

std::string_view stemOf(std::string_view name)
{
    return name.substr(0, name.size() - extensionOf(name).size());
}

std::string foldCase(std::string_view name)
{
    return tw::text::smallLetters(fileNameText(name));
}

bool isFamilyExtension(std::string_view extension)
{
    const std::string e = foldCase(extension);
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

std::vector<std::string> tableFamily(const Folder &folder, std::string_view dbName)
{
    const std::string stem = foldCase(stemOf(dbName));
    std::vector<std::string> family;
    std::vector<std::string> companions;
    std::vector<std::string> names;
    try {
        names = folder.names();
    } catch (const std::system_error &) {
        return family;
    }
    for (const std::string &name : names) {
        if (foldCase(stemOf(name)) != stem) {
            continue;
        }
        const auto info = folder.status(name);
        if (!info || S_ISDIR(info->st_mode)) {
            continue;
        }
        const std::string_view extension = extensionOf(name);
        if (foldCase(extension) == ".db") {
            // Another spelling of the name is another table on this file system.
            if (name == dbName && S_ISREG(info->st_mode)) {
                family.push_back(name);
            }
        } else if (isFamilyExtension(extension)) {
            companions.push_back(name);
        }
    }
    family.insert(family.end(), companions.begin(), companions.end());
    return family;
}

std::vector<fs::path> tableFamily(const fs::path &dbPath)
{
    const Folder folder = Folder::of(dbPath);
    return pathsOf(folder, tableFamily(folder, dbPath.filename().string()));
}

std::vector<std::string> tablesNamed(const Folder &folder, std::string_view name)
{
    std::vector<std::string> tables;
    if (name.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos) {
        return tables;
    }
    const std::string wanted = foldCase(std::string(name) + ".db");
    std::vector<std::string> names;
    try {
        names = folder.names();
    } catch (const std::system_error &) {
        return tables;
    }
    for (const std::string &entry : names) {
        if (foldCase(entry) == wanted && folder.isRegularFile(entry)) {
            tables.push_back(entry);
        }
    }
    return tables;
}

std::vector<fs::path> tablesNamed(const fs::path &folder, std::string_view name)
{
    try {
        const Folder opened(folder);
        return pathsOf(opened, tablesNamed(opened, name));
    } catch (const std::system_error &) {
        return {};
    }
}

std::vector<fs::path> tablesNamed(const fs::path &dbPath)
{
    return tablesNamed(dbPath.has_parent_path() ? dbPath.parent_path() : fs::path("."),
                       dbPath.stem().string());
}

std::string companionName(const Folder &folder, std::string_view dbName, std::string_view extension)
{
    const std::string wanted = foldCase(std::string(stemOf(dbName)) + std::string(extension));
    try {
        for (const std::string &name : folder.names()) {
            if (foldCase(name) == wanted) {
                return name;
            }
        }
    } catch (const std::system_error &) {
    }
    return {};
}

HiddenFile createHiddenBeside(const Folder &folder, std::string_view target)
{
    const std::string head =
        "." + std::string(target) + std::string(kHiddenMark) + WorkOwner::self().tag() + '-';
    for (int attempt = 0;; ++attempt) {
        const std::string name = head + uniqueTail();
        try {
            UniqueFd fd = folder.createNew(name, 0600);
            if (::fchmod(fd.get(), 0666 & ~processUmask()) != 0) {
                const int error = errno;
                folder.remove(name);
                throwErrno(error, "cannot set the mode of a new file in " + folder.path().string());
            }
            lockWhileOpen(fd.get());
            return HiddenFile{name, folder.pathOf(name), fd.release()};
        } catch (const std::system_error &e) {
            if (e.code().value() != EEXIST || attempt > 100) {
                throw;
            }
        }
    }
}

std::string_view ownerTagOfHiddenName(std::string_view hidden)
{
    if (hidden.size() < 2 || hidden.front() != '.') {
        return {};
    }
    const std::size_t mark = hidden.rfind(kHiddenMark);
    const std::size_t dash = hidden.rfind('-');
    if (mark == std::string_view::npos || mark == 0 || dash == std::string_view::npos ||
        dash < mark + kHiddenMark.size() || !isUniqueTail(hidden.substr(dash + 1))) {
        return {};
    }
    const std::string_view tag =
        hidden.substr(mark + kHiddenMark.size(), dash - mark - kHiddenMark.size());
    return WorkOwner::fromTag(tag) ? tag : std::string_view();
}

bool isHiddenNameFor(std::string_view hidden, std::string_view target, std::string_view ownerTag)
{
    const std::string head =
        "." + std::string(target) + std::string(kHiddenMark) + std::string(ownerTag) + '-';
    return isPlainName(target) && !ownerTag.empty() &&
           hidden.size() == head.size() + kUniqueChars && hidden.substr(0, head.size()) == head &&
           isUniqueTail(hidden.substr(head.size()));
}

void lockWhileOpen(int fd) noexcept
{
    struct flock lock
    {};

    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    ::fcntl(fd, F_OFD_SETLK, &lock);
}

bool lockedElsewhere(int fd) noexcept
{
    struct flock lock
    {};

    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

void syncFolder(const fs::path &folder) noexcept
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void renameFamily(const Folder &folder,
                  const std::vector<std::string> &family,
                  const std::string &newStem)
{
    for (const std::string &file : family) {
        const std::string to = newStem + std::string(extensionOf(file));
        if (const int error = folder.rename(file, to); error != 0) {
            throwErrno(error, "cannot rename " + shownText(file));
        }
    }
}

} // namespace tw::paradox
