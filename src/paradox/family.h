#pragma once

#include "core/folder.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tw::paradox {

// The files that make up one table: NAME.db and its companions (.MB, .PX, .Xnn, .Ynn, .XGn,
// .YGn, .VAL, .TV, .TVF, .FAM), found ignoring letter case, so a table can be deleted or
// renamed whole. The .db itself (spelled exactly as given) comes first, when it exists.
// Every name that is no folder counts, links and pipes too: a delete or a replace moves them
// as they are; a copy refuses them.
std::vector<std::string> tableFamily(const Folder &folder, std::string_view dbName);
std::vector<std::filesystem::path> tableFamily(const std::filesystem::path &dbPath);

// The table files in the folder for the table `name` (UTF-8), letter case ignored: NAME.db,
// Name.DB... (more than one only on a file system that respects case). Regular files only
// (a link is no table of the folder), sorted. A name holding "/" or a NUL gives none.
std::vector<std::string> tablesNamed(const Folder &folder, std::string_view name);
std::vector<std::filesystem::path> tablesNamed(const std::filesystem::path &folder,
                                               std::string_view name);
// The same for the folder and name of `dbPath`.
std::vector<std::filesystem::path> tablesNamed(const std::filesystem::path &dbPath);

// The companion of `dbName` with the given extension, matched ignoring letter case: its name
// in the folder, whatever kind of file it is, or empty.
std::string
companionName(const Folder &folder, std::string_view dbName, std::string_view extension);

// A name (a file name's bytes read as fileNameText) with its letters small, one letter to
// one letter (core/lettercase.h), for matching table names the way a case-blind file system
// does.
std::string foldCase(std::string_view name);

// True when the extension (with its dot, any letter case) belongs to a table's family.
bool isFamilyExtension(std::string_view extension);

// A new empty file beside `target` in the folder, under a dot name that no "*.db" listing
// matches and that names this process as its owner (core/workowner.h), with the mode a new
// file gets: 0666 less the umask. The file is locked while `fd` is open; the caller owns
// `fd`. Throws std::system_error.
struct HiddenFile
{
    std::string name;
    std::filesystem::path path;
    int fd = -1;
};

HiddenFile createHiddenBeside(const Folder &folder, std::string_view target);

// True for a hidden name createHiddenBeside gives for `target` to the owner `ownerTag`.
bool isHiddenNameFor(std::string_view hidden, std::string_view target, std::string_view ownerTag);
// The owner tag of a hidden work file's name, or empty when it is none.
std::string_view ownerTagOfHiddenName(std::string_view hidden);

// Locks an open file for as long as it stays open in this program, however the program
// ends; a file system without locks leaves it unlocked.
void lockWhileOpen(int fd) noexcept;

// True when another open file description holds the lock of the open file `fd`; false where
// the file system keeps no locks (the owner then says whether the file is in use).
bool lockedElsewhere(int fd) noexcept;

// Makes the renames and removals in a folder durable.
void syncFolder(const std::filesystem::path &folder) noexcept;

// Renames a family's files in place to `newStem` (the same table under another spelling of
// its name). Throws std::system_error.
void renameFamily(const Folder &folder,
                  const std::vector<std::string> &family,
                  const std::string &newStem);

// The extension of a file name, with its dot ("" when it has none): what follows its last
// dot, unless that dot begins the name.
std::string_view extensionOf(std::string_view name);
// The name without its extension.
std::string_view stemOf(std::string_view name);

} // namespace tw::paradox
