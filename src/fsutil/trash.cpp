#include "fsutil/trash.h"

#include "core/fileio.h"
#include "core/filestep.h"

#include <QByteArray>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tw::fsutil {

namespace {

namespace fs = std::filesystem;

bool deviceOf(const fs::path &path, dev_t &device)
{
    struct stat info
    {};

    if (::stat(path.c_str(), &info) != 0) {
        return false;
    }
    device = info.st_dev;
    return true;
}

// A folder of the Trash's own, made when missing: a real folder, not a link.
bool ensureFolder(const fs::path &folder)
{
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }

    struct stat info
    {};

    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

fs::path homeTrash()
{
    const char *data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && *data == '/') {
        return fs::path(data) / "Trash";
    }
    const char *home = std::getenv("HOME");
    return home != nullptr ? fs::path(home) / ".local/share/Trash" : fs::path();
}

// The top folder of the file system that holds `folder`.
fs::path topOf(const fs::path &folder, dev_t device)
{
    std::error_code ignored;
    fs::path top = fs::absolute(folder, ignored).lexically_normal();
    while (top.has_relative_path()) {
        dev_t parentDevice = 0;
        if (!deviceOf(top.parent_path(), parentDevice) || parentDevice != device) {
            break;
        }
        top = top.parent_path();
    }
    return top;
}

struct Trash
{
    fs::path root;
    fs::path topdir; // for a Trash at the top of a file system: the paths in info/ are relative
};

std::optional<Trash> trashFor(const fs::path &folder)
{
    dev_t device = 0;
    if (!deviceOf(folder, device)) {
        return std::nullopt;
    }
    const fs::path home = homeTrash();
    if (!home.empty()) {
        std::error_code ignored;
        fs::create_directories(home.parent_path(), ignored);
        dev_t homeDevice = 0;
        if (ensureFolder(home) && deviceOf(home, homeDevice) && homeDevice == device) {
            return Trash{home, {}};
        }
    }
    const fs::path top = topOf(folder, device);
    const std::string uid = std::to_string(::getuid());

    struct stat admin
    {};

    // $topdir/.Trash made by the administrator: a folder with the sticky bit, not a link.
    if (::lstat((top / ".Trash").c_str(), &admin) == 0 && S_ISDIR(admin.st_mode) &&
        (admin.st_mode & S_ISVTX) != 0 && ensureFolder(top / ".Trash" / uid)) {
        return Trash{top / ".Trash" / uid, top};
    }
    if (ensureFolder(top / (".Trash-" + uid))) {
        return Trash{top / (".Trash-" + uid), top};
    }
    return std::nullopt;
}

std::string deletionDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// Moves one file into the Trash under a name free there; the .trashinfo is made first, with
// O_EXCL, so two programs trashing at once never take the same name.
std::optional<TrashedFile> trashOne(const Trash &trash, const fs::path &file)
{
    std::error_code error;
    const fs::path absolute = fs::absolute(file, error).lexically_normal();
    if (error) {
        return std::nullopt;
    }
    const std::string original = trash.topdir.empty()
                                     ? absolute.string()
                                     : absolute.lexically_relative(trash.topdir).string();
    const QByteArray encoded =
        QByteArray::fromStdString(original).toPercentEncoding(QByteArrayLiteral("/"));
    const std::string info =
        "[Trash Info]\nPath=" + encoded.toStdString() + "\nDeletionDate=" + deletionDate() + "\n";
    const std::string stem = file.stem().string();
    const std::string extension = file.extension().string();
    for (int n = 1; n < 1000; ++n) {
        const std::string name =
            n == 1 ? file.filename().string() : stem + " (" + std::to_string(n) + ")" + extension;
        const fs::path infoPath = trash.root / "info" / (name + ".trashinfo");
        const int fd = ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return std::nullopt;
        }
        const bool written = writeAll(fd, info) && ::fsync(fd) == 0;
        ::close(fd);
        const fs::path target = trash.root / "files" / name;

        struct stat taken
        {};

        if (written && ::lstat(target.c_str(), &taken) == 0) {
            ::unlink(infoPath.c_str()); // a file without its .trashinfo holds the name
            continue;
        }
        if (written) {
            fileStep();
        }
        if (written && ::rename(file.c_str(), target.c_str()) == 0) {
            return TrashedFile{file, target, infoPath};
        }
        ::unlink(infoPath.c_str());
        return std::nullopt; // another file system, or no right to move the file
    }
    return std::nullopt;
}

} // namespace

bool isTrashFolder(const fs::path &folder)
{
    const std::string name = folder.filename().empty() ? folder.parent_path().filename().string()
                                                       : folder.filename().string();
    if (name == ".Trash") {
        return true;
    }
    const std::string prefix = ".Trash-";
    if (name.size() > prefix.size() && name.rfind(prefix, 0) == 0 &&
        name.find_first_not_of("0123456789", prefix.size()) == std::string::npos) {
        return true;
    }

    struct stat own
    {};

    struct stat info
    {};

    const fs::path home = homeTrash();
    return !home.empty() && ::stat(home.c_str(), &own) == 0 && ::stat(folder.c_str(), &info) == 0 &&
           own.st_dev == info.st_dev && own.st_ino == info.st_ino;
}

std::optional<std::vector<TrashedFile>> moveToTrash(const std::vector<fs::path> &files)
{
    if (files.empty()) {
        return std::vector<TrashedFile>{};
    }
    const fs::path folder = files.front().has_parent_path() ? files.front().parent_path() : ".";
    const std::optional<Trash> trash = trashFor(folder);
    if (!trash || !ensureFolder(trash->root / "files") || !ensureFolder(trash->root / "info")) {
        return std::nullopt;
    }
    std::vector<TrashedFile> moved;
    for (const fs::path &file : files) {
        std::optional<TrashedFile> trashed = trashOne(*trash, file);
        if (!trashed) {
            for (auto it = moved.rbegin(); it != moved.rend(); ++it) {
                if (::rename(it->file.c_str(), it->original.c_str()) == 0) {
                    ::unlink(it->info.c_str());
                }
            }
            return std::nullopt;
        }
        moved.push_back(*trashed);
    }
    return moved;
}

} // namespace tw::fsutil
