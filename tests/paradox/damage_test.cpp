// Damaged tables never crash the reader and never read out of bounds: each gives an error
// (or, where the data is still there, a warning) that says which file and what is wrong.

#include "paradox/codec.h"
#include "paradox/error.h"
#include "paradox/reader.h"
#include "support/tablefiles.h"

#include <gtest/gtest.h>

using namespace tw::paradox;
using tw::db::Value;
using tw::test::field;
using tw::test::TempFolder;

namespace {

class DamagedTable : public ::testing::Test
{
protected:
    // A two-block table (records of 976 bytes, two to a block) with a memo in the .MB.
    void SetUp() override
    {
        std::vector<Field> fields = {field("N", FieldType::Long)};
        for (int i = 0; i < 4; ++i) {
            fields.push_back(field("Pad" + std::to_string(i), FieldType::Alpha, 240));
        }
        fields.push_back(field("M", FieldType::Memo, 11));
        std::vector<std::vector<Value>> wide;
        for (int i = 0; i < 3; ++i) {
            std::vector<Value> row = {Value::integer(i + 1)};
            for (int k = 0; k < 4; ++k) {
                row.push_back(Value::text("pad"));
            }
            row.push_back(Value::text(std::string(100, static_cast<char>('a' + i))));
            wide.push_back(row);
        }
        tw::test::writeTable(m_folder / "T.db", fields, wide);
        m_bytes = tw::test::readFile(m_folder / "T.db");
        ASSERT_EQ(readLe16(&m_bytes[0x0C]), 2) << "the fixture needs two blocks";
    }

    std::filesystem::path damaged(const std::vector<std::uint8_t> &bytes)
    {
        tw::test::writeFile(m_folder / "T.db", bytes);
        return m_folder / "T.db";
    }

    // Opens and reads every value; returns the first error's text, or "" when none.
    std::string readError(const std::filesystem::path &path)
    {
        try {
            TableReader table = TableReader::open(path);
            while (table.next()) {
                for (std::size_t i = 0; i < table.fields().size(); ++i) {
                    table.value(i);
                }
            }
            return {};
        } catch (const Error &e) {
            return e.what();
        }
    }

    TempFolder m_folder;
    std::vector<std::uint8_t> m_bytes;
};

} // namespace

TEST_F(DamagedTable, AFileTooShortForAHeader)
{
    const std::string error = readError(damaged({0x01, 0x02, 0x03}));
    EXPECT_NE(error.find("T.db"), std::string::npos) << error;
    EXPECT_NE(error.find("too short"), std::string::npos) << error;
    EXPECT_NE(readError(damaged({})), "");
}

TEST_F(DamagedTable, ATextFileNamedDb)
{
    const std::string text = "This is not a table at all, just some words someone saved as .db.\n"
                             "It is long enough to hold a header, and more besides, so the checks "
                             "of the fields must be what catches it.\n";
    const std::string error =
        readError(damaged(std::vector<std::uint8_t>(text.begin(), text.end())));
    EXPECT_NE(error.find("T.db is not a readable Paradox table"), std::string::npos) << error;
}

TEST_F(DamagedTable, ARecordSizeThatDoesNotMatchTheFields)
{
    auto bytes = m_bytes;
    writeLe16(&bytes[0], static_cast<std::uint16_t>(readLe16(&bytes[0]) + 1));
    EXPECT_NE(readError(damaged(bytes)).find("the fields take"), std::string::npos);
}

TEST_F(DamagedTable, ATruncatedFileWhoseChainPointsPastTheEnd)
{
    auto bytes = m_bytes;
    bytes.resize(bytes.size() - 2048);
    const std::string error = readError(damaged(bytes));
    EXPECT_NE(error.find("points to block 2"), std::string::npos) << error;
}

TEST_F(DamagedTable, ALoopingChainStopsWithAWarningAndTheCountMismatchIsReported)
{
    auto bytes = m_bytes;
    writeLe16(&bytes[0x800 + 2048], 1); // block 2 links back to block 1
    TableReader table = TableReader::open(damaged(bytes));
    EXPECT_EQ(table.recordCount(), 3U);
    ASSERT_EQ(table.warnings().size(), 1U);
    EXPECT_NE(table.warnings()[0].find("loops back to block 1"), std::string::npos);

    writeLe16(&bytes[0x800 + 2048], 0);
    writeLe32(&bytes[0x06], 1'000'000);
    TableReader overcounted = TableReader::open(damaged(bytes));
    EXPECT_EQ(overcounted.recordCount(), 3U);
    ASSERT_EQ(overcounted.warnings().size(), 1U);
    EXPECT_NE(overcounted.warnings()[0].find("counts 1000000 records but the blocks hold 3"),
              std::string::npos);
}

TEST_F(DamagedTable, ABlockClaimingMoreRecordsThanItHolds)
{
    auto bytes = m_bytes;
    writeLe16(&bytes[0x800 + 4], 30000);
    TableReader table = TableReader::open(damaged(bytes));
    EXPECT_EQ(table.recordCount(), 1U);
    EXPECT_FALSE(table.warnings().empty());
}

TEST_F(DamagedTable, ABlobPointerIntoNowhere)
{
    auto bytes = m_bytes;
    const std::size_t memoControl = 0x800 + 6 + 4 + 4 * 240 + 1;
    writeLe32(&bytes[memoControl], 0x00700000U | 0xFFU);
    const std::string error = readError(damaged(bytes));
    EXPECT_NE(error.find("field \"M\" of record 1"), std::string::npos) << error;
    EXPECT_NE(error.find("outside T.MB"), std::string::npos) << error;

    writeLe32(&bytes[memoControl], 0x1000U | 17U); // an unused slot
    EXPECT_NE(readError(damaged(bytes)).find("slot 17"), std::string::npos);

    writeLe32(&bytes[memoControl], 0x1000U | 63U);
    writeLe32(&bytes[memoControl + 4], 4000); // longer than the slot holds
    EXPECT_NE(readError(damaged(bytes)).find("holds 100 bytes"), std::string::npos);
}

TEST_F(DamagedTable, AMissingOrTruncatedBlobFile)
{
    auto mb = tw::test::readFile(m_folder / "T.MB");
    std::filesystem::remove(m_folder / "T.MB");
    const std::string missing = readError(m_folder / "T.db");
    EXPECT_NE(missing.find(".MB file, which is missing"), std::string::npos) << missing;

    mb.resize(4096 + 100);
    tw::test::writeFile(m_folder / "T.MB", mb);
    EXPECT_NE(readError(m_folder / "T.db"), "");
}

TEST_F(DamagedTable, EverySingleByteFlipInTheHeaderIsSurvived)
{
    // Not every flip is detectable, but none may crash or hang the reader: each table either
    // reads whole or fails with an error naming its file.
    int refused = 0;
    for (std::size_t at = 0; at < 0x160; ++at) {
        auto bytes = m_bytes;
        bytes[at] ^= 0xFF;
        const std::string error = readError(damaged(bytes));
        EXPECT_TRUE(error.empty() || error.find("T.db") != std::string::npos)
            << "byte " << at << ": " << error;
        refused += error.empty() ? 0 : 1;
    }
    EXPECT_GT(refused, 0) << "a flip of the header's checked bytes is found";
}
