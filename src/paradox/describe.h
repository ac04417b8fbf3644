#pragma once

#include "paradox/bytesource.h"

#include <filesystem>
#include <string>
#include <vector>

namespace tw::paradox {

// What a table file says about itself, read from its header alone (the records are not
// read), one line each: the file name as on disk; the Paradox version and whether it is
// keyed; the numbers of records and fields; the code page and language driver (and, when the
// header names no code page, the one its text is read in and why); encryption; the memo
// file, present or missing; the file's size and date; and a warning for each way the header
// does not match the file. A file that is no readable table says so instead.
std::vector<std::string> describeTable(const std::filesystem::path &dbPath);

// The lines after the file name, from the header in `file`: `memoFile` names the table's
// memo file as found beside it (empty when there is none), `size` the size and date line.
std::vector<std::string>
describeHeader(const ByteSource &file, const std::string &memoFile, const std::string &size);

} // namespace tw::paradox
