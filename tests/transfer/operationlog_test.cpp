#include "app/operationlog.h"

#include "support/printers.h"
#include "support/transferfixture.h"

#include <QFile>
#include <QPushButton>

using tw::db::Value;
using tw::paradox::FieldType;
using tw::test::field;

namespace {

class OperationLogTest : public tw::test::TransferFixture
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

TEST_F(OperationLogTest, ACopyRecordsEachTableItsCountsTheErrorsAndTheVerification)
{
    tw::app::OperationLog log(m_logDir.path() + QStringLiteral("/operations.log"));
    tw::app::LoggingDialogs logged(dialogs, log);
    tw::connect::Form1 page1(logged, *settings, programFolder());
    tw::transfer::Form2 page2(logged, page1);
    page1.setTransferPage(&page2);
    page2.setOperationLog(&log);
    paradoxTable("GOOD.db",
                 {{Value::integer(1), Value::text("a")}, {Value::integer(2), Value::text("b")}});
    paradoxTable("DATES.db",
                 {field("D", FieldType::Date)},
                 {{Value::date({2021, 1, 1})}, {Value::date({-5, 1, 1})}});
    page1.Form_Load();
    ASSERT_TRUE(page2.isVisible());
    select(page2.paradoxList(), {QStringLiteral("GOOD"), QStringLiteral("DATES")});
    page2.findChild<QPushButton *>(QStringLiteral("PushButton4"))->click();

    const QString text = logText();
    EXPECT_TRUE(text.contains(QStringLiteral(" Send Table/s To IBM DB2\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("  table GOOD: 2 rows read, 2 rows written\n")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(
        QStringLiteral("  verified GOOD: the rows written equal the source's count (2)\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("  table DATES: 2 rows read, 1 rows written\n")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(
        QStringLiteral("  NOT VERIFIED DATES: 1 rows written, the source counts 2\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("SQL0180N"))) << text.toStdString();
    EXPECT_TRUE(text.contains(
        QStringLiteral("in Quoralink2021/08/31.Form2.PushButton4_Click at line 256")));
    EXPECT_EQ(dialogs.errorReports().size(), 1) << "the box is still shown as it was";
}

TEST(OperationLog, RotatesWhenItGrowsAndNeverFails)
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/operations.log");
    tw::app::OperationLog log(path);
    const QString line(1000, u'x');
    for (int i = 0; i < 1100; ++i) {
        log.note(line);
    }
    EXPECT_LT(QFile(path).size(), tw::app::OperationLog::kRotateAtBytes);
    EXPECT_TRUE(QFile::exists(path + QStringLiteral(".1")));
    tw::app::OperationLog nowhere(QStringLiteral("/proc/no/such/place/operations.log"));
    nowhere.operation(QStringLiteral("ignored"));
}
