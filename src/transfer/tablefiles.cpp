#include "transfer/tablefiles.h"

#include "app/errorlocation.h"
#include "app/errortrap.h"
#include "connect/paradoxfolder.h"
#include "core/filename.h"
#include "core/folder.h"
#include "fsutil/trash.h"
#include "paradox/family.h"
#include "paradox/intent.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <mutex>
#include <set>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace tw::transfer {

namespace {

namespace fs = std::filesystem;

fs::path pathOf(const QString &text)
{
    return fs::path(QFile::encodeName(text).toStdString());
}

// The Paradox folder as a path; a text that names no folder is refused, never cut.
fs::path folderPath(const QString &folder)
{
    if (!connect::isFolderText(folder)) {
        throw std::runtime_error("The Paradox folder \"" + shownText(folder.toStdString()) +
                                 "\" holds a control character, which no folder name holds: "
                                 "no table was moved or deleted.");
    }
    return pathOf(folder);
}

// A family to the user's Trash together, for a delete a killed program was doing.
bool trashFiles(const Folder &from, const std::vector<std::string> &files)
{
    return fsutil::moveToTrash(from, files).has_value();
}

QString textOf(const fs::path &path)
{
    return QString::fromStdString(fileNameText(path.string()));
}

// The table files a list item names. Tables whose names differ only in letter case are
// told apart by the item's own spelling (NAME.DB, then NAME.db); when neither is there the
// item is ambiguous, and nothing is touched.
std::vector<fs::path> tableToRename(const QString &folder, const QString &name)
{
    std::vector<fs::path> tables = tableFilesOf(folder, name);
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

std::vector<fs::path> tableFilesOf(const QString &folder, const QString &name)
{
    return paradox::tablesNamed(folderPath(folder), name.toStdString());
}

QStringList recoverParadoxFolder(const QString &folder)
{
    static std::mutex guard;
    static std::set<std::string> said;
    QStringList lines;
    try {
        const Folder opened(folderPath(folder));
        const std::vector<std::string> leftAlone = paradox::recoverFolder(opened, trashFiles);
        const std::lock_guard lock(guard);
        for (const std::string &line : leftAlone) {
            if (said.insert(line).second) {
                lines << QString::fromStdString(line);
            }
        }
    } catch (const std::system_error &) {
        // A folder that cannot be opened holds nothing to recover; its listing says why.
    }
    return lines;
}

QStringList recoverForWorkstation(const QString &folder, const QString &workstation)
{
    const Folder opened(folderPath(folder));
    QStringList lines;
    for (const std::string &line :
         paradox::recoverFolder(opened, trashFiles, workstation.toStdString())) {
        lines << QString::fromStdString(line);
    }
    return lines;
}

bool deleteParadoxTable(const QString &folder,
                        const QString &name,
                        const std::function<void()> &tick,
                        QStringList *where)
{
    const std::vector<fs::path> tables = tableFilesOf(folder, name);
    if (tables.empty()) {
        return false;
    }
    const Folder opened(folderPath(folder));
    for (const fs::path &table : tables) {
        bool trashed = false;
        std::string why;
        const paradox::TrashFiles toTrash = [&](const Folder &from,
                                                const std::vector<std::string> &files) {
            const auto moved = fsutil::moveToTrash(from, files, &why);
            if (moved && where != nullptr && !moved->empty()) {
                *where << textOf(table) + QStringLiteral(" moved to the Trash as ") +
                              textOf(moved->front().file);
            }
            trashed = moved.has_value();
            return trashed;
        };
        // A table still there was not deleted: say so rather than drop it from the list.
        const std::string refused = "Cannot delete the table file " + table.string() +
                                    ": the folder does not let this user remove it";
        std::vector<std::string> left;
        try {
            left = paradox::deleteTable(
                opened, paradox::tableFamily(opened, table.filename().string()), toTrash, tick);
        } catch (const std::system_error &e) {
            const int error = e.code().value();
            throw std::runtime_error(error == EACCES || error == EPERM || error == EROFS
                                         ? refused
                                         : "Cannot delete the table file " + table.string() + ": " +
                                               e.what());
        }
        if (std::find(left.begin(), left.end(), table.filename().string()) != left.end()) {
            throw std::runtime_error(refused);
        }
        if (where != nullptr && !trashed) {
            *where << textOf(table) + QStringLiteral(" deleted (") +
                          (why.empty() ? QStringLiteral("the Trash could not take it")
                                       : QString::fromStdString(why)) +
                          u')';
        }
    }
    return true;
}

bool RenameFile(const QString &folder,
                const QString &oldName,
                const QString &newName,
                app::Dialogs &dialogs,
                const std::function<void()> &tick)
{
    app::ErrorTrap trap{dialogs, app::ErrorLocation::Main_RenameFile};
    bool renamed = false;
    trap(100, [&] {
        const std::vector<fs::path> tables = tableToRename(folder, oldName);
        // Another table already holding the new name, in any letter case, is never touched.
        for (const fs::path &other : tableFilesOf(folder, newName)) {
            if (std::find(tables.begin(), tables.end(), other) == tables.end()) {
                throw std::runtime_error("A table " + textOf(other.filename()).toStdString() +
                                         " is already in the folder; " + oldName.toStdString() +
                                         " was not renamed and neither table was changed");
            }
        }
        const Folder opened(folderPath(folder));
        std::vector<std::string> family;
        for (const fs::path &table : tables) {
            for (const std::string &file :
                 paradox::tableFamily(opened, table.filename().string())) {
                family.push_back(file);
            }
        }
        if (oldName.compare(newName, Qt::CaseInsensitive) == 0) {
            // The same files under another spelling: renamed in place, never copied onto
            // themselves.
            paradox::renameFamily(opened, family, pathOf(newName).string());
            renamed = true;
            return;
        }
        // Every new file is complete before any old one goes; a file of the family that is a
        // link or a pipe is refused, never copied through.
        try {
            paradox::copyTable(opened, family, pathOf(newName).string(), tick);
        } catch (const std::system_error &e) {
            throw std::runtime_error(std::string(e.what()) + "; " + oldName.toStdString() +
                                     " was not renamed");
        }
        renamed = true;
    });
    return renamed;
}

} // namespace tw::transfer
