#include "paradox/family.h"

#include "core/filename.h"
#include "core/lettercase.h"
#include "paradox/codepage.h"
#include "paradox/placefile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tw::paradox {

namespace {

bool isHex(char c)
{
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

} // namespace

std::string foldCase(std::string_view name)
{
    return tw::text::smallLetters(fileNameText(name));
}

bool isFamilyExtension(const std::string &extension)
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

std::vector<std::filesystem::path> tableFamily(const std::filesystem::path &dbPath)
{
    const std::filesystem::path folder =
        dbPath.has_parent_path() ? dbPath.parent_path() : std::filesystem::path(".");
    const std::string stem = foldCase(dbPath.stem().string());
    std::vector<std::filesystem::path> family;
    std::vector<std::filesystem::path> companions;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(folder, error)) {
        const std::filesystem::path &path = entry.path();
        if (foldCase(path.stem().string()) != stem || !entry.is_regular_file(error)) {
            continue;
        }
        const std::string extension = path.extension().string();
        if (foldCase(extension) == ".db") {
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

std::vector<std::filesystem::path> tablesNamed(const std::filesystem::path &dbPath)
{
    return tablesNamed(dbPath.has_parent_path() ? dbPath.parent_path() : std::filesystem::path("."),
                       dbPath.stem().string());
}

std::vector<std::filesystem::path> tablesNamed(const std::filesystem::path &folder,
                                               std::string_view name)
{
    std::vector<std::filesystem::path> tables;
    if (name.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos) {
        return tables;
    }
    const std::string wanted = foldCase(std::string(name) + ".db");
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(folder, error)) {
        if (foldCase(entry.path().filename().string()) == wanted && entry.is_regular_file(error)) {
            tables.push_back(entry.path());
        }
    }
    std::sort(tables.begin(), tables.end());
    return tables;
}

namespace {

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

// The family file under the new table name, its extension kept as spelled.
std::filesystem::path renamed(const std::filesystem::path &file, const std::string &newStem)
{
    return file.parent_path() / (newStem + file.extension().string());
}

} // namespace

HiddenFile createHiddenBeside(const std::filesystem::path &target)
{
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::string pattern = (folder / ("." + target.filename().string() + ".tw-XXXXXX")).string();
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        throwErrno(errno, "cannot create a file in " + folder.string());
    }
    if (::fchmod(fd, 0666 & ~processUmask()) != 0) {
        const int error = errno;
        ::close(fd);
        ::unlink(pattern.c_str());
        throwErrno(error, "cannot set the mode of a new file in " + folder.string());
    }
    lockWhileOpen(fd);
    return HiddenFile{pattern, fd};
}

void lockWhileOpen(int fd) noexcept
{
    struct flock lock
    {};

    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    ::fcntl(fd, F_OFD_SETLK, &lock);
}

bool abandoned(const std::filesystem::path &path) noexcept
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return false;
    }

    struct flock lock
    {};

    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    const bool free = ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
    ::close(fd);
    return free;
}

void syncFolder(const std::filesystem::path &folder) noexcept
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

void renameFamily(const std::vector<std::filesystem::path> &family, const std::string &newStem)
{
    for (const std::filesystem::path &file : family) {
        if (::rename(file.c_str(), renamed(file, newStem).c_str()) != 0) {
            throwErrno(errno, "cannot rename " + file.string());
        }
    }
}

void forceRemoveFile(const std::filesystem::path &file) noexcept
{
    std::error_code ignored;
    std::filesystem::permissions(
        file, std::filesystem::perms::owner_write, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove(file, ignored);
}

void removeFile(const std::filesystem::path &file) noexcept
{
    if (::unlink(file.c_str()) != 0) {
        forceRemoveFile(file);
    }
}

} // namespace tw::paradox
