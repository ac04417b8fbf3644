#include "fsutil/addfolder.h"

#include "app/errorlocation.h"
#include "app/errortrap.h"
#include "app/eventpump.h"
#include "core/filename.h"
#include "fsutil/trash.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <memory>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace tw::fsutil {

namespace {

struct DirCloser
{
    void operator()(DIR *dir) const { ::closedir(dir); }
};

using Dir = std::unique_ptr<DIR, DirCloser>;

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

bool isDirectoryEntry(const QString &folder, const dirent &entry, bool followLinks)
{
    if (entry.d_type == DT_DIR) {
        return true;
    }
    if (entry.d_type != DT_UNKNOWN && !(followLinks && entry.d_type == DT_LNK)) {
        return false;
    }

    struct stat info
    {};

    const QByteArray path = encoded(folder) + entry.d_name;
    const int rc = followLinks ? ::stat(path.constData(), &info) : ::lstat(path.constData(), &info);
    return rc == 0 && S_ISDIR(info.st_mode);
}

// The subfolder names of a folder, in name order; the errno of a failed listing otherwise.
int listSubfolders(const QString &folder, QStringList &names)
{
    Dir dir(::opendir(encoded(folder).constData()));
    if (!dir) {
        return errno;
    }
    errno = 0;
    while (const dirent *entry = ::readdir(dir.get())) {
        // Symbolic links are not followed: a link back up the tree would never end.
        if (isDirectoryEntry(folder, *entry, false)) {
            names << QFile::decodeName(entry->d_name);
        }
    }
    if (errno != 0) {
        return errno;
    }
    std::sort(names.begin(), names.end());
    return 0;
}

// The system's own folders among the user's: the Trash folders, whose tables are deleted
// ones. Other dot folders are ordinary folders.
bool isHiddenSystem(const QString &folder)
{
    return isTrashFolder(std::filesystem::path(encoded(folder).toStdString()));
}

} // namespace

bool IsFolder(const QString &path)
{
    if (path.isEmpty()) {
        return false;
    }

    struct stat info
    {};

    return ::stat(encoded(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsExistingFile(const QString &path)
{
    if (path.isEmpty()) {
        return false;
    }
    // Opened without asking for read or write access, as a check that it is there.
    const int fd = ::open(encoded(path).constData(), O_PATH | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }

    struct stat info
    {};

    const bool file = ::fstat(fd, &info) == 0 && !S_ISDIR(info.st_mode);
    ::close(fd);
    return file;
}

bool HasUnsafeChars(const QString &name)
{
    for (const QChar c : name) {
        const char16_t code = c.unicode();
        // In code page 1252, 32..126 and 160..255 are these very characters; everything else
        // is a control character, a code from 128 to 159, or not representable ("?").
        const bool safe =
            (code >= 32 && code <= 126 && code != u'?') || (code >= 160 && code <= 255);
        if (!safe) {
            return true;
        }
    }
    return false;
}

QString FileNameOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? path : path.mid(slash + 1);
}

QStringList ListFiles(const QString &folder, const QString &pattern)
{
    const QString base = folder.endsWith(u'/') ? folder : folder + u'/';
    Dir dir(::opendir(encoded(base).constData()));
    if (!dir) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return {};
        }
        throw std::runtime_error("Cannot list the folder " + shownText(base.toStdString()) + ": " +
                                 std::strerror(errno));
    }
    const QByteArray wildcard = encoded(pattern);
    QStringList names;
    while (const dirent *entry = ::readdir(dir.get())) {
        if (::fnmatch(wildcard.constData(), entry->d_name, FNM_CASEFOLD) != 0) {
            continue;
        }

        // Only regular files are tables: a FIFO or a device named *.db would block or never
        // end when read, and a link may point anywhere, outside the folder too. The listing
        // says what most entries are; only entries it cannot tell are looked at. The name is
        // taken from its real bytes.
        struct stat info
        {};

        const bool regular =
            entry->d_type == DT_REG ||
            (entry->d_type == DT_UNKNOWN &&
             ::fstatat(::dirfd(dir.get()), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
             S_ISREG(info.st_mode));
        if (regular) {
            names << QString::fromStdString(fileNameText(entry->d_name));
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

void GetSubDirectories2016(QStringList &folders, bool recurse, app::Dialogs &dialogs)
{
    app::ErrorTrap trap{dialogs, app::ErrorLocation::AddFolder_GetSubDirectories2016};
    QStringList found;
    const QStringList entries = folders;
    for (const QString &folder : entries) {
        if (!trap.test(108, [&] { return IsFolder(folder); })) {
            continue;
        }
        if (!trap.test(110, [&] { return folder.size() < kLongestPath; })) {
            continue;
        }
        app::pumpEvents();
        if (isHiddenSystem(folder)) {
            continue;
        }
        // From here a failure ends the work on this entry (the folder failure path, 138).
        QStringList names;
        const int error = listSubfolders(folder, names);
        for (const QString &name : names) {
            app::pumpEvents();
            if (name.size() >= kLongestPath || HasUnsafeChars(name) || name.contains(u'?') ||
                name == QStringLiteral(".") || name == QStringLiteral("..")) {
                continue;
            }
            found << folder + name + u'/';
        }
        // Permission denied or path not found: the entry goes (the first one equal to it).
        if (error == EACCES || error == EPERM || error == ENOENT || error == ENOTDIR) {
            const qsizetype at = folders.indexOf(folder);
            if (at >= 0) {
                folders.removeAt(at);
            }
        }
    }
    if (recurse && !found.isEmpty()) {
        trap(150, [&] { GetSubDirectories2016(found, true, dialogs); });
    }
    for (const QString &subfolder : found) {
        if (!trap.test(154, [&] { return IsFolder(subfolder); })) {
            continue;
        }
        app::pumpEvents();
        if (isHiddenSystem(subfolder)) {
            continue;
        }
        trap(160, [&] { folders << subfolder; });
    }
}

QString
PickFolder(app::Dialogs &dialogs, QWidget *owner, const QString &prompt, const QString &startFolder)
{
    return dialogs.pickFolder(owner, prompt, startFolder);
}

} // namespace tw::fsutil
