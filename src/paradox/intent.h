#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// Operations that move a table's whole family of files (.db, .MB, .PX, ...) and leave the
// folder whole whenever the program is killed, the power fails or a step fails: the folder
// then holds the old table whole or the new one whole, never a mix of their files.
//
// Each operation first writes an intent record, a hidden file in the folder naming every
// file it will move (and each file's inode, so nothing else is ever taken for one of them),
// and puts it on disk. The record is locked while its program works. recoverFolder() finds
// the records no running program holds and completes each operation that got past its
// commit point (the new .db in place, or the old .db gone) or undoes one that did not.
namespace tw::paradox {

// A finished file and the name it is to take in the folder.
using FinishedFile = std::pair<std::filesystem::path, std::filesystem::path>;

// Moves files, all from one folder, into the user's Trash together; false when the Trash
// cannot take them, which leaves them where they were.
using TrashFiles = std::function<bool(const std::vector<std::filesystem::path> &)>;

// Puts the files of a new table in place, the .db last (it is what makes the table exist),
// never replacing a file already there. Throws std::system_error, leaving nothing placed.
void placeTable(const std::vector<FinishedFile> &files);

// Puts the files of a new table in place of the table whose .db is `oldDb`, whole family
// and all: the old files move to hidden names, the new ones take their names, the .db
// last, and the old files go once the new table is whole. Throws std::system_error, with
// every old file back as it was.
void replaceTable(const std::filesystem::path &oldDb, const std::vector<FinishedFile> &files);

// Copies a table's files (its .db first) under the name `newStem`, each keeping its
// extension as spelled, then removes the old files: every copy is complete and on disk
// before the first is put in place, and the new .db goes in last, never over an existing
// file. `beforeEach` runs before each file is copied. Throws std::system_error, leaving the
// old table as it was and nothing of the new one.
void copyTable(const std::vector<std::filesystem::path> &family,
               const std::string &newStem,
               const std::function<void()> &beforeEach = {});

// Deletes a table's files (its .db first): to the Trash when `trash` takes them, otherwise
// removed (a read-only file too). `beforeEach` runs before each removal. Returns the files
// still there afterwards (a folder the user may not change).
std::vector<std::filesystem::path> deleteTable(const std::vector<std::filesystem::path> &family,
                                               const TrashFiles &trash = {},
                                               const std::function<void()> &beforeEach = {});

// Completes or undoes every operation in `folder` whose program is gone, then removes the
// hidden temporary files such programs left. A file a running program holds, and anything
// the user made, is never touched. `trash` completes a delete that was going to the Trash.
void recoverFolder(const std::filesystem::path &folder, const TrashFiles &trash = {});

// True for the name of a hidden file this program makes in a folder (a temporary file or
// an intent record); no listing of tables shows one.
bool isWorkFileName(const std::string &name);

} // namespace tw::paradox
