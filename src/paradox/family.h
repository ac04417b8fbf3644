#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tw::paradox {

// The files that make up one table: NAME.db and its companions (.MB, .PX, .Xnn, .Ynn, .XGn,
// .YGn, .VAL, .TV, .TVF, .FAM), found ignoring letter case, so a table can be deleted or
// renamed whole. The .db itself (spelled exactly as given) comes first, when it exists.
std::vector<std::filesystem::path> tableFamily(const std::filesystem::path &dbPath);

// The table files in `folder` for the table `name` (UTF-8), letter case ignored: NAME.db,
// Name.DB... (more than one only on a file system that respects case). Regular files only,
// sorted. A name holding "/" or a NUL names no file in the folder and gives none.
std::vector<std::filesystem::path> tablesNamed(const std::filesystem::path &folder,
                                               std::string_view name);
// The same for the folder and name of `dbPath`.
std::vector<std::filesystem::path> tablesNamed(const std::filesystem::path &dbPath);

// A name (a file name's bytes read as fileNameText) with its letters small, one letter to
// one letter (core/lettercase.h), for matching table names the way a case-blind file system
// does.
std::string foldCase(std::string_view name);

// True when the extension (with its dot, any letter case) belongs to a table's family.
bool isFamilyExtension(const std::string &extension);

// A new empty file beside `target`, under a dot name that no "*.db" listing matches (so a
// leftover one is ignored), with the mode a new file gets: 0666 less the umask. The file is
// locked while `fd` is open, so a cleanup by another program knows it is in use; the caller
// owns `fd`. Throws std::system_error.
struct HiddenFile
{
    std::filesystem::path path;
    int fd = -1;
};

HiddenFile createHiddenBeside(const std::filesystem::path &target);

// Locks an open file for as long as it stays open in this program, however the program
// ends; a file system without locks leaves it unlocked.
void lockWhileOpen(int fd) noexcept;

// True when no running program holds the lock of the file at `path`; false where the file
// system cannot tell.
bool abandoned(const std::filesystem::path &path) noexcept;

// Makes the renames and removals in a folder durable.
void syncFolder(const std::filesystem::path &folder) noexcept;

// Removes one file; when a plain removal fails, gives its owner the write right (a read-only
// table) and tries again. Never throws: whether the file is gone is for the caller to see.
void removeFile(const std::filesystem::path &file) noexcept;
// The second half of removeFile alone: write right, then removal.
void forceRemoveFile(const std::filesystem::path &file) noexcept;

// Renames a family's files in place to `newStem` (the same table under another spelling of
// its name). Throws std::system_error.
void renameFamily(const std::vector<std::filesystem::path> &family, const std::string &newStem);

} // namespace tw::paradox
