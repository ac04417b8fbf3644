#pragma once

#include "core/folder.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Operations that move a table's whole family of files (.db, .MB, .PX, ...) and leave the
// folder whole whenever the program is killed, the power fails or a step fails: the folder
// then holds the old table whole or the new one whole, never a mix of their files.
//
// Each operation first writes an intent record, a hidden file in the folder naming every
// file it will move (with its device and inode, so nothing else is ever taken for one of
// them) and the machine and process doing it, and puts it on disk. recoverFolder() completes
// each operation of this machine whose process is gone and that got past its commit point
// (the new .db in place, or the old .db gone), or undoes one that did not. Everything works
// through the folder's descriptor with plain names, so no record, however it was made, can
// reach a file outside the folder.
namespace tw::paradox {

// A finished file: its hidden name in the folder and the name it is to take there.
struct FinishedFile
{
    std::string hidden;
    std::string name;
};

// Moves files of one folder into the user's Trash together; false when the Trash cannot
// take them, which leaves them where they were.
using TrashFiles = std::function<bool(const Folder &, const std::vector<std::string> &)>;

// Puts the files of a new table in place, the .db last (it is what makes the table exist),
// never replacing a file already there. Throws std::system_error, leaving nothing placed.
void placeTable(const Folder &folder, const std::vector<FinishedFile> &files);

// Puts the files of a new table in place of the table whose .db is `oldDb`, whole family
// and all: the old files move to hidden names, the new ones take their names, the .db
// last, and the old files go once the new table is whole. Throws std::system_error, with
// every old file back as it was.
void replaceTable(const Folder &folder,
                  std::string_view oldDb,
                  const std::vector<FinishedFile> &files);

// Copies a table's files (its .db first) under the name `newStem`, each keeping its
// extension as spelled, then removes the old files: every copy is complete and on disk
// before the first is put in place, and the new .db goes in last, never over an existing
// file. A family file that is no regular file (a link, a pipe) is refused, never copied
// through. `beforeEach` runs before each file is copied. Throws std::system_error, leaving
// the old table as it was and nothing of the new one.
void copyTable(const Folder &folder,
               const std::vector<std::string> &family,
               const std::string &newStem,
               const std::function<void()> &beforeEach = {});

// Deletes a table's files (its .db first): to the Trash when `trash` takes them, otherwise
// removed. `beforeEach` runs before each removal. Returns the files still there afterwards
// (a folder the user may not change).
std::vector<std::string> deleteTable(const Folder &folder,
                                     const std::vector<std::string> &family,
                                     const TrashFiles &trash = {},
                                     const std::function<void()> &beforeEach = {});

// Completes or undoes every operation in the folder whose program, on this machine, is
// gone, then removes the hidden temporary files such programs left. Another machine's
// record, one of another user, one that fails a check (a name that is no plain file name of
// the folder, a hidden name that is not the program's own) and a file a running program
// holds are never touched. `trash` completes a delete that was going to the Trash. Returns a
// line for each record it left alone, saying why.
//
// `goneWorkstation` names a workstation the user knows will never come back: its records and
// hidden files are then taken as this machine's of a program that is gone, and each record
// resolved gets a line too.
std::vector<std::string> recoverFolder(const Folder &folder,
                                       const TrashFiles &trash = {},
                                       const std::string &goneWorkstation = {});

} // namespace tw::paradox
