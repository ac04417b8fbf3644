// The ODBC backend through the real stack: unixODBC, the DB2 emulation driver, SQLite.

#include "db/connection.h"
#include "support/db2emu.h"

#include <gtest/gtest.h>

using namespace tw::db;
using tw::test::Db2Emu;

namespace {

class OdbcBackend : public ::testing::Test
{
protected:
    OdbcBackend() { db2.open(Db2Emu::connectionString()); }

    Db2Emu emu;
    Connection db2;
};

} // namespace

TEST_F(OdbcBackend, EverySeededTypeComesBackWithItsTypeCodeAndExactValue)
{
    db2.execute(
        "CREATE TABLE \"ALL\"(S SMALLINT, I INTEGER, B BIGINT, D DECIMAL(31,10), R REAL, F DOUBLE, "
        "C CHAR(3), V VARCHAR(20), L LONG VARCHAR, CL CLOB, BL BLOB, DT DATE, T TIME, TS "
        "TIMESTAMP)");
    db2.execute("INSERT INTO \"ALL\" VALUES(-7, 2147483647, -9223372036854775808, "
                "'-123456789012345678901.0123456789', 0.5, 0.1, 'é', 'Zoë''s', 'long', 'clob', "
                "X'DEADBEEF', "
                "'1901-12-13', '23:59:59', '2038-01-19 03:14:07.999999')");
    db2.execute("INSERT INTO \"ALL\" VALUES(NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
                "NULL, NULL, NULL, "
                "NULL, NULL)");
    Recordset rows;
    rows.setCursorLocation(CursorLocation::Client);
    rows.open("SELECT * FROM \"ALL\"", db2);
    ASSERT_EQ(rows.recordCount(), 2);
    std::vector<int> types;
    for (const Field &field : rows.fields()) {
        types.push_back(field.type);
    }
    EXPECT_EQ(types,
              (std::vector<int>{adSmallInt,
                                adInteger,
                                adBigInt,
                                adNumeric,
                                adSingle,
                                adDouble,
                                adChar,
                                adVarChar,
                                adLongVarChar,
                                adLongVarChar,
                                adLongVarBinary,
                                adDBDate,
                                adDBTime,
                                adDBTimeStamp}));
    EXPECT_EQ(rows.fields()[7].name, "V");
    EXPECT_EQ(rows.value("S"), Value::integer(-7));
    EXPECT_EQ(rows.value("B"), Value::integer(std::numeric_limits<std::int64_t>::min()));
    EXPECT_EQ(rows.value("D"), Value::decimal("-123456789012345678901.0123456789"));
    EXPECT_EQ(rows.value("R"), Value::real(0.5));
    EXPECT_EQ(rows.value("F"), Value::real(0.1));
    EXPECT_EQ(rows.value("C"), Value::text("é "));
    EXPECT_EQ(rows.value("V"), Value::text("Zoë's"));
    EXPECT_EQ(rows.value("BL"), Value::bytes({0xDE, 0xAD, 0xBE, 0xEF}));
    EXPECT_EQ(rows.value("DT"), Value::date({1901, 12, 13}));
    EXPECT_EQ(rows.value("T"), Value::time({86'399'000}));
    EXPECT_EQ(rows.value("TS"), Value::timestamp({{2038, 1, 19}, 11'647'999, 999}));
    rows.moveNext();
    for (std::size_t i = 0; i < rows.fields().size(); ++i) {
        EXPECT_TRUE(rows.value(i).isNull()) << rows.fields()[i].name;
    }
    rows.moveNext();
    EXPECT_TRUE(rows.eof());
    EXPECT_THROW(rows.value(0), Error);
}

TEST_F(OdbcBackend, ALongClobIsReadWholeWhateverTheBufferSize)
{
    db2.execute("CREATE TABLE \"BIG\"(\"C\" CLOB(1M))");
    std::string expected;
    std::string insert = "INSERT INTO \"BIG\" VALUES(";
    for (int part = 0; part < 10; ++part) {
        const std::string piece(10'000, static_cast<char>('a' + part));
        expected += piece;
        insert += (part == 0 ? "'" : " || '") + piece + "'";
    }
    db2.execute(insert + ")");
    Recordset rows;
    rows.open("SELECT * FROM \"BIG\"", db2);
    ASSERT_EQ(rows.value(0).asText().size(), 100'000U);
    EXPECT_EQ(rows.value(0).asText(), expected);
}

TEST_F(OdbcBackend, ClientCursorsCountExactlyServerCursorsStream)
{
    db2.execute("CREATE TABLE \"N\"(\"K\" INTEGER, \"T\" VARCHAR(40))");
    for (const int rowsWanted : {0, 1}) {
        Recordset rows;
        rows.setCursorLocation(CursorLocation::Client);
        rows.open("SELECT * FROM \"N\"", db2);
        EXPECT_EQ(rows.recordCount(), rowsWanted);
        EXPECT_EQ(rows.eof(), rowsWanted == 0);
        db2.execute("INSERT INTO \"N\" VALUES(1, 'one')");
    }
    Recordset server;
    server.open("SELECT * FROM \"N\"", db2);
    EXPECT_EQ(server.recordCount(), -1);
    EXPECT_FALSE(server.eof());
}

TEST_F(OdbcBackend, AQuarterMillionRowsAreCountedExactlyAndReadInOrder)
{
    // Seeded through SQLite directly: a quarter of a million INSERT texts would only test speed.
    db2.execute("CREATE TABLE \"MANY\"(\"K\" INTEGER, \"T\" VARCHAR(40))");
    db2.execute("INSERT INTO \"MANY\" VALUES(0, 'zero')");
    {
        // The emulator keeps a table's rows in store t1 with columns c1, c2.
        const std::string sqlite =
            "sqlite3 '" + emu.databaseFile() +
            "' \"WITH RECURSIVE n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n WHERE k < "
            "249999) INSERT INTO t1 SELECT k, 'row ' || k FROM n\"";
        ASSERT_EQ(std::system(sqlite.c_str()), 0);
    }
    Recordset rows;
    rows.setCursorLocation(CursorLocation::Client);
    rows.open("SELECT * FROM \"MANY\"", db2);
    ASSERT_EQ(rows.recordCount(), 250'000);
    std::int64_t expected = 0;
    bool inOrder = true;
    for (std::int64_t k = 0; k < rows.recordCount(); ++k, rows.moveNext()) {
        inOrder = inOrder && rows.value(0).asInteger() == expected++;
    }
    EXPECT_TRUE(inOrder);
    EXPECT_TRUE(rows.eof());
}

TEST_F(OdbcBackend, FailuresCarryTheDriversOwnWords)
{
    try {
        db2.execute("DROP TABLE \"NOPE\"");
        FAIL();
    } catch (const Error &e) {
        EXPECT_STREQ(
            e.what(),
            "[IBM][CLI Driver][DB2/LINUXX8664] SQL0204N  \"ADMIN.NOPE\" is an undefined name.  "
            "SQLSTATE=42704");
        EXPECT_EQ(e.sqlState(), "42S02");
        EXPECT_EQ(e.nativeError(), -204);
    }
}

TEST_F(OdbcBackend, ClosedObjectsRefuseToWork)
{
    Connection closed;
    EXPECT_THROW(closed.execute("DROP TABLE X"), Error);
    Recordset rows;
    EXPECT_THROW(rows.recordCount(), Error);
    EXPECT_THROW(db2.open(Db2Emu::connectionString()), Error) << "opened twice";
    db2.close();
    EXPECT_THROW(db2.execute("DROP TABLE X"), Error);
}
