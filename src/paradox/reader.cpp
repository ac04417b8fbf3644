#include "paradox/reader.h"

#include "core/folder.h"
#include "paradox/codec.h"
#include "paradox/crypt.h"
#include "paradox/error.h"
#include "paradox/family.h"
#include "paradox/language.h"
#include "text/text.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <system_error>

namespace tw::paradox {

namespace {

// Reads a table's block headers through a window of the file: a chain in file order costs
// one read per window, not one per block.
class WindowedReader
{
public:
    explicit WindowedReader(const ByteSource &source)
        : m_source(source)
    {}

    std::size_t read(std::uint64_t offset, std::span<std::uint8_t> out)
    {
        if (offset < m_start || offset + out.size() > m_start + m_length) {
            m_buffer.resize(kWindowBytes);
            m_start = offset;
            m_length = m_source.read(offset, m_buffer);
        }
        const std::uint64_t at = offset - m_start;
        const std::size_t got =
            at >= m_length
                ? 0
                : static_cast<std::size_t>(std::min<std::uint64_t>(out.size(), m_length - at));
        std::copy_n(m_buffer.begin() + static_cast<std::ptrdiff_t>(at), got, out.begin());
        return got;
    }

private:
    static constexpr std::size_t kWindowBytes = 256 * 1024;

    const ByteSource &m_source;
    std::vector<std::uint8_t> m_buffer;
    std::uint64_t m_start = 0;
    std::uint64_t m_length = 0;
};

std::string cString(const std::uint8_t *begin, const std::uint8_t *end)
{
    const auto *nul = std::find(begin, end, std::uint8_t{0});
    return std::string(begin, nul);
}

std::string hex2(unsigned value)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[value >> 4 & 0xF], kDigits[value & 0xF]};
}

} // namespace

std::string textEncodingOf(const TableHeader &header, const std::string &override)
{
    if (!override.empty()) {
        return override;
    }
    if (header.codePage != 0) {
        return encodingOfCodePage(header.codePage);
    }
    if (text::lowerAscii(header.sortOrderId).rfind("blrom8", 0) == 0) {
        return "HP-ROMAN8";
    }
    if (const int codePage = codePageOfDriver(header.sortOrderId); codePage != 0) {
        return encodingOfCodePage(codePage);
    }
    return encodingOfCodePage(codePagesInUse().dos);
}

namespace {

// A header that fails a check: the table cannot be read.
class BadHeader
{
public:
    explicit BadHeader(const std::string &file)
        : m_file(file)
    {}

    Error operator()(const std::string &what) const
    {
        return Error(m_file + " is not a readable Paradox table: " + what);
    }

private:
    const std::string &m_file;
};

// The fixed part of the header, every value in it checked.
TableHeader fixedHeader(const std::vector<std::uint8_t> &fixed, const BadHeader &bad)
{
    TableHeader h;
    h.recordSize = readLe16(&fixed[0x00]);
    h.headerSize = readLe16(&fixed[0x02]);
    h.fileType = fixed[0x04];
    h.blockSizeKb = fixed[0x05];
    h.numRecords = readLe32(&fixed[0x06]);
    h.nextBlock = readLe16(&fixed[0x0A]);
    h.fileBlocks = readLe16(&fixed[0x0C]);
    h.firstBlock = readLe16(&fixed[0x0E]);
    h.lastBlock = readLe16(&fixed[0x10]);
    h.primaryKeyFields = readLe16(&fixed[0x23]);
    h.sortOrder = fixed[0x29];
    h.writeProtected = fixed[0x38];
    h.fileVersionId = fixed[0x39];
    h.autoIncrement = readLe32(&fixed[0x49]);
    const auto numFields = static_cast<std::int16_t>(readLe16(&fixed[0x21]));

    if (h.fileType == 1 || (h.fileType >= 3 && h.fileType <= 8)) {
        throw bad("it is an index file of a table (file type " + std::to_string(h.fileType) + ")");
    }
    if (h.fileType != 0 && h.fileType != 2) {
        throw bad("byte 4 holds " + std::to_string(h.fileType) + ", not a table's file type");
    }
    if (h.fileVersionId < 3 || h.fileVersionId > 0x0F) {
        throw bad("unknown file version " + std::to_string(h.fileVersionId));
    }
    if (h.blockSizeKb < 1 || h.blockSizeKb > 32) {
        throw bad("a block size of " + std::to_string(h.blockSizeKb) + " KB");
    }
    if (numFields < 1 || numFields > 255) {
        throw bad(std::to_string(numFields) + " fields");
    }
    if (h.recordSize == 0 || h.recordSize > h.blockSize() - kBlockHeaderBytes) {
        throw bad("a record size of " + std::to_string(h.recordSize) + " bytes in blocks of " +
                  std::to_string(h.blockSize()) + " bytes");
    }
    h.fields.resize(static_cast<std::size_t>(numFields));
    return h;
}

// The fields from the header's field array and their names (raw, in the table's code page).
void decodeFields(TableHeader &h,
                  const std::vector<std::uint8_t> &header,
                  std::size_t base,
                  const std::vector<std::string> &rawNames,
                  const CodePage &cp,
                  const BadHeader &bad)
{
    int recordBytes = 0;
    for (std::size_t i = 0; i < h.fields.size(); ++i) {
        const std::uint8_t code = header[base + 2 * i];
        const std::uint8_t size = header[base + 2 * i + 1];
        if (!isKnownFieldType(code)) {
            throw bad("field " + std::to_string(i + 1) + " has the unknown type code 0x" +
                      hex2(code));
        }
        Field &field = h.fields[i];
        field.type = static_cast<FieldType>(code);
        field.size = size;
        field.recordBytes = recordBytesOf(field.type, size);
        field.name = cp.decode(std::span(reinterpret_cast<const std::uint8_t *>(rawNames[i].data()),
                                         rawNames[i].size()));
        const bool sized = field.type == FieldType::Alpha || field.type == FieldType::Bytes ||
                           isBlobType(field.type);
        if (!sized && field.type != FieldType::Bcd && size != field.recordBytes) {
            throw bad("field \"" + field.name + "\" has size " + std::to_string(size) +
                      " for a type that takes " + std::to_string(field.recordBytes) + " bytes");
        }
        if ((sized && size == 0) || (isBlobType(field.type) && size < 10) ||
            (field.type == FieldType::Bcd && size > 32)) {
            throw bad("field \"" + field.name + "\" has the impossible size " +
                      std::to_string(size));
        }
        recordBytes += field.recordBytes;
    }
    if (recordBytes != h.recordSize) {
        throw bad("the header gives records of " + std::to_string(h.recordSize) +
                  " bytes but the fields take " + std::to_string(recordBytes));
    }
}

} // namespace

TableHeader parseHeader(const ByteSource &table, const std::string &encoding)
{
    const std::uint64_t fileSize = table.size();
    const BadHeader bad(table.name());
    if (fileSize < kFixedHeaderBytes) {
        throw bad("the file is " + std::to_string(fileSize) +
                  " bytes long, too short for a table header");
    }
    std::vector<std::uint8_t> fixed(kFixedHeaderBytes);
    table.read(0, fixed);
    TableHeader h = fixedHeader(fixed, bad);

    const std::size_t n = h.fields.size();
    const std::size_t base = h.hasExtension() ? kExtendedHeaderBytes : kFixedHeaderBytes;
    const std::size_t tableNameBytes = h.fileVersionId >= 0x0C ? 261 : 79;
    const std::size_t namesAt = base + 2 * n + 4 + 4 * n + tableNameBytes;
    if (h.headerSize < namesAt || h.headerSize > fileSize) {
        throw bad("a header size of " + std::to_string(h.headerSize) + " bytes, where " +
                  std::to_string(n) + " fields need at least " + std::to_string(namesAt) +
                  " and the file has " + std::to_string(fileSize));
    }
    std::vector<std::uint8_t> header(h.headerSize);
    table.read(0, header);
    const std::uint8_t *const end = header.data() + header.size();

    const std::uint32_t key = readLe32(&header[0x25]);
    h.encryptionKey = (key == kNoKeyMarker && h.hasExtension()) ? readLe32(&header[0x5C]) : key;
    if (h.hasExtension()) {
        h.codePage = readLe16(&header[0x6A]);
    }
    const std::size_t tableNameAt = base + 2 * n + 4 + 4 * n;
    // Offsets up to the header's end, the end itself included (a header with no names).
    h.tableName =
        cString(header.data() + tableNameAt, header.data() + tableNameAt + tableNameBytes);

    // Field names, then (4.x and later) the field numbers and the language driver's name.
    std::vector<std::string> rawNames;
    const std::uint8_t *p = header.data() + namesAt;
    for (std::size_t i = 0; i < n; ++i) {
        const auto *nul = std::find(p, end, std::uint8_t{0});
        if (nul == end) {
            throw bad("the name of field " + std::to_string(i + 1) + " runs past the header");
        }
        rawNames.emplace_back(p, nul);
        p = nul + 1;
    }
    if (h.hasExtension() && p + 2 * n < end) {
        h.sortOrderId = cString(p + 2 * n, end);
    }
    const CodePage *codePage = nullptr;
    try {
        codePage = &CodePage::named(textEncodingOf(h, encoding));
    } catch (const Error &e) {
        throw bad(e.what());
    }
    decodeFields(h, header, base, rawNames, *codePage, bad);
    return h;
}

std::optional<std::filesystem::path> findCompanion(const std::filesystem::path &dbPath,
                                                   const std::string &extension)
{
    try {
        const Folder folder = Folder::of(dbPath);
        const std::string name = companionName(folder, dbPath.filename().string(), extension);
        if (!name.empty()) {
            return folder.pathOf(name);
        }
    } catch (const std::system_error &) {
    }
    return std::nullopt;
}

TableReader TableReader::open(const std::filesystem::path &dbPath, const ReadOptions &options)
{
    std::optional<Folder> folder;
    try {
        folder.emplace(Folder::of(dbPath));
    } catch (const std::system_error &e) {
        throw Error("Cannot open " + dbPath.string() + ": " + e.code().message());
    }
    const std::string name = dbPath.filename().string();
    auto table = std::make_shared<FileSource>(*folder, name);
    std::shared_ptr<const ByteSource> blobs;
    // A memo file that is a link or a pipe is refused with the table, never read through.
    if (const std::string mb = companionName(*folder, name, ".mb"); !mb.empty()) {
        blobs = std::make_shared<FileSource>(*folder, mb);
    }
    return TableReader(std::move(table), std::move(blobs), options);
}

TableReader::TableReader(std::shared_ptr<const ByteSource> table,
                         std::shared_ptr<const ByteSource> blobs,
                         const ReadOptions &options)
    : m_table(std::move(table))
    , m_blobs(std::move(blobs))
    , m_header(parseHeader(*m_table, options.encoding))
    , m_codePage(&CodePage::named(textEncodingOf(m_header, options.encoding)))
{
    std::size_t offset = 0;
    for (const Field &field : m_header.fields) {
        m_offsets.push_back(offset);
        offset += static_cast<std::size_t>(field.recordBytes);
    }
    if (m_blobs && m_header.encrypted()) {
        m_blobs = std::make_shared<DecryptingSource>(m_blobs, m_header.encryptionKey);
    }
    m_block.resize(static_cast<std::size_t>(m_header.blockSize()));
    walkChain();
}

std::size_t TableReader::readBlock(std::uint32_t number, std::span<std::uint8_t> out) const
{
    const std::uint64_t start =
        m_header.headerSize +
        std::uint64_t{number - 1} * static_cast<std::uint64_t>(m_header.blockSize());
    std::fill(out.begin(), out.end(), std::uint8_t{0});
    const std::size_t got = m_table->read(start, out);
    if (m_header.encrypted()) {
        decryptDataBlock(out, m_header.encryptionKey, number);
    }
    return got;
}

void TableReader::walkChain()
{
    const std::string &file = m_table->name();
    const auto blockSize = static_cast<std::uint64_t>(m_header.blockSize());
    const std::uint64_t dataBytes = m_table->size() - m_header.headerSize;
    const std::uint64_t blocksInFile = (dataBytes + blockSize - 1) / blockSize;
    std::vector<bool> visited(blocksInFile + 1, false);
    // Only the block header is needed here: one chunk of an encrypted block, 6 bytes otherwise.
    std::vector<std::uint8_t> head(m_header.encrypted() ? kCryptChunk : kBlockHeaderBytes);

    WindowedReader headers(*m_table);
    std::uint32_t number = m_header.firstBlock;
    std::uint32_t previous = 0;
    while (number != 0) {
        if (number > blocksInFile) {
            throw Error(
                file + " is damaged: " +
                (previous == 0 ? std::string("the header") : "block " + std::to_string(previous)) +
                " points to block " + std::to_string(number) + ", but the file holds " +
                std::to_string(blocksInFile) + " blocks");
        }
        if (visited[number]) {
            m_warnings.push_back(file + ": the block chain loops back to block " +
                                 std::to_string(number) + " after block " +
                                 std::to_string(previous) + "; reading stopped there");
            break;
        }
        visited[number] = true;
        const std::uint64_t start = m_header.headerSize + (number - 1) * blockSize;
        std::fill(head.begin(), head.end(), std::uint8_t{0});
        const std::size_t got = headers.read(start, head);
        if (m_header.encrypted()) {
            if (got == kCryptChunk) {
                decryptChunk(std::span<std::uint8_t, kCryptChunk>(head.data(), kCryptChunk),
                             {static_cast<std::uint8_t>(m_header.encryptionKey & 0xFF),
                              static_cast<std::uint8_t>(m_header.encryptionKey >> 8 & 0xFF),
                              0,
                              static_cast<std::uint8_t>(number)});
            }
        }
        const std::uint16_t next = readLe16(&head[0]);
        const auto addDataSize = static_cast<std::int16_t>(readLe16(&head[4]));
        const std::uint64_t available = std::min<std::uint64_t>(blockSize, m_table->size() - start);
        std::uint32_t records = 0;
        if (addDataSize >= 0) {
            if (addDataSize > m_header.blockSize() - kBlockHeaderBytes - m_header.recordSize) {
                m_warnings.push_back(
                    file + ": block " + std::to_string(number) +
                    " claims more records than it can hold; its records are skipped");
            } else {
                records = static_cast<std::uint32_t>(addDataSize / m_header.recordSize + 1);
                const std::uint64_t fit =
                    available < kBlockHeaderBytes
                        ? 0
                        : (available - kBlockHeaderBytes) / m_header.recordSize;
                if (records > fit) {
                    m_warnings.push_back(file + ": block " + std::to_string(number) +
                                         " is cut short on disk; " + std::to_string(records - fit) +
                                         " of its records are missing");
                    records = static_cast<std::uint32_t>(fit);
                }
            }
        }
        if (records > 0) {
            m_chain.push_back({number, records});
            m_recordCount += records;
        }
        previous = number;
        number = next;
    }
    if (m_recordCount != m_header.numRecords) {
        m_warnings.push_back(file + ": the header counts " + std::to_string(m_header.numRecords) +
                             " records but the blocks hold " + std::to_string(m_recordCount));
    }
}

void TableReader::loadBlock(std::size_t chainIndex)
{
    readBlock(m_chain[chainIndex].number, m_block);
}

bool TableReader::next()
{
    if (m_chainIndex >= m_chain.size()) {
        return false;
    }
    if (!m_started) {
        m_started = true;
        loadBlock(0);
        m_inBlock = 0;
        m_recordNumber = 0;
        return true;
    }
    ++m_recordNumber;
    if (++m_inBlock < m_chain[m_chainIndex].records) {
        return true;
    }
    m_inBlock = 0;
    if (++m_chainIndex >= m_chain.size()) {
        return false;
    }
    loadBlock(m_chainIndex);
    return true;
}

std::span<const std::uint8_t> TableReader::rawRecord() const
{
    const std::size_t start = kBlockHeaderBytes + std::size_t{m_inBlock} * m_header.recordSize;
    return std::span<const std::uint8_t>(m_block).subspan(start, m_header.recordSize);
}

void TableReader::fail(const Field &field, const std::string &what) const
{
    throw Error(m_table->name() + ": field \"" + field.name + "\" of record " +
                std::to_string(m_recordNumber + 1) + ": " + what);
}

db::Value TableReader::value(std::size_t index) const
{
    const Field &field = m_header.fields.at(index);
    const auto raw =
        rawRecord().subspan(m_offsets[index], static_cast<std::size_t>(field.recordBytes));
    if (isBlobType(field.type)) {
        return blobValue(field, raw);
    }
    try {
        return decodeField(field, raw, *m_codePage);
    } catch (const Error &e) {
        fail(field, e.what());
    }
}

db::Value TableReader::blobValue(const Field &field, std::span<const std::uint8_t> raw) const
{
    const auto leader = static_cast<std::size_t>(field.leaderBytes());
    const std::uint8_t *control = raw.data() + leader;
    const std::uint32_t pointer = readLe32(control);
    const std::uint32_t length = readLe32(control + 4);
    if (length == 0) {
        return {};
    }
    db::Bytes bytes;
    if (length <= leader) {
        bytes.assign(raw.begin(), raw.begin() + length);
    } else {
        bytes = readBlobBytes(field, pointer, length);
    }
    if (field.type == FieldType::Memo) {
        return db::Value::text(m_codePage->decode(bytes));
    }
    // A graphic is stored behind an 8-byte prefix: 01 00 00 01 and the image's length.
    if (field.type == FieldType::Graphic && bytes.size() >= 8 && bytes[0] == 1 && bytes[1] == 0 &&
        bytes[2] == 0 && bytes[3] == 1) {
        bytes.erase(bytes.begin(), bytes.begin() + 8);
    }
    return db::Value::bytes(std::move(bytes));
}

db::Bytes
TableReader::readBlobBytes(const Field &field, std::uint32_t pointer, std::uint32_t length) const
{
    if (!m_blobs) {
        fail(field, "its value is kept in the table's .MB file, which is missing");
    }
    const std::string &mbName = m_blobs->name();
    const std::uint64_t offset = pointer & 0xFFFFFF00U;
    const unsigned slot = pointer & 0xFFU;
    const std::uint64_t mbSize = m_blobs->size();
    if (offset == 0 || offset + kMbUnit > mbSize + kMbUnit - 1 || offset >= mbSize) {
        fail(field,
             "its value points to byte " + std::to_string(offset) + ", outside " + mbName + " (" +
                 std::to_string(mbSize) + " bytes)");
    }
    std::uint8_t head[12] = {};
    m_blobs->read(offset, head);
    std::uint64_t dataAt = 0;
    if (head[0] == 2) {
        const std::uint32_t stored = readLe32(&head[3]);
        if (slot != 0xFF || stored != length) {
            fail(field,
                 "its entry in " + mbName + " at byte " + std::to_string(offset) +
                     " does not match the record (length " + std::to_string(stored) + " against " +
                     std::to_string(length) + ")");
        }
        // The entry's blocks hold the value; they number at most 65,535 of 4 KB each.
        const std::uint64_t blocks = readLe16(&head[1]);
        if (std::uint64_t{length} + 9 > blocks * kMbUnit) {
            fail(field,
                 "its entry in " + mbName + " at byte " + std::to_string(offset) + " claims " +
                     std::to_string(length) + " bytes, more than its " + std::to_string(blocks) +
                     " blocks of 4096 bytes hold");
        }
        dataAt = offset + 9;
    } else if (head[0] == 3) {
        std::uint8_t entry[5] = {};
        if (slot > 63 || m_blobs->read(offset + 12 + 5 * slot, entry) != 5 || entry[0] == 0) {
            fail(field,
                 "its slot " + std::to_string(slot) + " in " + mbName + " at byte " +
                     std::to_string(offset) + " is unused or invalid");
        }
        const std::uint32_t stored = (entry[1] == 0 ? 0 : (entry[1] - 1U) * 16U) + entry[4];
        if (stored != length || length > kMbUnit) {
            fail(field,
                 "its slot in " + mbName + " at byte " + std::to_string(offset) + " holds " +
                     std::to_string(stored) + " bytes, the record says " + std::to_string(length));
        }
        dataAt = offset + 16U * entry[0];
    } else {
        fail(field,
             "its value points to a block of type " + std::to_string(head[0]) + " at byte " +
                 std::to_string(offset) + " of " + mbName + ", not to a blob");
    }
    if (dataAt + length > mbSize) {
        fail(field, "its " + std::to_string(length) + " bytes run past the end of " + mbName);
    }
    // A sparse file claims bytes it does not hold: no memory is spent on them.
    if (!m_blobs->holdsData(dataAt, length)) {
        fail(field,
             "its " + std::to_string(length) + " bytes at byte " + std::to_string(dataAt) + " of " +
                 mbName + " are a hole of a sparse file, not a value any program wrote");
    }
    db::Bytes bytes(length);
    if (m_blobs->read(dataAt, bytes) != length) {
        fail(field, "its value could not be read whole from " + mbName);
    }
    return bytes;
}

} // namespace tw::paradox
