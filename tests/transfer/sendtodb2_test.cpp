// "Send Table/s To IBM DB2" through the real stack: Paradox files, our engine, the db layer,
// unixODBC and the DB2 emulation.

#include "support/printers.h"
#include "support/transferfixture.h"
#include "transfer/sqltext.h"
#include "transfer/widgets/form2.h"

#include <QFile>
#include <QProgressBar>
#include <QPushButton>

using tw::db::Value;
using tw::paradox::FieldType;
using tw::test::field;
using Rows = std::vector<std::vector<std::string>>;

namespace {

class SendToDb2 : public tw::test::TransferFixture
{
protected:
    void SetUp() override
    {
        paradoxTable(
            "ORDERS.db",
            {field("ID", FieldType::Long),
             field("SHIPPED", FieldType::Date),
             field("NOTE", FieldType::Alpha, 20)},
            {{Value::integer(7), Value(), Value::text("O'Neil")}, {Value(), Value(), Value()}});
    }

    void send(const QStringList &tables)
    {
        if (!form2->isVisible()) {
            startProgram();
        }
        ASSERT_TRUE(form2->isVisible());
        select(form2->paradoxList(), tables);
        emu.clearLog();
        button(*form2, "PushButton4")->click();
    }

    QStringList questions() const { return dialogs.texts(tw::test::Box::Kind::Question); }
};

} // namespace

TEST_F(SendToDb2, TheWorkedExampleReachesDb2ByteForByte)
{
    send({QStringLiteral("ORDERS")});
    EXPECT_EQ(
        emu.statements(),
        (std::vector<std::string>{
            "CREATE TABLE \"ORDERS\"(\"ID\" LONG VARCHAR,\"SHIPPED\" DATE,\"NOTE\" LONG VARCHAR);",
            "INSERT INTO \"ORDERS\" VALUES('7', NULL, 'O''Neil')",
            "INSERT INTO \"ORDERS\" VALUES(NULL, NULL, NULL)",
            "SELECT COUNT(*) FROM \"ORDERS\""}))
        << "the copy's own statements, then the count that verifies it";
    EXPECT_EQ(db2Rows("\"ORDERS\""),
              (Rows{{"7", "<null>", "O'Neil"}, {"<null>", "<null>", "<null>"}}));
    EXPECT_EQ(items(form2->db2List()), QStringList{QStringLiteral("ORDERS")});
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(form2->mousePointer(), tw::transfer::Form2::MousePointer::Default);
}

TEST_F(SendToDb2, EveryParadoxTypeArrivesAsTextExceptDatesInDate)
{
    paradoxTable("ALLTYPES.db",
                 {field("A", FieldType::Alpha, 10),
                  field("D", FieldType::Date),
                  field("S", FieldType::Short),
                  field("I", FieldType::Long),
                  field("M", FieldType::Money),
                  field("N", FieldType::Number),
                  field("L", FieldType::Logical),
                  field("MEMO", FieldType::Memo, 20),
                  field("B", FieldType::Blob, 10),
                  field("T", FieldType::Time),
                  field("TS", FieldType::Timestamp),
                  field("P", FieldType::AutoIncrement),
                  field("BCD", FieldType::Bcd, 2),
                  field("Y", FieldType::Bytes, 2)},
                 {{Value::text("Zoë"),
                   Value::date({1901, 2, 3}),
                   Value::integer(-5),
                   Value::integer(70000),
                   Value::real(12.5),
                   Value::real(0.1),
                   Value::boolean(true),
                   Value::text("line\r\nnext"),
                   Value::bytes({0xCA, 0xFE}),
                   Value::time({45'296'007}),
                   Value::timestamp({{2021, 8, 31}, 36'000'000}),
                   Value::integer(1),
                   Value::decimal("-12.30"),
                   Value::bytes({0x01, 0x02})}});
    send({QStringLiteral("ALLTYPES")});
    ASSERT_FALSE(emu.statements().empty());
    EXPECT_EQ(emu.statements()[0],
              "CREATE TABLE \"ALLTYPES\"(\"A\" LONG VARCHAR,\"D\" DATE,\"S\" LONG VARCHAR,\"I\" "
              "LONG VARCHAR,"
              "\"M\" LONG VARCHAR,\"N\" LONG VARCHAR,\"L\" LONG VARCHAR,\"MEMO\" LONG "
              "VARCHAR,\"B\" LONG VARCHAR,"
              "\"T\" LONG VARCHAR,\"TS\" LONG VARCHAR,\"P\" LONG VARCHAR,\"BCD\" LONG "
              "VARCHAR,\"Y\" LONG VARCHAR);");
    EXPECT_EQ(db2Rows("\"ALLTYPES\""),
              (Rows{{"Zoë",
                     "1901-02-03",
                     "-5",
                     "70000",
                     "12.5",
                     "0.1",
                     "True",
                     "line\r\nnext",
                     "CAFE",
                     "12:34:56.007",
                     "2021-08-31 10:00:00",
                     "1",
                     "-12.30",
                     "0102"}}));
}

TEST_F(SendToDb2, AnEmptyTableIsCreatedWithNoInsert)
{
    paradoxTable("EMPTY.db");
    send({QStringLiteral("EMPTY")});
    EXPECT_EQ(emu.statements().size(), 2U) << "CREATE and the count read back";
    EXPECT_EQ(db2Rows("\"EMPTY\""), Rows{});
    EXPECT_EQ(form2->progressBar().format(), QStringLiteral("Progress Bar"));
}

TEST_F(SendToDb2, SelectedTablesGoBottomFirstAndNoSkipsOnlyThatTable)
{
    paradoxTable("ALPHA.db", {{Value::integer(1), Value::text("a")}});
    paradoxTable("ZULU.db", {{Value::integer(2), Value::text("z")}});
    emu.seed({"CREATE TABLE \"ORDERS\"(X INTEGER)", "INSERT INTO \"ORDERS\" VALUES(99)"});
    dialogs.answers = {false};
    send({QStringLiteral("ALPHA"), QStringLiteral("ORDERS"), QStringLiteral("ZULU")});
    EXPECT_EQ(questions(), QStringList{QStringLiteral("Would you like to overwrite ORDERS?")});
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Overwrite?"));
    const auto statements = emu.statements();
    ASSERT_EQ(statements.size(), 6U);
    EXPECT_EQ(statements[0].rfind("CREATE TABLE \"ZULU\"", 0), 0U);
    EXPECT_EQ(statements[3].rfind("CREATE TABLE \"ALPHA\"", 0), 0U);
    EXPECT_EQ(db2Rows("\"ORDERS\""), Rows{{"99"}}) << "the table answered No is untouched";
    EXPECT_EQ(
        items(form2->db2List()),
        (QStringList{QStringLiteral("ALPHA"), QStringLiteral("ORDERS"), QStringLiteral("ZULU")}));
}

TEST_F(SendToDb2, TheOverwriteQuestionAndDropUseTheNameAsTheDb2ListWritesIt)
{
    paradoxTable("CUSTOMER.db", {{Value::integer(1), Value::text("new")}});
    emu.seed({"CREATE TABLE \"Customer\"(X INTEGER)", "CREATE TABLE \"CUSTOMER\"(X INTEGER)"});
    startProgram();
    ASSERT_EQ(items(form2->db2List()),
              (QStringList{QStringLiteral("CUSTOMER"), QStringLiteral("Customer")}));
    delete form2->db2List().takeItem(0); // List1 holds Customer only
    dialogs.answers = {true};
    emu.seed({"DROP TABLE \"CUSTOMER\""});
    send({QStringLiteral("CUSTOMER")});
    EXPECT_EQ(questions(), QStringList{QStringLiteral("Would you like to overwrite Customer?")});
    const auto statements = emu.statements();
    ASSERT_GE(statements.size(), 2U);
    EXPECT_EQ(statements[0], "DROP TABLE \"Customer\"");
    EXPECT_EQ(statements[1].rfind("CREATE TABLE \"CUSTOMER\"(", 0), 0U);
    EXPECT_EQ(items(form2->db2List()), QStringList{QStringLiteral("CUSTOMER")});
}

TEST_F(SendToDb2, WithBothSpellingsListedTheOneFurtherDownNamesTheQuestion)
{
    paradoxTable("CUSTOMER.db", {{Value::integer(1), Value::text("new")}});
    emu.seed({"CREATE TABLE \"Customer\"(X INTEGER)", "CREATE TABLE \"CUSTOMER\"(X INTEGER)"});
    dialogs.answers = {true};
    send({QStringLiteral("CUSTOMER")});
    // The list holds CUSTOMER, then Customer (the order they were listed in).
    EXPECT_EQ(questions(), QStringList{QStringLiteral("Would you like to overwrite Customer?")});
    ASSERT_FALSE(emu.statements().empty());
    EXPECT_EQ(emu.statements()[0], "DROP TABLE \"Customer\"");
    EXPECT_EQ(dialogs.errorReports().size(), 1) << "the CREATE meets the CUSTOMER still there";
    EXPECT_EQ(db2Rows("\"CUSTOMER\""), Rows{}) << "CUSTOMER stays as it was";
}

TEST_F(SendToDb2, ARowDb2RejectsIsReportedAndTheCopyGoesOn)
{
    paradoxTable(
        "DATES.db",
        {field("D", FieldType::Date)},
        {{Value::date({2021, 1, 2})}, {Value::date({-1, 1, 1})}, {Value::date({2021, 1, 3})}});
    send({QStringLiteral("DATES")});
    const QStringList reports = dialogs.errorReports();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].contains(QStringLiteral("SQL0180N")));
    EXPECT_TRUE(reports[0].contains(
        QStringLiteral("in Quoralink2021/08/31.Form2.PushButton4_Click at line 256")));
    EXPECT_EQ(db2Rows("\"DATES\""), (Rows{{"2021-01-02"}, {"2021-01-03"}}));
}

TEST_F(SendToDb2, WithoutACurrentItemNothingIsOpened)
{
    startProgram();
    emu.clearLog();
    form2->paradoxList().setCurrentItem(nullptr);
    button(*form2, "PushButton4")->click();
    EXPECT_EQ(dialogs.notices(), QStringList{QStringLiteral("Please select a table to send.")});
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Tablewright"));
    EXPECT_EQ(emu.connects(), 0);
}

TEST_F(SendToDb2, AnUnreadableParadoxTableNeverCostsTheDb2Table)
{
    emu.seed({"CREATE TABLE \"ORDERS\"(X INTEGER)", "INSERT INTO \"ORDERS\" VALUES(1)"});
    startProgram();
    QFile file(QString::fromStdString(paradoxPath("ORDERS.db")));
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write("damaged");
    file.close();
    dialogs.answers = {true};
    send({QStringLiteral("ORDERS")});
    ASSERT_EQ(dialogs.errorReports().size(), 1);
    EXPECT_TRUE(dialogs.errorReports()[0].contains(QStringLiteral("at line 152")));
    EXPECT_TRUE(emu.statements().empty());
    EXPECT_EQ(db2Rows("\"ORDERS\""), Rows{{"1"}});
    EXPECT_EQ(items(form2->db2List()), QStringList{QStringLiteral("ORDERS")});
}

TEST_F(SendToDb2, ATableThatCannotBeCreatedGetsNoRows)
{
    startProgram();
    emu.seed({"CREATE TABLE \"ORDERS\"(X INTEGER, Y INTEGER, Z INTEGER)"}); // not in List1
    send({QStringLiteral("ORDERS")});
    ASSERT_EQ(dialogs.errorReports().size(), 1);
    EXPECT_TRUE(dialogs.errorReports()[0].contains(QStringLiteral("SQL0601N")));
    EXPECT_EQ(emu.statements().size(), 1U) << "no INSERT after the failed CREATE";
    EXPECT_EQ(db2Rows("\"ORDERS\""), Rows{});
}

TEST_F(SendToDb2, ANameWithADoubleQuoteIsDoubledInsideTheIdentifier)
{
    paradoxTable("MY\"TAB.db", {field("A\"B", FieldType::Short)}, {{Value::integer(1)}});
    send({QStringLiteral("MY\"TAB")});
    EXPECT_EQ(emu.statements(),
              (std::vector<std::string>{"CREATE TABLE \"MY\"\"TAB\"(\"A\"\"B\" LONG VARCHAR);",
                                        "INSERT INTO \"MY\"\"TAB\" VALUES('1')",
                                        "SELECT COUNT(*) FROM \"MY\"\"TAB\""}));
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(SendToDb2, AConnectionThatCannotBeOpenedIsReportedOnce)
{
    startProgram();
    setField("Text5", QStringLiteral("wrong"));
    send({QStringLiteral("ORDERS")});
    ASSERT_EQ(dialogs.errorReports().size(), 1);
    EXPECT_TRUE(dialogs.errorReports()[0].contains(QStringLiteral("SQL30082N")));
    EXPECT_TRUE(dialogs.errorReports()[0].contains(QStringLiteral("at line 118")));
    EXPECT_EQ(form2->mousePointer(), tw::transfer::Form2::MousePointer::Default);
}

TEST_F(SendToDb2, AConnectionDroppedMidCopyIsReportedOnceAndEveryRowBeforeItStays)
{
    std::vector<std::vector<Value>> rows;
    for (int i = 1; i <= 50; ++i) {
        rows.push_back({Value::integer(i), Value::text("row")});
    }
    paradoxTable("MANY.db", rows);
    startProgram();
    emu.setFaults({0, 11}); // the CREATE and ten rows, then the line goes
    send({QStringLiteral("MANY")});
    ASSERT_EQ(dialogs.errorReports().size(), 1);
    EXPECT_TRUE(dialogs.errorReports()[0].contains(QStringLiteral("SQL30081N")));
    emu.setFaults({});
    EXPECT_EQ(db2Rows("\"MANY\"").size(), 10U);
    EXPECT_EQ(form2->mousePointer(), tw::transfer::Form2::MousePointer::Default);
    // Still usable: the next press works.
    dialogs.boxes.clear();
    dialogs.answers = {true};
    send({QStringLiteral("MANY")});
    EXPECT_TRUE(dialogs.errorReports().isEmpty());
    EXPECT_EQ(db2Rows("\"MANY\"").size(), 50U);
}

TEST_F(SendToDb2, AYesWhoseCreateFailsOrWhoseLineDropsKeepsTheOldDb2TableWhole)
{
    emu.seed({"CREATE TABLE \"ORDERS\"(X INTEGER)", "INSERT INTO \"ORDERS\" VALUES(1)"});
    startProgram();
    // The CREATE refused after the DROP went; then the line lost right after the DROP.
    for (const tw::test::Db2Emu::Faults faults :
         {tw::test::Db2Emu::Faults{2, 0, 0}, tw::test::Db2Emu::Faults{0, 1, 0}}) {
        dialogs.boxes.clear();
        dialogs.answers = {true};
        emu.setFaults(faults);
        send({QStringLiteral("ORDERS")});
        emu.setFaults({});
        ASSERT_EQ(dialogs.errorReports().size(), 1);
        EXPECT_TRUE(dialogs.errorReports()[0].contains(QStringLiteral("at line 214")));
        EXPECT_EQ(emu.statements().size(), 2U) << "DROP and CREATE, no INSERT";
        EXPECT_EQ(db2Rows("\"ORDERS\""), Rows{{"1"}});
        EXPECT_EQ(items(form2->db2List()), QStringList{QStringLiteral("ORDERS")});
    }
    // With nothing in the way the same press replaces it, exactly as before.
    dialogs.boxes.clear();
    dialogs.answers = {true};
    send({QStringLiteral("ORDERS")});
    EXPECT_TRUE(dialogs.errorReports().isEmpty());
    EXPECT_EQ(db2Rows("\"ORDERS\"").size(), 2U);
}

TEST_F(SendToDb2, TablesDeletedWhileACopyRunsAreSkippedAndTheOthersGoWhole)
{
    std::vector<std::vector<Value>> rows;
    for (int i = 1; i <= 3000; ++i) {
        rows.push_back({Value::integer(i), Value::text("row")});
    }
    for (const char *table : {"A.db", "B.db", "C.db"}) {
        paradoxTable(table, rows);
    }
    startProgram();
    // While C is copied, A, B and ORDERS (below C) are deleted with the Paradox side's button.
    whileWorking([&] { return form2->progressPercent() > 0; },
                 [&] {
                     select(form2->paradoxList(),
                            {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("ORDERS")});
                     button(*form2, "PushButton5")->click();
                 });
    send({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    ASSERT_TRUE(acted());
    EXPECT_TRUE(dialogs.errorReports().isEmpty())
        << dialogs.errorReports().join(u'\n').toStdString();
    EXPECT_EQ(db2Rows("\"C\"").size(), 3000U);
    EXPECT_EQ(items(form2->db2List()), QStringList{QStringLiteral("C")});
    EXPECT_EQ(items(form2->paradoxList()), QStringList{QStringLiteral("C")});
}
