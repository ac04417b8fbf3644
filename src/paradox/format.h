#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tw::paradox {

// Field type codes as stored in the header's field array.
enum class FieldType : std::uint8_t {
    Alpha = 0x01,
    Date = 0x02,
    Short = 0x03,
    Long = 0x04,
    Money = 0x05,
    Number = 0x06,
    Logical = 0x09,
    Memo = 0x0C,
    Blob = 0x0D,
    FormattedMemo = 0x0E,
    Ole = 0x0F,
    Graphic = 0x10,
    Time = 0x14,
    Timestamp = 0x15,
    AutoIncrement = 0x16,
    Bcd = 0x17,
    Bytes = 0x18,
};

bool isKnownFieldType(std::uint8_t code);
bool isBlobType(FieldType type);
// The letter Paradox shows for the type (A, D, S, I, $, N, L, M, B, F, O, G, T, @, +, #, Y).
char fieldTypeLetter(FieldType type);

// One field of a table. `size` is the header's size byte: the length for Alpha and Bytes,
// leader + 10 for blobs, the number of decimals for BCD; `recordBytes` is what the field
// takes in a record.
struct Field
{
    std::string name; // UTF-8
    FieldType type = FieldType::Alpha;
    std::uint8_t size = 0;
    int recordBytes = 0;

    int leaderBytes() const { return recordBytes - 10; }

    int decimals() const { return size; }
};

// The bytes a field of this type and size byte takes in a record.
int recordBytesOf(FieldType type, std::uint8_t size);

// What the header of a .DB file says.
struct TableHeader
{
    std::uint16_t recordSize = 0;
    std::uint16_t headerSize = 0;
    std::uint8_t fileType = 0; // 0 keyed, 2 unkeyed
    std::uint8_t blockSizeKb = 0;
    std::uint32_t numRecords = 0;
    std::uint16_t nextBlock = 0;
    std::uint16_t fileBlocks = 0;
    std::uint16_t firstBlock = 0;
    std::uint16_t lastBlock = 0;
    std::uint16_t primaryKeyFields = 0;
    std::uint8_t sortOrder = 0;
    std::uint8_t writeProtected = 0;
    std::uint8_t fileVersionId = 0;
    std::uint32_t autoIncrement = 0;
    std::uint32_t encryptionKey = 0;
    std::uint16_t codePage = 0; // 0 when the header carries none (3.x)
    std::string sortOrderId;    // language driver name, empty for 3.x
    std::string tableName;      // as stored; often stale, the file name is the table's name
    std::vector<Field> fields;

    int blockSize() const { return blockSizeKb * 1024; }

    bool hasExtension() const { return fileVersionId >= 5; }

    bool encrypted() const { return encryptionKey != 0; }

    // "3.0", "3.5", "4.x", "5.x" or "7.x".
    std::string versionName() const;
};

inline constexpr std::uint32_t kNoKeyMarker = 0xFF00FF00;
inline constexpr std::size_t kFixedHeaderBytes = 0x58;
inline constexpr std::size_t kExtendedHeaderBytes = 0x78;
inline constexpr int kBlockHeaderBytes = 6;
inline constexpr int kMbUnit = 4096;

} // namespace tw::paradox
