#pragma once

// The intent record of an operation on a table's family, as it is written into the folder and
// read back by the recovery: its format, and the checks a record read from a shared folder
// must pass before anything is done about it.

#include "core/folder.h"

#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace tw::paradox::intent {

// A record longer than this is none the program wrote.
inline constexpr std::size_t kLongestRecord = 64 * 1024;

// A file as the file system knows it: the record names each file by it, so nothing that
// merely took a name since is ever taken for one of them.
struct FileId
{
    dev_t device = 0;
    ino_t inode = 0;

    friend bool operator==(const FileId &, const FileId &) = default;
};

// What an operation does to the files of one folder. Names are plain names there.
struct Record
{
    enum class Disposal { Unlink, Trash };

    struct OldFile
    {
        std::string name;
        FileId id;
        std::string aside;     // the hidden name it moves to first; empty when it is not moved
        ino_t placeholder = 0; // the empty file that holds `aside` until it moves there
    };

    struct NewFile
    {
        std::string hidden;
        std::string name;
        FileId id;
    };

    std::string owner; // the tag of the machine and process doing it
    std::string host;  // that machine's name, for the user
    Disposal disposal = Disposal::Unlink;
    std::vector<OldFile> old;   // the old table's files, its .db first
    std::vector<NewFile> added; // the new table's files, its .db last
};

std::string serialize(const Record &record);

// What a record's text is.
enum class Parsed {
    Whole,   // every line there and every name one the program may act on
    Torn,    // cut short by a program that ended while writing it: no file was moved yet
    Invalid, // not the program's record: acted on never
};

// The record in a text, whose owner (from the record's file name) `record.owner` holds.
Parsed parse(std::string_view text, Record &record);

// The name of the machine the first lines of a record name, or nothing.
std::optional<std::string> hostIn(std::string_view text, const std::string &ownerTag);

// A record's file name: ".tw-intent-OWNER-XXXXXX".
std::string recordName(const std::string &ownerTag, std::string_view tail);
// The owner tag of a record's file name, or empty when the name is no record's.
std::string_view ownerTagOfRecordName(std::string_view name);

// What the file of that name is now, never following a link; nothing when there is none.
std::optional<FileId> idOf(const Folder &folder, std::string_view name);
bool holds(const Folder &folder, std::string_view name, const FileId &id);

} // namespace tw::paradox::intent
