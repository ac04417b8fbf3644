#pragma once

#include <filesystem>
#include <optional>
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

// Moves the files, all in one folder, to the Trash together: the home Trash
// ($XDG_DATA_HOME/Trash) when they are on its file system, otherwise the Trash at the top of
// their own file system ($topdir/.Trash/$uid or $topdir/.Trash-$uid). Nothing is copied.
// When the Trash cannot take one of them, those already moved come back to where they were
// and the result is empty: the caller deletes them instead.
std::optional<std::vector<TrashedFile>>
moveToTrash(const std::vector<std::filesystem::path> &files);

} // namespace tw::fsutil
