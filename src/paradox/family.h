#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
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

// A name (a file name's bytes read as fileNameText) with letter case folded (ASCII, Latin-1,
// Latin Extended-A, Greek and Cyrillic capitals to small), for matching table names the way
// a case-blind file system does.
std::string foldCase(std::string_view name);

// True when the extension (with its dot, any letter case) belongs to a table's family.
bool isFamilyExtension(const std::string &extension);

// A new empty file beside `target`, under a dot name that no "*.db" listing matches (so a
// leftover one is ignored), with the mode a new file gets: 0666 less the umask. The caller
// owns `fd`. Throws std::system_error.
struct HiddenFile
{
    std::filesystem::path path;
    int fd = -1;
};

HiddenFile createHiddenBeside(const std::filesystem::path &target);

// A finished file and the name it is to take in the folder.
using FinishedFile = std::pair<std::filesystem::path, std::filesystem::path>;

// Puts a finished table in place of the table whose .db is `oldDb`, whole family and all.
// `files` are the new table's files, its .db last. The old companions are first moved to
// hidden names; the new files then take their names, the .db last (replacing the old .db in
// one rename when the names are equal). Any failure puts every old file back as it was and
// removes what was placed; the old files are deleted only once the new table is whole.
// Throws std::system_error.
void replaceTable(const std::filesystem::path &oldDb, const std::vector<FinishedFile> &files);

// Makes the renames and removals in a folder durable.
void syncFolder(const std::filesystem::path &folder) noexcept;

// Removes one file; when a plain removal fails, gives its owner the write right (a read-only
// table) and tries again. Never throws: whether the file is gone is for the caller to see.
void removeFile(const std::filesystem::path &file) noexcept;
// The second half of removeFile alone: write right, then removal.
void forceRemoveFile(const std::filesystem::path &file) noexcept;

// Removes every file of a family, in the order given, calling
// `beforeEach` before each. Returns the files still there afterwards.
std::vector<std::filesystem::path> removeFamily(const std::vector<std::filesystem::path> &family,
                                                const std::function<void()> &beforeEach = {});

// Copies a table's files under the name `newStem`, each keeping its extension as spelled.
// Every copy is complete and on disk before the first is put in place, and the .db (first
// in `family`) goes in last, never over an existing file: the new table appears only whole.
// `beforeEach` runs before each file is copied. Throws std::system_error, leaving nothing.
void copyFamily(const std::vector<std::filesystem::path> &family,
                const std::string &newStem,
                const std::function<void()> &beforeEach = {});

// Renames a family's files in place to `newStem` (the same table under another spelling of
// its name). Throws std::system_error.
void renameFamily(const std::vector<std::filesystem::path> &family, const std::string &newStem);

} // namespace tw::paradox
