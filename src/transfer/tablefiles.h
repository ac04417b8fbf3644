#pragma once

#include "app/dialogs.h"

#include <QString>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <vector>

// Module Main: deleting and renaming Paradox tables on disk. A table is its whole family of
// files (.db, .MB, .PX, ...), matched to a list item with letter case ignored.
namespace tw::transfer {

// The table files (NAME.db in any letter case, a name that is not UTF-8 read as
// fileNameText does) for a list item in the folder, by their real paths.
std::vector<std::filesystem::path> tableFilesOf(const QString &folder, const QString &name);

// Completes or undoes what a program of this machine killed while it moved a table's files
// in `folder` left half done, and removes the hidden files it left there (see
// paradox/intent.h). Returns a line for each record left alone (another workstation's, another
// user's, one that fails a check), each line once per run of the program.
QStringList recoverParadoxFolder(const QString &folder);

// The same for the records and hidden files the workstation `workstation` left, which the
// user knows will never come back: a line for each record resolved or left alone.
QStringList recoverForWorkstation(const QString &folder, const QString &workstation);

// Deletes each of the item's tables with its whole family; false when there is none. Each
// family goes to the user's Trash together, where the file manager can restore it; where the
// Trash cannot take it, its files are deleted. `where` gets a line per table saying which. A
// table file that cannot be removed (a folder the user may not write) throws.
// `tick` runs before each file goes, so a window stays responsive.
bool deleteParadoxTable(const QString &folder,
                        const QString &name,
                        const std::function<void()> &tick,
                        QStringList *where = nullptr);

// Renames the item's table with its whole family to `newName`, reporting its own failures
// (as Main.RenameFile). The new files are complete before the old ones go; a rename onto
// another existing table is refused; a rename to the same name, or one that differs only in
// letter case, renames the files in place. Of two tables whose names differ only in letter
// case, the one spelled as the item is renamed. True when the table now has the new name.
// `tick` runs before each file is copied.
bool RenameFile(const QString &folder,
                const QString &oldName,
                const QString &newName,
                app::Dialogs &dialogs,
                const std::function<void()> &tick);

} // namespace tw::transfer
