#include "transfer/tablefiles.h"

#include "app/errorlocation.h"
#include "app/errortrap.h"
#include "app/eventpump.h"
#include "core/filename.h"
#include "fsutil/trash.h"
#include "paradox/family.h"
#include "paradox/placefile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tw::transfer {

namespace {

namespace fs = std::filesystem;

fs::path pathOf(const QString &text)
{
    return fs::path(QFile::encodeName(text).toStdString());
}

QString textOf(const fs::path &path)
{
    return QString::fromStdString(fileNameText(path.string()));
}

// The family file renamed to the new table name, its extension kept as spelled.
fs::path renamedPath(const fs::path &file, const QString &newName)
{
    return file.parent_path() / (pathOf(newName).string() + file.extension().string());
}

std::runtime_error systemError(const std::string &what, int error)
{
    return std::runtime_error(what + ": " + std::strerror(error));
}

// Copies a file into a new hidden file beside `target`, with the mode of the original, and
// makes the copy durable. Returns the hidden file's path.
fs::path copyToHidden(const fs::path &from, const fs::path &target)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        throw systemError("Cannot read " + from.string(), errno);
    }
    paradox::HiddenFile copy;
    try {
        copy = paradox::createHiddenBeside(target);
    } catch (...) {
        ::close(in);
        throw;
    }
    const int out = copy.fd;
    const fs::path hidden = copy.path;

    struct stat info
    {};

    int error = 0;
    if (::fstat(in, &info) != 0 || ::fchmod(out, info.st_mode & 0777) != 0) {
        error = errno;
    }
    char buffer[64 * 1024];
    while (error == 0) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            error = got < 0 ? errno : 0;
            break;
        }
        for (ssize_t done = 0; done < got && error == 0;) {
            const ssize_t wrote = ::write(out, buffer + done, static_cast<std::size_t>(got - done));
            if (wrote < 0 && errno == EINTR) {
                continue;
            }
            if (wrote <= 0) {
                error = wrote < 0 ? errno : ENOSPC;
            } else {
                done += wrote;
            }
        }
    }
    if (error == 0 && ::fsync(out) != 0) {
        error = errno;
    }
    ::close(in);
    ::close(out);
    if (error != 0) {
        ::unlink(hidden.c_str());
        throw systemError("Cannot copy " + from.string() + " to " + target.string(), error);
    }
    return hidden;
}

// Copies a table's files under new names. Every copy is complete before the first is put in
// place, and the .db (first in `family`) goes in last: the table appears only whole.
void copyFamily(const std::vector<fs::path> &family, const QString &newName)
{
    std::vector<fs::path> hidden;
    std::vector<fs::path> placed;
    auto undo = [&] {
        std::error_code ignored;
        for (const fs::path &file : hidden) {
            fs::remove(file, ignored);
        }
        for (const fs::path &file : placed) {
            fs::remove(file, ignored);
        }
    };
    try {
        for (const fs::path &file : family) {
            app::pumpEvents();
            hidden.push_back(copyToHidden(file, renamedPath(file, newName)));
        }
        for (std::size_t i = family.size(); i-- > 0;) {
            const fs::path target = renamedPath(family[i], newName);
            if (const int error = paradox::placeFile(hidden[i], target); error != 0) {
                throw systemError("Cannot put " + target.string() + " in place", error);
            }
            placed.push_back(target);
        }
    } catch (...) {
        undo();
        throw;
    }
    // Make the renames themselves durable.
    const int folder = ::open(family.front().parent_path().c_str(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

void forceDelete(const fs::path &file)
{
    std::error_code ignored;
    fs::permissions(file, fs::perms::owner_write, fs::perm_options::add, ignored);
    fs::remove(file, ignored);
}

void removeFile(const fs::path &file)
{
    app::pumpEvents();
    if (::unlink(file.c_str()) != 0) {
        forceDelete(file);
    }
}

// The table files a list item names. Tables whose names differ only in letter case are
// told apart by the item's own spelling (NAME.DB, then NAME.db); when neither is there the
// item is ambiguous, and nothing is touched.
std::vector<fs::path> tableToRename(const QString &folder, const QString &name)
{
    std::vector<fs::path> tables = TableFilesOf(folder, name);
    if (tables.empty()) {
        throw std::runtime_error("The folder " + folder.toStdString() + " holds no table " +
                                 name.toStdString());
    }
    if (tables.size() > 1) {
        std::vector<fs::path> exact;
        for (const fs::path &table : tables) {
            const QString fileName = textOf(table.filename());
            if (fileName == name + QStringLiteral(".DB") ||
                fileName == name + QStringLiteral(".db")) {
                exact.push_back(table);
            }
        }
        if (exact.empty()) {
            throw std::runtime_error("The folder " + folder.toStdString() + " holds " +
                                     std::to_string(tables.size()) + " tables named " +
                                     name.toStdString() +
                                     " that differ only in letter case; none was renamed");
        }
        tables = exact;
    }
    return tables;
}

} // namespace

void ForceDeleteFile(const QString &path)
{
    forceDelete(pathOf(path));
}

void RemoveFile(const QString &path)
{
    removeFile(pathOf(path));
}

std::vector<fs::path> TableFilesOf(const QString &folder, const QString &name)
{
    std::vector<fs::path> files;
    std::error_code error;
    const QString wanted = name + QStringLiteral(".db");
    for (const auto &entry : fs::directory_iterator(pathOf(folder), error)) {
        const QString fileName = textOf(entry.path().filename());
        if (fileName.compare(wanted, Qt::CaseInsensitive) == 0 && entry.is_regular_file(error)) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

bool DeleteParadoxTable(const QString &folder, const QString &name, QStringList *where)
{
    const std::vector<fs::path> tables = TableFilesOf(folder, name);
    for (const fs::path &table : tables) {
        const std::vector<fs::path> family = paradox::tableFamily(table);
        if (const auto trashed = fsutil::moveToTrash(family)) {
            if (where != nullptr && !trashed->empty()) {
                *where << textOf(table) + QStringLiteral(" moved to the Trash as ") +
                              textOf(trashed->front().file);
            }
            continue;
        }
        for (const fs::path &file : family) {
            removeFile(file);
        }
        // A table still there was not deleted: say so rather than drop it from the list.
        std::error_code error;
        if (fs::exists(fs::symlink_status(table, error))) {
            throw std::runtime_error("Cannot delete the table file " + table.string() +
                                     ": the folder does not let this user remove it");
        }
        if (where != nullptr) {
            *where << textOf(table) + QStringLiteral(" deleted (the Trash could not take it)");
        }
    }
    return !tables.empty();
}

bool RenameFile(const QString &folder,
                const QString &oldName,
                const QString &newName,
                app::Dialogs &dialogs)
{
    app::ErrorTrap trap{dialogs, app::ErrorLocation::Main_RenameFile};
    bool renamed = false;
    trap(100, [&] {
        const std::vector<fs::path> tables = tableToRename(folder, oldName);
        // Another table already holding the new name, in any letter case, is never touched.
        for (const fs::path &other : TableFilesOf(folder, newName)) {
            if (std::find(tables.begin(), tables.end(), other) == tables.end()) {
                throw std::runtime_error("A table " + textOf(other.filename()).toStdString() +
                                         " is already in the folder; " + oldName.toStdString() +
                                         " was not renamed and neither table was changed");
            }
        }
        std::vector<fs::path> family;
        for (const fs::path &table : tables) {
            for (const fs::path &file : paradox::tableFamily(table)) {
                family.push_back(file);
            }
        }
        if (oldName.compare(newName, Qt::CaseInsensitive) == 0) {
            // The same files under another spelling: renamed in place, never copied onto
            // themselves.
            for (const fs::path &file : family) {
                std::error_code error;
                fs::rename(file, renamedPath(file, newName), error);
                if (error) {
                    throw std::runtime_error("Cannot rename " + file.string() + ": " +
                                             error.message());
                }
            }
            renamed = true;
            return;
        }
        // Every new file is complete before any old one goes.
        copyFamily(family, newName);
        renamed = true;
        trap(102, [&] {
            for (const fs::path &file : family) {
                removeFile(file);
            }
        });
    });
    return renamed;
}

} // namespace tw::transfer
