#pragma once

#include <QString>

namespace tw::connect {

// True when the text can name a folder: it holds no NUL or other control character (a
// settings file edited by hand can hold one, and a path cut at a NUL names another folder).
bool isFolderText(const QString &folder);

// True when the folder text is not empty, can name a folder, and the folder holds at least one
// "*.db" file. A listing the file system refuses throws, for the calling handler's trap.
bool CheckParadoxFolder(const QString &folder);

// Why CheckParadoxFolder fails for the folder, for a box's details and the log: the field is
// empty, the folder is missing or no folder, it cannot be listed, or it holds no table.
// Empty when it passes.
QString paradoxFolderFailure(const QString &folder);

} // namespace tw::connect
