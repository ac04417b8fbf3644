// Keyed tables: the records in key order through a bounded sort, and a primary index that
// holds exactly what the data blocks imply, checked by the same code against the indexes
// Paradox itself wrote.

#include "paradox/error.h"
#include "paradox/family.h"
#include "paradox/primaryindex.h"
#include "paradox/reader.h"
#include "paradox/recordsort.h"
#include "paradox/writer.h"
#include "support/tablefiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace tw::paradox;
using tw::db::Value;
using tw::test::field;
using tw::test::TempFolder;

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> corpusKeyedTables()
{
    std::vector<fs::path> tables;
    const fs::path corpus = TW_PARADOX_CORPUS;
    if (!fs::is_directory(corpus)) {
        return tables;
    }
    for (const auto &entry : fs::recursive_directory_iterator(corpus)) {
        std::string extension = entry.path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
        if (extension == ".px") {
            for (const char *db : {".db", ".DB"}) {
                fs::path table = entry.path();
                if (fs::exists(table.replace_extension(db))) {
                    tables.push_back(table);
                    break;
                }
            }
        }
    }
    std::sort(tables.begin(), tables.end());
    return tables;
}

std::vector<std::vector<std::string>> readAll(const fs::path &table)
{
    TableReader reader = TableReader::open(table);
    std::vector<std::vector<std::string>> rows;
    while (reader.next()) {
        std::vector<std::string> row;
        for (std::size_t f = 0; f < reader.fields().size(); ++f) {
            row.push_back(reader.value(f).toText());
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace

TEST(PrimaryIndex, EveryIndexParadoxWroteHoldsWhatItsDataBlocksImply)
{
    const std::vector<fs::path> tables = corpusKeyedTables();
    if (tables.empty()) {
        GTEST_SKIP() << "the Paradox corpus is not beside the project";
    }
    for (const fs::path &table : tables) {
        SCOPED_TRACE(table.string());
        EXPECT_EQ(primaryIndexProblems(table), std::vector<std::string>{});
    }
    EXPECT_GE(tables.size(), 25U);
}

TEST(PrimaryIndex, AKeyedTableIsWrittenInKeyOrderWithAnIndexOfEveryLevel)
{
    // 20,000 records of 10 to a block: 2,000 data blocks need a two-level index.
    TempFolder folder;
    const std::vector<Field> fields = {field("Region", FieldType::Alpha, 3),
                                       field("Id", FieldType::Long),
                                       field("Note", FieldType::Alpha, 200)};
    std::vector<int> ids(20000);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        ids[i] = static_cast<int>(i) - 10000;
    }
    std::shuffle(ids.begin(), ids.end(), std::mt19937(7));
    WriteOptions keyed;
    keyed.keyFields = 2;
    {
        TableWriter writer(folder / "KEYED.db", fields, keyed);
        for (const int id : ids) {
            writer.append(std::vector{Value::text(id % 2 == 0 ? "B" : "A"),
                                      Value::integer(id),
                                      Value::text("n" + std::to_string(id))});
        }
        writer.commit();
    }
    EXPECT_EQ(primaryIndexProblems(folder / "KEYED.db"), std::vector<std::string>{});
    const TableHeader header = parseHeader(FileSource(folder / "KEYED.db"));
    EXPECT_EQ(header.fileType, 0);
    EXPECT_EQ(header.primaryKeyFields, 2);
    const PrimaryIndex index =
        readPrimaryIndex(FileSource(folder / "KEYED.PX"), keyBytesOf(header.fields, 2));
    EXPECT_EQ(index.levels, 2);
    EXPECT_EQ(index.leaves.size(), header.fileBlocks);

    const auto rows = readAll(folder / "KEYED.db");
    ASSERT_EQ(rows.size(), ids.size());
    EXPECT_EQ(rows.front(), (std::vector<std::string>{"A", "-9999", "n-9999"}));
    EXPECT_EQ(rows.back(), (std::vector<std::string>{"B", "9998", "n9998"}));
    EXPECT_EQ(folder.fileNames(), (std::vector<std::string>{"KEYED.PX", "KEYED.db"}));

    // An empty keyed table has an index of its header alone, as Paradox writes one.
    TableWriter(folder / "EMPTY.db", fields, keyed).commit();
    EXPECT_EQ(primaryIndexProblems(folder / "EMPTY.db"), std::vector<std::string>{});
    EXPECT_EQ(fs::file_size(folder / "EMPTY.PX"), 2048U);
}

TEST(PrimaryIndex, TwoRecordsWithOneKeyNameItAndLeaveNothing)
{
    TempFolder folder;
    WriteOptions keyed;
    keyed.keyFields = 1;
    {
        TableWriter writer(folder / "TWICE.db",
                           {field("Code", FieldType::Alpha, 5), field("N", FieldType::Short)},
                           keyed);
        writer.append(std::vector{Value::text("x"), Value::integer(1)});
        writer.append(std::vector{Value::text("y"), Value::integer(2)});
        writer.append(std::vector{Value::text("x"), Value::integer(3)});
        try {
            writer.commit();
            FAIL() << "a key held twice was written";
        } catch (const Error &e) {
            EXPECT_NE(std::string(e.what()).find("same key (Code x)"), std::string::npos)
                << e.what();
        }
    }
    EXPECT_EQ(folder.fileNames(), std::vector<std::string>{});
    {
        // The two meet across a block boundary: 510 four-byte records fill a block.
        TableWriter writer(folder / "EDGE.db", {field("K", FieldType::Long)}, keyed);
        for (int k = 0; k < 510; ++k) {
            writer.append(std::vector{Value::integer(k)});
        }
        writer.append(std::vector{Value::integer(509)});
        EXPECT_THROW(writer.commit(), Error);
    }
    EXPECT_EQ(folder.fileNames(), std::vector<std::string>{});
    EXPECT_THROW(TableWriter(folder / "MEMO.db",
                             {field("M", FieldType::Memo, 20), field("N", FieldType::Short)},
                             keyed),
                 Error);
}

TEST(RecordSorter, RunsOnDiskMergeIntoOneStableOrderAndTheWorkFileGoes)
{
    TempFolder folder;
    const tw::Folder dir(folder.path());
    std::vector<std::array<std::uint8_t, 3>> records;
    std::mt19937 random(3);
    for (int i = 0; i < 5000; ++i) {
        records.push_back({static_cast<std::uint8_t>(random() % 50),
                           static_cast<std::uint8_t>(random() % 256),
                           static_cast<std::uint8_t>(i % 256)});
    }
    std::vector<std::array<std::uint8_t, 3>> sorted;
    {
        RecordSorter sorter(dir, "T.db", 3, 1, 300); // 100 records to a run
        for (const auto &record : records) {
            sorter.add(record);
        }
        EXPECT_GE(sorter.runs(), 49U);
        EXPECT_EQ(folder.fileNames().size(), 1U);
        sorter.drain([&](std::span<const std::uint8_t> r) {
            sorted.push_back({r[0], r[1], r[2]});
        });
    }
    std::stable_sort(
        records.begin(), records.end(), [](const auto &a, const auto &b) { return a[0] < b[0]; });
    EXPECT_EQ(sorted, records);
    EXPECT_EQ(folder.fileNames(), std::vector<std::string>{});
}
