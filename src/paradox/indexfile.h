#pragma once

// A table's secondary indexes as their index files (NAME.Xnn, NAME.XGn) describe them.

#include "paradox/bytesource.h"
#include "paradox/codepage.h"
#include "paradox/format.h"

#include <filesystem>
#include <string>
#include <vector>

namespace tw::paradox {

struct SecondaryIndex
{
    std::string name; // a composite index's own name; the field's name for a one-field index
    std::vector<std::string> fields; // the table's fields it orders by, in order
    std::vector<bool> descending;    // per field
    std::filesystem::path file;
};

// Reads one index file's fields. The file is a table of the indexed fields, then the table's
// key fields (for an unkeyed table its record position, two fields), then a block number.
// Throws paradox::Error for a file that is no secondary index of `table`.
SecondaryIndex
readSecondaryIndex(const ByteSource &source, const TableHeader &table, const CodePage &codePage);

// The secondary indexes of the table at `dbPath` whose index files name fields of `table`,
// in file name order. An index file that cannot be read, or names a field the table does not
// have (an index left from an older structure), is passed over with a line in `skipped`.
std::vector<SecondaryIndex> secondaryIndexes(const std::filesystem::path &dbPath,
                                             const TableHeader &table,
                                             const CodePage &codePage,
                                             std::vector<std::string> *skipped = nullptr);

} // namespace tw::paradox
