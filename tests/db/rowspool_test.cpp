#include "db/rowspool.h"

#include "db/error.h"

#include <gtest/gtest.h>

#include <cstdlib>

using tw::db::RowSpool;
using tw::db::Value;

TEST(RowSpool, RowsSpilledToATemporaryFileReadBackExactlyAndInOrder)
{
    RowSpool spool(1024);
    std::vector<std::vector<Value>> rows;
    for (int i = 0; i < 2000; ++i) {
        rows.push_back({Value::integer(i),
                        Value::text(std::string(static_cast<std::size_t>(i % 300), 'x')),
                        Value(),
                        Value::real(i / 7.0),
                        Value::decimal("12.34"),
                        Value::boolean(i % 2 == 0),
                        Value::date({2000, 1, 1}),
                        Value::time({static_cast<std::uint32_t>(i)}),
                        Value::timestamp({{1999, 12, 31}, 5, 7}),
                        Value::bytes({1, 0, 2})});
        spool.append(rows.back());
    }
    rows.push_back({});
    spool.append(rows.back());
    EXPECT_TRUE(spool.spilled());
    spool.rewind();
    std::vector<Value> row;
    for (const auto &expected : rows) {
        ASSERT_TRUE(spool.read(row));
        EXPECT_EQ(row, expected);
    }
    EXPECT_FALSE(spool.read(row));
    EXPECT_EQ(spool.rows(), 2001U);
}

TEST(RowSpool, SpillsIntoTheTemporaryFolderTMPDIRNames)
{
    const char *saved = std::getenv("TMPDIR");
    const std::string keep = saved != nullptr ? saved : "";
    ::setenv("TMPDIR", "/nonexistent-tmpdir", 1);
    RowSpool spool(16);
    EXPECT_THROW(spool.append({Value::text(std::string(64, 'x'))}), tw::db::Error);
    if (saved != nullptr) {
        ::setenv("TMPDIR", keep.c_str(), 1);
    } else {
        ::unsetenv("TMPDIR");
    }
}
