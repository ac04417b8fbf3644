// "Send Table/s To Paradox" through the real stack: the DB2 emulation, the staging database,
// our Paradox writer and real folders.

#include "db/connection.h"
#include "paradox/language.h"
#include "paradox/primaryindex.h"
#include "paradox/reader.h"
#include "paradox/writer.h"
#include "support/printers.h"
#include "support/transferfixture.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <sys/stat.h>

using tw::db::Value;
using tw::paradox::FieldType;
using tw::test::field;

namespace {

class SendToParadox : public tw::test::TransferFixture
{
protected:
    void SetUp() override { makeStagingDatabase(); }

    void send(const QStringList &tables)
    {
        if (!form2->isVisible()) {
            startProgram();
        }
        // An empty Paradox folder keeps the program on the connection page: open it anyway.
        if (!form2->isVisible()) {
            form2->showPage();
        }
        select(form2->db2List(), tables);
        emu.clearLog();
        button(*form2, "PushButton3")->click();
    }

    std::vector<std::vector<Value>> paradoxRows(const std::string &file) const
    {
        tw::paradox::TableReader table = tw::paradox::TableReader::open(paradoxPath(file));
        std::vector<std::vector<Value>> rows;
        while (table.next()) {
            std::vector<Value> row;
            for (std::size_t i = 0; i < table.fields().size(); ++i) {
                row.push_back(table.value(i));
            }
            rows.push_back(row);
        }
        return rows;
    }

    QStringList files() const
    {
        return QDir(paradoxFolder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
};

} // namespace

TEST_F(SendToParadox, EveryDb2TypeLandsWithItsValuesAtTheirEdges)
{
    std::string clob = "'" + std::string(30000, 'c') + "' || '" + std::string(10000, 'd') + "'";
    emu.seed({"CREATE TABLE \"EDGES\"(S SMALLINT, I INTEGER, B BIGINT, D DECIMAL(9,2), R REAL, F "
              "DOUBLE, C CHAR(3), "
              "V VARCHAR(20), L LONG VARCHAR, CL CLOB, BL BLOB, DT DATE, T TIME, TS TIMESTAMP)",
              "INSERT INTO \"EDGES\" VALUES(-32768, 2147483647, 9223372036854775807, '12.34', 0.5, "
              "0.1, 'é', "
              "'O''Neil', '', " +
                  clob + ", X'00FF10', '1899-12-31', '23:59:59', '2038-01-19-03.14.07.999000')",
              "INSERT INTO \"EDGES\" VALUES(NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
              "NULL, NULL, NULL, "
              "NULL, NULL)"});
    send({QStringLiteral("EDGES")});
    EXPECT_TRUE(dialogs.errorReports().isEmpty())
        << dialogs.errorReports().join(u'\n').toStdString();
    EXPECT_EQ(emu.statements(), std::vector<std::string>{"SELECT * FROM \"EDGES\""});
    const auto rows = paradoxRows("EDGES.db");
    ASSERT_EQ(rows.size(), 2U);
    EXPECT_EQ(rows[0][0], Value::integer(-32768));
    EXPECT_EQ(rows[0][1], Value::integer(2147483647));
    EXPECT_EQ(rows[0][2], Value::decimal("9223372036854775807"));
    EXPECT_EQ(rows[0][3], Value::decimal("12.34"))
        << "the cents of a DECIMAL mapped to INT are kept";
    EXPECT_EQ(rows[0][4], Value::decimal("0.5"));
    EXPECT_EQ(rows[0][5], Value::real(0.1));
    EXPECT_EQ(rows[0][6], Value::text("é ")) << "CHAR(3) counts bytes; its blank is data";
    EXPECT_EQ(rows[0][7], Value::text("O'Neil"));
    EXPECT_TRUE(rows[0][8].isNull()) << "an empty text goes as NULL";
    EXPECT_EQ(rows[0][9].asText().size(), 40000U);
    EXPECT_EQ(rows[0][10], Value::bytes({0x00, 0xFF, 0x10}));
    EXPECT_EQ(rows[0][11], Value::date({1899, 12, 31}));
    EXPECT_EQ(rows[0][12], Value::text("23:59:59"));
    EXPECT_EQ(rows[0][13], Value::timestamp({{2038, 1, 19}, 11'647'999}));
    for (const Value &value : rows[1]) {
        EXPECT_TRUE(value.isNull());
    }
    EXPECT_TRUE(stagingTables().isEmpty());
    EXPECT_TRUE(form2->paradoxList().findItems(QStringLiteral("EDGES"), Qt::MatchExactly).size() ==
                1);
}

TEST_F(SendToParadox, EveryNewerDb2TypeOfAKeyedTableWithDefaultsLandsWithItsValues)
{
    std::string everyByte = "X'";
    for (int b = 0; b < 256; ++b) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", b);
        everyByte += hex;
    }
    everyByte += "'";
    emu.seed({"CREATE TABLE \"NEWER\"(ID INT NOT NULL GENERATED ALWAYS AS IDENTITY PRIMARY KEY, "
              "D16 DECFLOAT(16), D34 DECFLOAT(34), G GRAPHIC(4), VG VARGRAPHIC(10), "
              "DB DBCLOB(1K), FB CHAR(2) FOR BIT DATA, LFB LONG VARCHAR FOR BIT DATA, "
              "BI BINARY(2), T0 TIMESTAMP(0), T6 TIMESTAMP DEFAULT CURRENT TIMESTAMP, "
              "T12 TIMESTAMP(12), B BOOLEAN, X XML, N VARCHAR(5) NOT NULL WITH DEFAULT 'n/a')",
              "INSERT INTO \"NEWER\"(D16, D34, G, VG, DB, FB, LFB, BI, T0, T12, B, X) "
              "VALUES('0.1', '1234567890123456789012345678901234', 'Grüß', 'Zoë', 'dé', X'00FF', " +
                  everyByte +
                  ", X'FFFE', '2021-08-31-10.00.00', '2021-08-31-10.00.00.123456789012', TRUE, "
                  "'<r>é</r>')",
              "INSERT INTO \"NEWER\"(D16, D34, B) VALUES('-2.5', 'Infinity', FALSE)",
              "INSERT INTO \"NEWER\"(B) VALUES(NULL)",
              "CREATE TABLE \"CJK\"(G GRAPHIC(2))",
              "INSERT INTO \"CJK\" VALUES('漢字')"});
    send({QStringLiteral("NEWER")});
    ASSERT_TRUE(dialogs.errorReports().isEmpty())
        << dialogs.errorReports().join(u'\n').toStdString();
    const auto rows = paradoxRows("NEWER.db");
    ASSERT_EQ(rows.size(), 3U);
    EXPECT_EQ(rows[0][0], Value::integer(1)) << "identity values";
    EXPECT_EQ(rows[2][0], Value::integer(3));
    EXPECT_EQ(rows[0][1], Value::decimal("0.1")) << "a DECFLOAT a number field holds is one";
    EXPECT_EQ(rows[1][1], Value::decimal("-2.5"));
    EXPECT_EQ(rows[0][2], Value::text("1234567890123456789012345678901234"))
        << "one that does not keeps its digits";
    EXPECT_EQ(rows[1][2], Value::text("Infinity"));
    EXPECT_EQ(rows[0][3], Value::text("Grüß"));
    EXPECT_EQ(rows[0][4], Value::text("Zoë"));
    EXPECT_EQ(rows[0][5], Value::text("dé"));
    EXPECT_EQ(rows[0][6], Value::text("00FF")) << "FOR BIT DATA as hex, as VARCHAR holds it";
    std::vector<std::uint8_t> bytes(256);
    for (int b = 0; b < 256; ++b) {
        bytes[b] = static_cast<std::uint8_t>(b);
    }
    EXPECT_EQ(rows[0][7], Value::bytes(bytes)) << "a long binary stays bytes";
    EXPECT_EQ(rows[0][8], Value::text("FFFE"));
    EXPECT_EQ(rows[0][9], Value::timestamp({{2021, 8, 31}, 36'000'000}));
    EXPECT_EQ(rows[0][10].kind(), Value::Kind::Timestamp) << "CURRENT TIMESTAMP, cut to the ms";
    EXPECT_EQ(rows[0][11], Value::timestamp({{2021, 8, 31}, 36'000'123}));
    EXPECT_EQ(rows[0][12], Value::text("True"));
    EXPECT_EQ(rows[1][12], Value::text("False"));
    EXPECT_TRUE(rows[2][12].isNull());
    EXPECT_EQ(rows[0][13], Value::text("<?xml version=\"1.0\" encoding=\"UTF-8\" ?><r>é</r>"));
    EXPECT_EQ(rows[2][14], Value::text("n/a"));
    QFile logged(log.path());
    ASSERT_TRUE(logged.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(logged.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral(
        "column T12 of NEWER: 1 timestamp cut to the millisecond, the finest time a Paradox table "
        "keeps")))
        << text.toStdString();

    // Text the Paradox code page cannot hold is refused with its box, and no table is made.
    dialogs.boxes.clear();
    send({QStringLiteral("CJK")});
    ASSERT_EQ(dialogs.errorReports().size(), 1);
    EXPECT_TRUE(dialogs.errorReports()[0].contains(QStringLiteral("cannot hold")));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(paradoxPath("CJK.db"))));
}

TEST_F(SendToParadox, ATableWithNoRowsGivesAnEmptyParadoxTable)
{
    emu.seed({"CREATE TABLE \"NONE\"(A INTEGER, B VARCHAR(5))"});
    send({QStringLiteral("NONE")});
    EXPECT_TRUE(dialogs.errorReports().isEmpty())
        << dialogs.errorReports().join(u'\n').toStdString();
    EXPECT_TRUE(paradoxRows("NONE.db").empty());
}

TEST_F(SendToParadox, ALongNameIsCutOnYesAndTheTableSkippedOnNo)
{
    emu.seed({"CREATE TABLE \"CUSTOMERS\"(A INTEGER)",
              "INSERT INTO \"CUSTOMERS\" VALUES(1)",
              "CREATE TABLE \"SUPPLIERS\"(A INTEGER)"});
    dialogs.answers = {false, true}; // SUPPLIERS first (bottom up), then CUSTOMERS
    send({QStringLiteral("CUSTOMERS"), QStringLiteral("SUPPLIERS")});
    EXPECT_EQ(
        dialogs.texts(tw::test::Box::Kind::Question),
        (QStringList{
            QStringLiteral(
                "SUPPLIERS is more than 8 characters. It will be trim into SUPPLIER. Continue?"),
            QStringLiteral(
                "CUSTOMERS is more than 8 characters. It will be trim into CUSTOMER. Continue?")}));
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Continue?"));
    EXPECT_EQ(files(), QStringList{QStringLiteral("CUSTOMER.db")});
    EXPECT_EQ(paradoxRows("CUSTOMER.db"), (std::vector<std::vector<Value>>{{Value::integer(1)}}));
    EXPECT_EQ(items(form2->paradoxList()), QStringList{QStringLiteral("CUSTOMER")});
}

TEST_F(SendToParadox, AnExistingTableInAnyLetterCaseIsAskedAboutAndReplacedOnYes)
{
    paradoxTable("ORDERS.db", {{Value::integer(99), Value::text("old")}});
    emu.seed({"CREATE TABLE \"Orders\"(X INTEGER)", "INSERT INTO \"Orders\" VALUES(1)"});
    dialogs.answers = {true};
    send({QStringLiteral("Orders")});
    EXPECT_EQ(dialogs.texts(tw::test::Box::Kind::Question),
              QStringList{QStringLiteral("Would you like to overwrite Orders?")});
    EXPECT_TRUE(dialogs.errorReports().isEmpty())
        << dialogs.errorReports().join(u'\n').toStdString();
    EXPECT_EQ(files(), QStringList{QStringLiteral("Orders.db")});
    EXPECT_EQ(paradoxRows("Orders.db"), (std::vector<std::vector<Value>>{{Value::integer(1)}}));
    EXPECT_EQ(items(form2->paradoxList()), QStringList{QStringLiteral("ORDERS")});
}

TEST_F(SendToParadox, NoToTheOverwriteLeavesTheParadoxTable)
{
    paradoxTable("ORDERS.db", {{Value::integer(99), Value::text("old")}});
    emu.seed({"CREATE TABLE \"ORDERS\"(X INTEGER)"});
    dialogs.answers = {false};
    send({QStringLiteral("ORDERS")});
    EXPECT_EQ(paradoxRows("ORDERS.db").size(), 1U);
    EXPECT_TRUE(emu.statements().empty());
}

TEST_F(SendToParadox, TwoTablesCutToTheSameNameGiveOneTableAndOneReport)
{
    emu.seed({"CREATE TABLE \"PRODUCTS1\"(A INTEGER)",
              "INSERT INTO \"PRODUCTS1\" VALUES(1)",
              "CREATE TABLE \"PRODUCTS2\"(A INTEGER)",
              "INSERT INTO \"PRODUCTS2\" VALUES(2)"});
    dialogs.answers = {true, true};
    send({QStringLiteral("PRODUCTS1"), QStringLiteral("PRODUCTS2")});
    const QStringList reports = dialogs.errorReports();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].contains(QStringLiteral("at line 278"))) << reports[0].toStdString();
    EXPECT_EQ(paradoxRows("PRODUCTS.db"), (std::vector<std::vector<Value>>{{Value::integer(2)}}))
        << "the first one stays";
    EXPECT_TRUE(stagingTables().isEmpty()) << "the failed table's staging copy is dropped too";
}

TEST_F(SendToParadox, WithoutACurrentItemOrAStagingDatabaseNothingIsCopied)
{
    startProgram();
    form2->db2List().setCurrentItem(nullptr);
    emu.clearLog();
    button(*form2, "PushButton3")->click();
    EXPECT_EQ(dialogs.notices(), QStringList{QStringLiteral("Please select a table to send.")});
    EXPECT_EQ(emu.connects(), 0);

    emu.seed({"CREATE TABLE \"T\"(A INTEGER)"});
    QFile::remove(programFolder() + QStringLiteral("/dbtemp.mdb"));
    dialogs.boxes.clear();
    form2->Form_Load();
    send({QStringLiteral("T")});
    ASSERT_EQ(dialogs.errorReports().size(), 1);
    EXPECT_TRUE(dialogs.errorReports()[0].contains(QStringLiteral("dbtemp.mdb\" is missing")));
    EXPECT_FALSE(QFile::exists(programFolder() + QStringLiteral("/dbtemp.mdb")));
    EXPECT_EQ(form2->mousePointer(), tw::transfer::Form2::MousePointer::Default);
}

TEST_F(SendToParadox, AStagingTableLeftFromAnEarlierRunIsDroppedFirst)
{
    emu.seed({"CREATE TABLE \"T\"(A INTEGER)", "INSERT INTO \"T\" VALUES(5)"});
    {
        tw::db::Connection staging;
        staging.open("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=" +
                     programFolder().toStdString() + "/dbtemp.mdb;");
        staging.execute("CREATE TABLE `T`(`OLD`TEXT);");
        staging.execute("INSERT INTO `T` VALUES('leftover')");
    }
    send({QStringLiteral("T")});
    EXPECT_TRUE(dialogs.errorReports().isEmpty())
        << dialogs.errorReports().join(u'\n').toStdString();
    EXPECT_EQ(paradoxRows("T.db"), (std::vector<std::vector<Value>>{{Value::integer(5)}}));
}

TEST_F(SendToParadox, AValueParadoxCannotHoldFailsTheExportAndLeavesNoTable)
{
    emu.seed({"CREATE TABLE \"GREEK\"(W VARCHAR(10))", "INSERT INTO \"GREEK\" VALUES('Ωmega')"});
    send({QStringLiteral("GREEK")});
    ASSERT_EQ(dialogs.errorReports().size(), 1);
    EXPECT_TRUE(dialogs.errorReports()[0].contains(QStringLiteral("code page 1252")));
    EXPECT_TRUE(files().isEmpty());
    EXPECT_TRUE(stagingTables().isEmpty());
}

TEST_F(SendToParadox, ADb2TableThatCannotBeReadNeverCostsTheParadoxTable)
{
    paradoxTable("ORDERS.db", {{Value::integer(99), Value::text("old")}});
    emu.seed({"CREATE TABLE \"ORDERS\"(X INTEGER)"});
    startProgram();
    emu.seed({"DROP TABLE \"ORDERS\""}); // gone from DB2 since the list was loaded
    dialogs.answers = {true};
    send({QStringLiteral("ORDERS")});
    ASSERT_EQ(dialogs.errorReports().size(), 1);
    EXPECT_TRUE(dialogs.errorReports()[0].contains(QStringLiteral("at line 164")));
    EXPECT_EQ(paradoxRows("ORDERS.db"),
              (std::vector<std::vector<Value>>{{Value::integer(99), Value::text("old")}}));
}

TEST_F(SendToParadox, AConnectionDroppedWhileReadingIsReportedOnceAndCostsNoParadoxTable)
{
    std::vector<std::string> seed;
    for (const char *table : {"ALPHA", "BETA", "GAMMA"}) {
        seed.push_back("CREATE TABLE \"" + std::string(table) + "\"(N INTEGER)");
        for (int i = 1; i <= 30; ++i) {
            seed.push_back("INSERT INTO \"" + std::string(table) + "\" VALUES(" +
                           std::to_string(i) + ")");
        }
    }
    emu.seed(seed);
    paradoxTable("BETA.db", {{Value::integer(99), Value::text("old")}});
    startProgram();
    // GAMMA goes first and whole (30 rows and the end); the line goes nine rows into BETA,
    // and ALPHA is not tried.
    emu.setFaults({0, 0, 40});
    dialogs.answers = {true};
    send({QStringLiteral("ALPHA"), QStringLiteral("BETA"), QStringLiteral("GAMMA")});
    ASSERT_EQ(dialogs.errorReports().size(), 1) << dialogs.errorReports().join(u'\n').toStdString();
    EXPECT_TRUE(dialogs.errorReports()[0].contains(QStringLiteral("SQL30081N")));
    EXPECT_TRUE(dialogs.errorReports()[0].contains(QStringLiteral("at line 164")));
    EXPECT_EQ(paradoxRows("GAMMA.db").size(), 30U);
    EXPECT_EQ(paradoxRows("BETA.db"),
              (std::vector<std::vector<Value>>{{Value::integer(99), Value::text("old")}}));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(paradoxPath("ALPHA.db"))));
    EXPECT_TRUE(stagingTables().isEmpty());
    EXPECT_EQ(form2->mousePointer(), tw::transfer::Form2::MousePointer::Default);

    // Still usable: with the line back, the next press replaces BETA.
    emu.setFaults({});
    dialogs.boxes.clear();
    dialogs.answers = {true};
    send({QStringLiteral("BETA")});
    EXPECT_TRUE(dialogs.errorReports().isEmpty());
    EXPECT_EQ(paradoxRows("BETA.db").size(), 30U);
}

TEST_F(SendToParadox, AYesWhoseExportFailsInAnyWayKeepsTheOldTableAndItsWholeFamily)
{
    paradoxTable("ORDERS.db", {{Value::integer(99), Value::text("old")}});
    for (const char *companion : {"ORDERS.MB", "ORDERS.PX"}) {
        QFile file(QString::fromStdString(paradoxPath(companion)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(companion);
    }
    emu.seed({"CREATE TABLE \"ORDERS\"(X INTEGER)"});
    startProgram();
    const auto before = tw::test::TempFolderBytes(paradoxFolder());
    // Each: DB2's ORDERS as it is made, and what the one box says.
    const std::pair<std::vector<std::string>, const char *> failures[] = {
        {{"CREATE TABLE \"ORDERS\"(W VARCHAR(10))", "INSERT INTO \"ORDERS\" VALUES('Ωmega')"},
         "code page 1252"},
        {{"CREATE TABLE \"ORDERS\"(\"A_COLUMN_NAME_OF_THIRTY_CHARS\" INTEGER)"}, "25 characters"},
        // Two names the staging database takes for one: its CREATE fails, no row is tried.
        {{"CREATE TABLE \"ORDERS\"(\"a\" INTEGER, \"A\" INTEGER)",
          "INSERT INTO \"ORDERS\" VALUES(1, 2)",
          "INSERT INTO \"ORDERS\" VALUES(3, 4)"},
         "at line 228"},
    };
    for (const auto &[table, why] : failures) {
        emu.seed({"DROP TABLE \"ORDERS\""});
        emu.seed(table);
        dialogs.boxes.clear();
        dialogs.answers = {true};
        send({QStringLiteral("ORDERS")});
        ASSERT_EQ(dialogs.errorReports().size(), 1) << why;
        EXPECT_TRUE(dialogs.errorReports()[0].contains(QString::fromUtf8(why)))
            << dialogs.errorReports()[0].toStdString();
        EXPECT_EQ(tw::test::TempFolderBytes(paradoxFolder()), before) << why;
        EXPECT_EQ(items(form2->paradoxList()), QStringList{QStringLiteral("ORDERS")});
        EXPECT_TRUE(stagingTables().isEmpty());
    }

    // Nothing in the way: the new table takes the place of the whole old family, its files
    // made with the mode any new file gets.
    emu.seed({"DROP TABLE \"ORDERS\"",
              "CREATE TABLE \"ORDERS\"(X INTEGER)",
              "INSERT INTO \"ORDERS\" VALUES(1)"});
    dialogs.boxes.clear();
    dialogs.answers = {true};
    const mode_t mask = ::umask(022);
    send({QStringLiteral("ORDERS")});
    ::umask(mask);
    EXPECT_TRUE(dialogs.errorReports().isEmpty());
    EXPECT_EQ(files(), QStringList{QStringLiteral("ORDERS.db")});
    EXPECT_EQ(paradoxRows("ORDERS.db"), (std::vector<std::vector<Value>>{{Value::integer(1)}}));
    EXPECT_EQ(QFile::permissions(QString::fromStdString(paradoxPath("ORDERS.db"))),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser |
                  QFile::ReadGroup | QFile::ReadOther);
}

TEST_F(SendToParadox, AYesAndThenAFullDiskKeepsTheOldTableAndLeavesNoFileBehind)
{
    paradoxTable("WIDE.db", {{Value::integer(99), Value::text("old")}});
    // One long value makes every Paradox record 255 bytes wide: about 250 KB for 1,000 rows,
    // while the staging database holds them in a few KB.
    std::vector<std::string> seed = {"CREATE TABLE \"WIDE\"(T VARCHAR(255))",
                                     "INSERT INTO \"WIDE\" VALUES('" + std::string(255, 'x') +
                                         "')"};
    for (int i = 0; i < 1000; ++i) {
        seed.push_back("INSERT INTO \"WIDE\" VALUES('y')");
    }
    emu.seed(seed);
    startProgram();
    const auto before = tw::test::TempFolderBytes(paradoxFolder());
    dialogs.answers = {true};

    // The disk is "full" at 128 KB a file: a write past it fails with EFBIG.
    struct rlimit old
    {};

    ::getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit full = old;
    full.rlim_cur = 128 * 1024;
    ::setrlimit(RLIMIT_FSIZE, &full);
    send({QStringLiteral("WIDE")});
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    ASSERT_EQ(dialogs.errorReports().size(), 1) << dialogs.errorReports().join(u'\n').toStdString();
    EXPECT_TRUE(dialogs.errorReports()[0].contains(QStringLiteral("at line 278")))
        << dialogs.errorReports()[0].toStdString();
    EXPECT_EQ(tw::test::TempFolderBytes(paradoxFolder()), before) << "no hidden file either";
    EXPECT_EQ(items(form2->paradoxList()), QStringList{QStringLiteral("WIDE")});
}

TEST_F(SendToParadox, TablesDroppedWhileACopyRunsAreSkippedAndTheOthersGoWhole)
{
    std::vector<std::string> seed;
    for (const char *table : {"X", "Y", "Z"}) {
        seed.push_back("CREATE TABLE \"" + std::string(table) + "\"(N INTEGER, T VARCHAR(20))");
    }
    for (int i = 1; i <= 5000; ++i) {
        seed.push_back("INSERT INTO \"Z\" VALUES(" + std::to_string(i) + ", 'row')");
    }
    emu.seed(seed);
    startProgram();
    // While Z (the lowest) is copied, X and Y are dropped with the DB2 side's button.
    whileWorking([&] { return form2->progressPercent() > 0; },
                 [&] {
                     select(form2->db2List(), {QStringLiteral("X"), QStringLiteral("Y")});
                     button(*form2, "PushButton1")->click();
                 });
    send({QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("Z")});
    ASSERT_TRUE(acted());
    EXPECT_TRUE(dialogs.errorReports().isEmpty())
        << dialogs.errorReports().join(u'\n').toStdString();
    EXPECT_EQ(paradoxRows("Z.db").size(), 5000U);
    EXPECT_EQ(files(), QStringList{QStringLiteral("Z.db")});
    EXPECT_EQ(items(form2->db2List()), QStringList{QStringLiteral("Z")});
}

TEST_F(SendToParadox, TextIsWrittenInTheWindowsCodePageOfTheUsersLanguageWithItsDriver)
{
    struct Case
    {
        const char *locale;
        const char *text;
        int codePage;
        int sortOrder;
        const char *sortOrderId;
    };

    const Case cases[] = {
        {"ru_RU.UTF-8", "Съешь же ещё этих мягких булок", 1251, 143, "ancyrr"},
        {"pl_PL.UTF-8", "Zażółć gęślą jaźń", 1250, 94, "anpolish"},
        {"el_GR.UTF-8", "Καλημέρα κόσμε", 1253, 14, "angreek1"},
    };
    for (const Case &c : cases) {
        const std::string table = std::string("T") + c.locale[0];
        emu.seed({"CREATE TABLE \"" + table + "\"(W VARCHAR(100))",
                  "INSERT INTO \"" + table + "\" VALUES('" + c.text + "')"});
    }
    for (const Case &c : cases) {
        SCOPED_TRACE(c.locale);
        tw::paradox::useCodePages(tw::paradox::localCodePages(c.locale));
        const std::string table = std::string("T") + c.locale[0];
        dialogs.boxes.clear();
        send({QString::fromStdString(table)});
        tw::paradox::useCodePages({});
        EXPECT_TRUE(dialogs.errorReports().isEmpty())
            << dialogs.errorReports().join(u'\n').toStdString();
        // Any reader decodes it by its header alone.
        tw::paradox::TableReader written =
            tw::paradox::TableReader::open(paradoxPath(table + ".db"));
        EXPECT_EQ(written.header().codePage, c.codePage);
        EXPECT_EQ(written.header().sortOrder, c.sortOrder);
        EXPECT_EQ(written.header().sortOrderId, c.sortOrderId);
        ASSERT_TRUE(written.next());
        EXPECT_EQ(written.value(0), Value::text(c.text));
    }
}

// With "Keep column types and keys" each DB2 column becomes the field its type calls for,
// every value exact at its edges, the rows written straight: no staging table, no literal.
TEST_F(SendToParadox, TheTypedCopyGivesEachDb2TypeItsOwnFieldAndWritesTheRowsStraight)
{
    emu.seed({"CREATE TABLE \"TYPED\"(S SMALLINT, I INTEGER, B BIGINT, D DECIMAL(9,2), F DOUBLE, "
              "C CHAR(3), V VARCHAR(20), LV VARCHAR(300), CL CLOB, BL BLOB, "
              "FB VARCHAR(4) FOR BIT DATA, BO BOOLEAN, DT DATE, T TIME, TS TIMESTAMP, "
              "DF DECFLOAT(34))",
              "INSERT INTO \"TYPED\" VALUES(-32767, 2147483647, 9223372036854775807, "
              "'-1234567.89', 0.1, 'é', 'O''Neil', '" +
                  std::string(300, 'x') +
                  "', 'memo', X'00FF10', X'01', TRUE, '0001-01-01', '23:59:59', "
                  "'2038-01-19-03.14.07.999999', '1234567890123456789012345678901234')",
              "INSERT INTO \"TYPED\"(S) VALUES(NULL)"});
    startProgram();
    form2->findChild<QCheckBox *>(QStringLiteral("KeepTypesToParadox"))->setChecked(true);
    send({QStringLiteral("TYPED")});
    EXPECT_TRUE(dialogs.errorReports().isEmpty())
        << dialogs.errorReports().join(u'\n').toStdString();
    EXPECT_EQ(emu.statements(),
              (std::vector<std::string>{"SELECT * FROM \"TYPED\"",
                                        "VALUES CURRENT SCHEMA",
                                        "SELECT COLNAME FROM SYSCAT.COLUMNS WHERE TABSCHEMA = "
                                        "'ADMIN' AND TABNAME = 'TYPED' AND IDENTITY = 'Y'"}));
    EXPECT_TRUE(stagingTables().isEmpty());

    tw::paradox::TableReader table = tw::paradox::TableReader::open(paradoxPath("TYPED.db"));
    std::vector<std::pair<FieldType, int>> kinds;
    for (const tw::paradox::Field &f : table.fields()) {
        kinds.emplace_back(f.type, f.size);
    }
    const std::vector<std::pair<FieldType, int>> expected = {{FieldType::Short, 2},
                                                             {FieldType::Long, 4},
                                                             {FieldType::Bcd, 0},
                                                             {FieldType::Bcd, 2},
                                                             {FieldType::Number, 8},
                                                             {FieldType::Alpha, 3},
                                                             {FieldType::Alpha, 20},
                                                             {FieldType::Memo, 20},
                                                             {FieldType::Memo, 20},
                                                             {FieldType::Blob, 10},
                                                             {FieldType::Bytes, 4},
                                                             {FieldType::Logical, 1},
                                                             {FieldType::Date, 4},
                                                             {FieldType::Time, 4},
                                                             {FieldType::Timestamp, 8},
                                                             {FieldType::Alpha, 42}};
    EXPECT_EQ(kinds, expected);
    const auto rows = paradoxRows("TYPED.db");
    ASSERT_EQ(rows.size(), 2U);
    const std::vector<Value> first = {Value::integer(-32767),
                                      Value::integer(2147483647),
                                      Value::decimal("9223372036854775807"),
                                      Value::decimal("-1234567.89"),
                                      Value::real(0.1),
                                      Value::text("é "),
                                      Value::text("O'Neil"),
                                      Value::text(std::string(300, 'x')),
                                      Value::text("memo"),
                                      Value::bytes({0x00, 0xFF, 0x10}),
                                      Value::bytes({0x01, 0x00, 0x00, 0x00}),
                                      Value::boolean(true),
                                      Value::date({1, 1, 1}),
                                      Value::time({86'399'000}),
                                      Value::timestamp({{2038, 1, 19}, 11'647'999}),
                                      Value::text("1234567890123456789012345678901234")};
    EXPECT_EQ(rows[0], first);
    for (const Value &value : rows[1]) {
        EXPECT_TRUE(value.isNull());
    }
    const QString text = logText();
    EXPECT_TRUE(text.contains(QStringLiteral("column BO as Logical")));
    EXPECT_TRUE(text.contains(QStringLiteral("1 timestamp cut to the millisecond")));
}

// Yes to "Overwrite?" and then a value no field holds: one box, the old table stays byte for
// byte and nothing is left of the new one.
TEST_F(SendToParadox, ATypedCopyWithAValueNoFieldHoldsKeepsTheOldTable)
{
    paradoxTable("ZEROS.db", {{Value::integer(1), Value::text("old")}});
    const auto before = tw::test::TempFolderBytes(paradoxFolder());
    emu.seed({"CREATE TABLE \"ZEROS\"(FB VARCHAR(2) FOR BIT DATA)",
              "INSERT INTO \"ZEROS\" VALUES(X'01')",
              "INSERT INTO \"ZEROS\" VALUES(X'0000')"});
    startProgram();
    form2->findChild<QCheckBox *>(QStringLiteral("KeepTypesToParadox"))->setChecked(true);
    dialogs.answers = {true};
    send({QStringLiteral("ZEROS")});
    ASSERT_EQ(dialogs.errorReports().size(), 1);
    EXPECT_TRUE(dialogs.errorReports()[0].contains(QStringLiteral("record 2")))
        << dialogs.errorReports()[0].toStdString();
    EXPECT_EQ(tw::test::TempFolderBytes(paradoxFolder()), before);
}

// A DB2 table keyed on two columns that are not its first: the key fields lead the Paradox
// table in key order, the records follow in key order, and the primary index holds what the
// data blocks imply. A BIGINT whose values fit and a long VARCHAR holding short texts take
// the fields their values need (as does a DECFLOAT of plain digits), and an identity column
// becomes an Autoincrement field.
TEST_F(SendToParadox, TheTypedCopyKeepsTheDb2KeyAsAParadoxKeyWithItsIndex)
{
    std::vector<std::string> seed = {
        "CREATE TABLE \"KEYED\"(NOTE VARCHAR(600), REGION CHAR(2) NOT NULL, ID BIGINT NOT NULL, "
        "SEQ INTEGER GENERATED ALWAYS AS IDENTITY, PRICE DECFLOAT(16), PRIMARY KEY(ID, REGION))"};
    for (int i = 0; i < 500; ++i) {
        const int id = (i * 37) % 250 - 100; // each id twice, once in each region
        seed.push_back("INSERT INTO \"KEYED\"(NOTE, REGION, ID, PRICE) VALUES('n" +
                       std::to_string(i) + "', '" + (i < 250 ? "EU" : "US") + "', " +
                       std::to_string(id) + ", " + std::to_string(i) + ".5)");
    }
    emu.seed(seed);
    startProgram();
    form2->findChild<QCheckBox *>(QStringLiteral("KeepTypesToParadox"))->setChecked(true);
    send({QStringLiteral("KEYED")});
    ASSERT_TRUE(dialogs.errorReports().isEmpty())
        << dialogs.errorReports().join(u'\n').toStdString();

    const std::string path = paradoxPath("KEYED.db");
    EXPECT_EQ(tw::paradox::primaryIndexProblems(path), std::vector<std::string>{});
    tw::paradox::TableReader table = tw::paradox::TableReader::open(path);
    EXPECT_EQ(table.header().primaryKeyFields, 2);
    std::vector<std::string> names;
    for (const tw::paradox::Field &f : table.fields()) {
        names.push_back(f.name + ":" + tw::paradox::fieldTypeLetter(f.type) +
                        std::to_string(f.size));
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"ID:I4", "REGION:A2", "NOTE:A200", "SEQ:+4", "PRICE:#1"}));
    EXPECT_EQ(table.header().autoIncrement, 500U);
    const auto rows = paradoxRows("KEYED.db");
    ASSERT_EQ(rows.size(), 500U);
    EXPECT_EQ(rows[0],
              (std::vector<Value>{Value::integer(-100),
                                  Value::text("EU"),
                                  Value::text("n0"),
                                  Value::integer(1),
                                  Value::decimal("0.5")}));
    EXPECT_EQ(rows[1][1], Value::text("US"));
    EXPECT_EQ(rows.back()[0], Value::integer(149));
    const QString text = logText();
    EXPECT_TRUE(text.contains(QStringLiteral("written straight and keyed on ID, REGION")));
    EXPECT_TRUE(text.contains(QStringLiteral("the key fields ID, REGION were moved to the front")));
}

// Yes to "Overwrite?" over a keyed table, and then two DB2 keys that become one once their
// timestamps are cut to the millisecond: one box naming the key, and the old table, its
// index and all, stays byte for byte.
TEST_F(SendToParadox, AKeyedCopyWhoseKeysMeetKeepsTheOldKeyedTable)
{
    {
        tw::paradox::WriteOptions keyed;
        keyed.keyFields = 1;
        tw::paradox::TableWriter old(
            paradoxPath("STAMPS.db"), {field("AT", FieldType::Long)}, keyed);
        old.append(std::vector{Value::integer(1)});
        old.commit();
    }
    const auto before = tw::test::TempFolderBytes(paradoxFolder());
    emu.seed({"CREATE TABLE \"STAMPS\"(AT TIMESTAMP NOT NULL PRIMARY KEY)",
              "INSERT INTO \"STAMPS\" VALUES('2020-01-01-00.00.00.000001')",
              "INSERT INTO \"STAMPS\" VALUES('2020-01-01-00.00.00.000002')"});
    startProgram();
    form2->findChild<QCheckBox *>(QStringLiteral("KeepTypesToParadox"))->setChecked(true);
    dialogs.answers = {true};
    send({QStringLiteral("STAMPS")});
    ASSERT_EQ(dialogs.errorReports().size(), 1);
    EXPECT_TRUE(dialogs.errorReports()[0].contains(QStringLiteral("same key (AT 2020-01-01")))
        << dialogs.errorReports()[0].toStdString();
    EXPECT_EQ(tw::test::TempFolderBytes(paradoxFolder()), before);
}
