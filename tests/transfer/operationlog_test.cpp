#include "app/operationlog.h"

#include "app/applicationtitle.h"
#include "support/printers.h"
#include "support/transferfixture.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>

using tw::db::Value;
using tw::paradox::FieldType;
using tw::test::field;

namespace {

class OperationLog : public tw::test::TransferFixture
{
protected:
    QString logText() const
    {
        QFile file(m_logDir.path() + QStringLiteral("/operations.log"));
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll());
    }

    QTemporaryDir m_logDir;
};

} // namespace

TEST_F(OperationLog, ACopyRecordsEachTableItsCountsTheErrorsAndTheVerification)
{
    tw::app::OperationLog recorded(m_logDir.path() + QStringLiteral("/operations.log"));
    tw::app::LoggingDialogs logged(dialogs, recorded);
    tw::transfer::Wizard pages(logged, *settings, programFolder(), recorded);
    tw::connect::Form1 &page1 = pages.form1;
    tw::transfer::Form2 &page2 = pages.form2;
    paradoxTable("GOOD.db",
                 {{Value::integer(1), Value::text("a")}, {Value::integer(2), Value::text("b")}});
    paradoxTable("DATES.db",
                 {field("D", FieldType::Date)},
                 {{Value::date({2021, 1, 1})}, {Value::date({-5, 1, 1})}});
    page1.Form_Load();
    ASSERT_TRUE(page2.isVisible());
    select(page2.paradoxList(), {QStringLiteral("GOOD"), QStringLiteral("DATES")});
    page2.findChild<QPushButton *>(QStringLiteral("PushButton4"))->click();

    QString text = logText();
    EXPECT_TRUE(text.contains(QStringLiteral(" Send Table/s To IBM DB2 (Tablewright ") +
                              tw::app::programVersion() + QStringLiteral("; Paradox folder ") +
                              paradoxFolder() +
                              QStringLiteral("; DB2 database SAMPLE on db2host:50000 as admin)\n")))
        << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("secret"))) << "never the password";
    EXPECT_TRUE(text.contains(QStringLiteral("  table GOOD: 2 rows read, 2 rows written\n")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral(
        "  verified GOOD: read back, the table holds the source's count of rows (2)\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("  table DATES: 2 rows read, 1 rows written\n")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral(
        "  NOT VERIFIED DATES: read back, the table holds 1 rows, the source counts 2\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("SQL0180N"))) << text.toStdString();
    EXPECT_TRUE(text.contains(
        QStringLiteral("in Quoralink2021/08/31.Form2.PushButton4_Click at line 256")));
    EXPECT_EQ(dialogs.errorReports().size(), 1) << "the box is still shown as it was";
    EXPECT_TRUE(text.contains(QStringLiteral("  done GOOD\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("  FAILED DATES: [IBM][CLI Driver][DB2/LINUXX8664] "
                                             "SQL0180N")))
        << "a failure says what failed";
    EXPECT_TRUE(text.endsWith(QStringLiteral("  1 table copied, 1 failed, 0 skipped\n")));

    // The answer to a question and the table it skipped; a press that did nothing leaves no line.
    dialogs.answers = {false};
    select(page2.paradoxList(), {QStringLiteral("GOOD")});
    page2.findChild<QPushButton *>(QStringLiteral("PushButton4"))->click();
    page2.paradoxList().setCurrentItem(nullptr);
    page2.findChild<QPushButton *>(QStringLiteral("PushButton4"))->click();
    text = logText();
    EXPECT_TRUE(text.endsWith(
        QStringLiteral("  asked \"Would you like to overwrite GOOD?\" (Overwrite?): No\n"
                       "  skipped GOOD: not overwritten\n"
                       "  0 tables copied, 0 failed, 1 skipped\n")))
        << text.toStdString();

    // A connection test that fails, with its cause; "Next >" says which check failed.
    page1.findChild<QLineEdit *>(QStringLiteral("Text5"))->setText(QStringLiteral("wrong"));
    page1.findChild<QPushButton *>(QStringLiteral("PushButton4"))->click();
    page1.findChild<QPushButton *>(QStringLiteral("PushButton2"))->click();
    text = logText();
    EXPECT_TRUE(text.contains(
        QStringLiteral("  Test Connection (DB2) SAMPLE on db2host:50000 as admin: Could not "
                       "connect. SQLSTATE 08001, native code -30082 | ")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral(
        "  Next >: the DB2 connection check failed: SQLSTATE 08001, native code -30082")));
    EXPECT_FALSE(text.contains(QStringLiteral("wrong")));
}

TEST_F(OperationLog, RotatesWhenItGrowsAndNeverFails)
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/operations.log");
    tw::app::OperationLog rotating(path);
    const QString line(1000, u'x');
    for (int i = 0; i < 1100; ++i) {
        rotating.note(line);
    }
    EXPECT_LT(QFile(path).size(), tw::app::OperationLog::kRotateAtBytes);
    EXPECT_TRUE(QFile::exists(path + QStringLiteral(".1")));
    tw::app::OperationLog nowhere(QStringLiteral("/proc/no/such/place/operations.log"));
    nowhere.operation(QStringLiteral("ignored"));
}
