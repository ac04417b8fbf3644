// Hostile input through the real pages: damaged table files, odd names, an absurd folder.

#include "paradox/codec.h"
#include "paradox/reader.h"
#include "paradox/writer.h"
#include "support/printers.h"
#include "support/transferfixture.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

using tw::db::Value;
using tw::paradox::FieldType;
using tw::paradox::readLe16;
using tw::paradox::writeLe16;
using tw::paradox::writeLe32;
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

    QByteArray bytesOf(const std::string &name) const
    {
        QFile file(QString::fromStdString(paradoxPath(name)));
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }

    // A table of a Long and a memo too long for the record, so every memo lives in the .MB.
    void memoTable(const std::string &name, int rows)
    {
        std::vector<std::vector<Value>> values;
        for (int i = 1; i <= rows; ++i) {
            values.push_back({Value::integer(i), Value::text(std::string(100, 'm'))});
        }
        paradoxTable(name + ".db",
                     {field("ID", FieldType::Long), field("NOTE", FieldType::Memo, 11)},
                     values);
    }
};

std::uint8_t *bytesAt(QByteArray &bytes, qsizetype at)
{
    return reinterpret_cast<std::uint8_t *>(bytes.data()) + at;
}

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
                  "INSERT INTO \"GOOD\" VALUES('1', 'fine')",
                  "SELECT COUNT(*) FROM \"GOOD\""}))
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

TEST_F(HostileInput, BrokenMemoFilesAndBlockChainsGiveOneBoxEachAndNoHalfTable)
{
    memoTable("GOOD", 2);
    memoTable("NOMB", 3);
    QFile::remove(QString::fromStdString(paradoxPath("NOMB.MB")));
    memoTable("SHORTMB", 3);
    QFile::resize(QString::fromStdString(paradoxPath("SHORTMB.MB")), 4096);

    // The second record's memo points past the end of the .MB: the first row is sound.
    memoTable("PASTMB", 3);
    QByteArray past = bytesOf("PASTMB.db");
    const qsizetype headerSize = readLe16(bytesAt(past, 0x02));
    const qsizetype recordSize = readLe16(bytesAt(past, 0x00));
    writeLe32(bytesAt(past, headerSize + 6 + recordSize + 4 + 1), 0x00700000U | 0xFFU);
    writeFile("PASTMB.db", past);

    // Three blocks; the second links back to the first.
    memoTable("LOOP", 300);
    QByteArray loop = bytesOf("LOOP.db");
    const qsizetype blockSize = static_cast<std::uint8_t>(loop[0x05]) * 1024;
    ASSERT_GE(loop.size(), headerSize + 3 * blockSize);
    writeLe16(bytesAt(loop, headerSize + blockSize), 1);
    writeFile("LOOP.db", loop);

    // The header counts far more records than the blocks hold.
    memoTable("OVER", 3);
    QByteArray over = bytesOf("OVER.db");
    writeLe32(bytesAt(over, 0x06), 1'000'000);
    writeFile("OVER.db", over);

    startProgram();
    select(form2->paradoxList(),
           {QStringLiteral("GOOD"),
            QStringLiteral("NOMB"),
            QStringLiteral("SHORTMB"),
            QStringLiteral("PASTMB"),
            QStringLiteral("LOOP"),
            QStringLiteral("OVER")});
    emu.clearLog();
    button(*form2, "PushButton4")->click();

    // Visited from the bottom of the list: SHORTMB, PASTMB, OVER, NOMB, LOOP, GOOD.
    const QStringList reports = dialogs.errorReports();
    ASSERT_EQ(reports.size(), 5) << reports.join(u'\n').toStdString();
    const std::pair<const char *, const char *> expected[] = {
        {"SHORTMB.MB", "at line 152"},
        {"outside PASTMB.MB", "at line 258"},
        {"counts 1000000 records but the blocks hold 3", "at line 152"},
        {".MB file, which is missing", "at line 152"},
        {"loops back to block 1", "at line 152"}};
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_TRUE(reports[static_cast<qsizetype>(i)].contains(QLatin1String(expected[i].first)))
            << reports[static_cast<qsizetype>(i)].toStdString();
        EXPECT_TRUE(reports[static_cast<qsizetype>(i)].contains(QLatin1String(expected[i].second)))
            << reports[static_cast<qsizetype>(i)].toStdString();
    }
    // Only the sound row of PASTMB went before its damage was found; GOOD went whole.
    EXPECT_EQ(db2Rows("\"PASTMB\""),
              (std::vector<std::vector<std::string>>{{"1", std::string(100, 'm')}}));
    EXPECT_EQ(db2Rows("\"GOOD\"").size(), 2U);
    for (const char *table : {"\"NOMB\"", "\"SHORTMB\"", "\"LOOP\"", "\"OVER\""}) {
        for (const std::string &statement : emu.statements()) {
            EXPECT_EQ(statement.find(table), std::string::npos) << statement;
        }
    }
}

TEST_F(HostileInput, ADb2TableNamedLikeAPathIsRefusedAndNothingLandsOutsideTheFolder)
{
    makeStagingDatabase();
    emu.seed({"CREATE TABLE \"../ESC\"(A INTEGER)",
              "INSERT INTO \"../ESC\" VALUES(1)",
              "CREATE TABLE \"..\"(A INTEGER)"});
    startProgram();
    form2->showPage();
    const QDir parent(QDir(paradoxFolder()).absoluteFilePath(QStringLiteral("..")));
    select(form2->db2List(), {QStringLiteral("../ESC"), QStringLiteral("..")});
    button(*form2, "PushButton3")->click();
    ASSERT_EQ(dialogs.errorReports().size(), 2) << dialogs.errorReports().join(u'\n').toStdString();
    EXPECT_TRUE(dialogs.errorReports()[0].contains(QStringLiteral("holds a \"/\"")));
    EXPECT_TRUE(parent
                    .entryList({QStringLiteral("ESC.*"), QStringLiteral(".ESC.*")},
                               QDir::AllEntries | QDir::Hidden)
                    .isEmpty());
    EXPECT_TRUE(QDir(paradoxFolder()).isEmpty(QDir::Files | QDir::Hidden));
}

TEST_F(HostileInput, AFolderWithASemicolonIsReadAndReplacedItselfNeverItsSibling)
{
    makeStagingDatabase();
    const QTemporaryDir base;
    const QString sales = base.path() + QStringLiteral("/sales");
    const QString old = base.path() + QStringLiteral("/sales;old{x}");
    for (const QString &folder : {sales, old}) {
        ASSERT_TRUE(QDir().mkpath(folder));
        tw::paradox::TableWriter writer((folder + QStringLiteral("/ORDERS.db")).toStdString(),
                                        {field("F", FieldType::Alpha, 200)});
        writer.append(std::vector<Value>{Value::text(folder.toStdString())});
        writer.commit();
    }
    const auto siblingBefore = tw::test::TempFolderBytes(sales);
    setField("Text1", old);
    startProgram();
    form2->showPage();
    select(form2->paradoxList(), {QStringLiteral("ORDERS")});
    button(*form2, "PushButton4")->click();
    EXPECT_EQ(db2Rows("\"ORDERS\""), (std::vector<std::vector<std::string>>{{old.toStdString()}}));
    // Back again over the table it came from: only that folder's table is replaced.
    dialogs.answers = {true};
    select(form2->db2List(), {QStringLiteral("ORDERS")});
    button(*form2, "PushButton3")->click();
    EXPECT_TRUE(dialogs.errorReports().isEmpty())
        << dialogs.errorReports().join(u'\n').toStdString();
    EXPECT_EQ(tw::test::TempFolderBytes(sales), siblingBefore);
    EXPECT_TRUE(QFile::exists(old + QStringLiteral("/ORDERS.db")));
}

TEST_F(HostileInput, AFifoIsNoTableAndALatin1FileNameIsListedReadablyAndUsable)
{
    makeStagingDatabase();
    ASSERT_EQ(::mkfifo(paradoxPath("PIPE.db").c_str(), 0600), 0);
    paradoxTable("CAFE.db", {{Value::integer(1), Value::text("latin")}});
    const std::string latin1 = paradoxPath("caf\xE9.db");
    ASSERT_EQ(::rename(paradoxPath("CAFE.db").c_str(), latin1.c_str()), 0);
    startProgram();
    form2->showPage();
    EXPECT_EQ(items(form2->paradoxList()), QStringList{QStringLiteral("CAFÉ")});

    select(form2->paradoxList(), {QStringLiteral("CAFÉ")});
    button(*form2, "PushButton4")->click();
    EXPECT_EQ(db2Rows("\"CAFÉ\""), (std::vector<std::vector<std::string>>{{"1", "latin"}}));

    select(form2->paradoxList(), {QStringLiteral("CAFÉ")});
    dialogs.inputs = {QStringLiteral("Coffee")};
    button(*form2, "PushButton7")->click();
    EXPECT_TRUE(QFile::exists(QString::fromStdString(paradoxPath("Coffee.db"))));
    EXPECT_NE(::access(latin1.c_str(), F_OK), 0);

    select(form2->paradoxList(), {QStringLiteral("Coffee")});
    button(*form2, "PushButton5")->click();
    EXPECT_TRUE(dialogs.errorReports().isEmpty())
        << dialogs.errorReports().join(u'\n').toStdString();
    EXPECT_EQ(QDir(paradoxFolder()).entryList(QDir::System | QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("PIPE.db")});
}

TEST_F(HostileInput, EachParadoxItemDescribesItsTableInItsTooltipAndToAScreenReader)
{
    paradoxTable("Good.db", {{Value::integer(1), Value::text("fine")}});
    QByteArray over = bytesOf("Good.db");
    writeLe32(bytesAt(over, 0x06), 1'000'000);
    writeFile("OVER.db", over);
    writeFile("JUNK.db", "not a table at all");
    startProgram();
    form2->showPage();
    auto tip = [&](const QString &item) {
        const auto found = form2->paradoxList().findItems(item, Qt::MatchExactly);
        EXPECT_EQ(found.size(), 1);
        const QString text = found.value(0)->data(Qt::ToolTipRole).toString();
        EXPECT_EQ(found.value(0)->data(Qt::AccessibleDescriptionRole).toString(), text);
        return text;
    };
    const QString good = tip(QStringLiteral("GOOD"));
    EXPECT_TRUE(
        good.startsWith(QStringLiteral("Good.db\nParadox 5.x table, not keyed\n1 record, 2 fields\n"
                                       "Code page 1252, language driver DBWINUS0\n"
                                       "Not encrypted\nNo memo fields\n")))
        << good.toStdString();
    EXPECT_FALSE(good.contains(QStringLiteral("Warning")));
    EXPECT_TRUE(
        tip(QStringLiteral("OVER"))
            .contains(QStringLiteral("Warning: the header counts 1000000 records, more than the")));
    EXPECT_TRUE(
        tip(QStringLiteral("JUNK")).contains(QStringLiteral("not a readable Paradox table")));
}

TEST_F(HostileInput, AFolderTextHoldingANulOrALineBreakNamesNoFolderAndNothingMoves)
{
    paradoxTable("ITEMS.db", {{Value::integer(1), Value::text("one")}});
    const auto before = tw::test::TempFolderBytes(paradoxFolder());
    const QDir trash(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Trash/files"));
    const QStringList trashed = trash.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    // A settings file edited by hand: the folder, a NUL, and more.
    const QString cut = paradoxFolder() + QChar(0) + QStringLiteral("/x");
    settings->SaveSetting(QStringLiteral("ParadoxFolder"), cut);
    startProgram();
    EXPECT_FALSE(form2->isVisible()) << "the saved folder fails its check";
    button(*form1, "PushButton3")->click();
    EXPECT_EQ(dialogs.notices(), QStringList{QStringLiteral("Could not connect.")});

    // The transfer page opened on the folder, then the field changed behind it: the buttons
    // that work on files refuse the text with one box each and touch nothing.
    setField("Text1", paradoxFolder());
    button(*form1, "PushButton2")->click();
    ASSERT_TRUE(form2->isVisible());
    for (const QString &bad : {cut, paradoxFolder() + QStringLiteral("\n")}) {
        setField("Text1", bad);
        dialogs.boxes.clear();
        select(form2->paradoxList(), {QStringLiteral("ITEMS")});
        button(*form2, "PushButton5")->click();
        select(form2->paradoxList(), {QStringLiteral("ITEMS")});
        dialogs.inputs = {QStringLiteral("OTHER")};
        button(*form2, "PushButton7")->click();
        const QStringList reports = dialogs.errorReports();
        ASSERT_EQ(reports.size(), 2) << reports.join(u'\n').toStdString();
        for (const QString &report : reports) {
            EXPECT_TRUE(report.contains(QStringLiteral("holds a control character")));
        }
        EXPECT_EQ(items(form2->paradoxList()), QStringList{QStringLiteral("ITEMS")});
    }
    EXPECT_EQ(tw::test::TempFolderBytes(paradoxFolder()), before);
    EXPECT_EQ(trash.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot), trashed);
}

TEST_F(HostileInput, AFolderThatCannotBeListedGivesAShortBox)
{
    settings->SaveSetting(QStringLiteral("ParadoxFolder"), QString(32000, u'd'));
    settings->SaveSetting(QStringLiteral("Server"), QStringLiteral("db2host"));
    form2->Form_Load();
    ASSERT_FALSE(dialogs.errorReports().isEmpty());
    for (const QString &report : dialogs.errorReports()) {
        EXPECT_LT(report.size(), 600) << report.left(300).toStdString();
    }
}
