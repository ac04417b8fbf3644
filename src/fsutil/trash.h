#pragma once

#include "core/folder.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tw::fsutil {

// A file in the user's Trash, laid out as the desktop's file manager lays it (the freedesktop.org
// Trash layout): the file under files/, and the .trashinfo under info/ that names its
// original path, so the file manager can restore it.
struct TrashedFile
{
    std::filesystem::path original;
    std::filesystem::path file;
    std::filesystem::path info;
};

// True for a Trash folder: the user's own ($XDG_DATA_HOME/Trash) or one at the top of a file
// system (.Trash, .Trash-$uid). The tables in it are deleted ones.
bool isTrashFolder(const std::filesystem::path &folder);

// The Trash folder of this user at the top of the file system `topdir`, when it is one the
// freedesktop.org's Trash rules let a program use: $topdir/.Trash (a folder, not a
// link, with the sticky bit) with its $uid folder owned by this user, mode 0700; otherwise
// $topdir/.Trash-$uid owned by this user, mode 0700, not a link. Either $uid folder is made
// when missing. Nothing (with `why` saying so) when neither can be used: another user's
// folder, a link, a folder others may write to.
std::optional<std::filesystem::path> topdirTrash(const std::filesystem::path &topdir,
                                                 std::string *why = nullptr);

// Moves the named files of the folder to the Trash together: the home Trash
// ($XDG_DATA_HOME/Trash) when they are on its file system, otherwise this user's Trash at the
// top of their own file system (topdirTrash). Nothing is copied and no name in the Trash is
// ever replaced. When the Trash cannot take one of them, those already moved come back to
// where they were and the result is empty (`why` saying why): the caller deletes them
// instead.
std::optional<std::vector<TrashedFile>> moveToTrash(const Folder &folder,
                                                    const std::vector<std::string> &names,
                                                    std::string *why = nullptr);

} // namespace tw::fsutil
