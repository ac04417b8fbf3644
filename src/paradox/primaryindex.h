#pragma once

// A keyed table's primary index (NAME.PX): a tree of blocks whose lowest level holds one
// entry per data block (the key of the block's first record, the block's number and its
// record count) and whose higher levels hold one entry per block of the level below.

#include "paradox/bytesource.h"
#include "paradox/format.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace tw::paradox {

struct IndexEntry
{
    std::vector<std::uint8_t> key; // the key fields' record bytes
    std::uint16_t block = 0;       // a data block (level 1) or an index block (higher levels)
    std::uint32_t records = 0;     // the records of that block, or of the subtree below it

    bool operator==(const IndexEntry &) const = default;
};

// What a .PX header repeats of its table's.
struct IndexLayout
{
    std::vector<Field> keyFields;
    std::uint8_t sortOrder = 0;
    std::uint8_t fileVersionId = 0x0B;
    int blockSizeKb = 2;   // larger when a block would hold fewer than two entries
    std::string tableName; // "NAME.PX"
    // Set alike in the .DB and its .PX: a .PX whose counter differs is taken as out of date.
    std::uint8_t changeCount = 1;
};

// The bytes of the .PX for a table whose data blocks, in chain order, are `leaves`.
std::vector<std::uint8_t> primaryIndexFile(const IndexLayout &layout,
                                           std::span<const IndexEntry> leaves);

// A .PX as read: its level-1 entries in key order, reached from its root.
struct PrimaryIndex
{
    int levels = 0;
    std::uint32_t entries = 0; // the header's count of entries on all levels
    std::vector<IndexEntry> leaves;
};

// Reads a .PX with `keyBytes` bytes of key per entry, checking on the way that each higher
// entry holds its child block's first key and its record count. Throws paradox::Error.
PrimaryIndex readPrimaryIndex(const ByteSource &index, std::size_t keyBytes);

// Why the table at `dbPath` and its .PX disagree, or empty when the .PX holds exactly the
// entries the data blocks imply (one per block of the chain, with its first key and its
// record count) and the records run in ascending key order.
std::vector<std::string> primaryIndexProblems(const std::filesystem::path &dbPath);

// The number of bytes of the first `keyFields` fields of a record.
std::size_t keyBytesOf(const std::vector<Field> &fields, std::size_t keyFields);

} // namespace tw::paradox
