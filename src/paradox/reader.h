#pragma once

// tw_paradox: the Paradox table engine in plain C++: reads every version from 3.0 to 7.x
// (encrypted, damaged), writes 5.x, code pages and language drivers, blobs in .MB files, and
// the file operations of a table's family (listing, copy, rename, removal, atomic replace).

#include "core/value.h"
#include "paradox/bytesource.h"
#include "paradox/codepage.h"
#include "paradox/format.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tw::paradox {

struct ReadOptions
{
    // iconv name of the code page of the text, overriding what the header says (3.x tables
    // carry none and are read in the DOS code page of the user's language).
    std::string encoding;
};

// Reads a Paradox table of any version from 3.0 to 7.x, keyed or not, encrypted or not.
// Records come in block-chain order; values are decoded on demand.
//
//     TableReader table = TableReader::open("/data/ORDERS.DB");
//     while (table.next())
//         use(table.value(0));
class TableReader
{
public:
    // Opens NAME.db and, when the table has blob fields, its .MB (found ignoring letter case).
    static TableReader open(const std::filesystem::path &dbPath, const ReadOptions &options = {});

    // `blobs` may be null: values stored in the .MB then fail to read, the rest reads.
    TableReader(std::shared_ptr<const ByteSource> table,
                std::shared_ptr<const ByteSource> blobs,
                const ReadOptions &options = {});

    const TableHeader &header() const { return m_header; }

    const std::vector<Field> &fields() const { return m_header.fields; }

    const CodePage &codePage() const { return *m_codePage; }

    const std::string &textEncoding() const { return m_codePage->name(); }

    bool hasBlobFile() const { return m_blobs != nullptr; }

    // The records the block chain holds, which is what next() delivers.
    std::uint64_t recordCount() const { return m_recordCount; }

    std::uint32_t headerRecordCount() const { return m_header.numRecords; }

    // Damage the reader survived: a looping chain, a truncated block, a count mismatch...
    const std::vector<std::string> &warnings() const { return m_warnings; }

    // Moves to the next record; false after the last.
    bool next();

    // The 0-based number of the current record.
    std::uint64_t recordNumber() const { return m_recordNumber; }

    // Decodes one field of the current record. Throws paradox::Error naming the file, the
    // field and the record when the bytes hold no valid value or a blob cannot be read.
    db::Value value(std::size_t field) const;
    std::span<const std::uint8_t> rawRecord() const;

    // A data block of the chain and the records it holds as read.
    struct ChainBlock
    {
        std::uint32_t number;
        std::uint32_t records;
    };

    // The blocks holding records, in chain order: what next() walks through.
    const std::vector<ChainBlock> &chain() const { return m_chain; }

private:
    void walkChain();
    void loadBlock(std::size_t chainIndex);
    std::size_t readBlock(std::uint32_t number, std::span<std::uint8_t> out) const;
    db::Value blobValue(const Field &field, std::span<const std::uint8_t> raw) const;
    db::Bytes readBlobBytes(const Field &field, std::uint32_t pointer, std::uint32_t length) const;
    [[noreturn]] void fail(const Field &field, const std::string &what) const;

    std::shared_ptr<const ByteSource> m_table;
    std::shared_ptr<const ByteSource> m_blobs;
    TableHeader m_header;
    const CodePage *m_codePage = nullptr;
    std::vector<std::size_t> m_offsets; // field offsets within a record
    std::vector<ChainBlock> m_chain;
    std::uint64_t m_recordCount = 0;
    std::vector<std::string> m_warnings;

    std::vector<std::uint8_t> m_block;
    std::size_t m_chainIndex = 0;
    std::uint32_t m_inBlock = 0;
    bool m_started = false;
    std::uint64_t m_recordNumber = 0;
};

// Parses a .DB header; throws paradox::Error saying what is wrong.
TableHeader parseHeader(const ByteSource &table, const std::string &encoding = {});

// The code page a table's text is in: the override, the header's code page, the language
// driver's, or for a table that names neither (every 3.x table) the DOS code page of the
// user's language (codePagesInUse()).
std::string textEncodingOf(const TableHeader &header, const std::string &override);

// The companion file with the given extension, matched ignoring letter case.
std::optional<std::filesystem::path> findCompanion(const std::filesystem::path &dbPath,
                                                   const std::string &extension);

} // namespace tw::paradox
