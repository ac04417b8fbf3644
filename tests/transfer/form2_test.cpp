#include "transfer/widgets/form2.h"

#include "support/printers.h"
#include "support/transferfixture.h"
#include "transfer/paradoxtables.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using tw::db::Value;
using tw::test::TransferFixture;

namespace {

class TransferPage : public TransferFixture
{};

// The routines of the table lists that take no page.
class ListRoutines : public TransferFixture
{};

} // namespace

TEST_F(TransferPage, AWorkingSavedConfigurationOpensOnTheTransferPageWithBothListsFilled)
{
    emu.seed({"CREATE TABLE \"Orders\"(A INTEGER)",
              "CREATE TABLE CUSTOMER(A INTEGER)",
              "CREATE TABLE OTHER.\"Orders\"(A INTEGER)",
              "CREATE VIEW \"V\" AS SELECT * FROM CUSTOMER",
              "CREATE TABLE \"alpha\"(A INTEGER)"});
    paradoxTable("Items.db");
    paradoxTable("sub/Orders.DB");
    paradoxTable("a.b.db");
    paradoxTable("x.db.db");
    paradoxTable("~TEMP.db");
    paradoxTable("deeper/still/parts.db");

    startProgram();

    EXPECT_TRUE(form1->startedOnTransferPage());
    EXPECT_FALSE(form1->isVisible());
    EXPECT_TRUE(form2->isVisible());
    EXPECT_EQ(items(form2->db2List()),
              (QStringList{QStringLiteral("alpha"),
                           QStringLiteral("CUSTOMER"),
                           QStringLiteral("Orders"),
                           QStringLiteral("OTHER.Orders")}))
        << "views and system tables are not listed; another schema's table names its schema";
    EXPECT_EQ(items(form2->paradoxList()),
              (QStringList{QStringLiteral("A.B"),
                           QStringLiteral("ITEMS"),
                           QStringLiteral("ORDERS"),
                           QStringLiteral("PARTS"),
                           QStringLiteral("X.DB")}))
        << "each item stands for one file: x.db.db is X.DB, never the table X";
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(form2->windowTitle(), QStringLiteral("Tablewright"));
}

TEST_F(TransferPage, AFailingConfigurationOpensTheConnectionPageWithoutAMessage)
{
    paradoxTable("Items.db");
    settings->SaveSetting(QStringLiteral("Password"), QStringLiteral("wrong"));
    startProgram();
    EXPECT_FALSE(form1->startedOnTransferPage());
    EXPECT_TRUE(form1->isVisible());
    EXPECT_FALSE(form2->isVisible());
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(TransferPage, NextWithAnEmptyFolderFieldNeverConnectsToDb2)
{
    startProgram();
    setField("Text1", QString());
    emu.clearLog();
    button(*form1, "PushButton2")->click();
    EXPECT_EQ(emu.connects(), 0);
    EXPECT_TRUE(form1->isVisible());
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(TransferPage, BackThenNextRebuildsBothListsFromWhatIsThereNow)
{
    paradoxTable("Items.db");
    startProgram();
    ASSERT_TRUE(form2->isVisible());
    button(*form2, "PushButton2")->click();
    EXPECT_TRUE(form1->isVisible());
    EXPECT_FALSE(form2->isVisible());

    emu.seed({"CREATE TABLE \"NEW\"(A INTEGER)"});
    paradoxTable("Parts.db");
    button(*form1, "PushButton2")->click();
    EXPECT_TRUE(form2->isVisible());
    EXPECT_FALSE(form1->isVisible());
    EXPECT_EQ(items(form2->db2List()), QStringList{QStringLiteral("NEW")});
    EXPECT_EQ(items(form2->paradoxList()),
              (QStringList{QStringLiteral("ITEMS"), QStringLiteral("PARTS")}));
    EXPECT_EQ(form1->mousePointer(), tw::connect::Form1::MousePointer::Default);
}

TEST_F(TransferPage, ADb2FailureAtLoadIsReportedAtLine116AndTheParadoxListIsStillFilled)
{
    paradoxTable("Items.db");
    startProgram();
    form2->db2List().addTable(QStringLiteral("STALE"));
    setField("Text5", QStringLiteral("wrong"));
    form2->Form_Load();
    const QStringList reports = dialogs.errorReports();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].startsWith(QStringLiteral("[IBM][CLI Driver] SQL30082N")))
        << reports[0].toStdString();
    EXPECT_TRUE(
        reports[0].contains(QStringLiteral("in Quoralink2021/08/31.Form2.Form_Load at line 116")));
    EXPECT_TRUE(form2->db2List().count() == 0);
    EXPECT_EQ(items(form2->paradoxList()), QStringList{QStringLiteral("ITEMS")});
}

TEST_F(TransferPage, SelectAllAndDeselectAllActOnTheirOwnSideOnly)
{
    emu.seed({"CREATE TABLE A(X INTEGER)", "CREATE TABLE B(X INTEGER)"});
    paradoxTable("P.db");
    startProgram();
    button(*form2, "PushButton10")->click();
    EXPECT_EQ(form2->db2List().selectedCount(), 2);
    EXPECT_EQ(form2->paradoxList().selectedCount(), 0);
    button(*form2, "PushButton8")->click();
    EXPECT_EQ(form2->paradoxList().selectedCount(), 1);
    button(*form2, "PushButton11")->click();
    EXPECT_EQ(form2->db2List().selectedCount(), 0);
    button(*form2, "PushButton9")->click();
    EXPECT_EQ(form2->paradoxList().selectedCount(), 0);
    form2->paradoxList().clear();
    button(*form2, "PushButton8")->click();
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(TransferPage, HelpProgressBarAndClosing)
{
    startProgram();
    button(*form2, "PushButton12")->click();
    EXPECT_EQ(dialogs.notices(),
              QStringList{QStringLiteral("Questions? Please contact Team Kelvarin at "
                                         "https://kelvarin.example/contact")});
    EXPECT_EQ(form2->progressBar().value(), 0);
    EXPECT_EQ(form2->progressBar().format(), QStringLiteral("Progress Bar"));
    QSignalSpy unloaded(form2, &tw::transfer::Form2::unloaded);
    form2->close();
    EXPECT_EQ(unloaded.count(), 1);
}

TEST_F(ListRoutines, ExistTableIgnoresLetterCaseAndTheParadoxStringKeepsTheFolderAsTyped)
{
    emu.seed({"CREATE TABLE \"Orders\"(X INTEGER)",
              "CREATE VIEW \"VIEWED\" AS SELECT * FROM \"Orders\""});
    tw::db::Connection db2;
    db2.open(tw::test::Db2Emu::connectionString());
    EXPECT_TRUE(tw::transfer::ExistTable(db2, QStringLiteral("orders")));
    EXPECT_TRUE(tw::transfer::ExistTable(db2, QStringLiteral("ORDERS")));
    EXPECT_FALSE(tw::transfer::ExistTable(db2, QStringLiteral("viewed")));
    EXPECT_EQ(
        tw::transfer::ParadoxConnectionString(QStringLiteral("/data/px/")),
        QStringLiteral("Driver={Microsoft Paradox Driver (*.db )};DriverID=538;Fil=Paradox 5.X;"
                       "DefaultDir=/data/px/;Dbq=/data/px/;CollatingSequence=ASCII;"));
}

TEST_F(TransferPage, ScreenReadersHearWhatEachControlIsAndTheKeyboardMovesOn)
{
    paradoxTable("P.db", {{Value::integer(1), Value::text("one")}});
    settings->SaveSetting(QStringLiteral("Password"), QStringLiteral("wrong"));
    startProgram();
    auto spoken = [](QObject *control, QAccessible::Text what) {
        return QAccessible::queryAccessibleInterface(control)->text(what);
    };
    const std::pair<const char *, const char *> fields[] = {{"Text1", "Paradox Folder:"},
                                                            {"Text2", "Server:"},
                                                            {"Text3", "Port:"},
                                                            {"Text4", "Username:"},
                                                            {"Text5", "Password:"},
                                                            {"Text6", "Database:"}};
    for (const auto &[name, label] : fields) {
        EXPECT_EQ(
            spoken(form1->findChild<QLineEdit *>(QString::fromLatin1(name)), QAccessible::Name),
            QString::fromLatin1(label));
    }
    EXPECT_EQ(spoken(button(*form1, "PushButton5"), QAccessible::Name),
              QStringLiteral("Browse for the Paradox folder"));
    EXPECT_TRUE(spoken(button(*form1, "PushButton3"), QAccessible::Name).contains(u"Paradox"));
    EXPECT_TRUE(spoken(button(*form1, "PushButton4"), QAccessible::Name).contains(u"DB2"));
    EXPECT_EQ(button(*form1, "PushButton3")->text(), QStringLiteral("Test Connection"));

    // Enter in a field is "Next >".
    EXPECT_TRUE(button(*form1, "PushButton2")->isDefault());
    setField("Text5", QStringLiteral("secret"));
    QTest::keyClick(form1->findChild<QLineEdit *>(QStringLiteral("Text5")), Qt::Key_Return);
    ASSERT_TRUE(form2->isVisible());

    EXPECT_EQ(spoken(&form2->paradoxList(), QAccessible::Name), QStringLiteral("Paradox Tables"));
    EXPECT_EQ(spoken(&form2->db2List(), QAccessible::Name), QStringLiteral("IBM DB2 Tables"));
    // Select All, then send: every table goes, though nothing was clicked in the list.
    form2->paradoxList().setCurrentItem(nullptr);
    QStringList heard;
    QObject::connect(form2, &tw::transfer::Form2::progressChanged, [&] {
        heard << spoken(&form2->progressBar(), QAccessible::Description);
    });
    button(*form2, "PushButton8")->click();
    button(*form2, "PushButton4")->click();
    EXPECT_TRUE(dialogs.boxes.empty())
        << dialogs.texts(tw::test::Box::Kind::Notice).join(u'\n').toStdString();
    EXPECT_EQ(items(form2->db2List()), QStringList{QStringLiteral("P")});
    EXPECT_EQ(heard, (QStringList{QStringLiteral("100%"), QStringLiteral("0%")}));
}
