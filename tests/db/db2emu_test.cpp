// The DB2 emulation answers as DB2 does: the same SQLCODE, SQLSTATE and wording for what
// DB2 rejects, and the same folding, quoting and catalog rules.

#include "support/db2emu.h"

#include "db/connection.h"

#include <gtest/gtest.h>

#include <regex>

using tw::db::Connection;
using tw::db::Error;
using tw::db::Recordset;
using tw::test::Db2Emu;

namespace {

class Db2Emulation : public ::testing::Test
{
protected:
    Db2Emulation() { db2.open(Db2Emu::connectionString()); }

    // The error a statement gives: native code, ODBC state and message.
    Error errorOf(const std::string &sql)
    {
        try {
            db2.execute(sql);
        } catch (const Error &e) {
            return e;
        }
        ADD_FAILURE() << "accepted: " << sql;
        return Error("");
    }

    void expectRejected(const std::string &sql,
                        long sqlCode,
                        const std::string &state,
                        const std::string &inText)
    {
        const Error e = errorOf(sql);
        EXPECT_EQ(e.nativeError(), sqlCode) << sql << "\n" << e.what();
        EXPECT_EQ(e.sqlState(), state) << sql << "\n" << e.what();
        EXPECT_NE(std::string(e.what()).find(inText), std::string::npos) << e.what();
        EXPECT_EQ(std::string(e.what()).rfind("[IBM][CLI Driver][DB2/LINUXX8664] SQL", 0), 0U)
            << e.what();
    }

    std::vector<std::string> column(const std::string &sql, std::size_t index = 0)
    {
        Recordset rows;
        rows.open(sql, db2);
        std::vector<std::string> values;
        while (!rows.eof()) {
            values.push_back(rows.value(index).toText());
            rows.moveNext();
        }
        return values;
    }

    Db2Emu emu;
    Connection db2;
};

} // namespace

TEST_F(Db2Emulation, DatesAreAcceptedInIsoUsaAndEurFormsAndRejectedOtherwise)
{
    db2.execute("CREATE TABLE T(D DATE)");
    for (const char *literal :
         {"'2021-08-31'", "'2021-8-3'", "'8/31/2021'", "'31.08.2021'", "'3.8.2021'", "NULL"}) {
        db2.execute(std::string("INSERT INTO T VALUES(") + literal + ")");
    }
    EXPECT_EQ(column("SELECT * FROM T"),
              (std::vector<std::string>{
                  "2021-08-31", "2021-08-03", "2021-08-31", "2021-08-31", "2021-08-03", ""}));
    for (const char *bad : {"'31-08-2021'", "'abc'", "''", "'2021/08/31'"}) {
        expectRejected(
            std::string("INSERT INTO T VALUES(") + bad + ")",
            -180,
            "22007",
            "SQL0180N  The syntax of the string representation of a datetime value is incorrect.  "
            "SQLSTATE=22007");
    }
    for (const char *outOfRange : {"'2021-02-30'", "'2021-13-01'", "'2/29/2021'"}) {
        expectRejected(
            std::string("INSERT INTO T VALUES(") + outOfRange + ")", -181, "22007", "SQL0181N");
    }
}

TEST_F(Db2Emulation, LiteralsLongerThanDb2AllowsAreRejectedEvenForLongVarchar)
{
    db2.execute("CREATE TABLE \"L\"(\"V\" LONG VARCHAR, \"S\" VARCHAR(5))");
    db2.execute("INSERT INTO \"L\" VALUES('" + std::string(32672, 'a') + "', NULL)");
    expectRejected(
        "INSERT INTO \"L\" VALUES('" + std::string(32673, 'a') + "', NULL)",
        -102,
        "54002",
        "SQL0102N  The string constant beginning with \"aaaaaaaaaaaaaaaaaaaa\" is too long.  "
        "SQLSTATE=54002");
    // A doubled quote counts twice.
    expectRejected("INSERT INTO \"L\" VALUES('" + std::string(32671, 'a') + "''', NULL)",
                   -102,
                   "54002",
                   "SQL0102N");
    expectRejected("INSERT INTO \"L\" VALUES(NULL, 'abcdef')", -433, "22001", "SQL0433N");
}

TEST_F(Db2Emulation, IdentifiersFoldUnlessDelimitedAndTheSchemaIsTheUser)
{
    db2.execute("create table orders(id integer)");
    db2.execute("CREATE TABLE \"Orders\"(\"Id\" INTEGER);");
    db2.execute("CREATE TABLE \"My \"\"Table\"\"\"(A SMALLINT)");
    db2.execute("CREATE TABLE OTHER.ORDERS(A SMALLINT)");
    Recordset tables;
    tables.openSchema(tw::db::adSchemaTables, db2);
    std::vector<std::string> found;
    while (!tables.eof()) {
        found.push_back(tables.value("TABLE_SCHEM").toText() + "." +
                        tables.value("TABLE_NAME").toText() + ":" +
                        tables.value("TABLE_TYPE").toText());
        tables.moveNext();
    }
    for (const char *expected : {"ADMIN.ORDERS:TABLE",
                                 "ADMIN.Orders:TABLE",
                                 "ADMIN.My \"Table\":TABLE",
                                 "OTHER.ORDERS:TABLE",
                                 "SYSIBM.SYSTABLES:SYSTEM TABLE",
                                 "SYSCAT.TABLES:VIEW"}) {
        EXPECT_NE(std::find(found.begin(), found.end(), expected), found.end()) << expected;
    }
    expectRejected(
        "CREATE TABLE ORDERS(X INTEGER)",
        -601,
        "42S01",
        "SQL0601N  The name of the object to be created is identical to the existing name "
        "\"ADMIN.ORDERS\" of type \"TABLE\".  SQLSTATE=42710");
    expectRejected("CREATE TABLE \"D\"(A INTEGER, A SMALLINT)",
                   -612,
                   "42S21",
                   "SQL0612N  \"A\" is a duplicate name.");
}

TEST_F(Db2Emulation, DropAndRenameFollowDb2sRules)
{
    db2.execute("CREATE TABLE \"Orders\"(A INTEGER)");
    db2.execute("CREATE TABLE \"Sales\"(A INTEGER)");
    expectRejected("DROP TABLE \"Nothing\"",
                   -204,
                   "42S02",
                   "SQL0204N  \"ADMIN.Nothing\" is an undefined name.  SQLSTATE=42704");
    expectRejected(
        "RENAME \"Orders\" TO \"Sales\"", -601, "42S01", "\"ADMIN.Sales\" of type \"TABLE\"");
    expectRejected("RENAME TABLE \"Orders\" TO \"Orders\"", -601, "42S01", "SQL0601N");
    expectRejected("RENAME \"Missing\" TO \"X\"", -204, "42S02", "SQL0204N");
    expectRejected("RENAME \"Orders\" TO OTHER.\"X\"", -104, "42601", "SQL0104N");
    db2.execute("INSERT INTO \"Orders\" VALUES(7)");
    db2.execute("RENAME TABLE \"Orders\" TO \"Archive\"");
    EXPECT_EQ(column("SELECT * FROM \"Archive\""), std::vector<std::string>{"7"});
    db2.execute("DROP TABLE \"Archive\"");
    expectRejected("SELECT * FROM \"Archive\"", -204, "42S02", "SQL0204N");
}

// What the typed copy's swap needs: renames and comments inside a unit of work that a
// rollback undoes, SQL0750N for a table a view reads, and a log that fills.
TEST_F(Db2Emulation, RenamesAndCommentsJoinTheUnitOfWorkAndTheLogCanFill)
{
    db2.execute("CREATE TABLE W(A INTEGER)");
    db2.execute("CREATE INDEX WI ON W(A)");
    db2.execute("CREATE TABLE V0(A INTEGER)");
    db2.execute("CREATE VIEW VV AS SELECT * FROM V0");
    expectRejected("RENAME TABLE V0 TO V1", -750, "42986", "SQL0750N");
    expectRejected("RENAME INDEX NOPE TO X", -204, "42704", "SQL0204N");
    expectRejected(
        "COMMENT ON TABLE W IS '" + std::string(255, 'x') + "'", -102, "54002", "SQL0102N");
    auto remarksOf = [&](const std::string &table) {
        Recordset tables;
        tables.openSchema(tw::db::adSchemaTables, db2);
        for (; !tables.eof(); tables.moveNext()) {
            if (tables.value("TABLE_NAME").toText() == table) {
                return tables.value("REMARKS").toText();
            }
        }
        return std::string("(no table)");
    };
    {
        tw::db::Transaction unit(db2);
        unit.begin();
        db2.execute("RENAME TABLE W TO X");
        db2.execute("RENAME INDEX WI TO XI");
        db2.execute("COMMENT ON TABLE X IS 'kept'");
        unit.rollback();
    }
    EXPECT_EQ(remarksOf("W"), "");
    EXPECT_EQ(remarksOf("X"), "(no table)");
    db2.execute("COMMENT ON TABLE W IS 'it''s here'");
    db2.execute("RENAME INDEX WI TO XI");
    EXPECT_EQ(remarksOf("W"), "it's here");
    expectRejected("CREATE INDEX XI ON W(A)", -601, "42S01", "SQL0601N");

    emu.setFaults({.logRows = 2});
    Connection full;
    full.open(Db2Emu::connectionString());
    tw::db::Transaction unit(full);
    unit.begin();
    full.execute("INSERT INTO W VALUES(1), (2)");
    try {
        full.execute("INSERT INTO W VALUES(3)");
        FAIL() << "the log did not fill";
    } catch (const Error &e) {
        EXPECT_EQ(e.nativeError(), -964);
        EXPECT_EQ(e.sqlState(), "57011");
    }
    unit.commit();
    EXPECT_EQ(column("SELECT * FROM W"), (std::vector<std::string>{"1", "2"}));
}

TEST_F(Db2Emulation, AnyOtherStatementIsASyntaxError)
{
    for (const char *sql : {"UPDATE T SET A = 1",
                            "SELECT A FROM T GROUP BY A",
                            "",
                            "CREATE TABLE \"T\"()",
                            "INSERT INTO T VALUES(1) extra",
                            "CREATE TABLE T(A WIDGET)"}) {
        const Error e = errorOf(sql);
        EXPECT_EQ(e.nativeError(), -104) << sql << ": " << e.what();
        EXPECT_EQ(e.sqlState(), "42601") << sql;
    }
    expectRejected("INSERT INTO \"T\" VALUES('unterminated)", -10, "42603", "SQL0010N");
}

TEST_F(Db2Emulation, ValuesAreConvertedAndCheckedAgainstTheirColumns)
{
    db2.execute("CREATE TABLE V(S SMALLINT, I INTEGER, B BIGINT, D DECIMAL(9,2), R REAL, F DOUBLE, "
                "C CHAR(4), "
                "T TIME, TS TIMESTAMP, BL BLOB(10))");
    db2.execute("INSERT INTO V VALUES(-32768, '2147483647', 9223372036854775807, '12.345', 1.5, "
                "-2.5E-3, 'ab', "
                "'10.30.00', '2021-08-31-10.00.00.123456', X'00FF')");
    Recordset rows;
    rows.open("SELECT * FROM V", db2);
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < rows.fields().size(); ++i) {
        texts.push_back(rows.value(i).toText());
    }
    EXPECT_EQ(texts,
              (std::vector<std::string>{"-32768",
                                        "2147483647",
                                        "9223372036854775807",
                                        "12.34",
                                        "1.5",
                                        "-0.0025",
                                        "ab  ",
                                        "10:30:00",
                                        "2021-08-31 10:00:00.123456",
                                        "00FF"}));
    expectRejected("INSERT INTO V VALUES(32768, 1, 1, 1, 1, 1, 'a', NULL, NULL, NULL)",
                   -413,
                   "22003",
                   "SQL0413N");
    expectRejected("INSERT INTO V VALUES(1, 'x1', 1, 1, 1, 1, 'a', NULL, NULL, NULL)",
                   -420,
                   "22018",
                   "SQL0420N");
    expectRejected("INSERT INTO V VALUES(1, 1, 1, 12345678.9, 1, 1, 'a', NULL, NULL, NULL)",
                   -413,
                   "22003",
                   "SQL0413N");
    expectRejected("INSERT INTO V VALUES(1, 1, 1)", -117, "42802", "SQL0117N");

    // Large-object lengths in K, M and G units, up to the 2 GB limit; beyond it, refused.
    db2.execute("CREATE TABLE LOBS(A CLOB(64K), B BLOB(2G), C CLOB(2047M))");
    db2.execute("INSERT INTO LOBS VALUES('a', X'01', 'c')");
    EXPECT_EQ(column("SELECT * FROM LOBS", 2), std::vector<std::string>{"c"});
    expectRejected("CREATE TABLE BIG(B BLOB(9999999M))", -604, "42611", "SQL0604N");
    expectRejected("CREATE TABLE BIG(C CLOB(4G))", -604, "42611", "SQL0604N");
}

TEST_F(Db2Emulation, ConnectFailuresGiveTheTextsOfTheRealDriver)
{
    auto connectError = [](const std::string &cs) {
        Connection connection;
        try {
            connection.open(cs);
        } catch (const Error &e) {
            return e;
        }
        ADD_FAILURE() << "connected: " << cs;
        return Error("");
    };
    const Error port = connectError(Db2Emu::connectionString("SAMPLE", "db2host", "50001"));
    EXPECT_EQ(port.nativeError(), -30081);
    EXPECT_EQ(port.sqlState(), "08001");
    EXPECT_NE(std::string(port.what())
                  .find("\"connect\".  Protocol specific error code(s): \"111\", \"*\", \"*\"."),
              std::string::npos);
    const Error host = connectError(Db2Emu::connectionString("SAMPLE", "nowhere.example"));
    EXPECT_STREQ(host.what(),
                 "[IBM][CLI Driver] SQL1336N  The remote host \"nowhere.example\" was not found.  "
                 "SQLSTATE=08001");
    const Error login =
        connectError(Db2Emu::connectionString("SAMPLE", "db2host", "50000", "admin", "wrong"));
    EXPECT_EQ(login.nativeError(), -30082);
    EXPECT_NE(
        std::string(login.what()).find("reason \"24\" (\"USERNAME AND/OR PASSWORD INVALID\")"),
        std::string::npos);
    const Error database = connectError(Db2Emu::connectionString("NOPE"));
    EXPECT_STREQ(database.what(),
                 "[IBM][CLI Driver] SQL30061N  The database alias or database name "
                 "\"NOPE              \" was not found at the remote node.  SQLSTATE=08004");
    EXPECT_EQ(database.sqlState(), "08004");
    // A ";" in the password cuts it, as the real driver does.
    const Error cut =
        connectError(Db2Emu::connectionString("SAMPLE", "db2host", "50000", "admin", "sec;ret"));
    EXPECT_EQ(cut.nativeError(), -30082);
}

TEST_F(Db2Emulation, TheLogHoldsEveryConnectAndStatementAsReceived)
{
    emu.clearLog();
    Connection connection;
    connection.open(Db2Emu::connectionString());
    connection.execute("CREATE TABLE \"N\"(\"V\" LONG VARCHAR)");
    connection.execute("INSERT INTO \"N\" VALUES('line 1\r\nline\\2')");
    const auto log = emu.log();
    ASSERT_EQ(log.size(), 3U);
    EXPECT_EQ(log[0], "CONNECT " + Db2Emu::connectionString());
    EXPECT_EQ(log[2], "EXEC INSERT INTO \"N\" VALUES('line 1\r\nline\\2')");
}

TEST_F(Db2Emulation, InjectedFaultsFailOneStatementOrDropTheConnection)
{
    db2.execute("CREATE TABLE F(A INTEGER)");
    emu.setFaults({2, 0});
    Connection failing;
    failing.open(Db2Emu::connectionString());
    failing.execute("INSERT INTO F VALUES(1)");
    EXPECT_THROW(failing.execute("INSERT INTO F VALUES(2)"), Error);
    failing.execute("INSERT INTO F VALUES(3)");

    emu.setFaults({0, 1});
    Connection dropping;
    dropping.open(Db2Emu::connectionString());
    dropping.execute("INSERT INTO F VALUES(4)");
    try {
        dropping.execute("INSERT INTO F VALUES(5)");
        FAIL() << "the connection did not drop";
    } catch (const Error &e) {
        EXPECT_EQ(e.nativeError(), -30081);
        EXPECT_EQ(e.sqlState(), "08S01");
    }
    EXPECT_THROW(dropping.execute("INSERT INTO F VALUES(6)"), Error);
    emu.setFaults({});
    EXPECT_EQ(column("SELECT * FROM F"), (std::vector<std::string>{"1", "3", "4"}));

    // Dropped in the middle of a result: the third fetch fails as a lost connection.
    emu.setFaults({0, 0, 2});
    Connection reading;
    reading.open(Db2Emu::connectionString());
    Recordset rows;
    rows.open("SELECT * FROM F", reading);
    rows.moveNext();
    try {
        rows.moveNext();
        FAIL() << "the connection did not drop";
    } catch (const Error &e) {
        EXPECT_EQ(e.sqlState(), "08S01");
    }
}

TEST_F(Db2Emulation, AnAnsiClientGetsUtf8TextByteForByteBesideTheWideCalls)
{
    db2.execute("CREATE TABLE \"Zoë\"(V VARCHAR(10))");
    db2.execute("INSERT INTO \"Zoë\" VALUES('Müller')");
    EXPECT_EQ(column("SELECT * FROM \"Zoë\""), (std::vector<std::string>{"Müller"}));
    const Error e = errorOf("DROP TABLE \"Müller\"");
    EXPECT_NE(std::string(e.what()).find("\"ADMIN.Müller\" is an undefined name"),
              std::string::npos)
        << e.what();
}

TEST_F(Db2Emulation, EveryColumnTypeIsTakenWithinDb2sLimitsAndRefusedBeyondThem)
{
    db2.execute(
        "CREATE TABLE ALLTYPES(A SMALLINT, B INT, C BIGINT, D DEC(31,31), E DECFLOAT(16), "
        "F DECFLOAT, G REAL, H DOUBLE PRECISION, I FLOAT(20), J CHAR(255), K VARCHAR(32672), "
        "L LONG VARCHAR, M CLOB(2G), N GRAPHIC(127), O VARGRAPHIC(16336), P LONG VARGRAPHIC, "
        "Q DBCLOB(1K), R NCHAR(3), S NVARCHAR(3), T NCLOB, U BLOB, V CHAR(2) FOR BIT DATA, "
        "W VARCHAR(8) FOR BIT DATA, X LONG VARCHAR FOR BIT DATA, Y BINARY(255), "
        "Z VARBINARY(32672), AA DATE, AB TIME, AC TIMESTAMP(0), AD TIMESTAMP(12), AE BOOLEAN, "
        "AF XML, AG NUMERIC(5), AH CHARACTER VARYING(4))");
    Recordset rows;
    rows.open("SELECT * FROM ALLTYPES", db2);
    EXPECT_EQ(rows.fields().size(), 34U);
    for (const char *beyond : {"CHAR(256)",
                               "VARCHAR(32673)",
                               "GRAPHIC(128)",
                               "VARGRAPHIC(16337)",
                               "BINARY(256)",
                               "VARBINARY(32673)",
                               "DECIMAL(32)",
                               "DECIMAL(5,6)",
                               "DECFLOAT(20)",
                               "FLOAT(54)",
                               "TIMESTAMP(13)",
                               "DBCLOB(2G)"}) {
        expectRejected(
            std::string("CREATE TABLE BAD(X ") + beyond + ")", -604, "42611", "SQL0604N");
    }
}

TEST_F(Db2Emulation, ValuesOfTheNewerTypesAreKeptAsDb2KeepsThem)
{
    db2.execute("CREATE TABLE NEWER(D16 DECFLOAT(16), D34 DECFLOAT(34), G GRAPHIC(4), "
                "VG VARGRAPHIC(3), FB CHAR(3) FOR BIT DATA, BI BINARY(3), VB VARBINARY(4), "
                "T0 TIMESTAMP(0), T3 TIMESTAMP(3), T12 TIMESTAMP(12), B BOOLEAN, X XML)");
    db2.execute("INSERT INTO NEWER VALUES('12345678901234567', '-0.000001', '漢字', '𝄞a', "
                "X'0102', X'FF', X'00FF', '2021-08-31-10.00.00.987654', "
                "'2021-08-31 10:00:00.987654', '2021-08-31-10.00.00.123456789012', TRUE, "
                "'<?xml version=\"1.0\"?><a x=\"1\">Grüße<b/></a>')");
    db2.execute("INSERT INTO NEWER(B, D34) VALUES('no', 'Infinity'), (0, '1E+6144')");
    EXPECT_EQ(column("SELECT D16 FROM NEWER"),
              (std::vector<std::string>{"1.234567890123457E+16", "", ""}));
    EXPECT_EQ(column("SELECT D34 FROM NEWER"),
              (std::vector<std::string>{"-0.000001", "Infinity", "1E+6144"}));
    EXPECT_EQ(column("SELECT G, VG FROM NEWER FETCH FIRST 1 ROW ONLY"),
              std::vector<std::string>{"漢字  "});
    EXPECT_EQ(column("SELECT FB, BI, VB FROM NEWER FETCH FIRST 1 ROWS ONLY", 0),
              std::vector<std::string>{"010220"});
    EXPECT_EQ(column("SELECT FB, BI, VB FROM NEWER FETCH FIRST 1 ROWS ONLY", 1),
              std::vector<std::string>{"FF0000"});
    EXPECT_EQ(column("SELECT T0, T3, T12 FROM NEWER FETCH FIRST 1 ROWS ONLY", 0),
              std::vector<std::string>{"2021-08-31 10:00:00"});
    EXPECT_EQ(column("SELECT T0, T3, T12 FROM NEWER FETCH FIRST 1 ROWS ONLY", 1),
              std::vector<std::string>{"2021-08-31 10:00:00.987"});
    EXPECT_EQ(column("SELECT B FROM NEWER"), (std::vector<std::string>{"True", "False", "False"}));
    EXPECT_EQ(column("SELECT X FROM NEWER FETCH FIRST 1 ROWS ONLY"),
              std::vector<std::string>{
                  "<?xml version=\"1.0\" encoding=\"UTF-8\" ?><a x=\"1\">Grüße<b/></a>"});
    expectRejected("INSERT INTO NEWER(G) VALUES('abcde')", -433, "22001", "SQL0433N");
    expectRejected("INSERT INTO NEWER(VG) VALUES('𝄞𝄞')", -433, "22001", "SQL0433N");
    expectRejected("INSERT INTO NEWER(BI) VALUES(X'00000000')", -433, "22001", "SQL0433N");
    expectRejected("INSERT INTO NEWER(D16) VALUES('1E+385')", -413, "22003", "SQL0413N");
    expectRejected("INSERT INTO NEWER(B) VALUES('maybe')", -420, "22018", "SQL0420N");
    expectRejected("INSERT INTO NEWER(X) VALUES('<a><b></a>')", -16110, "2200M", "SQL16110N");
    expectRejected("INSERT INTO NEWER(G) VALUES(X'00')", -408, "42821", "SQL0408N");
}

TEST_F(Db2Emulation, NumbersBeyondTheirTypesAreRefusedAsDb2RefusesThem)
{
    db2.execute("CREATE TABLE NUMS(R REAL, F DOUBLE)");
    expectRejected("INSERT INTO NUMS VALUES(1e39, NULL)", -413, "22003", "SQL0413N");
    expectRejected("INSERT INTO NUMS VALUES(NULL, 1e309)", -405, "42820", "SQL0405N");
    expectRejected("INSERT INTO NUMS VALUES(NULL, '1e309')", -413, "22003", "SQL0413N");
    db2.execute("INSERT INTO NUMS VALUES(3.4e38, 1.7976931348623157e308)");
    EXPECT_EQ(column("SELECT F FROM NUMS"), std::vector<std::string>{"1.7976931348623157e+308"});
}

TEST_F(Db2Emulation, KeysDefaultsAndIdentityColumnsAnswerAsDb2)
{
    db2.execute(
        "CREATE TABLE KEYED(ID INTEGER GENERATED ALWAYS AS IDENTITY (START WITH 10, INCREMENT BY "
        "5), CODE CHAR(3) NOT NULL, N INTEGER NOT NULL WITH DEFAULT, NOTE VARCHAR(10) DEFAULT "
        "'none', AT TIMESTAMP DEFAULT CURRENT TIMESTAMP, PRIMARY KEY(ID), CONSTRAINT UC UNIQUE "
        "(CODE))");
    db2.execute("INSERT INTO KEYED(CODE) VALUES('a'), ('b')");
    db2.execute("INSERT INTO KEYED(ID, CODE, N, NOTE) VALUES(DEFAULT, 'c', 7, NULL)");
    EXPECT_EQ(column("SELECT ID FROM KEYED ORDER BY ID DESC"),
              (std::vector<std::string>{"20", "15", "10"}));
    EXPECT_EQ(column("SELECT N, NOTE FROM KEYED WHERE CODE <> 'c' AND N = 0", 1),
              (std::vector<std::string>{"none", "none"}));
    EXPECT_EQ(column("SELECT NOTE FROM KEYED WHERE NOTE IS NULL OR ID < 12 ORDER BY NOTE"),
              (std::vector<std::string>{"none", ""}));
    EXPECT_EQ(column("SELECT COUNT(*) FROM KEYED WHERE AT IS NOT NULL"),
              std::vector<std::string>{"3"});
    expectRejected("INSERT INTO KEYED(CODE) VALUES('a')", -803, "23505", "identified by \"2\"");
    expectRejected("INSERT INTO KEYED(CODE) VALUES(NULL)", -407, "23502", "\"CODE\"");
    expectRejected("INSERT INTO KEYED(ID, CODE) VALUES(1, 'x')", -798, "428C9", "\"ID\"");
    expectRejected("CREATE TABLE LOOSE(A INT PRIMARY KEY)", -542, "42831", "SQL0542N");
    expectRejected(
        "CREATE TABLE TWO(A INT NOT NULL PRIMARY KEY, PRIMARY KEY(A))", -624, "42889", "SQL0624N");
    expectRejected("CREATE TABLE BADDEF(A INT DEFAULT 'x')", -574, "42894", "SQL0574N");
    db2.execute("CREATE TABLE BYDEF(K BIGINT NOT NULL GENERATED BY DEFAULT AS IDENTITY, "
                "PRIMARY KEY(K))");
    db2.execute("INSERT INTO BYDEF VALUES(2)");
    db2.execute("INSERT INTO BYDEF VALUES(DEFAULT)");
    expectRejected("INSERT INTO BYDEF VALUES(DEFAULT)", -803, "23505", "SQL0803N");
}
