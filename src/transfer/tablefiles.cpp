#include "transfer/tablefiles.h"

#include "app/errorlocation.h"
#include "app/errortrap.h"
#include "app/eventpump.h"
#include "paradox/family.h"
#include "paradox/placefile.h"

#include <QFile>

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
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
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

// Copies a file into a new hidden file beside `target` (a dot name no "*.db" listing matches,
// so a leftover one is ignored) and makes the copy durable. Returns the hidden file's path.
fs::path copyToHidden(const fs::path &from, const fs::path &target)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        throw systemError("Cannot read " + from.string(), errno);
    }
    std::string pattern =
        (target.parent_path() / ("." + target.filename().string() + ".tw-XXXXXX")).string();
    const int out = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        throw systemError("Cannot create a file in " + target.parent_path().string(), error);
    }
    const fs::path hidden = pattern;

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

} // namespace

void ForceDeleteFile(const QString &path)
{
    const fs::path file = pathOf(path);
    std::error_code ignored;
    fs::permissions(file, fs::perms::owner_write, fs::perm_options::add, ignored);
    fs::remove(file, ignored);
}

void RemoveFile(const QString &path)
{
    app::pumpEvents();
    if (::unlink(pathOf(path).c_str()) != 0) {
        ForceDeleteFile(path);
    }
}

QStringList TableFilesOf(const QString &folder, const QString &name)
{
    QStringList files;
    std::error_code error;
    const QString wanted = name + QStringLiteral(".db");
    for (const auto &entry : fs::directory_iterator(pathOf(folder), error)) {
        const QString fileName = textOf(entry.path().filename());
        if (fileName.compare(wanted, Qt::CaseInsensitive) == 0 && entry.is_regular_file(error)) {
            files << textOf(entry.path());
        }
    }
    files.sort();
    return files;
}

bool DeleteParadoxTable(const QString &folder, const QString &name)
{
    const QStringList tables = TableFilesOf(folder, name);
    for (const QString &table : tables) {
        for (const fs::path &file : paradox::tableFamily(pathOf(table))) {
            RemoveFile(textOf(file));
        }
        // A table still there was not deleted: say so rather than drop it from the list.
        if (QFile::exists(table)) {
            throw std::runtime_error("Cannot delete the table file " + table.toStdString() +
                                     ": the folder does not let this user remove it");
        }
    }
    return !tables.isEmpty();
}

bool RenameFile(const QString &folder,
                const QString &oldName,
                const QString &newName,
                app::Dialogs &dialogs)
{
    app::ErrorTrap trap{dialogs, app::ErrorLocation::Main_RenameFile};
    bool renamed = false;
    trap(100, [&] {
        const QStringList tables = TableFilesOf(folder, oldName);
        if (tables.isEmpty()) {
            throw std::runtime_error("The folder " + folder.toStdString() + " holds no table " +
                                     oldName.toStdString());
        }
        const bool sameTable = oldName.compare(newName, Qt::CaseInsensitive) == 0;
        if (!sameTable && !TableFilesOf(folder, newName).isEmpty()) {
            throw std::runtime_error("A table " + newName.toStdString() +
                                     " is already in the folder; " + oldName.toStdString() +
                                     " was not renamed and neither table was changed");
        }
        std::vector<fs::path> family;
        for (const QString &table : tables) {
            for (const fs::path &file : paradox::tableFamily(pathOf(table))) {
                family.push_back(file);
            }
        }
        if (sameTable) {
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
                RemoveFile(textOf(file));
            }
        });
    });
    return renamed;
}

} // namespace tw::transfer
