#include "paradox/writer.h"

#include "core/pumping.h"
#include "paradox/codec.h"
#include "paradox/error.h"
#include "paradox/family.h"
#include "paradox/intent.h"
#include "paradox/reader.h"
#include "text/text.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <set>
#include <unistd.h>

namespace tw::paradox {

namespace {

constexpr std::uint8_t kFileVersion5 = 0x0B;
constexpr std::size_t kTableNameBytes = 79;
constexpr std::uint32_t kMaxBlocks = 0xFFFF;
constexpr std::uint16_t kModificationNumber = 1;
constexpr std::size_t kSubBlockData = 0x150; // 12-byte head + 64 slots of 5, rounded to 16
constexpr std::size_t kSubAllocatedLimit = 2048;
constexpr std::uint8_t kIndexChangeCount = 1;
constexpr std::uint64_t kRecordsBetweenPumps = 8192;

std::string errnoText()
{
    return std::strerror(errno);
}

Folder folderOf(const std::filesystem::path &dbPath)
{
    try {
        return Folder::of(dbPath);
    } catch (const std::system_error &) {
        const std::filesystem::path folder = dbPath.has_parent_path() ? dbPath.parent_path() : ".";
        throw Error("Cannot write the Paradox table " + dbPath.filename().string() +
                    ": the folder " + folder.string() + " does not exist");
    }
}

} // namespace

TableWriter::TableWriter(std::filesystem::path dbPath,
                         std::vector<Field> fields,
                         const WriteOptions &options)
    : m_path(std::move(dbPath))
    , m_folder(folderOf(m_path))
    , m_fields(std::move(fields))
    , m_codePage(CodePage::number(options.driver.codePage))
    , m_encoding(encodingOfCodePage(options.driver.codePage))
    , m_driver(options.driver)
    , m_replace(options.replaceExisting)
    , m_pump(options.pumpEvents)
{
    if (m_codePage.doubleByte()) {
        throw Error("Cannot write " + m_path.filename().string() + " in code page " + m_encoding +
                    ": only single-byte code pages are written");
    }
    checkFields();
    checkKey(options.keyFields);
    m_recordsPerBlock = (blockSize() - kBlockHeaderBytes) / m_recordSize;
    // Grow the blocks until the expected records fit in the 65,535 a table can have.
    while (m_blockSizeKb < 32 &&
           options.expectedRecords >
               std::uint64_t{kMaxBlocks} * static_cast<std::uint64_t>(m_recordsPerBlock)) {
        m_blockSizeKb *= 2;
        m_recordsPerBlock = (blockSize() - kBlockHeaderBytes) / m_recordSize;
    }
    if (!m_replace) {
        checkNoTableThere();
    }
    m_headerSize = buildHeader().size();
    m_block.assign(static_cast<std::size_t>(blockSize()), 0);
    m_db = createTemp(m_path.filename().string());
    if (m_keyFields > 0) {
        m_record.assign(static_cast<std::size_t>(m_recordSize), 0);
        m_sorter = std::make_unique<RecordSorter>(
            m_folder, m_path.filename().string(), m_record.size(), m_keyBytes);
    }
    if (m_hasBlobs) {
        try {
            m_mb = createTemp(mbName());
            std::vector<std::uint8_t> head(kMbUnit, 0);
            head[0] = 0;
            writeLe16(&head[1], 1);
            writeLe16(&head[3], kModificationNumber);
            const std::uint8_t constants[] = {0x82, 0x73, 0x02, 0x00, 0x29, 0x00};
            std::copy(std::begin(constants), std::end(constants), head.begin() + 5);
            writeLe16(&head[0x0B], 0x1000);
            writeLe16(&head[0x0D], 0x1000);
            head[0x10] = 0x10;
            writeLe16(&head[0x11], 0x0040);
            writeLe16(&head[0x13], 0x0800);
            writeLe16(&head[0x29], 0x02A1);
            writeAt(m_mb, 0, head);
        } catch (...) {
            removeTemps();
            throw;
        }
    }
}

TableWriter::~TableWriter()
{
    if (!m_committed) {
        removeTemps();
    }
    m_sorter.reset();
    for (TempFile *file : {&m_db, &m_mb, &m_px}) {
        if (file->fd >= 0) {
            ::close(file->fd);
        }
    }
}

void TableWriter::fail(const std::string &what) const
{
    throw Error("Cannot write the Paradox table " + m_path.filename().string() + ": " + what);
}

void TableWriter::checkFields()
{
    if (m_fields.empty() || m_fields.size() > 255) {
        fail("a table has 1 to 255 fields, not " + std::to_string(m_fields.size()));
    }
    std::set<std::string> names;
    m_recordSize = 0;
    for (Field &field : m_fields) {
        std::vector<std::uint8_t> encoded;
        std::size_t bad = 0;
        if (field.name.empty() || !m_codePage.encode(field.name, encoded, &bad) ||
            encoded.size() > 25 || std::find(encoded.begin(), encoded.end(), 0) != encoded.end()) {
            fail("the field name \"" + field.name + "\" is not 1 to 25 characters of code page " +
                 m_encoding);
        }
        if (!names.insert(text::lowerAscii(field.name)).second) {
            fail("the field name \"" + field.name + "\" is used twice");
        }
        const int size = field.size;
        bool valid = true;
        switch (field.type) {
        case FieldType::Alpha:
        case FieldType::Bytes:
            valid = size >= 1 && size <= 255;
            break;
        case FieldType::Memo:
            valid = size >= 11 && size <= 250;
            break;
        case FieldType::Blob:
        case FieldType::FormattedMemo:
        case FieldType::Ole:
        case FieldType::Graphic:
            valid = size >= 10 && size <= 250;
            break;
        case FieldType::Bcd:
            valid = size >= 0 && size <= 32;
            break;
        default:
            field.size = static_cast<std::uint8_t>(recordBytesOf(field.type, 0));
            break;
        }
        if (!valid) {
            fail("field \"" + field.name + "\" cannot have the size " + std::to_string(size));
        }
        field.recordBytes = recordBytesOf(field.type, field.size);
        m_recordSize += field.recordBytes;
        m_hasBlobs = m_hasBlobs || isBlobType(field.type);
    }
    while (m_recordSize > blockSize() - kBlockHeaderBytes) {
        if (m_blockSizeKb == 32) {
            fail("records of " + std::to_string(m_recordSize) + " bytes do not fit in a block");
        }
        m_blockSizeKb = m_blockSizeKb == 2 ? 4 : m_blockSizeKb * 2;
    }
}

void TableWriter::checkKey(std::size_t keyFields)
{
    if (keyFields > m_fields.size()) {
        fail("a key of " + std::to_string(keyFields) + " fields for " +
             std::to_string(m_fields.size()));
    }
    for (std::size_t i = 0; i < keyFields; ++i) {
        if (isBlobType(m_fields[i].type)) {
            fail("the key field \"" + m_fields[i].name +
                 "\" is a memo or blob, which no key holds");
        }
    }
    m_keyFields = keyFields;
    m_keyBytes = keyBytesOf(m_fields, keyFields);
}

void TableWriter::checkNoTableThere() const
{
    if (!companionName(m_folder, m_path.filename().string(), ".db").empty()) {
        fail("a table of that name is already there");
    }
}

std::string TableWriter::mbName() const
{
    return m_path.stem().string() + ".MB";
}

std::string TableWriter::pxName() const
{
    return m_path.stem().string() + ".PX";
}

TableWriter::TempFile TableWriter::createTemp(const std::string &target) const
{
    try {
        HiddenFile hidden = createHiddenBeside(m_folder, target);
        return TempFile{hidden.name, hidden.path, hidden.fd, 0};
    } catch (const std::system_error &e) {
        fail(e.what());
    }
}

void TableWriter::writeAt(TempFile &file, std::uint64_t offset, std::span<const std::uint8_t> bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::pwrite(
            file.fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (wrote < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail("writing " + file.path.filename().string() + " failed: " + errnoText());
        }
        done += static_cast<std::size_t>(wrote);
    }
    file.size = std::max(file.size, offset + bytes.size());
    // The disk gets the data as it comes, so the fsync before the table is put in place has
    // little left to wait for.
    constexpr std::uint64_t kWriteOutBytes = 8 * 1024 * 1024;
    if (file.size - file.handedToDisk >= kWriteOutBytes) {
        ::sync_file_range(file.fd,
                          static_cast<off64_t>(file.handedToDisk),
                          static_cast<off64_t>(file.size - file.handedToDisk),
                          SYNC_FILE_RANGE_WRITE);
        file.handedToDisk = file.size;
    }
}

void TableWriter::append(std::span<const db::Value> row)
{
    if (m_committed) {
        fail("the table was already completed");
    }
    if (row.size() != m_fields.size()) {
        fail("a record of " + std::to_string(row.size()) + " values for " +
             std::to_string(m_fields.size()) + " fields");
    }
    if (m_records == std::uint64_t{kMaxBlocks} * static_cast<std::uint64_t>(m_recordsPerBlock)) {
        fail("more records than the 65,535 blocks of a Paradox table can hold");
    }
    if (m_sorter) {
        encodeRecord(row, m_record);
        m_sorter->add(m_record);
    } else {
        encodeRecord(row, nextRecord());
        ++m_inBlock;
    }
    ++m_records;
}

std::span<std::uint8_t> TableWriter::nextRecord()
{
    if (m_inBlock == m_recordsPerBlock) {
        flushBlock(false);
    }
    const std::size_t start = kBlockHeaderBytes + static_cast<std::size_t>(m_inBlock) *
                                                      static_cast<std::size_t>(m_recordSize);
    return {m_block.data() + start, static_cast<std::size_t>(m_recordSize)};
}

void TableWriter::encodeRecord(std::span<const db::Value> row, std::span<std::uint8_t> record)
{
    std::size_t offset = 0;
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        const Field &field = m_fields[i];
        const auto out = record.subspan(offset, static_cast<std::size_t>(field.recordBytes));
        std::string problem;
        try {
            if (isBlobType(field.type)) {
                encodeBlob(field, row[i], out);
            } else {
                problem = encodeField(field, row[i], m_codePage, out);
            }
        } catch (const Error &e) {
            problem = e.what();
        }
        if (!problem.empty()) {
            std::fill(record.begin(), record.end(), std::uint8_t{0});
            fail("field \"" + field.name + "\" of record " + std::to_string(m_records + 1) + ": " +
                 problem);
        }
        if (field.type == FieldType::AutoIncrement && !row[i].isNull()) {
            m_autoIncrement =
                std::max(m_autoIncrement, static_cast<std::uint32_t>(row[i].asInteger()));
        }
        offset += static_cast<std::size_t>(field.recordBytes);
    }
}

void TableWriter::placeSorted(std::span<const std::uint8_t> record)
{
    const auto key = record.first(m_keyBytes);
    const std::span<std::uint8_t> slot = nextRecord(); // writes out a full block first
    // The record before it: in this block, or the last of the block written before.
    const std::uint8_t *previous = m_inBlock > 0       ? slot.data() - m_recordSize
                                   : m_lastKey.empty() ? nullptr
                                                       : m_lastKey.data();
    if (previous != nullptr && std::equal(key.begin(), key.end(), previous)) {
        failDuplicateKey(record);
    }
    std::copy(record.begin(), record.end(), slot.begin());
    ++m_inBlock;
}

void TableWriter::failDuplicateKey(std::span<const std::uint8_t> record) const
{
    std::string key;
    std::size_t offset = 0;
    for (std::size_t i = 0; i < m_keyFields; ++i) {
        const Field &field = m_fields[i];
        const auto raw = record.subspan(offset, static_cast<std::size_t>(field.recordBytes));
        key +=
            (i == 0 ? "" : ", ") + field.name + " " + decodeField(field, raw, m_codePage).toText();
        offset += raw.size();
    }
    fail("two records have the same key (" + key + "), which a key holds once");
}

void TableWriter::writeIndex()
{
    IndexLayout layout;
    layout.keyFields.assign(m_fields.begin(),
                            m_fields.begin() + static_cast<std::ptrdiff_t>(m_keyFields));
    layout.sortOrder = m_driver.sortOrder;
    layout.fileVersionId = kFileVersion5;
    layout.tableName = pxName();
    layout.changeCount = kIndexChangeCount;
    std::vector<std::uint8_t> bytes;
    try {
        bytes = primaryIndexFile(layout, m_leaves);
    } catch (const Error &e) {
        fail(e.what());
    }
    m_px = createTemp(pxName());
    writeAt(m_px, 0, bytes);
}

void TableWriter::flushBlock(bool last)
{
    const std::uint32_t number = m_blocksWritten + 1;
    writeLe16(&m_block[0], last ? 0 : static_cast<std::uint16_t>(number + 1));
    writeLe16(&m_block[2], static_cast<std::uint16_t>(number - 1));
    writeLe16(&m_block[4], static_cast<std::uint16_t>((m_inBlock - 1) * m_recordSize));
    if (m_keyFields > 0) {
        const auto final = m_block.begin() + kBlockHeaderBytes + (m_inBlock - 1) * m_recordSize;
        m_lastKey.assign(final, final + static_cast<std::ptrdiff_t>(m_keyBytes));
        const auto first = m_block.begin() + kBlockHeaderBytes;
        m_leaves.push_back(
            {std::vector<std::uint8_t>(first, first + static_cast<std::ptrdiff_t>(m_keyBytes)),
             static_cast<std::uint16_t>(number),
             static_cast<std::uint32_t>(m_inBlock)});
    }
    const std::uint64_t at =
        m_headerSize + std::uint64_t{m_blocksWritten} * static_cast<std::uint64_t>(blockSize());
    writeAt(m_db, at, m_block);
    ++m_blocksWritten;
    std::fill(m_block.begin(), m_block.end(), std::uint8_t{0});
    m_inBlock = 0;
}

void TableWriter::encodeBlob(const Field &field,
                             const db::Value &value,
                             std::span<std::uint8_t> out)
{
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    if (value.isNull()) {
        return;
    }
    std::vector<std::uint8_t> bytes;
    if (field.type == FieldType::Memo) {
        if (value.kind() != db::ValueKind::Text) {
            throw Error("a memo holds text, not \"" + value.toText() + "\"");
        }
        std::size_t bad = 0;
        if (!m_codePage.encode(value.asText(), bytes, &bad)) {
            throw Error("the text has a character at byte " + std::to_string(bad) +
                        " that code page " + m_encoding + " cannot hold");
        }
    } else {
        if (value.kind() != db::ValueKind::Binary) {
            throw Error("a blob holds bytes, not \"" + value.toText() + "\"");
        }
        bytes = value.asBytes();
    }
    if (bytes.empty()) {
        return; // an empty blob is stored as blank
    }
    const auto leader = static_cast<std::size_t>(field.leaderBytes());
    // The leader keeps the first bytes of the value (of the image itself for a graphic).
    std::copy_n(bytes.begin(), std::min(leader, bytes.size()), out.begin());
    if (field.type == FieldType::Graphic) {
        std::vector<std::uint8_t> prefixed = {1, 0, 0, 1, 0, 0, 0, 0};
        writeLe32(&prefixed[4], static_cast<std::uint32_t>(bytes.size()));
        prefixed.insert(prefixed.end(), bytes.begin(), bytes.end());
        bytes = std::move(prefixed);
    }
    if (bytes.size() > 0xFFFFFFFFULL - kMbUnit) {
        throw Error("a value of " + std::to_string(bytes.size()) + " bytes is too large");
    }
    std::uint8_t *control = out.data() + leader;
    writeLe32(control + 4, static_cast<std::uint32_t>(bytes.size()));
    if (bytes.size() <= leader && field.type != FieldType::Graphic) {
        return; // all of it is in the leader
    }
    writeLe32(control, storeBlob(bytes));
    writeLe16(control + 8, kModificationNumber);
}

std::uint32_t TableWriter::storeBlob(std::span<const std::uint8_t> bytes)
{
    if (bytes.size() <= kSubAllocatedLimit) {
        const std::size_t chunks = (bytes.size() + 15) / 16;
        if (m_nextSlot < 0 || static_cast<std::size_t>(m_nextChunk) + chunks > kMbUnit / 16) {
            flushSubBlock();
            m_subBlock.assign(kMbUnit, 0);
            m_subBlock[0] = 3;
            writeLe16(&m_subBlock[1], 1);
            m_subBlockAt = m_mb.size;
            writeAt(m_mb, m_subBlockAt, m_subBlock); // reserve its place
            m_nextSlot = 63;
            m_nextChunk = kSubBlockData / 16;
        }
        const int slot = m_nextSlot--;
        std::uint8_t *entry = &m_subBlock[12 + 5 * static_cast<std::size_t>(slot)];
        entry[0] = static_cast<std::uint8_t>(m_nextChunk);
        entry[1] = static_cast<std::uint8_t>(chunks);
        writeLe16(entry + 2, kModificationNumber);
        entry[4] = static_cast<std::uint8_t>(bytes.size() - (chunks - 1) * 16);
        std::copy(bytes.begin(), bytes.end(), m_subBlock.begin() + m_nextChunk * 16);
        m_nextChunk += static_cast<int>(chunks);
        return static_cast<std::uint32_t>(m_subBlockAt) | static_cast<std::uint32_t>(slot);
    }
    const std::uint64_t units = (9 + bytes.size() + kMbUnit - 1) / kMbUnit;
    const std::uint64_t at = m_mb.size;
    if (at + units * kMbUnit > 0xFFFFFF00ULL) {
        throw Error("the .MB file would grow past the 4 GB a Paradox blob file can address");
    }
    std::vector<std::uint8_t> head(9, 0);
    head[0] = 2;
    writeLe16(&head[1], static_cast<std::uint16_t>(units));
    writeLe32(&head[3], static_cast<std::uint32_t>(bytes.size()));
    writeLe16(&head[7], kModificationNumber);
    writeAt(m_mb, at, head);
    writeAt(m_mb, at + 9, bytes);
    // Pad the block to whole 4 KB units.
    const std::uint64_t end = at + units * kMbUnit;
    if (m_mb.size < end) {
        const std::vector<std::uint8_t> zeros(end - m_mb.size, 0);
        writeAt(m_mb, m_mb.size, zeros);
    }
    return static_cast<std::uint32_t>(at) | 0xFFU;
}

void TableWriter::flushSubBlock()
{
    if (!m_subBlock.empty()) {
        writeAt(m_mb, m_subBlockAt, m_subBlock);
        m_subBlock.clear();
    }
}

std::vector<std::uint8_t> TableWriter::buildHeader() const
{
    const std::size_t n = m_fields.size();
    const int codePage = m_driver.codePage;
    const std::uint8_t sortOrder = m_driver.sortOrder;
    const std::string &sortOrderId = m_driver.sortOrderId;

    std::vector<std::uint8_t> variable;
    for (const Field &field : m_fields) {
        variable.push_back(static_cast<std::uint8_t>(field.type));
        variable.push_back(field.size);
    }
    variable.resize(variable.size() + 4 + 4 * n, 0); // table name and field name pointers
    std::vector<std::uint8_t> tableName;
    std::size_t bad = 0;
    if (!m_codePage.encode(m_path.filename().string(), tableName, &bad)) {
        tableName.clear();
    }
    tableName.resize(kTableNameBytes, 0);
    tableName.back() = 0;
    variable.insert(variable.end(), tableName.begin(), tableName.end());
    std::size_t namesBytes = 0;
    for (const Field &field : m_fields) {
        std::vector<std::uint8_t> name;
        m_codePage.encode(field.name, name, &bad);
        name.push_back(0);
        namesBytes += name.size();
        variable.insert(variable.end(), name.begin(), name.end());
    }
    const std::size_t fieldNumbersAt = kExtendedHeaderBytes + variable.size();
    for (std::size_t i = 0; i < n; ++i) {
        variable.push_back(static_cast<std::uint8_t>((i + 1) & 0xFF));
        variable.push_back(static_cast<std::uint8_t>((i + 1) >> 8));
    }
    variable.insert(variable.end(), sortOrderId.begin(), sortOrderId.end());
    variable.push_back(0);

    const std::size_t used = kExtendedHeaderBytes + variable.size();
    const std::size_t headerSize = (used + 0x7FF) / 0x800 * 0x800;
    std::vector<std::uint8_t> h(headerSize, 0);
    std::copy(variable.begin(), variable.end(), h.begin() + kExtendedHeaderBytes);

    const std::uint32_t blocks = m_blocksWritten;
    writeLe16(&h[0x00], static_cast<std::uint16_t>(m_recordSize));
    writeLe16(&h[0x02], static_cast<std::uint16_t>(headerSize));
    h[0x04] = m_keyFields > 0 ? 0 : 2; // keyed or unkeyed
    h[0x05] = static_cast<std::uint8_t>(m_blockSizeKb);
    writeLe32(&h[0x06], static_cast<std::uint32_t>(m_records));
    writeLe16(&h[0x0A], static_cast<std::uint16_t>(blocks));
    writeLe16(&h[0x0C], static_cast<std::uint16_t>(blocks));
    writeLe16(&h[0x0E], blocks == 0 ? 0 : 1);
    writeLe16(&h[0x10], static_cast<std::uint16_t>(blocks));
    writeLe16(&h[0x12], 3);
    writeLe16(&h[0x21], static_cast<std::uint16_t>(n));
    writeLe16(&h[0x23], static_cast<std::uint16_t>(m_keyFields));
    writeLe32(&h[0x25], kNoKeyMarker);
    h[0x29] = sortOrder;
    h[0x2C] = m_keyFields > 0 ? kIndexChangeCount : 0;
    h[0x2D] = 2;
    h[0x2E] = 1;
    h[0x39] = kFileVersion5;
    writeLe16(&h[0x3A], static_cast<std::uint16_t>(blocks));
    h[0x3E] = 0x1F;
    h[0x3F] = 0x0F;
    writeLe32(&h[0x49], m_autoIncrement);
    writeLe16(&h[0x51], static_cast<std::uint16_t>(used));
    h[0x56] = 0x20;
    writeLe16(&h[0x58], 0x0100 + kFileVersion5);
    writeLe16(&h[0x5A], 0x0100 + kFileVersion5);
    writeLe32(&h[0x60], static_cast<std::uint32_t>(std::time(nullptr)));
    writeLe16(&h[0x64], static_cast<std::uint16_t>(n + 1));
    writeLe16(&h[0x66], static_cast<std::uint16_t>(fieldNumbersAt - 0x58));
    writeLe16(&h[0x6A], static_cast<std::uint16_t>(codePage));
    h[0x6C] = 1;
    h[0x6D] = 1;
    writeLe16(&h[0x6E],
              static_cast<std::uint16_t>(0x18 + 8 * n + 4 + kTableNameBytes + namesBytes + 8));
    writeLe16(&h[0x70], 1);
    return h;
}

void TableWriter::finishRecords()
{
    if (m_sorter) {
        std::uint64_t placed = 0;
        m_sorter->drain([&](std::span<const std::uint8_t> record) {
            placeSorted(record);
            if (++placed % kRecordsBetweenPumps == 0) {
                pump();
            }
        });
        m_sorter.reset();
        pump();
    }
    if (m_inBlock > 0) {
        flushBlock(true);
    }
    flushSubBlock();
    if (m_keyFields > 0) {
        writeIndex();
        pump();
    }
    const std::vector<std::uint8_t> header = buildHeader();
    writeAt(m_db, 0, header);
    if (m_blocksWritten == 0) {
        if (::ftruncate(m_db.fd, static_cast<off_t>(header.size())) != 0) {
            fail("cannot size " + m_db.path.filename().string() + ": " + errnoText());
        }
    }
    for (TempFile *file : {&m_mb, &m_px, &m_db}) {
        if (file->fd < 0) {
            continue;
        }
        const int fd = file->fd;
        const int error = whilePumping([fd] { return ::fsync(fd) == 0 ? 0 : errno; }, m_pump);
        if (error != 0) {
            fail("writing " + file->path.filename().string() +
                 " to disk failed: " + std::strerror(error));
        }
    }
}

void TableWriter::commit()
{
    if (m_committed) {
        return;
    }
    finishRecords();
    std::vector<FinishedFile> files;
    if (m_mb.fd >= 0) {
        files.push_back({m_mb.name, mbName()});
    }
    if (m_px.fd >= 0) {
        files.push_back({m_px.name, pxName()});
    }
    files.push_back({m_db.name, m_path.filename().string()});
    if (m_replace) {
        const std::vector<std::string> old = tablesNamed(m_folder, m_path.stem().string());
        if (old.size() > 1) {
            fail("the folder holds " + std::to_string(old.size()) + " tables named " +
                 m_path.stem().string() +
                 " that differ only in letter case; none of them was replaced");
        }
        if (old.size() == 1) {
            try {
                replaceTable(m_folder, old.front(), files);
            } catch (const std::system_error &e) {
                fail(std::string(e.what()) + "; the old table was kept");
            }
            m_committed = true;
            return;
        }
    }
    checkNoTableThere();
    for (const auto &[file, name] : {std::pair{&m_mb, mbName()}, std::pair{&m_px, pxName()}}) {
        if (file->fd >= 0 &&
            !companionName(m_folder, m_path.filename().string(), extensionOf(name)).empty()) {
            fail("a file " + name + " is already there");
        }
    }
    try {
        placeTable(m_folder, files);
    } catch (const std::system_error &e) {
        fail(std::string("cannot put the table in place: ") + e.what());
    }
    m_committed = true;
}

void TableWriter::pump() const
{
    if (m_pump) {
        m_pump();
    }
}

void TableWriter::removeTemps() noexcept
{
    for (TempFile *file : {&m_db, &m_mb, &m_px}) {
        if (!file->name.empty()) {
            m_folder.remove(file->name);
        }
    }
}

} // namespace tw::paradox
