#include "core/folder.h"

#include "core/filename.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <system_error>
#include <unistd.h>

namespace tw {

namespace {

[[noreturn]] void throwErrno(int error, const std::string &what)
{
    throw std::system_error(error, std::generic_category(), what);
}

std::string kindOf(mode_t mode)
{
    if (S_ISLNK(mode)) {
        return "a symbolic link";
    }
    if (S_ISFIFO(mode)) {
        return "a named pipe (FIFO)";
    }
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "a device";
    }
    return "no regular file";
}

// What is not a regular file is refused before anything opens it.
[[noreturn]] void refuse(std::string_view name, mode_t mode)
{
    throw FileRefused(S_ISLNK(mode) ? ELOOP : EINVAL,
                      shownText(name) + " is " + kindOf(mode) +
                          ", not a regular file, and the program opens no such file");
}

} // namespace

void UniqueFd::reset(int fd) noexcept
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_fd = fd;
}

bool isPlainName(std::string_view name)
{
    return !name.empty() && name.size() <= 255 && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

Folder::Folder(std::filesystem::path path)
    : m_path(std::move(path))
{
    if (m_path.empty()) {
        m_path = ".";
    }
    m_fd.reset(::open(m_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!m_fd) {
        throwErrno(errno, "cannot open the folder " + shownText(m_path.string()));
    }
}

Folder Folder::of(const std::filesystem::path &file)
{
    return Folder(file.has_parent_path() ? file.parent_path() : std::filesystem::path("."));
}

std::vector<std::string> Folder::names() const
{
    // The listing reads through a descriptor of its own, so its position is never shared.
    const int copy = ::openat(m_fd.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (copy < 0) {
        throwErrno(errno, "cannot list the folder " + shownText(m_path.string()));
    }
    DIR *dir = ::fdopendir(copy);
    if (dir == nullptr) {
        const int error = errno;
        ::close(copy);
        throwErrno(error, "cannot list the folder " + shownText(m_path.string()));
    }
    std::vector<std::string> names;
    errno = 0;
    while (const dirent *entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            names.emplace_back(name);
        }
    }
    const int error = errno;
    ::closedir(dir);
    if (error != 0) {
        throwErrno(error, "cannot list the folder " + shownText(m_path.string()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<struct stat> Folder::status(std::string_view name) const
{
    if (!isPlainName(name)) {
        return std::nullopt;
    }

    struct stat info
    {};

    if (::fstatat(m_fd.get(), std::string(name).c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return std::nullopt;
    }
    return info;
}

bool Folder::isRegularFile(std::string_view name) const
{
    const auto info = status(name);
    return info && S_ISREG(info->st_mode);
}

UniqueFd Folder::openRegular(std::string_view name, int flags) const
{
    if (!isPlainName(name)) {
        throw FileRefused(EINVAL, shownText(name) + " names no file of the folder");
    }
    const std::string plain(name);

    struct stat before
    {};

    if (::fstatat(m_fd.get(), plain.c_str(), &before, AT_SYMLINK_NOFOLLOW) != 0) {
        throwErrno(errno, "cannot open " + shownText(name));
    }
    if (!S_ISREG(before.st_mode)) {
        refuse(name, before.st_mode);
    }
    UniqueFd fd(::openat(
        m_fd.get(), plain.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd) {
        throwErrno(errno, "cannot open " + shownText(name));
    }

    // Something put in its place since it was looked at is refused the same way.
    struct stat after
    {};

    if (::fstat(fd.get(), &after) != 0) {
        throwErrno(errno, "cannot open " + shownText(name));
    }
    if (!S_ISREG(after.st_mode)) {
        refuse(name, after.st_mode);
    }
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    return fd;
}

UniqueFd Folder::createNew(std::string_view name, mode_t mode) const
{
    if (!isPlainName(name)) {
        throwErrno(EINVAL, shownText(name) + " names no file of the folder");
    }
    UniqueFd fd(::openat(m_fd.get(),
                         std::string(name).c_str(),
                         O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                         mode));
    if (!fd) {
        throwErrno(errno, "cannot create a file in " + shownText(m_path.string()));
    }
    return fd;
}

int Folder::placeByLink(std::string_view from, std::string_view to) const noexcept
{
    if (!isPlainName(from) || !isPlainName(to)) {
        return EINVAL;
    }
    const std::string source(from);
    if (::linkat(m_fd.get(), source.c_str(), m_fd.get(), std::string(to).c_str(), 0) != 0) {
        return errno;
    }
    ::unlinkat(m_fd.get(), source.c_str(), 0);
    return 0;
}

int Folder::place(std::string_view from, std::string_view to) const noexcept
{
    if (!isPlainName(from) || !isPlainName(to)) {
        return EINVAL;
    }
    if (::renameat2(m_fd.get(),
                    std::string(from).c_str(),
                    m_fd.get(),
                    std::string(to).c_str(),
                    RENAME_NOREPLACE) == 0) {
        return 0;
    }
    const int error = errno;
    if (error == EINVAL || error == ENOSYS || error == ENOTSUP) {
        return placeByLink(from, to);
    }
    return error;
}

int Folder::rename(std::string_view from, std::string_view to) const noexcept
{
    if (!isPlainName(from) || !isPlainName(to)) {
        return EINVAL;
    }
    return ::renameat(m_fd.get(), std::string(from).c_str(), m_fd.get(), std::string(to).c_str()) ==
                   0
               ? 0
               : errno;
}

int Folder::remove(std::string_view name) const noexcept
{
    if (!isPlainName(name)) {
        return EINVAL;
    }
    return ::unlinkat(m_fd.get(), std::string(name).c_str(), 0) == 0 ? 0 : errno;
}

void Folder::sync() const noexcept
{
    ::fsync(m_fd.get());
}

std::string uniqueTail()
{
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[6] = {};
    if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
        // Without the kernel's randomness, a counter and the clock still make the name new;
        // a name taken anyway is refused by O_EXCL and tried again.
        static unsigned counter = 0;
        const auto seed = static_cast<unsigned>(::getpid()) * 2654435761U ^
                          static_cast<unsigned>(std::time(nullptr)) ^ ++counter * 40503U;
        for (std::size_t i = 0; i < sizeof bytes; ++i) {
            bytes[i] = static_cast<unsigned char>(seed >> (i * 5));
        }
    }
    std::string tail;
    for (const unsigned char byte : bytes) {
        tail += kLetters[byte % (sizeof kLetters - 1)];
    }
    return tail;
}

} // namespace tw
