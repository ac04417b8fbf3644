#include "paradox/writer.h"

#include "paradox/codec.h"
#include "paradox/error.h"
#include "paradox/reader.h"
#include "support/tablefiles.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace tw::paradox;
using tw::db::Value;
using tw::test::field;
using tw::test::TempFolder;

namespace {

using Row = std::vector<Value>;

Value bytesOf(std::size_t size, std::uint8_t seed)
{
    tw::db::Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    }
    return Value::bytes(std::move(bytes));
}

std::string textOf(std::size_t size)
{
    std::string text;
    while (text.size() < size) {
        text += "Zoë’s line " + std::to_string(text.size()) + "\r\n";
    }
    text.resize(size, 'x');
    // Keep the UTF-8 whole: cut back to a character boundary and pad with ASCII.
    while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80) {
        text.pop_back();
    }
    if (!text.empty() && static_cast<unsigned char>(text.back()) >= 0xC0) {
        text.pop_back();
    }
    return text;
}

std::string asciiOf(std::size_t size)
{
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
        text += static_cast<char>('A' + i % 26);
    }
    return text;
}

} // namespace

TEST(ParadoxWriter, EveryTypeReadsBackExactlyAtItsEdges)
{
    TempFolder folder;
    const std::vector<Field> fields = {
        field("Alpha1", FieldType::Alpha, 1),
        field("Alpha255", FieldType::Alpha, 255),
        field("Short", FieldType::Short),
        field("Long", FieldType::Long),
        field("Number", FieldType::Number),
        field("Money", FieldType::Money),
        field("Date", FieldType::Date),
        field("Time", FieldType::Time),
        field("Stamp", FieldType::Timestamp),
        field("Logical", FieldType::Logical),
        field("Bcd0", FieldType::Bcd, 0),
        field("Bcd32", FieldType::Bcd, 32),
        field("Bytes", FieldType::Bytes, 4),
        field("Auto", FieldType::AutoIncrement),
        field("Memo", FieldType::Memo, 30),
        field("Blob", FieldType::Blob, 10),
        field("Graphic", FieldType::Graphic, 10),
        field("Ole", FieldType::Ole, 20),
        field("Formatted", FieldType::FormattedMemo, 10),
    };
    const std::vector<Row> rows = {
        {Value::text("é"),
         Value::text(textOf(255)),
         Value::integer(32767),
         Value::integer(2147483647),
         Value::real(-0.0),
         Value::real(1234.5),
         Value::date({1, 1, 1}),
         Value::time({86'399'999}),
         Value::timestamp({{1969, 7, 20}, 73'000'123}),
         Value::boolean(true),
         Value::decimal("-99999999999999999999999999999999"),
         Value::decimal("0.00000000000000000000000000000001"),
         bytesOf(4, 1),
         Value::integer(1),
         Value::text(textOf(1)),
         bytesOf(1, 9),
         bytesOf(20, 3),
         bytesOf(2049, 5),
         bytesOf(2048, 6)},
        {Value::text("Z"),
         Value::text("Ünïcödé ¿ € ß"),
         Value::integer(-32767),
         Value::integer(-2147483647),
         Value::real(-1e-300),
         Value::real(0.0),
         Value::date({9999, 12, 31}),
         Value::time({0}),
         Value::timestamp({{2038, 1, 19}, 11'647'999}),
         Value::boolean(false),
         Value::decimal("0"),
         Value::decimal("-0.31415926535897932384626433832795"),
         bytesOf(3, 200),
         Value::integer(7),
         Value::text(textOf(30)),
         bytesOf(10, 1),
         bytesOf(1'000'000, 11),
         bytesOf(21, 8),
         bytesOf(1, 2)},
        {Value(),
         Value(),
         Value(),
         Value(),
         Value(),
         Value(),
         Value(),
         Value(),
         Value(),
         Value(),
         Value(),
         Value(),
         Value(),
         Value(),
         Value(),
         Value(),
         Value(),
         Value(),
         Value()},
        {Value::text("a"),
         Value::text("b"),
         Value::integer(0),
         Value::integer(0),
         Value::real(5e300),
         Value::real(-0.01),
         Value::date({1900, 2, 28}),
         Value::time({1}),
         Value::timestamp({{1, 1, 1}, 0}),
         Value::boolean(true),
         Value::decimal("12345678901234567890123456789012"),
         Value::decimal("0.12300000000000000000000000000000"),
         bytesOf(4, 0xF0),
         Value::integer(3),
         Value::text(textOf(2048)),
         bytesOf(2049, 4),
         bytesOf(2048, 1),
         bytesOf(0, 0),
         Value()},
    };
    const auto path = tw::test::writeTable(folder / "EDGES.db", fields, rows);
    // Bytes are fixed-length: a shorter value comes back padded with zeros.
    std::vector<Row> expected = rows;
    expected[1][12] = Value::bytes({200, 207, 214, 0});
    expected[3][17] = Value(); // an empty blob is blank

    TableReader table = TableReader::open(path);
    EXPECT_TRUE(table.warnings().empty());
    EXPECT_EQ(table.header().fileVersionId, 0x0B);
    EXPECT_EQ(table.header().autoIncrement, 7U);
    EXPECT_EQ(tw::test::readAll(table), expected);
}

TEST(ParadoxWriter, MemosOfEverySizeLandInTheLeaderOrTheRightBlock)
{
    TempFolder folder;
    const std::vector<std::size_t> sizes = {1, 40, 41, 2048, 2049, 70'000, 1'000'000};
    std::vector<Row> rows;
    for (const std::size_t size : sizes) {
        rows.push_back({Value::text(textOf(size))});
    }
    rows.push_back({Value::text("")});
    const auto path =
        tw::test::writeTable(folder / "MEMOS.db", {field("Memo", FieldType::Memo, 50)}, rows);
    auto expected = rows;
    expected.back() = {Value()};
    EXPECT_EQ(tw::test::readAll(path), expected);
}

TEST(ParadoxWriter, HeaderMatchesATableMadeByParadoxItself)
{
    const auto corpus = tw::test::corpusFolder();
    if (corpus.empty()) {
        GTEST_SKIP() << "the Paradox corpus is not beside the project";
    }
    // fields/time.db: Paradox 5.x, unkeyed, one Time field, three records, code page 1252.
    const auto theirs = tw::test::readFile(corpus / "leonhad/fields/time.db");
    TempFolder folder;
    const auto path =
        tw::test::writeTable(folder / "time.db",
                             {field("Time", FieldType::Time)},
                             {{Value::time({3'601'000})}, {Value()}, {Value::time({10'803'000})}});
    const auto ours = tw::test::readFile(path);

    ASSERT_EQ(ours.size(), theirs.size());
    auto u16 = [](const std::vector<std::uint8_t> &b, std::size_t at) {
        return readLe16(&b[at]);
    };
    for (const std::size_t at : {0x00,
                                 0x02,
                                 0x0A,
                                 0x0C,
                                 0x0E,
                                 0x10,
                                 0x21,
                                 0x23,
                                 0x3A,
                                 0x3E,
                                 0x51,
                                 0x58,
                                 0x5A,
                                 0x64,
                                 0x66,
                                 0x6A,
                                 0x6C,
                                 0x6E,
                                 0x70}) {
        EXPECT_EQ(u16(ours, at), u16(theirs, at)) << "offset 0x" << std::hex << at;
    }
    for (const std::size_t at : {0x04, 0x05, 0x38, 0x39, 0x56, 0x57}) {
        EXPECT_EQ(ours[at], theirs[at]) << "offset 0x" << std::hex << at;
    }
    EXPECT_EQ(readLe32(&ours[0x06]), readLe32(&theirs[0x06]));
    EXPECT_EQ(readLe32(&ours[0x25]), 0xFF00FF00U);
    EXPECT_EQ(readLe32(&ours[0x5C]), 0U) << "never a key: that would ask for a password";
    EXPECT_EQ(ours[0x2D], 2);
    EXPECT_EQ(ours[0x2E], 1);
    // Field info, names and field numbers are byte for byte the same.
    const std::size_t used = u16(theirs, 0x51);
    const std::size_t namesAt = 0x78 + 2 + 4 + 4 + 79;
    EXPECT_EQ(std::vector(ours.begin() + 0x78, ours.begin() + 0x7A),
              std::vector(theirs.begin() + 0x78, theirs.begin() + 0x7A));
    EXPECT_EQ(std::vector(ours.begin() + namesAt, ours.begin() + used - 9),
              std::vector(theirs.begin() + namesAt, theirs.begin() + used - 9));
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(&ours[used - 9])), "DBWINUS0");
    EXPECT_EQ(ours[0x29], 0x4C);
    // The data block, header and records, is the same too.
    EXPECT_EQ(std::vector(ours.begin() + 0x800, ours.end()),
              std::vector(theirs.begin() + 0x800, theirs.end()));
}

TEST(ParadoxWriter, TheBlobFileFollowsTheSubAllocatedAndSingleBlockLayout)
{
    TempFolder folder;
    const std::string memo555 = asciiOf(555);
    const std::string memo3000 = asciiOf(3000);
    const auto path = tw::test::writeTable(folder / "memo.db",
                                           {field("MEMO", FieldType::Memo, 250)},
                                           {{Value::text(memo555)}, {Value::text(memo3000)}});
    const auto db = tw::test::readFile(path);
    const auto mb = tw::test::readFile(folder / "memo.MB");
    ASSERT_EQ(mb.size(), 4096U * 3);

    const auto corpus = tw::test::corpusFolder();
    if (!corpus.empty()) {
        const auto theirs = tw::test::readFile(corpus / "leonhad/fields/memo.mb");
        EXPECT_EQ(std::vector(mb.begin(), mb.begin() + 0x38),
                  std::vector(theirs.begin(), theirs.begin() + 0x38));
    }
    // Record 1: the leader copy, then the pointer to slot 63 of the block at 0x1000.
    const std::uint8_t *record1 = &db[0x800 + 6];
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(record1), 240), memo555.substr(0, 240));
    EXPECT_EQ(readLe32(record1 + 240), 0x1000U | 63U);
    EXPECT_EQ(readLe32(record1 + 244), 555U);
    EXPECT_EQ(readLe16(record1 + 248), 1U);
    // Block 0x1000 is sub-allocated; slot 63 holds offset 0x150/16, 35 chunks, mod 1, 11 bytes.
    EXPECT_EQ(mb[0x1000], 3);
    EXPECT_EQ(std::vector(mb.begin() + 0x1000 + 12 + 5 * 63, mb.begin() + 0x1000 + 12 + 5 * 64),
              (std::vector<std::uint8_t>{0x15, 0x23, 0x01, 0x00, 0x0B}));
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(&mb[0x1150]), 555), memo555);
    // Record 2: a single-blob block at 0x2000 with its 9-byte head.
    const std::uint8_t *record2 = record1 + 250;
    EXPECT_EQ(readLe32(record2 + 240), 0x2000U | 0xFFU);
    EXPECT_EQ(std::vector(mb.begin() + 0x2000, mb.begin() + 0x2009),
              (std::vector<std::uint8_t>{0x02, 0x01, 0x00, 0xB8, 0x0B, 0x00, 0x00, 0x01, 0x00}));
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(&mb[0x2009]), 3000), memo3000);
}

TEST(ParadoxWriter, AnExistingTableInAnyLetterCaseIsRefusedAndLeftUntouched)
{
    TempFolder folder;
    tw::test::writeTable(
        folder / "ORDERS.DB", {field("A", FieldType::Alpha, 5)}, {{Value::text("old")}});
    const auto before = tw::test::readFile(folder / "ORDERS.DB");
    EXPECT_THROW(TableWriter(folder / "orders.db", {field("B", FieldType::Short)}), Error);
    EXPECT_EQ(tw::test::readFile(folder / "ORDERS.DB"), before);
    EXPECT_EQ(folder.fileNames(), std::vector<std::string>{"ORDERS.DB"});
}

TEST(ParadoxWriter, ATableAppearsOnlyAtCommitAndNothingIsLeftWhenAbandoned)
{
    TempFolder folder;
    {
        TableWriter writer(folder / "PART.db", {field("M", FieldType::Memo, 20)});
        writer.append(std::vector{Value::text(textOf(5000))});
        EXPECT_FALSE(std::filesystem::exists(folder / "PART.db"));
        for (const std::string &name : folder.fileNames()) {
            EXPECT_EQ(name[0], '.') << "a temporary file must not look like a table: " << name;
        }
    }
    EXPECT_TRUE(folder.fileNames().empty());
}

TEST(ParadoxWriter, AValueTheFieldCannotHoldNamesFieldAndRecordAndWritesNothing)
{
    TempFolder folder;
    TableWriter writer(folder / "BAD.db",
                       {field("Name", FieldType::Alpha, 3), field("Count", FieldType::Short)});
    writer.append(std::vector{Value::text("abc"), Value::integer(1)});
    try {
        writer.append(std::vector{Value::text("abcd"), Value::integer(2)});
        FAIL() << "a four-byte text was taken by a three-byte field";
    } catch (const Error &e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("BAD.db"), std::string::npos) << message;
        EXPECT_NE(message.find("\"Name\""), std::string::npos) << message;
        EXPECT_NE(message.find("record 2"), std::string::npos) << message;
    }
    EXPECT_THROW(writer.append(std::vector{Value::text("x"), Value::integer(-32768)}), Error);
    EXPECT_THROW(writer.append(std::vector{Value::text("Ω"), Value::integer(1)}), Error);
    writer.append(std::vector{Value::text("ok"), Value::integer(3)});
    writer.commit();
    EXPECT_EQ(tw::test::readAll(folder / "BAD.db"),
              (std::vector<Row>{{Value::text("abc"), Value::integer(1)},
                                {Value::text("ok"), Value::integer(3)}}));
}

TEST(ParadoxWriter, FieldListsParadoxCannotHoldAreRefused)
{
    TempFolder folder;
    EXPECT_THROW(TableWriter(folder / "T.db", {}), Error);
    EXPECT_THROW(TableWriter(folder / "T.db", {field("A", FieldType::Alpha, 0)}), Error);
    EXPECT_THROW(TableWriter(folder / "T.db", {field(std::string(26, 'n'), FieldType::Short)}),
                 Error);
    EXPECT_THROW(
        TableWriter(folder / "T.db", {field("Id", FieldType::Short), field("ID", FieldType::Long)}),
        Error);
    EXPECT_THROW(TableWriter(folder / "T.db", {field("M", FieldType::Memo, 10)}), Error);
    EXPECT_THROW(TableWriter(folder / "missing/T.db", {field("A", FieldType::Short)}), Error);
    EXPECT_TRUE(folder.fileNames().empty());
}

TEST(ParadoxWriter, AnEmptyTableIsItsHeaderAlone)
{
    TempFolder folder;
    const auto path =
        tw::test::writeTable(folder / "EMPTY.db", {field("A", FieldType::Alpha, 10)}, {});
    EXPECT_EQ(std::filesystem::file_size(path), 2048U);
    TableReader table = TableReader::open(path);
    EXPECT_EQ(table.recordCount(), 0U);
    EXPECT_FALSE(table.next());
}

TEST(ParadoxWriter, ManyRecordsSpanChainedBlocksAndGrowTheBlockSizeWhenAsked)
{
    TempFolder folder;
    WriteOptions options;
    options.expectedRecords = 1'000'000;
    TableWriter writer(folder / "BIG.db",
                       {field("N", FieldType::Long), field("T", FieldType::Alpha, 200)},
                       options);
    EXPECT_GT(writer.blockSize(), 2048);
    for (int i = 1; i <= 200'000; ++i) {
        writer.append(std::vector{Value::integer(i), Value::text("row")});
    }
    writer.commit();
    TableReader table = TableReader::open(folder / "BIG.db");
    EXPECT_EQ(table.recordCount(), 200'000U);
    EXPECT_TRUE(table.warnings().empty());
    std::int64_t expected = 1;
    bool inOrder = true;
    while (table.next()) {
        inOrder = inOrder && table.value(0).asInteger() == expected++;
    }
    EXPECT_TRUE(inOrder);
}
