#pragma once

// tw_fsutil: the file-system routines of the pages: the folder scan that finds Paradox
// tables, the file checks, the folder chooser, and the freedesktop.org Trash.

#include "app/dialogs.h"

#include <QString>
#include <QStringList>

class QWidget;

// Finding Paradox table files on disk. Paths are texts joined with "/", never normalised.
namespace tw::fsutil {

// Folders whose path (separator included) or name has this many characters or more are
// not scanned.
inline constexpr int kLongestPath = 260;

// Extends `folders` in place, breadth first, with the folders below its entries (every
// level with `recurse`, the direct subfolders without). Entries whose subfolders cannot be
// listed for lack of permission, or that vanished, are removed. Names with characters the
// scan does not handle are skipped with everything below them. Reports its own failures.
void GetSubDirectories2016(QStringList &folders, bool recurse, app::Dialogs &dialogs);

// The names of the regular files in `folder` matching the wildcard `pattern` (letter case
// ignored), hidden files included; sorted. A link is not listed: the table it points at is
// no file of the folder. A name that is not UTF-8
// is read as fileNameText does. A missing folder gives an empty list; a folder the file
// system refuses to list throws std::runtime_error.
QStringList ListFiles(const QString &folder, const QString &pattern);

// True for an existing path that can be opened as a file (not a folder).
bool IsExistingFile(const QString &path);

// True when the name holds a character outside code page 1252, a control character, one
// whose code is 127 to 159, or "?".
bool HasUnsafeChars(const QString &name);

// True for an existing folder.
bool IsFolder(const QString &path);

// Everything after the last "/"; the whole text when it holds none.
QString FileNameOf(const QString &path);

// The folder chooser: the chosen folder's full path, or "" when the user cancels.
QString PickFolder(app::Dialogs &dialogs,
                   QWidget *owner,
                   const QString &prompt,
                   const QString &startFolder);

} // namespace tw::fsutil
