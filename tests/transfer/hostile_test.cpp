// Hostile input through the real pages: damaged table files, odd names, an absurd folder.

#include "paradox/reader.h"
#include "support/printers.h"
#include "support/transferfixture.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>

using tw::db::Value;
using tw::paradox::FieldType;
using tw::test::field;

namespace {

class HostileInput : public tw::test::TransferFixture
{
protected:
    void writeFile(const std::string &name, const QByteArray &bytes)
    {
        QFile file(QString::fromStdString(paradoxPath(name)));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(bytes);
    }
};

} // namespace

TEST_F(HostileInput, DamagedTableFilesGiveOneClearBoxEachAndNothingReachesDb2)
{
    paradoxTable("GOOD.db", {{Value::integer(1), Value::text("fine")}});
    writeFile("ZERO.db", {});
    writeFile("TEXT.db", "These are notes somebody saved with the wrong extension.\n");
    paradoxTable("TRUNC.db",
                 {{Value::integer(1), Value::text("x")}, {Value::integer(2), Value::text("y")}});
    QFile::resize(QString::fromStdString(paradoxPath("TRUNC.db")), 2048 + 20);
    startProgram();
    select(form2->paradoxList(),
           {QStringLiteral("ZERO"),
            QStringLiteral("TEXT"),
            QStringLiteral("TRUNC"),
            QStringLiteral("GOOD")});
    emu.clearLog();
    button(*form2, "PushButton4")->click();
    const QStringList reports = dialogs.errorReports();
    ASSERT_EQ(reports.size(), 3);
    for (const QString &report : reports) {
        EXPECT_TRUE(report.contains(QStringLiteral("at line 152"))) << report.toStdString();
    }
    // Visited from the bottom of the list: ZERO, TRUNC, TEXT, then GOOD.
    EXPECT_TRUE(reports[0].contains(QStringLiteral("ZERO.db is not a readable Paradox table")))
        << reports[0].toStdString();
    EXPECT_TRUE(reports[1].contains(QStringLiteral("TRUNC.db"))) << reports[1].toStdString();
    EXPECT_TRUE(reports[2].contains(QStringLiteral("TEXT.db is not a readable Paradox table")))
        << reports[2].toStdString();
    EXPECT_EQ(emu.statements(),
              (std::vector<std::string>{
                  "CREATE TABLE \"GOOD\"(\"ID\" LONG VARCHAR,\"NAME\" LONG VARCHAR);",
                  "INSERT INTO \"GOOD\" VALUES('1', 'fine')"}))
        << "only GOOD was created and filled";
    EXPECT_EQ(db2Rows("\"GOOD\""), (std::vector<std::vector<std::string>>{{"1", "fine"}}));
}

TEST_F(HostileInput, NamesWithQuotesBracketsSemicolonsBlanksAccentsAndTildesTravelWhole)
{
    makeStagingDatabase();
    const std::string name = "O'N \"q\" [b]; `t` é~";
    paradoxTable(
        name + ".db", {field("it's \"odd\"", FieldType::Alpha, 10)}, {{Value::text("v'1")}});
    startProgram();
    const QString item = QString::fromStdString(name).toUpper();
    ASSERT_TRUE(form2->paradoxList().findItems(item, Qt::MatchExactly).size() == 1)
        << items(form2->paradoxList()).join(u'|').toStdString();
    select(form2->paradoxList(), {item});
    button(*form2, "PushButton4")->click();
    ASSERT_TRUE(dialogs.errorReports().isEmpty())
        << dialogs.errorReports().join(u'\n').toStdString();
    EXPECT_EQ(db2Rows("\"O'N \"\"Q\"\" [B]; `T` É~\""),
              (std::vector<std::vector<std::string>>{{"v'1"}}));

    // And back into Paradox under a short name.
    select(form2->db2List(), {item});
    dialogs.inputs = {QStringLiteral("BACK")};
    button(*form2, "PushButton6")->click();
    select(form2->db2List(), {QStringLiteral("BACK")});
    button(*form2, "PushButton3")->click();
    ASSERT_TRUE(dialogs.errorReports().isEmpty())
        << dialogs.errorReports().join(u'\n').toStdString();
    tw::paradox::TableReader back = tw::paradox::TableReader::open(paradoxPath("BACK.db"));
    EXPECT_EQ(back.fields()[0].name, "it's \"odd\"");
    ASSERT_TRUE(back.next());
    EXPECT_EQ(back.value(0), Value::text("v'1"));
}

TEST_F(HostileInput, AFolderFieldOfThreeHundredCharactersIsHandledQuietly)
{
    startProgram();
    form1->show();
    QString longFolder;
    while (longFolder.size() < 300) {
        longFolder += QStringLiteral("/folder");
    }
    form1->findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(longFolder);
    button(*form1, "PushButton3")->click();
    EXPECT_EQ(dialogs.notices(), QStringList{QStringLiteral("Could not connect.")});
    button(*form1, "PushButton2")->click();
    EXPECT_TRUE(dialogs.errorReports().isEmpty());

    // One name longer than the file system takes: the listing fails, which is reported, and
    // the failed test counts as passed.
    dialogs.boxes.clear();
    form1->findChild<QLineEdit *>(QStringLiteral("Text1"))
        ->setText(QStringLiteral("/") + QString(300, u'd'));
    button(*form1, "PushButton3")->click();
    ASSERT_EQ(dialogs.boxes.size(), 2U);
    EXPECT_TRUE(dialogs.boxes[0].text.contains(QStringLiteral("at line 104")));
    EXPECT_EQ(dialogs.boxes[1].text, QStringLiteral("Connection successful."));
}
