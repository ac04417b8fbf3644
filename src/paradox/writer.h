#pragma once

#include "core/folder.h"
#include "core/value.h"
#include "paradox/codepage.h"
#include "paradox/format.h"
#include "paradox/language.h"
#include "paradox/primaryindex.h"
#include "paradox/recordsort.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tw::paradox {

struct WriteOptions
{
    // The code page of the text, with the language driver written for it (1252 and
    // DBWINUS0 unless told otherwise).
    LanguageDriver driver;
    // How many records are coming, when known: picks a block size large enough for them.
    std::uint64_t expectedRecords = 0;
    // The user agreed to replace a table of that name: commit() puts the new table in place
    // of the old one (its whole family) once the new one is whole; until then, and on any
    // failure, the old table stays exactly as it was.
    bool replaceExisting = false;
    // The first `keyFields` fields are the table's primary key: the records are written in
    // key order, the header says keyed and a primary index (NAME.PX) comes with the table.
    // Key order is the order of the key's record bytes, which is Paradox's for the numbers,
    // dates and times, and for text under a driver that sorts by bytes (sortsByBytes). Two
    // records with one key are an error.
    std::size_t keyFields = 0;
    // Called while the finished table is made durable (an fsync of a large file can take a
    // while), so a window stays responsive; what it throws abandons the table.
    std::function<void()> pumpEvents;
};

// Writes a new Paradox 5.x table, with a .MB file when it has blob fields and a .PX when it is
// keyed. Records
// stream to temporary files in the target folder; commit() moves the table into place, so
// it appears whole or not at all. A table of that name already there, in any letter case,
// is an error and is never touched, unless the options allow replacing it.
//
//     TableWriter writer("/data/ORDERS.db", fields);
//     writer.append(row);   // for every row
//     writer.commit();
class TableWriter
{
public:
    // `fields` use the header's size byte: the length of Alpha and Bytes, leader + 10 for
    // blobs, the decimals of BCD. Throws paradox::Error for a field list Paradox cannot hold.
    TableWriter(std::filesystem::path dbPath,
                std::vector<Field> fields,
                const WriteOptions &options = {});
    ~TableWriter();

    TableWriter(const TableWriter &) = delete;
    TableWriter &operator=(const TableWriter &) = delete;

    // Throws paradox::Error naming the field and the record when a value cannot be held
    // exactly; the record is then not written.
    void append(std::span<const db::Value> row);
    void commit();

    std::uint64_t recordCount() const { return m_records; }

    const std::vector<Field> &fields() const { return m_fields; }

    int blockSize() const { return m_blockSizeKb * 1024; }

private:
    struct TempFile
    {
        std::string name; // in the table's folder
        std::filesystem::path path;
        int fd = -1;
        std::uint64_t size = 0;
        std::uint64_t handedToDisk = 0; // bytes whose write-out has been started
    };

    void checkFields();
    void checkNoTableThere() const;
    // A hidden file beside the name `target` of the table's folder.
    TempFile createTemp(const std::string &target) const;
    std::string mbName() const;
    std::string pxName() const;
    void checkKey(std::size_t keyFields);
    // The next free record of the block, which is written out first when it is full.
    std::span<std::uint8_t> nextRecord();
    void encodeRecord(std::span<const db::Value> row, std::span<std::uint8_t> record);
    // Puts a record of a keyed table, in key order, into the blocks.
    void placeSorted(std::span<const std::uint8_t> record);
    [[noreturn]] void failDuplicateKey(std::span<const std::uint8_t> record) const;
    void writeIndex();
    // Writes the last block, the index and the header, and puts every file on disk.
    void finishRecords();
    void writeAt(TempFile &file, std::uint64_t offset, std::span<const std::uint8_t> bytes);
    void flushBlock(bool last);
    std::vector<std::uint8_t> buildHeader() const;
    void encodeBlob(const Field &field, const db::Value &value, std::span<std::uint8_t> out);
    std::uint32_t storeBlob(std::span<const std::uint8_t> bytes);
    void flushSubBlock();
    void removeTemps() noexcept;
    void pump() const;
    [[noreturn]] void fail(const std::string &what) const;

    std::filesystem::path m_path;
    Folder m_folder;
    std::vector<Field> m_fields;
    const CodePage &m_codePage;
    std::string m_encoding;
    LanguageDriver m_driver;
    bool m_hasBlobs = false;
    int m_recordSize = 0;
    int m_blockSizeKb = 2;
    int m_recordsPerBlock = 0;
    std::size_t m_headerSize = 0;

    TempFile m_db;
    TempFile m_mb;
    TempFile m_px;

    std::size_t m_keyFields = 0;
    std::size_t m_keyBytes = 0;
    std::unique_ptr<RecordSorter> m_sorter;
    std::vector<std::uint8_t> m_record;  // a keyed table's record on its way to the sorter
    std::vector<std::uint8_t> m_lastKey; // of the last record of the last block written
    std::vector<IndexEntry> m_leaves;    // a keyed table's data blocks, for its index
    std::vector<std::uint8_t> m_block;
    int m_inBlock = 0;
    std::uint32_t m_blocksWritten = 0;
    std::uint64_t m_records = 0;
    std::uint32_t m_autoIncrement = 0;

    std::vector<std::uint8_t> m_subBlock; // the sub-allocated .MB block being filled
    std::uint64_t m_subBlockAt = 0;
    int m_nextSlot = -1;
    int m_nextChunk = 0;
    bool m_committed = false;
    bool m_replace = false;
    std::function<void()> m_pump;
};

} // namespace tw::paradox
