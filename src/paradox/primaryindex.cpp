#include "paradox/primaryindex.h"

#include "paradox/codec.h"
#include "paradox/error.h"
#include "paradox/language.h"
#include "paradox/reader.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace tw::paradox {

namespace {

constexpr std::uint8_t kIndexFileType = 1;
constexpr std::size_t kIndexHeaderSize = 0x800;
constexpr std::size_t kEntryTail = 6; // block, records and a spare, each an s16 as data
constexpr std::uint32_t kMostCounted = 0x7FFF;
constexpr int kMostLevels = 8;

std::size_t tableNameBytes(std::uint8_t fileVersionId)
{
    return fileVersionId >= 0x0C ? 261 : 79;
}

// An s16 in the data encoding: big-endian with its sign bit flipped, so 0 is 0x8000.
void putShort(std::uint8_t *at, std::uint32_t value)
{
    const auto v = static_cast<std::uint16_t>(std::min(value, kMostCounted) ^ 0x8000U);
    at[0] = static_cast<std::uint8_t>(v >> 8);
    at[1] = static_cast<std::uint8_t>(v & 0xFF);
}

std::uint16_t getShort(const std::uint8_t *at)
{
    return static_cast<std::uint16_t>(((at[0] << 8) | at[1]) ^ 0x8000);
}

struct Level
{
    std::vector<IndexEntry> entries;
    std::uint16_t firstBlock = 0; // the index block its first entry is in
};

// The entries of the level above `below`: one per block `below` fills.
std::vector<IndexEntry>
levelAbove(const std::vector<IndexEntry> &below, std::size_t perBlock, std::uint16_t firstBlock)
{
    std::vector<IndexEntry> above;
    for (std::size_t at = 0; at < below.size(); at += perBlock) {
        IndexEntry entry{below[at].key, static_cast<std::uint16_t>(firstBlock + above.size()), 0};
        for (std::size_t i = at; i < std::min(below.size(), at + perBlock); ++i) {
            entry.records += below[i].records;
        }
        above.push_back(std::move(entry));
    }
    return above;
}

} // namespace

std::size_t keyBytesOf(const std::vector<Field> &fields, std::size_t keyFields)
{
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < std::min(keyFields, fields.size()); ++i) {
        bytes += static_cast<std::size_t>(fields[i].recordBytes);
    }
    return bytes;
}

namespace {

// The index's levels, the lowest first: level 1 takes blocks 1.., each level above the
// blocks after it, and the root is the last block.
std::vector<Level> indexLevels(std::span<const IndexEntry> leaves, std::size_t perBlock)
{
    std::vector<Level> levels;
    levels.push_back({std::vector<IndexEntry>(leaves.begin(), leaves.end()), 1});
    while (levels.back().entries.size() > perBlock) {
        const Level &below = levels.back();
        const std::size_t blocks = (below.entries.size() + perBlock - 1) / perBlock;
        const auto next = static_cast<std::uint16_t>(below.firstBlock + blocks);
        levels.push_back({levelAbove(below.entries, perBlock, below.firstBlock), next});
    }
    return levels;
}

struct IndexShape
{
    std::size_t keyBytes = 0;
    std::size_t recordSize = 0;
    int blockSizeKb = 0;
    std::size_t perBlock = 0;
    std::size_t entries = 0;
    std::size_t blocks = 0;
    std::size_t levels = 0;
};

void writeIndexHeader(std::uint8_t *h, const IndexLayout &layout, const IndexShape &shape)
{
    writeLe16(h + 0x00, static_cast<std::uint16_t>(shape.recordSize));
    writeLe16(h + 0x02, static_cast<std::uint16_t>(kIndexHeaderSize));
    h[0x04] = kIndexFileType;
    h[0x05] = static_cast<std::uint8_t>(shape.blockSizeKb);
    writeLe32(h + 0x06, static_cast<std::uint32_t>(shape.entries));
    const auto blocks = static_cast<std::uint16_t>(shape.blocks);
    writeLe16(h + 0x0A, blocks);
    writeLe16(h + 0x0C, blocks);
    writeLe16(h + 0x0E, blocks == 0 ? 0 : 1);
    writeLe16(h + 0x10, blocks);
    writeLe16(h + 0x12, 4);
    writeLe16(h + 0x1E, blocks == 0 ? 1 : blocks); // the root
    h[0x20] = static_cast<std::uint8_t>(shape.levels);
    writeLe16(h + 0x21, static_cast<std::uint16_t>(layout.keyFields.size()));
    h[0x29] = layout.sortOrder;
    h[0x2C] = layout.changeCount;
    h[0x39] = layout.fileVersionId;
    writeLe16(h + 0x3A, blocks);
    std::size_t at = kFixedHeaderBytes;
    for (const Field &field : layout.keyFields) {
        h[at++] = static_cast<std::uint8_t>(field.type);
        h[at++] = field.size;
    }
    at += 4; // the table name's pointer
    const std::size_t nameBytes = tableNameBytes(layout.fileVersionId);
    std::memcpy(h + at, layout.tableName.data(), std::min(layout.tableName.size(), nameBytes - 1));
    writeLe16(h + 0x51, static_cast<std::uint16_t>(at + nameBytes));
}

} // namespace

std::vector<std::uint8_t> primaryIndexFile(const IndexLayout &layout,
                                           std::span<const IndexEntry> leaves)
{
    IndexShape shape;
    shape.keyBytes = keyBytesOf(layout.keyFields, layout.keyFields.size());
    shape.recordSize = shape.keyBytes + kEntryTail;
    // A block holds two entries at least, or the tree would never narrow to a root.
    shape.blockSizeKb = layout.blockSizeKb;
    const auto fits = [&] {
        return (static_cast<std::size_t>(shape.blockSizeKb) * 1024 - kBlockHeaderBytes) /
               shape.recordSize;
    };
    while (shape.blockSizeKb < 32 && fits() < 2) {
        shape.blockSizeKb *= 2;
    }
    shape.perBlock = fits();
    if (shape.perBlock < 2) {
        throw Error("a key of " + std::to_string(shape.keyBytes) +
                    " bytes is too long for an index");
    }
    const std::vector<Level> levels = indexLevels(leaves, shape.perBlock);
    for (const Level &level : levels) {
        shape.entries += level.entries.size();
        shape.blocks += (level.entries.size() + shape.perBlock - 1) / shape.perBlock;
    }
    shape.levels = leaves.empty() ? 0 : levels.size();
    if (shape.blocks > 0xFFFF) {
        throw Error("the index would need more than 65,535 blocks");
    }

    const std::size_t blockSize = static_cast<std::size_t>(shape.blockSizeKb) * 1024;
    std::vector<std::uint8_t> file(kIndexHeaderSize + shape.blocks * blockSize, 0);
    writeIndexHeader(file.data(), layout, shape);
    std::size_t number = 0; // blocks written so far, all linked in one chain
    for (const Level &level : levels) {
        for (std::size_t first = 0; first < level.entries.size(); first += shape.perBlock) {
            const std::size_t count = std::min(shape.perBlock, level.entries.size() - first);
            std::uint8_t *block = file.data() + kIndexHeaderSize + number * blockSize;
            ++number;
            writeLe16(block, static_cast<std::uint16_t>(number == shape.blocks ? 0 : number + 1));
            writeLe16(block + 2, static_cast<std::uint16_t>(number - 1));
            writeLe16(block + 4, static_cast<std::uint16_t>((count - 1) * shape.recordSize));
            for (std::size_t i = 0; i < count; ++i) {
                const IndexEntry &entry = level.entries[first + i];
                std::uint8_t *record = block + kBlockHeaderBytes + i * shape.recordSize;
                std::copy(entry.key.begin(), entry.key.end(), record);
                putShort(record + shape.keyBytes, entry.block);
                putShort(record + shape.keyBytes + 2, entry.records);
                putShort(record + shape.keyBytes + 4, 0);
            }
        }
    }
    return file;
}

namespace {

class IndexWalk
{
public:
    IndexWalk(const ByteSource &source, std::size_t keyBytes)
        : m_source(source)
        , m_keyBytes(keyBytes)
    {
        std::vector<std::uint8_t> h(kFixedHeaderBytes);
        if (source.read(0, h) < h.size() || h[0x04] != kIndexFileType) {
            throw Error(source.name() + " is no primary index");
        }
        m_recordSize = readLe16(&h[0x00]);
        m_headerSize = readLe16(&h[0x02]);
        m_blockSize = std::size_t{h[0x05]} * 1024;
        m_blocks = readLe16(&h[0x0C]);
        m_root = readLe16(&h[0x1E]);
        m_index.levels = h[0x20];
        m_index.entries = readLe32(&h[0x06]);
        if (m_recordSize != keyBytes + kEntryTail || m_blockSize == 0) {
            throw Error(source.name() + " holds entries of " + std::to_string(m_recordSize) +
                        " bytes, not " + std::to_string(keyBytes + kEntryTail));
        }
        if (m_index.levels > kMostLevels) {
            throw Error(source.name() + " claims " + std::to_string(m_index.levels) + " levels");
        }
    }

    PrimaryIndex read()
    {
        if (m_index.levels > 0) {
            walk(m_root, m_index.levels);
        }
        return std::move(m_index);
    }

private:
    std::vector<IndexEntry> block(std::uint16_t number)
    {
        if (number == 0 || number > m_blocks || !m_seen.insert(number).second) {
            throw Error(m_source.name() + " points at block " + std::to_string(number) +
                        " of its " + std::to_string(m_blocks) + " twice or past its end");
        }
        std::vector<std::uint8_t> bytes(m_blockSize);
        const std::uint64_t at = m_headerSize + std::uint64_t{number - 1U} * m_blockSize;
        // Paradox leaves the last block short on disk at times: its records must be there.
        bytes.resize(m_source.read(at, bytes));
        if (bytes.size() < kBlockHeaderBytes) {
            throw Error(m_source.name() + " is cut short in block " + std::to_string(number));
        }
        const auto last = static_cast<std::int16_t>(readLe16(&bytes[4]));
        std::vector<IndexEntry> entries;
        for (std::size_t off = 0; last >= 0 && off <= static_cast<std::size_t>(last);
             off += m_recordSize) {
            if (off + m_recordSize > bytes.size() - kBlockHeaderBytes) {
                throw Error(m_source.name() + " overfills block " + std::to_string(number));
            }
            const std::uint8_t *record = bytes.data() + kBlockHeaderBytes + off;
            entries.push_back({std::vector<std::uint8_t>(record, record + m_keyBytes),
                               getShort(record + m_keyBytes),
                               getShort(record + m_keyBytes + 2)});
        }
        return entries;
    }

    // Walks the subtree of an index block; returns its first key and its record count.
    IndexEntry walk(std::uint16_t number, int level)
    {
        std::vector<IndexEntry> entries = block(number);
        if (entries.empty()) {
            throw Error(m_source.name() + " has an empty block " + std::to_string(number));
        }
        IndexEntry total{entries.front().key, number, 0};
        for (IndexEntry &entry : entries) {
            if (level > 1) {
                const IndexEntry child = walk(entry.block, level - 1);
                if (child.key != entry.key ||
                    entry.records != std::min(child.records, kMostCounted)) {
                    throw Error(m_source.name() + ": the entry for block " +
                                std::to_string(entry.block) +
                                " holds another key or count than that block");
                }
                total.records += child.records;
            } else {
                total.records += entry.records;
                m_index.leaves.push_back(std::move(entry));
            }
        }
        return total;
    }

    const ByteSource &m_source;
    std::size_t m_keyBytes;
    std::size_t m_recordSize = 0;
    std::size_t m_headerSize = 0;
    std::size_t m_blockSize = 0;
    std::uint16_t m_blocks = 0;
    std::uint16_t m_root = 0;
    std::set<std::uint16_t> m_seen;
    PrimaryIndex m_index;
};

} // namespace

PrimaryIndex readPrimaryIndex(const ByteSource &index, std::size_t keyBytes)
{
    return IndexWalk(index, keyBytes).read();
}

std::vector<std::string> primaryIndexProblems(const std::filesystem::path &dbPath)
{
    TableReader table = TableReader::open(dbPath);
    const TableHeader &header = table.header();
    if (header.fileType != 0 || header.primaryKeyFields == 0) {
        return {"the table is not keyed"};
    }
    const std::optional<std::filesystem::path> px = findCompanion(dbPath, ".px");
    if (!px) {
        return {"the table has no .PX"};
    }
    const std::size_t keyBytes = keyBytesOf(header.fields, header.primaryKeyFields);
    const PrimaryIndex index = readPrimaryIndex(FileSource(*px), keyBytes);

    // One pass over the records: each block's first key, and the order of all of them.
    std::vector<std::string> problems;
    const bool ordered = sortsByBytes(header.sortOrderId); // else the order is Paradox's own
    std::vector<IndexEntry> implied;
    std::vector<std::uint8_t> previous;
    auto block = table.chain().begin();
    std::uint32_t inBlock = 0;
    while (table.next()) {
        const auto record = table.rawRecord();
        std::vector<std::uint8_t> key(record.begin(), record.begin() + keyBytes);
        if (inBlock == block->records) {
            ++block;
            inBlock = 0;
        }
        if (inBlock++ == 0) {
            implied.push_back({key, static_cast<std::uint16_t>(block->number), block->records});
        }
        if (ordered && !previous.empty() && !(previous < key) && problems.empty()) {
            problems.push_back("record " + std::to_string(table.recordNumber() + 1) +
                               " does not follow the one before it in key order");
        }
        previous = std::move(key);
    }
    if (index.leaves.size() != implied.size()) {
        problems.push_back("the index has " + std::to_string(index.leaves.size()) +
                           " entries for " + std::to_string(implied.size()) + " data blocks");
    }
    for (std::size_t i = 0; i < std::min(index.leaves.size(), implied.size()); ++i) {
        if (!(index.leaves[i] == implied[i])) {
            problems.push_back("index entry " + std::to_string(i + 1) + " is not data block " +
                               std::to_string(implied[i].block) + "'s first key and count");
            break;
        }
    }
    return problems;
}

} // namespace tw::paradox
