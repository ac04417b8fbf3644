#include "dumpformat.h"

#include "core/digest.h"
#include "text/text.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace tw::paradox::dump {

namespace {

std::string quoted(const std::string &text)
{
    return "\"" + tw::text::doubled(text, '"') + "\"";
}

std::string lowerHex(std::span<const std::uint8_t> bytes)
{
    return tw::hexOfBytes(
        std::string_view(reinterpret_cast<const char *>(bytes.data()), bytes.size()));
}

std::string dateCell(const db::Date &date)
{
    char buffer[32];
    std::snprintf(buffer,
                  sizeof buffer,
                  "%04d-%02u-%02u",
                  date.year,
                  unsigned{date.month},
                  unsigned{date.day});
    return buffer;
}

std::string timeCell(std::uint32_t ms)
{
    char buffer[32];
    std::snprintf(buffer,
                  sizeof buffer,
                  "%02u:%02u:%02u.%03u",
                  ms / 3'600'000U,
                  ms / 60'000U % 60,
                  ms / 1000U % 60,
                  ms % 1000U);
    return buffer;
}

std::string numberCell(double value)
{
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15) {
        return std::to_string(static_cast<long long>(value));
    }
    return db::doubleText(value);
}

} // namespace

std::uint32_t crc32(std::span<const std::uint8_t> bytes)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) != 0 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
            }
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFU;
    for (const std::uint8_t b : bytes) {
        crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFU;
}

std::string cell(const Field &field, const db::Value &value, const CellOptions &options)
{
    using Kind = db::Value::Kind;
    switch (value.kind()) {
    case Kind::Null:
        return {};
    case Kind::Text:
        return quoted(value.asText());
    case Kind::Integer:
        return std::to_string(value.asInteger());
    case Kind::Double:
        return numberCell(value.asDouble());
    case Kind::Decimal:
        // The reference dumps end a BCD without decimals with its point.
        return field.decimals() == 0 ? value.asDecimal().text + "." : value.asDecimal().text;
    case Kind::Boolean:
        return value.asBoolean() ? "true" : "false";
    case Kind::Date:
        return dateCell(value.asDate());
    case Kind::Time:
        return timeCell(value.asTime().msOfDay);
    case Kind::Timestamp:
        return dateCell(value.asTimestamp().date) + 'T' + timeCell(value.asTimestamp().msOfDay);
    case Kind::Binary: {
        const db::Bytes &bytes = value.asBytes();
        if (field.type == FieldType::Bytes) {
            return "hex:" + lowerHex(bytes);
        }
        if (options.fullBlobs) {
            return "hex:" + lowerHex(bytes);
        }
        char crc[16];
        std::snprintf(crc, sizeof crc, "%08x", crc32(bytes));
        const std::size_t head = std::min<std::size_t>(16, bytes.size());
        return "bin:" + std::to_string(bytes.size()) + ":crc32=" + crc +
               ":head=" + lowerHex(std::span(bytes).first(head));
    }
    }
    return {};
}

void printPreamble(std::ostream &out, const std::string &file, const TableReader &table)
{
    const TableHeader &h = table.header();
    char key[16];
    std::snprintf(key, sizeof key, "0x%08x", h.encryptionKey);
    char sort[8];
    std::snprintf(sort, sizeof sort, "0x%02x", h.sortOrder);
    out << "# file: " << file << '\n';
    out << "# version=" << h.versionName() << " fileversionid=" << unsigned{h.fileVersionId}
        << " filetype=" << unsigned{h.fileType} << " numrecords=" << h.numRecords
        << " blockrecords=" << table.recordCount() << " recordsize=" << h.recordSize
        << " headersize=" << h.headerSize << " blocksize=" << h.blockSize()
        << " fileblocks=" << h.fileBlocks << " firstblock=" << h.firstBlock
        << " lastblock=" << h.lastBlock << " primarykeyfields=" << h.primaryKeyFields
        << " codepage=" << h.codePage << " sortorder=" << sort << " sortorderid=" << h.sortOrderId
        << " autoinc=" << h.autoIncrement << " encryption=" << (h.encrypted() ? "yes" : "no")
        << " writeprotected=" << unsigned{h.writeProtected}
        << " textencoding=" << table.textEncoding()
        << " blobfile=" << (table.hasBlobFile() ? "yes" : "-") << '\n';
    (void)key;
    out << "# tablename: " << quoted(h.tableName) << '\n';
    for (std::size_t i = 0; i < h.fields.size(); ++i) {
        const Field &f = h.fields[i];
        char code[8];
        std::snprintf(code, sizeof code, "0x%02x", static_cast<unsigned>(f.type));
        out << "# field " << i + 1 << ": " << quoted(f.name) << " type=" << fieldTypeLetter(f.type)
            << '(' << code << ") len=" << f.recordBytes;
        if (f.type == FieldType::Bcd) {
            out << " decimals=" << f.decimals();
        }
        out << '\n';
    }
    for (const std::string &warning : table.warnings()) {
        out << "# warning: " << warning << '\n';
    }
    for (std::size_t i = 0; i < h.fields.size(); ++i) {
        out << (i == 0 ? "" : ",") << quoted(h.fields[i].name);
    }
    out << '\n';
}

} // namespace tw::paradox::dump
