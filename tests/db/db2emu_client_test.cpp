// Any ODBC client reads the DB2 emulation the way it reads DB2: through unixODBC with the wide
// calls, typed C targets and the catalog calls, with the CLI's conversion errors.

#include "db/odbc/handle.h"
#include "support/db2emu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

using tw::db::odbc::DbcHandle;
using tw::db::odbc::EnvHandle;
using tw::db::odbc::StmtHandle;
using tw::test::Db2Emu;

namespace {

std::u16string wide(const std::string &ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

SQLWCHAR *wideArgument(std::u16string &text)
{
    return reinterpret_cast<SQLWCHAR *>(text.data());
}

// Every index of the table, as SQLStatistics lists them.
SQLRETURN statistics(SQLHSTMT stmt, std::u16string table)
{
    return SQLStatisticsW(
        stmt, nullptr, 0, nullptr, 0, wideArgument(table), SQL_NTS, SQL_INDEX_ALL, SQL_QUICK);
}

// A Unicode client: connects, runs and reads through the wide entry points only.
class WideClient : public ::testing::Test
{
protected:
    WideClient()
    {
        env.allocate(SQL_NULL_HANDLE);
        SQLSetEnvAttr(
            env.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        dbc.allocate(env.get());
        std::u16string in = wide(Db2Emu::connectionString());
        SQLWCHAR out[512];
        SQLSMALLINT outLength = 0;
        const SQLRETURN rc = SQLDriverConnectW(dbc.get(),
                                               nullptr,
                                               wideArgument(in),
                                               SQL_NTS,
                                               out,
                                               512,
                                               &outLength,
                                               SQL_DRIVER_NOPROMPT);
        EXPECT_EQ(rc, SQL_SUCCESS) << lastError(SQL_HANDLE_DBC, dbc.get());
        EXPECT_EQ(outLength, static_cast<SQLSMALLINT>(in.size()));
        stmt.allocate(dbc.get());
    }

    static std::string lastError(SQLSMALLINT type, SQLHANDLE handle)
    {
        SQLWCHAR state[6];
        SQLINTEGER native = 0;
        SQLWCHAR message[1024];
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(
                SQLGetDiagRecW(type, handle, 1, state, &native, message, 1024, &length))) {
            return {};
        }
        std::string text;
        for (int i = 0; i < 5; ++i) {
            text += static_cast<char>(state[i]);
        }
        return text + " " + std::to_string(native);
    }

    SQLRETURN run(const std::string &sql)
    {
        SQLFreeStmt(stmt.get(), SQL_CLOSE);
        std::u16string text = wide(sql);
        return SQLExecDirectW(stmt.get(), wideArgument(text), SQL_NTS);
    }

    // Reads one column of a table's first row into `target`.
    template <class T>
    SQLRETURN fetchAs(const std::string &table, SQLUSMALLINT column, SQLSMALLINT cType, T &target)
    {
        EXPECT_EQ(run("SELECT * FROM " + table), SQL_SUCCESS)
            << lastError(SQL_HANDLE_STMT, stmt.get());
        EXPECT_EQ(SQLFetch(stmt.get()), SQL_SUCCESS);
        SQLLEN indicator = 0;
        return SQLGetData(stmt.get(), column, cType, &target, sizeof target, &indicator);
    }

    std::string state() const
    {
        std::string text = lastError(SQL_HANDLE_STMT, stmt.get());
        return text.substr(0, 5);
    }

    Db2Emu emu;
    EnvHandle env;
    DbcHandle dbc;
    StmtHandle stmt;
};

} // namespace

TEST_F(WideClient, ReadsEveryColumnTypeIntoItsOwnCType)
{
    emu.seed({"CREATE TABLE ALL_TYPES(S SMALLINT, I INTEGER, B BIGINT, D DECIMAL(11,2), R REAL, "
              "F DOUBLE, C CHAR(4), V VARCHAR(20), L LONG VARCHAR, K CLOB(1K), O BLOB(1K), "
              "DT DATE, TM TIME, TS TIMESTAMP)",
              "INSERT INTO ALL_TYPES VALUES(-7, 2000000000, 9000000000000, -1250.05, 0.5, 1.25, "
              "'ab', 'Zoë 𝄞', 'long', 'clob', X'00FF', '2021-08-31', '10:15:30', "
              "'2021-09-02-16.45.30.500001')"});
    ASSERT_EQ(run("SELECT * FROM ALL_TYPES"), SQL_SUCCESS);
    SQLWCHAR name[32];
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT type = 0;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
    SQLSMALLINT nullable = 0;
    ASSERT_EQ(
        SQLDescribeColW(stmt.get(), 14, name, 32, &nameLength, &type, &size, &digits, &nullable),
        SQL_SUCCESS);
    EXPECT_EQ(std::u16string(reinterpret_cast<char16_t *>(name), nameLength), u"TS");
    EXPECT_EQ(type, SQL_TYPE_TIMESTAMP);
    ASSERT_EQ(SQLFetch(stmt.get()), SQL_SUCCESS);

    SQLLEN indicator = 0;
    auto get = [&](SQLUSMALLINT column, SQLSMALLINT cType, void *target, SQLLEN length) {
        const SQLRETURN rc = SQLGetData(stmt.get(), column, cType, target, length, &indicator);
        EXPECT_EQ(rc, SQL_SUCCESS)
            << "column " << column << " " << lastError(SQL_HANDLE_STMT, stmt.get());
    };
    SQLSMALLINT s = 0;
    SQLINTEGER i = 0;
    SQLBIGINT b = 0;
    SQL_NUMERIC_STRUCT d{};
    float r = 0;
    double f = 0;
    get(1, SQL_C_SSHORT, &s, sizeof s);
    get(2, SQL_C_SLONG, &i, sizeof i);
    get(3, SQL_C_SBIGINT, &b, sizeof b);
    get(4, SQL_C_NUMERIC, &d, sizeof d);
    get(5, SQL_C_FLOAT, &r, sizeof r);
    get(6, SQL_C_DOUBLE, &f, sizeof f);
    EXPECT_EQ(s, -7);
    EXPECT_EQ(i, 2000000000);
    EXPECT_EQ(b, 9000000000000LL);
    EXPECT_EQ(d.sign, 0);
    EXPECT_EQ(d.scale, 2);
    EXPECT_EQ(d.val[0] | d.val[1] << 8 | d.val[2] << 16, 125005);
    EXPECT_EQ(r, 0.5F);
    EXPECT_EQ(f, 1.25);

    std::vector<std::u16string> texts;
    for (SQLUSMALLINT column = 7; column <= 10; ++column) {
        char16_t buffer[64];
        get(column, SQL_C_WCHAR, buffer, sizeof buffer);
        texts.emplace_back(buffer, static_cast<std::size_t>(indicator) / sizeof(char16_t));
    }
    EXPECT_EQ(texts, (std::vector<std::u16string>{u"ab  ", u"Zoë 𝄞", u"long", u"clob"}));
    unsigned char bytes[8];
    get(11, SQL_C_BINARY, bytes, sizeof bytes);
    EXPECT_EQ(indicator, 2);
    EXPECT_EQ(bytes[1], 0xFF);

    SQL_DATE_STRUCT date{};
    SQL_TIME_STRUCT time{};
    SQL_TIMESTAMP_STRUCT stamp{};
    get(12, SQL_C_TYPE_DATE, &date, sizeof date);
    get(13, SQL_C_TYPE_TIME, &time, sizeof time);
    get(14, SQL_C_TYPE_TIMESTAMP, &stamp, sizeof stamp);
    EXPECT_EQ(std::vector<int>({date.year, date.month, date.day}), (std::vector<int>{2021, 8, 31}));
    EXPECT_EQ(std::vector<int>({time.hour, time.minute, time.second}),
              (std::vector<int>{10, 15, 30}));
    EXPECT_EQ(std::vector<long>({stamp.year, stamp.hour, stamp.second, stamp.fraction}),
              (std::vector<long>{2021, 16, 30, 500001000}));
}

TEST_F(WideClient, AttributesCursorsAndUnitsOfWorkReachTheDriverItself)
{
    // Through the driver manager, as any program linked with it calls.
    ASSERT_EQ(SQLSetConnectAttrW(dbc.get(),
                                 SQL_ATTR_AUTOCOMMIT,
                                 reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF),
                                 SQL_IS_UINTEGER),
              SQL_SUCCESS)
        << lastError(SQL_HANDLE_DBC, dbc.get());
    SQLUINTEGER autocommit = 99;
    EXPECT_EQ(SQLGetConnectAttrW(dbc.get(), SQL_ATTR_AUTOCOMMIT, &autocommit, 0, nullptr),
              SQL_SUCCESS);
    EXPECT_EQ(autocommit, SQL_AUTOCOMMIT_OFF);
    ASSERT_EQ(run("CREATE TABLE UNDONE(A INTEGER)"), SQL_SUCCESS);
    ASSERT_EQ(SQLEndTran(SQL_HANDLE_DBC, dbc.get(), SQL_ROLLBACK), SQL_SUCCESS);
    EXPECT_EQ(run("SELECT * FROM UNDONE"), SQL_ERROR) << "the unit of work was rolled back";
    EXPECT_EQ(state(), "42S02");
    ASSERT_EQ(SQLSetConnectAttr(dbc.get(),
                                SQL_ATTR_AUTOCOMMIT,
                                reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON),
                                SQL_IS_UINTEGER),
              SQL_SUCCESS);

    SQLULEN timeout = 0;
    EXPECT_EQ(
        SQLSetStmtAttrW(stmt.get(), SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(7), 0),
        SQL_SUCCESS);
    EXPECT_EQ(SQLGetStmtAttrW(stmt.get(), SQL_ATTR_QUERY_TIMEOUT, &timeout, 0, nullptr),
              SQL_SUCCESS);
    EXPECT_EQ(timeout, 7U);

    emu.seed({"CREATE TABLE T(A INTEGER)", "INSERT INTO T VALUES(1)"});
    ASSERT_EQ(run("SELECT * FROM T"), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt.get()), SQL_SUCCESS);
    EXPECT_EQ(SQLCloseCursor(stmt.get()), SQL_SUCCESS);
    EXPECT_EQ(SQLFetch(stmt.get()), SQL_ERROR) << "the cursor is closed";
    EXPECT_EQ(SQLFreeStmt(stmt.get(), SQL_CLOSE), SQL_SUCCESS);

    // The wide diagnostic field of the last failure, and the wide column attribute.
    EXPECT_EQ(run("SELECT * FROM NOWHERE"), SQL_ERROR);
    SQLWCHAR sqlState[6] = {};
    SQLSMALLINT length = 0;
    EXPECT_EQ(
        SQLGetDiagFieldW(
            SQL_HANDLE_STMT, stmt.get(), 1, SQL_DIAG_SQLSTATE, sqlState, sizeof sqlState, &length),
        SQL_SUCCESS);
    EXPECT_EQ(std::u16string(reinterpret_cast<char16_t *>(sqlState), 5), u"42S02");
    ASSERT_EQ(run("SELECT * FROM T"), SQL_SUCCESS);
    SQLWCHAR name[8] = {};
    EXPECT_EQ(SQLColAttributeW(stmt.get(), 1, SQL_DESC_NAME, name, sizeof name, &length, nullptr),
              SQL_SUCCESS);
    EXPECT_EQ(std::u16string(reinterpret_cast<char16_t *>(name)), u"A");
}

TEST_F(WideClient, LongWideTextComesInWholeCharactersAndPiecesThatAddUp)
{
    emu.seed({"CREATE TABLE T(V VARCHAR(40))", "INSERT INTO T VALUES('Émile Zola & Fils')"});
    ASSERT_EQ(run("SELECT * FROM T"), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt.get()), SQL_SUCCESS);
    std::u16string whole;
    char16_t buffer[6]; // five characters and the terminator
    SQLLEN indicator = 0;
    SQLRETURN rc = SQL_SUCCESS_WITH_INFO;
    while ((rc = SQLGetData(stmt.get(), 1, SQL_C_WCHAR, buffer, 11, &indicator)) != SQL_NO_DATA) {
        ASSERT_TRUE(SQL_SUCCEEDED(rc));
        whole += buffer;
    }
    EXPECT_EQ(whole, u"Émile Zola & Fils");
}

TEST_F(WideClient, ConversionsTheCliRefusesGiveItsSqlStates)
{
    emu.seed({"CREATE TABLE T(V VARCHAR(20), D DECIMAL(5,2), DT DATE, N INTEGER)",
              "INSERT INTO T VALUES('abc', 12.75, '2021-08-31', 70000)",
              "CREATE TABLE E(V VARCHAR(20))",
              "INSERT INTO E VALUES('31.08.2021')"});
    SQLINTEGER number = 0;
    SQLSMALLINT small = 0;
    SQL_DATE_STRUCT date{};
    EXPECT_EQ(fetchAs("T", 1, SQL_C_SLONG, number), SQL_ERROR);
    EXPECT_EQ(state(), "22018");
    EXPECT_EQ(fetchAs("T", 1, SQL_C_TYPE_DATE, date), SQL_ERROR);
    EXPECT_EQ(state(), "22007");
    EXPECT_EQ(fetchAs("T", 4, SQL_C_SSHORT, small), SQL_ERROR);
    EXPECT_EQ(state(), "22003");
    EXPECT_EQ(fetchAs("T", 3, SQL_C_SLONG, number), SQL_ERROR);
    EXPECT_EQ(state(), "07006");
    EXPECT_EQ(fetchAs("T", 2, SQL_C_SLONG, number), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(state(), "01S07");
    EXPECT_EQ(number, 12);
    EXPECT_EQ(fetchAs("E", 1, SQL_C_TYPE_DATE, date), SQL_SUCCESS);
    EXPECT_EQ(date.day, 31);
}

TEST_F(WideClient, CatalogCallsFollowTheirPatterns)
{
    emu.seed({"CREATE TABLE ORDERS(ID INTEGER, SHIPPED DATE)",
              "CREATE TABLE ORDER_LINES(ID INTEGER)",
              "CREATE TABLE \"Orders\"(X CHAR(1))"});
    auto column = [&](SQLUSMALLINT number) {
        char16_t buffer[64];
        SQLLEN indicator = 0;
        SQLGetData(stmt.get(), number, SQL_C_WCHAR, buffer, sizeof buffer, &indicator);
        return indicator == SQL_NULL_DATA ? std::u16string(u"-") : std::u16string(buffer);
    };
    std::u16string schema = u"ADMIN";
    std::u16string pattern = u"ORDER%";
    std::u16string types = u"'TABLE'";
    ASSERT_EQ(SQLTablesW(stmt.get(),
                         nullptr,
                         0,
                         wideArgument(schema),
                         SQL_NTS,
                         wideArgument(pattern),
                         SQL_NTS,
                         wideArgument(types),
                         SQL_NTS),
              SQL_SUCCESS);
    std::vector<std::u16string> tables;
    while (SQLFetch(stmt.get()) == SQL_SUCCESS) {
        tables.push_back(column(3));
    }
    EXPECT_EQ(tables, (std::vector<std::u16string>{u"ORDERS", u"ORDER_LINES"}));

    SQLFreeStmt(stmt.get(), SQL_CLOSE);
    std::u16string table = u"ORDERS";
    ASSERT_EQ(SQLColumnsW(stmt.get(),
                          nullptr,
                          0,
                          wideArgument(schema),
                          SQL_NTS,
                          wideArgument(table),
                          SQL_NTS,
                          nullptr,
                          0),
              SQL_SUCCESS);
    std::vector<std::u16string> columns;
    while (SQLFetch(stmt.get()) == SQL_SUCCESS) {
        columns.push_back(column(4) + u" " + column(6) + u" " + column(17));
    }
    EXPECT_EQ(columns, (std::vector<std::u16string>{u"ID INTEGER 1", u"SHIPPED DATE 2"}));
}

TEST_F(WideClient, EveryNewerTypeComesWithTheCliCodeAndItsValue)
{
    emu.seed({"CREATE TABLE NEWER(ID INT NOT NULL PRIMARY KEY, D DECFLOAT(34), G GRAPHIC(2), "
              "FB VARCHAR(4) FOR BIT DATA, BI BINARY(2), T TIMESTAMP(9), B BOOLEAN, X XML, "
              "DB DBCLOB(10))",
              "INSERT INTO NEWER VALUES(1, '1.5E-400', '漢', X'0001', X'FFFE', "
              "'2021-08-31-10.00.00.123456789', FALSE, '<a>é</a>', 'dé')"});
    ASSERT_EQ(run("SELECT * FROM NEWER"), SQL_SUCCESS);
    const SQLSMALLINT codes[] = {
        SQL_INTEGER, -360, -95, SQL_VARBINARY, SQL_BINARY, SQL_TYPE_TIMESTAMP, 16, -370, -350};
    for (SQLUSMALLINT c = 1; c <= 9; ++c) {
        SQLSMALLINT type = 0;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLSMALLINT nullable = 0;
        ASSERT_EQ(
            SQLDescribeColW(stmt.get(), c, nullptr, 0, nullptr, &type, &size, &digits, &nullable),
            SQL_SUCCESS);
        EXPECT_EQ(type, codes[c - 1]) << "column " << c;
        if (c == 1) {
            EXPECT_EQ(nullable, SQL_NO_NULLS);
        }
        if (c == 6) {
            EXPECT_EQ(size, 29U);
            EXPECT_EQ(digits, 9);
        }
    }
    ASSERT_EQ(SQLFetch(stmt.get()), SQL_SUCCESS);
    char text[64] = {};
    SQLLEN indicator = 0;
    EXPECT_EQ(SQLGetData(stmt.get(), 2, SQL_C_CHAR, text, sizeof text, &indicator), SQL_SUCCESS);
    EXPECT_STREQ(text, "1.5E-400");
    char16_t wide[64] = {};
    EXPECT_EQ(SQLGetData(stmt.get(), 3, SQL_C_WCHAR, wide, sizeof wide, &indicator), SQL_SUCCESS);
    EXPECT_EQ(std::u16string(wide), u"漢 ");
    unsigned char bytes[8] = {};
    EXPECT_EQ(SQLGetData(stmt.get(), 4, SQL_C_BINARY, bytes, sizeof bytes, &indicator),
              SQL_SUCCESS);
    EXPECT_EQ(indicator, 2);
    EXPECT_EQ(bytes[1], 1);
    EXPECT_EQ(SQLGetData(stmt.get(), 5, SQL_C_CHAR, text, sizeof text, &indicator), SQL_SUCCESS);
    EXPECT_STREQ(text, "FFFE");
    SQL_TIMESTAMP_STRUCT stamp{};
    EXPECT_EQ(SQLGetData(stmt.get(), 6, SQL_C_TYPE_TIMESTAMP, &stamp, sizeof stamp, &indicator),
              SQL_SUCCESS);
    EXPECT_EQ(stamp.fraction, 123456789U);
    unsigned char flag = 9;
    EXPECT_EQ(SQLGetData(stmt.get(), 7, SQL_C_BIT, &flag, 1, &indicator), SQL_SUCCESS);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(SQLGetData(stmt.get(), 8, SQL_C_WCHAR, wide, sizeof wide, &indicator), SQL_SUCCESS);
    EXPECT_EQ(std::u16string(wide), u"<?xml version=\"1.0\" encoding=\"UTF-16\" ?><a>é</a>");

    // The key, from the catalog calls a client asks about a table's keys with.
    SQLFreeStmt(stmt.get(), SQL_CLOSE);
    std::u16string table = u"NEWER";
    ASSERT_EQ(SQLPrimaryKeysW(stmt.get(), nullptr, 0, nullptr, 0, wideArgument(table), SQL_NTS),
              SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt.get()), SQL_SUCCESS);
    EXPECT_EQ(SQLGetData(stmt.get(), 4, SQL_C_WCHAR, wide, sizeof wide, &indicator), SQL_SUCCESS);
    EXPECT_EQ(std::u16string(wide), u"ID");
    EXPECT_EQ(SQLFetch(stmt.get()), SQL_NO_DATA);
    SQLFreeStmt(stmt.get(), SQL_CLOSE);
    ASSERT_EQ(statistics(stmt.get(), table), SQL_SUCCESS);
    int rows = 0;
    while (SQLFetch(stmt.get()) == SQL_SUCCESS) {
        ++rows;
    }
    EXPECT_EQ(rows, 2) << "the table's own row and its key's column";
}

// Arrays of bound rows as the CLI runs them: each set with its status, the failed one named by
// its row number while the rest go in (non-atomic), or none of them (atomic, the default);
// a value sent in pieces at execution; and an index CREATE INDEX made, as SQLStatistics lists it.
TEST_F(WideClient, BoundArraysStatusesDataAtExecutionAndIndexes)
{
    emu.seed({"CREATE TABLE P(ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(10), PIC BLOB(10M), "
              "D DATE, F DOUBLE, B BOOLEAN)",
              "CREATE INDEX P_NAME ON P(NAME DESC)"});
    std::u16string insert = wide("INSERT INTO P VALUES(?, ?, ?, ?, ?, ?)");
    ASSERT_EQ(SQLPrepareW(stmt.get(), wideArgument(insert), SQL_NTS), SQL_SUCCESS);
    SQLSMALLINT markers = 0;
    ASSERT_EQ(SQLNumParams(stmt.get(), &markers), SQL_SUCCESS);
    EXPECT_EQ(markers, 6);

    constexpr SQLULEN kRows = 4;
    SQLINTEGER ids[kRows] = {1, 2, 2, 3};
    char names[kRows][10] = {"Ann", "Bo", "dup", "Zoë"};
    SQLLEN nameLengths[kRows] = {SQL_NTS, SQL_NTS, SQL_NTS, SQL_NULL_DATA};
    unsigned char pics[kRows][2] = {{0, 1}, {2, 3}, {4, 5}, {6, 7}};
    SQLLEN picLengths[kRows] = {2, 1, 2, SQL_NULL_DATA};
    SQL_DATE_STRUCT dates[kRows] = {{2024, 2, 29}, {1, 1, 1}, {9999, 12, 31}, {2000, 1, 1}};
    double reals[kRows] = {0.1, -1e300, 2.5, 1.0 / 3};
    unsigned char flags[kRows] = {1, 0, 1, 0};
    SQLUSMALLINT statuses[kRows] = {};
    SQLULEN processed = 0;
    auto bind = [&](SQLUSMALLINT n,
                    SQLSMALLINT c,
                    SQLSMALLINT t,
                    void *buffer,
                    SQLLEN size,
                    SQLLEN *lengths) {
        ASSERT_EQ(
            SQLBindParameter(stmt.get(), n, SQL_PARAM_INPUT, c, t, 0, 0, buffer, size, lengths),
            SQL_SUCCESS);
    };
    bind(1, SQL_C_SLONG, SQL_INTEGER, ids, 0, nullptr);
    bind(2, SQL_C_CHAR, SQL_VARCHAR, names, 10, nameLengths);
    bind(3, SQL_C_BINARY, SQL_LONGVARBINARY, pics, 2, picLengths);
    bind(4, SQL_C_TYPE_DATE, SQL_TYPE_DATE, dates, 0, nullptr);
    bind(5, SQL_C_DOUBLE, SQL_DOUBLE, reals, 0, nullptr);
    bind(6, SQL_C_BIT, 16, flags, 0, nullptr);
    SQLSetStmtAttr(stmt.get(), SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(kRows), 0);
    SQLSetStmtAttr(stmt.get(), SQL_ATTR_PARAM_STATUS_PTR, statuses, 0);
    SQLSetStmtAttr(stmt.get(), SQL_ATTR_PARAMS_PROCESSED_PTR, &processed, 0);

    EXPECT_EQ(SQLExecute(stmt.get()), SQL_ERROR) << "an atomic array goes in whole or not at all";
    EXPECT_EQ(statuses[2], SQL_PARAM_ERROR);
    EXPECT_EQ(statuses[0], SQL_PARAM_UNUSED);

    SQLSetStmtAttr(stmt.get(), 1260, reinterpret_cast<SQLPOINTER>(0), 0); // not atomic
    EXPECT_EQ(SQLExecute(stmt.get()), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(processed, kRows);
    EXPECT_EQ(statuses[0], SQL_PARAM_SUCCESS);
    EXPECT_EQ(statuses[1], SQL_PARAM_SUCCESS);
    EXPECT_EQ(statuses[2], SQL_PARAM_ERROR);
    EXPECT_EQ(statuses[3], SQL_PARAM_SUCCESS);
    SQLINTEGER native = 0;
    SQLLEN row = 0;
    SQLGetDiagField(SQL_HANDLE_STMT, stmt.get(), 1, SQL_DIAG_NATIVE, &native, 0, nullptr);
    SQLGetDiagField(SQL_HANDLE_STMT, stmt.get(), 1, SQL_DIAG_ROW_NUMBER, &row, 0, nullptr);
    EXPECT_EQ(native, -803);
    EXPECT_EQ(row, 3);
    SQLLEN rows = 0;
    EXPECT_EQ(SQLRowCount(stmt.get(), &rows), SQL_SUCCESS);
    EXPECT_EQ(rows, 3);

    // One row whose picture comes in pieces.
    SQLFreeStmt(stmt.get(), SQL_RESET_PARAMS);
    SQLSetStmtAttr(stmt.get(), SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(1), 0);
    SQLINTEGER id = 9;
    SQLLEN atExecution = SQL_LEN_DATA_AT_EXEC(0);
    SQLLEN nullLength = SQL_NULL_DATA;
    bind(1, SQL_C_SLONG, SQL_INTEGER, &id, 0, nullptr);
    bind(2, SQL_C_CHAR, SQL_VARCHAR, names[0], 10, &nullLength);
    bind(3, SQL_C_BINARY, SQL_LONGVARBINARY, reinterpret_cast<SQLPOINTER>(3), 0, &atExecution);
    bind(4, SQL_C_TYPE_DATE, SQL_TYPE_DATE, dates, 0, &nullLength);
    bind(5, SQL_C_DOUBLE, SQL_DOUBLE, reals, 0, &nullLength);
    bind(6, SQL_C_BIT, 16, flags, 0, &nullLength);
    ASSERT_EQ(SQLExecute(stmt.get()), SQL_NEED_DATA);
    SQLPOINTER token = nullptr;
    ASSERT_EQ(SQLParamData(stmt.get(), &token), SQL_NEED_DATA);
    EXPECT_EQ(token, reinterpret_cast<SQLPOINTER>(3));
    std::vector<unsigned char> piece(3 * 1024 * 1024, 0xAB);
    EXPECT_EQ(SQLPutData(stmt.get(), piece.data(), static_cast<SQLLEN>(piece.size())), SQL_SUCCESS);
    EXPECT_EQ(SQLPutData(stmt.get(), piece.data(), 5), SQL_SUCCESS);
    ASSERT_EQ(SQLParamData(stmt.get(), &token), SQL_SUCCESS)
        << lastError(SQL_HANDLE_STMT, stmt.get());

    ASSERT_EQ(run("SELECT ID, NAME, D, F, B FROM P ORDER BY ID"), SQL_SUCCESS);
    std::vector<std::string> read;
    while (SQLFetch(stmt.get()) == SQL_SUCCESS) {
        std::string line;
        for (SQLUSMALLINT c = 1; c <= 5; ++c) {
            char text[64] = {};
            SQLLEN length = 0;
            SQLGetData(stmt.get(), c, SQL_C_CHAR, text, sizeof text, &length);
            line += (c == 1 ? "" : "|") + (length == SQL_NULL_DATA ? "-" : std::string(text));
        }
        read.push_back(line);
    }
    EXPECT_EQ(read,
              (std::vector<std::string>{"1|Ann|2024-02-29|0.1|1",
                                        "2|Bo|0001-01-01|-1e+300|0",
                                        "3|-|2000-01-01|0.3333333333333333|0",
                                        "9|-|-|-|-"}));
    ASSERT_EQ(run("SELECT PIC FROM P WHERE ID = 9"), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt.get()), SQL_SUCCESS);
    unsigned char first = 0;
    SQLLEN total = 0;
    SQLGetData(stmt.get(), 1, SQL_C_BINARY, &first, 1, &total);
    EXPECT_EQ(total, static_cast<SQLLEN>(piece.size() + 5));
    EXPECT_EQ(first, 0xAB);

    SQLFreeStmt(stmt.get(), SQL_CLOSE);
    ASSERT_EQ(statistics(stmt.get(), u"P"), SQL_SUCCESS);
    std::vector<std::string> indexes;
    while (SQLFetch(stmt.get()) == SQL_SUCCESS) {
        char name[130] = {};
        char order[4] = {};
        SQLSMALLINT nonUnique = -1;
        SQLLEN length = 0;
        SQLGetData(stmt.get(), 6, SQL_C_CHAR, name, sizeof name, &length);
        SQLGetData(stmt.get(), 4, SQL_C_SSHORT, &nonUnique, 0, &length);
        SQLGetData(stmt.get(), 10, SQL_C_CHAR, order, sizeof order, &length);
        if (length != SQL_NULL_DATA) {
            indexes.push_back(std::string(name) + " " + std::to_string(nonUnique) + " " + order);
        }
    }
    EXPECT_NE(std::find(indexes.begin(), indexes.end(), "P_NAME 1 D"), indexes.end());
}

TEST(OrdinaryClient, PyodbcReadsEveryTableOfTheDemoDatabase)
{
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "a sanitized driver does not load into an unsanitized Python";
#endif
    if (std::system("/usr/bin/python3 -c 'import pyodbc' 2>/dev/null") != 0) {
        GTEST_SKIP() << "python3-pyodbc is not installed";
    }
    Db2Emu emu;
    std::vector<std::string> statements;
    std::ifstream seed(TW_DEMO_SEED);
    std::string statement;
    for (std::string line; std::getline(seed, line);) {
        if (line.rfind("--", 0) != 0) {
            statement += line + "\n";
        }
        if (!line.empty() && line.back() == ';') {
            statements.push_back(statement);
            statement.clear();
        }
    }
    emu.seed(statements);

    const std::string command =
        "/usr/bin/python3 " TW_PYODBC_SCRIPT " '" + Db2Emu::connectionString() + "' 2>&1";
    FILE *pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) {
        output.append(buffer, got);
    }
    ASSERT_EQ(::pclose(pipe), 0) << output;
    for (const char *line :
         {"CUSTOMERS int 1 | str Émile Zola & Fils | str FR | date 1998-04-01\n",
          "CUSTOMERS int 3 | str Müller Maschinenbau | str DE | NoneType None\n",
          "INVOICES int 5003 | int 4 | Decimal 12000.00 | datetime 2021-09-02 16:45:30.500000 | "
          "str Second instalment due in October.\n",
          "Products int 10 | str Oak shelf | float 12.5 | bytes b'\\x89PNG\\r\\n\\x1a\\n'\n"}) {
        EXPECT_NE(output.find(line), std::string::npos) << line << "\nin:\n" << output;
    }
}
