#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <vector>

namespace tw {

// An open file descriptor, closed when it goes.
class UniqueFd
{
public:
    UniqueFd() = default;

    explicit UniqueFd(int fd) noexcept
        : m_fd(fd)
    {}

    ~UniqueFd() { reset(); }

    UniqueFd(UniqueFd &&other) noexcept
        : m_fd(other.release())
    {}

    UniqueFd &operator=(UniqueFd &&other) noexcept
    {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    UniqueFd(const UniqueFd &) = delete;
    UniqueFd &operator=(const UniqueFd &) = delete;

    int get() const { return m_fd; }

    explicit operator bool() const { return m_fd >= 0; }

    int release() noexcept
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

    void reset(int fd = -1) noexcept;

private:
    int m_fd = -1;
};

// A file refused for what it is (a link, a pipe, a device, a folder), or a name that is no
// plain name of the folder: its text says which, whole, for a box.
class FileRefused : public std::system_error
{
public:
    FileRefused(int error, std::string text)
        : std::system_error(error, std::generic_category())
        , m_text(std::move(text))
    {}

    const char *what() const noexcept override { return m_text.c_str(); }

private:
    std::string m_text;
};

// True for a name that stands for a file of the folder it is used in: not empty, not "." or
// "..", no "/" and no NUL, at most 255 bytes.
bool isPlainName(std::string_view name);

// One folder reached through its descriptor. Every file is named by a plain name in it, so
// nothing outside the folder is opened, moved or removed, whatever links it holds or
// however its path changes meanwhile. Opening never follows a link and never waits: a FIFO
// or a device is refused before it is opened.
class Folder
{
public:
    // Throws std::system_error when the path names no folder that can be opened.
    explicit Folder(std::filesystem::path path);

    // The folder that holds `file`.
    static Folder of(const std::filesystem::path &file);

    int fd() const { return m_fd.get(); }

    const std::filesystem::path &path() const { return m_path; }

    std::filesystem::path pathOf(std::string_view name) const { return m_path / name; }

    // The names in the folder, "." and ".." left out, sorted. Throws std::system_error.
    std::vector<std::string> names() const;

    // What the name is, never following a link; nothing when there is no such name.
    std::optional<struct stat> status(std::string_view name) const;

    bool isRegularFile(std::string_view name) const;

    // Opens a regular file of the folder. A link, a FIFO, a device or a folder is refused with
    // FileRefused (ELOOP for a link, EINVAL for the others); other failures throw
    // std::system_error.
    UniqueFd openRegular(std::string_view name, int flags = 0) const;

    // Creates a new file under a name free in the folder (O_EXCL), with `mode`.
    // Throws std::system_error.
    UniqueFd createNew(std::string_view name, mode_t mode) const;

    // Moves `from` to `to` in the folder, never replacing a file already there: renameat2
    // with RENAME_NOREPLACE, or where a file system refuses that flag, a hard link and the
    // removal of the old name. 0, or the errno (EEXIST when `to` is taken).
    int place(std::string_view from, std::string_view to) const noexcept;
    // The same through the hard link alone, as on file systems without the flag.
    int placeByLink(std::string_view from, std::string_view to) const noexcept;
    // A plain rename, which replaces `to`: for one file's names that differ in letter case.
    int rename(std::string_view from, std::string_view to) const noexcept;
    // 0, or the errno.
    int remove(std::string_view name) const noexcept;

    // Makes the renames and removals in the folder durable.
    void sync() const noexcept;

private:
    std::filesystem::path m_path;
    UniqueFd m_fd;
};

// Six letters and digits no other call gives, for a new name.
std::string uniqueTail();

} // namespace tw
