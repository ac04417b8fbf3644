#include "transfer/tablefiles.h"

#include "app/errorlocation.h"
#include "app/errortrap.h"
#include "app/eventpump.h"
#include "paradox/family.h"

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

// Copies a file to a new path that must not exist yet, and makes the copy durable.
void copyExclusive(const fs::path &from, const fs::path &to)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        throw std::runtime_error("Cannot read " + from.string() + ": " + std::strerror(errno));
    }

    struct stat info
    {};

    ::fstat(in, &info);
    const int out =
        ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, info.st_mode & 0777);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        throw std::runtime_error("Cannot create " + to.string() + ": " + std::strerror(error));
    }
    char buffer[64 * 1024];
    bool failed = false;
    int error = 0;
    while (true) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            failed = got < 0;
            error = errno;
            break;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t wrote = ::write(out, buffer + done, static_cast<std::size_t>(got - done));
            if (wrote < 0 && errno == EINTR) {
                continue;
            }
            if (wrote <= 0) {
                failed = true;
                error = errno;
                break;
            }
            done += wrote;
        }
        if (failed) {
            break;
        }
    }
    if (!failed && ::fsync(out) != 0) {
        failed = true;
        error = errno;
    }
    ::close(in);
    ::close(out);
    if (failed) {
        ::unlink(to.c_str());
        throw std::runtime_error("Cannot copy " + from.string() + " to " + to.string() + ": " +
                                 std::strerror(error));
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
        std::vector<fs::path> copies;
        try {
            for (const fs::path &file : family) {
                const fs::path copy = renamedPath(file, newName);
                copyExclusive(file, copy);
                copies.push_back(copy);
            }
        } catch (...) {
            for (const fs::path &copy : copies) {
                std::error_code ignored;
                fs::remove(copy, ignored);
            }
            throw;
        }
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
