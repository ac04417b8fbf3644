// Every table of the shared corpus (real files made by Paradox itself) must read, and each
// value must equal the reference dump beside it.

#include "dumpformat.h"
#include "paradox/describe.h"
#include "paradox/error.h"
#include "paradox/reader.h"
#include "support/tablefiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using tw::paradox::TableReader;

// Splits CSV text into records of cells; a cell keeps its quotes so that a Null (empty,
// unquoted) and an empty text stay apart.
std::vector<std::vector<std::string>> parseCsv(const std::string &text)
{
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> record;
    std::string cell;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            cell += c;
            if (c == '"') {
                if (i + 1 < text.size() && text[i + 1] == '"') {
                    cell += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            }
        } else if (c == '"') {
            quoted = true;
            cell += c;
        } else if (c == ',') {
            record.push_back(cell);
            cell.clear();
        } else if (c == '\n') {
            record.push_back(cell);
            records.push_back(record);
            record.clear();
            cell.clear();
        } else {
            cell += c;
        }
    }
    return records;
}

struct Oracle
{
    fs::path table;
    std::vector<std::vector<std::string>> rows;
};

Oracle loadOracle(const fs::path &csv)
{
    std::ifstream in(csv, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string text = buffer.str();
    // Drop the '#' lines and the row of field names.
    std::size_t at = 0;
    while (at < text.size() && text[at] == '#') {
        at = text.find('\n', at) + 1;
    }
    at = text.find('\n', at) + 1;
    Oracle oracle;
    oracle.rows = parseCsv(text.substr(at));
    const std::string stem = csv.filename().string().substr(0, csv.filename().string().size() - 11);
    for (const auto &entry : fs::directory_iterator(csv.parent_path())) {
        std::string name = entry.path().filename().string();
        std::string lower = name;
        for (char &c : lower) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        std::string wanted = stem + ".db";
        for (char &c : wanted) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        if (lower == wanted) {
            oracle.table = entry.path();
        }
    }
    return oracle;
}

// The reference dump prints junk for the filler nibbles of a long BCD; only the digits
// before them are its value.
bool hasBcdFiller(const tw::paradox::Field &field, const std::string &cell)
{
    return field.type == tw::paradox::FieldType::Bcd &&
           cell.find_first_not_of("0123456789.-") != std::string::npos;
}

std::vector<fs::path> corpusDumps()
{
    std::vector<fs::path> dumps;
    const fs::path folder = tw::test::corpusFolder();
    if (folder.empty()) {
        return dumps;
    }
    for (const auto &entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.size() > 11 && name.substr(name.size() - 11) == ".oracle.csv") {
            dumps.push_back(entry.path());
        }
    }
    std::sort(dumps.begin(), dumps.end());
    return dumps;
}

} // namespace

TEST(ParadoxCorpus, EveryTableReadsWithTheValuesOfItsReferenceDump)
{
    const std::vector<fs::path> dumps = corpusDumps();
    if (dumps.empty()) {
        GTEST_SKIP() << "the Paradox corpus is not beside the project";
    }
    int tables = 0;
    for (const fs::path &csv : dumps) {
        SCOPED_TRACE(csv.string());
        const Oracle oracle = loadOracle(csv);
        ASSERT_FALSE(oracle.table.empty());
        TableReader table = TableReader::open(oracle.table);
        ASSERT_EQ(table.recordCount(), oracle.rows.size());
        std::size_t row = 0;
        while (table.next()) {
            const auto &expected = oracle.rows[row];
            ASSERT_EQ(expected.size(), table.fields().size()) << "row " << row;
            for (std::size_t i = 0; i < expected.size(); ++i) {
                SCOPED_TRACE("row " + std::to_string(row + 1) + " field " + table.fields()[i].name);
                if (expected[i] == "ERROR") {
                    EXPECT_THROW(table.value(i), tw::paradox::Error);
                    continue;
                }
                const std::string ours = tw::paradox::dump::cell(table.fields()[i], table.value(i));
                if (hasBcdFiller(table.fields()[i], expected[i])) {
                    const std::string digits =
                        expected[i].substr(0, expected[i].find_first_not_of("0123456789.-"));
                    EXPECT_EQ(ours.substr(0, digits.size()), digits);
                    EXPECT_EQ(ours.find_first_not_of("0123456789.-"), std::string::npos) << ours;
                } else {
                    EXPECT_EQ(ours, expected[i]);
                }
            }
            ++row;
        }
        ++tables;
    }
    EXPECT_GE(tables, 60);
}

TEST(ParadoxCorpus, DamageInRealFilesIsSurvivedAndReported)
{
    const fs::path folder = tw::test::corpusFolder();
    if (folder.empty()) {
        GTEST_SKIP() << "the Paradox corpus is not beside the project";
    }
    // ZIPCODES.DB's last block is cut short on disk; every counted record is still there.
    TableReader zipcodes = TableReader::open(folder / "leonhad/areas/ZIPCODES.DB");
    EXPECT_EQ(zipcodes.recordCount(), 43185U);
    EXPECT_EQ(zipcodes.headerRecordCount(), 43185U);

    // MEMBRE.DB has no .MB: values beyond the leader fail with a message naming the file.
    TableReader membre = TableReader::open(folder / "teverett/MEMBRE.DB");
    EXPECT_FALSE(membre.hasBlobFile());
    bool failed = false;
    while (membre.next() && !failed) {
        for (std::size_t i = 0; i < membre.fields().size(); ++i) {
            try {
                membre.value(i);
            } catch (const tw::paradox::Error &e) {
                failed = true;
                EXPECT_NE(std::string(e.what()).find("MEMBRE.DB"), std::string::npos) << e.what();
                EXPECT_NE(std::string(e.what()).find(".MB file, which is missing"),
                          std::string::npos);
            }
        }
    }
    EXPECT_TRUE(failed);
}

TEST(ParadoxCorpus, EncryptedTablesReadWithoutThePassword)
{
    const fs::path folder = tw::test::corpusFolder();
    if (folder.empty()) {
        GTEST_SKIP() << "the Paradox corpus is not beside the project";
    }
    const auto rows = tw::test::readAll(folder / "leonhad/encrypt/encrypted.db");
    ASSERT_EQ(rows.size(), 4U);
    EXPECT_EQ(rows[3][0].asInteger(), 4);
    EXPECT_EQ(rows[3][1].asText(), "Last one");
    const auto memos = tw::test::readAll(folder / "leonhad/encrypt/encryptedmemo.db");
    ASSERT_EQ(memos.size(), 2U);
    EXPECT_EQ(memos[0][0].asText().size(), 55855U);
    EXPECT_EQ(memos[1][0].asText().size(), 494832U);
}

TEST(ParadoxCorpus, EachTableDescribesItsVersionRecordsCodePageAndDamageFromItsHeader)
{
    const std::vector<fs::path> dumps = corpusDumps();
    if (dumps.empty()) {
        GTEST_SKIP() << "the Paradox corpus is not beside the project";
    }
    const std::map<std::string, std::string> versions = {
        {"30", "3.0"}, {"35", "3.5"}, {"40", "4.x"}, {"45", "4.x"}, {"50", "5.x"}, {"70", "7.x"}};
    for (const fs::path &csv : dumps) {
        SCOPED_TRACE(csv.string());
        std::ifstream in(csv);
        std::string line;
        std::getline(in, line); // # file: ...
        std::getline(in, line); // # fileversion=30 filetype=2 numrecords=6 ...
        auto field = [&](const std::string &key) {
            const std::size_t at = line.find(" " + key + "=") + key.size() + 2;
            return line.substr(at, line.find(' ', at) - at);
        };
        const Oracle oracle = loadOracle(csv);
        std::string text;
        for (const std::string &described : tw::paradox::describeTable(oracle.table)) {
            text += described + "\n";
        }
        EXPECT_NE(text.find("Paradox " + versions.at(field("fileversion")) + " table, " +
                            (field("filetype") == "0" ? "keyed" : "not keyed")),
                  std::string::npos)
            << text;
        EXPECT_NE(text.find("\n" + field("numrecords") + " record"), std::string::npos) << text;
        const std::string encoding = field("textencoding");
        const std::string codePage = encoding == "HP-ROMAN8" ? "HP Roman-8"
                                     : encoding == "BIG5"    ? "950"
                                                             : encoding.substr(2);
        EXPECT_NE(text.find("Code page " + codePage), std::string::npos) << text;
        EXPECT_EQ(text.find("Encrypted") != std::string::npos, field("encryption") != "0x00000000")
            << text;
    }
    const fs::path folder = tw::test::corpusFolder();
    const auto membre = tw::paradox::describeTable(folder / "teverett/MEMBRE.DB");
    EXPECT_NE(std::find(membre.begin(), membre.end(), "Memo file missing"), membre.end());
}
