#include "fsutil/trash.h"

#include "core/fileio.h"
#include "core/filename.h"
#include "core/filestep.h"

#include <QByteArray>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tw::fsutil {

namespace {

namespace fs = std::filesystem;

void say(std::string *why, const std::string &text)
{
    if (why != nullptr) {
        *why = text;
    }
}

// What a Trash folder's mode must be: the $uid folders at the top of a file system exactly
// 0700, as freedesktop.org's Trash rules ask; their parts writable by nobody else; the home
// Trash, in the user's own home, as the user keeps it.
enum class Guard { Private, Shared, Home };

// A folder of the Trash's own, made (0700) when missing, opened through `parent`: a real
// folder, not a link, owned by this user, with the mode `guard` asks for.
UniqueFd
ownFolder(int parent, const std::string &name, Guard guard, const fs::path &shown, std::string *why)
{
    if (::mkdirat(parent, name.c_str(), 0700) != 0 && errno != EEXIST) {
        say(why, "cannot make " + shownText(shown.string()) + ": " + std::strerror(errno));
        return {};
    }
    UniqueFd fd(::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));

    struct stat info
    {};

    if (!fd || ::fstat(fd.get(), &info) != 0) {
        say(why, shownText(shown.string()) + " is not a folder (a link, or a file)");
        return {};
    }
    if (info.st_uid != ::getuid()) {
        say(why, shownText(shown.string()) + " belongs to another user");
        return {};
    }
    if ((guard == Guard::Private && (info.st_mode & 07777) != 0700) ||
        (guard == Guard::Shared && (info.st_mode & 022) != 0)) {
        say(why, shownText(shown.string()) + " is open to other users");
        return {};
    }
    return fd;
}

struct Trash
{
    fs::path root;
    fs::path topdir; // for a Trash at the top of a file system: the paths in info/ are relative
    UniqueFd files;
    UniqueFd info;
};

bool openParts(Trash &trash, Guard guard, std::string *why)
{
    UniqueFd root(::open(trash.root.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!root) {
        say(why, "cannot open " + shownText(trash.root.string()));
        return false;
    }
    trash.files = ownFolder(root.get(), "files", guard, trash.root / "files", why);
    trash.info = ownFolder(root.get(), "info", guard, trash.root / "info", why);
    return trash.files && trash.info;
}

std::optional<dev_t> deviceOf(const fs::path &path)
{
    struct stat info
    {};

    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return info.st_dev;
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

// The user's own Trash in the home folder, made when missing.
std::optional<Trash> openHomeTrash(dev_t device, std::string *why)
{
    const fs::path home = homeTrash();
    if (home.empty()) {
        return std::nullopt;
    }
    std::error_code ignored;
    fs::create_directories(home.parent_path(), ignored);
    UniqueFd parent(::open(home.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!parent || deviceOf(home.parent_path()) != device) {
        return std::nullopt;
    }
    if (!ownFolder(parent.get(), home.filename().string(), Guard::Home, home, why)) {
        return std::nullopt;
    }
    Trash trash{home, {}, {}, {}};
    if (!openParts(trash, Guard::Home, why)) {
        return std::nullopt;
    }
    return trash;
}

// The top folder of the file system that holds `folder`.
fs::path topOf(const fs::path &folder, dev_t device)
{
    std::error_code ignored;
    fs::path top = fs::absolute(folder, ignored).lexically_normal();
    if (top.filename().empty()) {
        top = top.parent_path();
    }
    while (top.has_relative_path()) {
        if (deviceOf(top.parent_path()) != device) {
            break;
        }
        top = top.parent_path();
    }
    return top;
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

// Moves a file of one folder into another, never over a name taken there.
int moveNoReplace(int fromFolder, const std::string &from, int toFolder, const std::string &to)
{
    if (::renameat2(fromFolder, from.c_str(), toFolder, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
        return errno;
    }
    if (::linkat(fromFolder, from.c_str(), toFolder, to.c_str(), 0) != 0) {
        return errno;
    }
    ::unlinkat(fromFolder, from.c_str(), 0);
    return 0;
}

// Moves one file into the Trash under a name free there; its .trashinfo is made first, with
// O_EXCL, so two programs trashing at once never take the same name.
std::optional<TrashedFile>
trashOne(const Trash &trash, const Folder &folder, const std::string &name)
{
    std::error_code error;
    const fs::path absolute = fs::absolute(folder.pathOf(name), error).lexically_normal();
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
    const fs::path plain(name);
    const std::string stem = plain.stem().string();
    const std::string extension = plain.extension().string();
    for (int n = 1; n < 1000; ++n) {
        const std::string target =
            n == 1 ? name : stem + " (" + std::to_string(n) + ")" + extension;
        const std::string infoName = target + ".trashinfo";
        const UniqueFd fd(::openat(trash.info.get(),
                                   infoName.c_str(),
                                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                   0600));
        if (!fd) {
            if (errno == EEXIST) {
                continue;
            }
            return std::nullopt;
        }
        if (!writeAll(fd.get(), info) || ::fsync(fd.get()) != 0) {
            ::unlinkat(trash.info.get(), infoName.c_str(), 0);
            return std::nullopt;
        }
        fileStep();
        const int moved = moveNoReplace(folder.fd(), name, trash.files.get(), target);
        if (moved == 0) {
            return TrashedFile{
                folder.pathOf(name), trash.root / "files" / target, trash.root / "info" / infoName};
        }
        ::unlinkat(trash.info.get(), infoName.c_str(), 0);
        if (moved != EEXIST) {
            return std::nullopt; // another file system, or no right to move the file
        }
    }
    return std::nullopt;
}

std::optional<Trash> trashFor(const Folder &folder, std::string *why)
{
    struct stat info
    {};

    if (::fstat(folder.fd(), &info) != 0) {
        return std::nullopt;
    }
    if (std::optional<Trash> home = openHomeTrash(info.st_dev, why)) {
        return home;
    }
    const fs::path top = topOf(folder.path(), info.st_dev);
    const std::optional<fs::path> root = topdirTrash(top, why);
    if (!root) {
        return std::nullopt;
    }
    Trash trash{*root, top, {}, {}};
    if (!openParts(trash, Guard::Shared, why)) {
        return std::nullopt;
    }
    return trash;
}

} // namespace

std::optional<fs::path> topdirTrash(const fs::path &topdir, std::string *why)
{
    UniqueFd top(::open(topdir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!top) {
        say(why, "cannot open " + shownText(topdir.string()));
        return std::nullopt;
    }
    const std::string uid = std::to_string(::getuid());

    struct stat shared
    {};

    // $topdir/.Trash made by the administrator: a folder with the sticky bit, not a link.
    std::string sharedWhy;
    if (::fstatat(top.get(), ".Trash", &shared, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISDIR(shared.st_mode) && (shared.st_mode & S_ISVTX) != 0) {
        UniqueFd trash(
            ::openat(top.get(), ".Trash", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (trash &&
            ownFolder(trash.get(), uid, Guard::Private, topdir / ".Trash" / uid, &sharedWhy)) {
            return topdir / ".Trash" / uid;
        }
    }
    const std::string own = ".Trash-" + uid;
    if (ownFolder(top.get(), own, Guard::Private, topdir / own, why)) {
        return topdir / own;
    }
    if (why != nullptr && !sharedWhy.empty()) {
        *why = sharedWhy + "; " + *why;
    }
    return std::nullopt;
}

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

std::optional<std::vector<TrashedFile>>
moveToTrash(const Folder &folder, const std::vector<std::string> &names, std::string *why)
{
    if (names.empty()) {
        return std::vector<TrashedFile>{};
    }
    const std::optional<Trash> trash = trashFor(folder, why);
    if (!trash) {
        return std::nullopt;
    }
    std::vector<TrashedFile> moved;
    for (const std::string &name : names) {
        std::optional<TrashedFile> trashed = trashOne(*trash, folder, name);
        if (!trashed) {
            say(why,
                "the Trash " + shownText(trash->root.string()) + " could not take " +
                    shownText(name));
            for (auto it = moved.rbegin(); it != moved.rend(); ++it) {
                const std::string back = it->original.filename().string();
                if (moveNoReplace(
                        trash->files.get(), it->file.filename().string(), folder.fd(), back) == 0) {
                    ::unlinkat(trash->info.get(), it->info.filename().string().c_str(), 0);
                }
            }
            return std::nullopt;
        }
        moved.push_back(*trashed);
    }
    return moved;
}

} // namespace tw::fsutil
