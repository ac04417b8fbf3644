// Delete and rename on both sides, through the real stack and real folders.

#include "paradox/reader.h"
#include "support/printers.h"
#include "support/transferfixture.h"
#include "transfer/datatypename.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using tw::db::Value;
using tw::paradox::FieldType;
using tw::test::field;
using tw::transfer::ListHasItem;

namespace {

class DeleteRename : public tw::test::TransferFixture
{
protected:
    void SetUp() override
    {
        emu.seed({"CREATE TABLE \"Orders\"(A INTEGER)",
                  "CREATE TABLE \"Parts\"(A INTEGER)",
                  "CREATE TABLE \"Zebra\"(A INTEGER)"});
        paradoxTable("ORDERS.db",
                     {field("ID", FieldType::Long), field("NOTE", FieldType::Memo, 20)},
                     {{Value::integer(1), Value::text(std::string(3000, 'm'))}});
        QFile(QString::fromStdString(paradoxPath("ORDERS.PX"))).open(QIODevice::WriteOnly);
        paradoxTable("PARTS.db");
        startProgram();
        ASSERT_TRUE(form2->isVisible());
        emu.clearLog();
    }

    QStringList files() const
    {
        return QDir(paradoxFolder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    void press(const char *name) { button(*form2, name)->click(); }
};

} // namespace

TEST_F(DeleteRename, Db2DeleteDropsEverySelectedTableAdjacentOnesIncluded)
{
    select(form2->db2List(), {QStringLiteral("Parts"), QStringLiteral("Zebra")});
    press("PushButton1");
    EXPECT_EQ(emu.statements(),
              (std::vector<std::string>{"DROP TABLE \"Zebra\"", "DROP TABLE \"Parts\""}));
    EXPECT_EQ(items(form2->db2List()), QStringList{QStringLiteral("Orders")});
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(DeleteRename, ADropDb2RejectsIsReportedAndTheItemStillGoes)
{
    emu.seed({"DROP TABLE \"Parts\""});
    select(form2->db2List(), {QStringLiteral("Parts")});
    press("PushButton1");
    ASSERT_EQ(dialogs.errorReports().size(), 1);
    EXPECT_TRUE(dialogs.errorReports()[0].contains(QStringLiteral("SQL0204N")));
    EXPECT_EQ(items(form2->db2List()),
              (QStringList{QStringLiteral("Orders"), QStringLiteral("Zebra")}));
}

TEST_F(DeleteRename, ALostDb2ConnectionIsReportedOnceAndKeepsTheItemsNotDropped)
{
    emu.setFaults({0, 1}); // the first DROP goes, then the line
    select(form2->db2List(),
           {QStringLiteral("Orders"), QStringLiteral("Parts"), QStringLiteral("Zebra")});
    press("PushButton1");
    ASSERT_EQ(dialogs.errorReports().size(), 1);
    EXPECT_TRUE(dialogs.errorReports()[0].contains(QStringLiteral("SQL30081N")));
    EXPECT_EQ(items(form2->db2List()),
              (QStringList{QStringLiteral("Orders"), QStringLiteral("Parts")}));
    emu.setFaults({});
    EXPECT_EQ(db2Rows("\"Parts\"").size(), 0U) << "still there";
}

TEST_F(DeleteRename, WithoutACurrentItemNothingIsDeletedAndTheDb2ConnectionWasOpenedFirst)
{
    setField("Text5", QStringLiteral("wrong"));
    form2->db2List().setCurrentItem(nullptr);
    press("PushButton1");
    ASSERT_EQ(dialogs.boxes.size(), 2U);
    EXPECT_TRUE(dialogs.boxes[0].text.contains(QStringLiteral("SQL30082N")));
    EXPECT_EQ(dialogs.boxes[1].text, QStringLiteral("Please select a table to delete"));

    dialogs.boxes.clear();
    form2->paradoxList().setCurrentItem(nullptr);
    press("PushButton5");
    EXPECT_EQ(dialogs.notices(), QStringList{QStringLiteral("Please select a table to delete.")});
    EXPECT_EQ(files().size(), 4);
}

TEST_F(DeleteRename, ACurrentItemWithNothingSelectedDeletesNothingQuietly)
{
    form2->paradoxList().setCurrentItem(form2->paradoxList().item(0),
                                        QItemSelectionModel::NoUpdate);
    form2->paradoxList().clearSelection();
    press("PushButton5");
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(form2->paradoxList().count(), 2);
}

TEST_F(DeleteRename, AParadoxDeleteRemovesTheWholeFamilyEvenWhenReadOnly)
{
    ::chmod(paradoxPath("ORDERS.db").c_str(), 0444);
    select(form2->paradoxList(), {QStringLiteral("ORDERS")});
    press("PushButton5");
    EXPECT_EQ(files(), (QStringList{QStringLiteral("PARTS.db")}));
    EXPECT_EQ(items(form2->paradoxList()), QStringList{QStringLiteral("PARTS")});
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(DeleteRename, AnItemNoFileAnswersToGetsABoxAndStays)
{
    paradoxTable("SUB/INNER.db");
    form2->Form_Load();
    select(form2->paradoxList(), {QStringLiteral("INNER")});
    press("PushButton5");
    ASSERT_EQ(dialogs.errorReports().size(), 1);
    EXPECT_TRUE(
        dialogs.errorReports()[0].contains(QStringLiteral("holds no table file named INNER")));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(paradoxPath("SUB/INNER.db"))));
    EXPECT_TRUE(items(form2->paradoxList()).contains(QStringLiteral("INNER")));
}

TEST_F(DeleteRename, Db2RenameSendsBothNamesQuotedAndTheListFollows)
{
    select(form2->db2List(), {QStringLiteral("Orders")});
    dialogs.inputs = {QStringLiteral("Sales")};
    press("PushButton6");
    EXPECT_EQ(emu.statements(), std::vector<std::string>{"RENAME \"Orders\" TO \"Sales\""});
    ASSERT_EQ(dialogs.boxes.size(), 1U);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Enter new name of Orders:"));
    EXPECT_EQ(dialogs.boxes[0].initial, QStringLiteral("Orders"));
    EXPECT_EQ(
        items(form2->db2List()),
        (QStringList{QStringLiteral("Parts"), QStringLiteral("Sales"), QStringLiteral("Zebra")}));
    EXPECT_EQ(form2->db2List().currentIndex(), 0);
}

TEST_F(DeleteRename, CancelOrAnEmptiedNameChangesNothingAndTwoSelectedAreRefused)
{
    for (const char *buttonName : {"PushButton6", "PushButton7"}) {
        tw::transfer::TableList &list =
            QString::fromLatin1(buttonName) == QStringLiteral("PushButton6") ? form2->db2List()
                                                                             : form2->paradoxList();
        const QStringList before = items(list);
        select(list, {list.item(0)->text()});
        dialogs.inputs = {QString()};
        press(buttonName);
        EXPECT_EQ(items(list), before);
        select(list, {list.item(0)->text(), list.item(1)->text()});
        dialogs.boxes.clear();
        press(buttonName);
        EXPECT_EQ(dialogs.notices(),
                  QStringList{QStringLiteral("Please select just one table to rename.")});
        list.setCurrentItem(nullptr);
        dialogs.boxes.clear();
        press(buttonName);
        EXPECT_EQ(dialogs.notices(),
                  QStringList{QStringLiteral("Please select a table to rename.")});
    }
    EXPECT_TRUE(emu.statements().empty());
    EXPECT_EQ(files().size(), 4);
}

TEST_F(DeleteRename, AParadoxRenameTakesTheWholeFamilyAndTheMemosStayReadable)
{
    select(form2->paradoxList(), {QStringLiteral("ORDERS")});
    dialogs.inputs = {QStringLiteral("Sales")};
    press("PushButton7");
    EXPECT_TRUE(dialogs.errorReports().isEmpty())
        << dialogs.errorReports().join(u'\n').toStdString();
    EXPECT_EQ(files(),
              (QStringList{QStringLiteral("PARTS.db"),
                           QStringLiteral("Sales.MB"),
                           QStringLiteral("Sales.PX"),
                           QStringLiteral("Sales.db")}));
    tw::paradox::TableReader table = tw::paradox::TableReader::open(paradoxPath("Sales.db"));
    ASSERT_TRUE(table.next());
    EXPECT_EQ(table.value(1).asText().size(), 3000U);
    EXPECT_EQ(items(form2->paradoxList()),
              (QStringList{QStringLiteral("PARTS"), QStringLiteral("Sales")}));
}

TEST_F(DeleteRename, ARenameOntoAnExistingTableIsRefusedAndBothStayWhole)
{
    const auto before = tw::test::TempFolderBytes(paradoxFolder());
    select(form2->paradoxList(), {QStringLiteral("ORDERS")});
    dialogs.inputs = {QStringLiteral("parts")};
    press("PushButton7");
    ASSERT_EQ(dialogs.errorReports().size(), 1);
    EXPECT_TRUE(dialogs.errorReports()[0].contains(QStringLiteral("already in the folder")));
    EXPECT_TRUE(dialogs.errorReports()[0].contains(
        QStringLiteral("in Quoralink2021/08/31.Main.RenameFile at line 100")));
    EXPECT_EQ(tw::test::TempFolderBytes(paradoxFolder()), before);
    EXPECT_EQ(items(form2->paradoxList()),
              (QStringList{QStringLiteral("ORDERS"), QStringLiteral("PARTS")}));
}

TEST_F(DeleteRename, ARenameToTheSameNameOrOnlyItsCaseKeepsTheTable)
{
    select(form2->paradoxList(), {QStringLiteral("ORDERS")});
    dialogs.inputs = {QStringLiteral("ORDERS")};
    press("PushButton7");
    EXPECT_EQ(files().size(), 4);
    select(form2->paradoxList(), {QStringLiteral("ORDERS")});
    dialogs.inputs = {QStringLiteral("Orders")};
    press("PushButton7");
    EXPECT_TRUE(dialogs.errorReports().isEmpty())
        << dialogs.errorReports().join(u'\n').toStdString();
    EXPECT_EQ(files(),
              (QStringList{QStringLiteral("Orders.MB"),
                           QStringLiteral("Orders.PX"),
                           QStringLiteral("Orders.db"),
                           QStringLiteral("PARTS.db")}));
    tw::paradox::TableReader table = tw::paradox::TableReader::open(paradoxPath("Orders.db"));
    EXPECT_EQ(table.recordCount(), 1U);
}

TEST_F(DeleteRename, AReadOnlyFolderGivesClearErrorsForDeleteAndRenameAndKeepsEveryTable)
{
    if (::getuid() != 0) {
        GTEST_SKIP() << "drops privileges from root to meet a folder it cannot write";
    }
    ::chmod(paradoxFolder().toLocal8Bit().constData(), 0555);
    for (const QString &file : files()) {
        ::chmod((paradoxFolder() + u'/' + file).toLocal8Bit().constData(), 0644);
    }
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(3);
        }
        select(form2->paradoxList(), {QStringLiteral("PARTS")});
        press("PushButton5");
        const QStringList afterDelete = dialogs.errorReports();
        select(form2->paradoxList(), {QStringLiteral("PARTS")});
        dialogs.inputs = {QStringLiteral("OTHER")};
        press("PushButton7");
        const QStringList reports = dialogs.errorReports();
        const bool clear =
            afterDelete.size() == 1 && afterDelete[0].contains(QStringLiteral("Cannot delete")) &&
            reports.size() == 2 && reports[1].contains(QStringLiteral("Permission denied")) &&
            ListHasItem(form2->paradoxList(), QStringLiteral("PARTS"));
        ::_exit(clear ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ::chmod(paradoxFolder().toLocal8Bit().constData(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(files().size(), 4);
}

TEST_F(DeleteRename, AProgramKilledInTheMiddleOfARenameLeavesEveryTableWhole)
{
    // A table whose memos take some 18 MB, so the copies take a while.
    std::vector<std::vector<Value>> rows;
    for (int i = 0; i < 600; ++i) {
        rows.push_back({Value::integer(i), Value::text(std::string(30'000, 'a' + i % 26))});
    }
    paradoxTable(
        "BIG.db", {field("ID", FieldType::Long), field("NOTE", FieldType::Memo, 20)}, rows);
    form2->Form_Load();
    auto expectWhole = [&](const std::string &file) {
        SCOPED_TRACE(file);
        tw::paradox::TableReader table = tw::paradox::TableReader::open(paradoxPath(file));
        ASSERT_EQ(table.recordCount(), 600U);
        for (int i = 0; table.next(); ++i) {
            ASSERT_EQ(table.value(0), Value::integer(i));
            ASSERT_EQ(table.value(1).asText(), std::string(30'000, 'a' + i % 26));
        }
    };

    const pid_t child = ::fork();
    if (child == 0) {
        select(form2->paradoxList(), {QStringLiteral("BIG")});
        dialogs.inputs = {QStringLiteral("NEW")};
        press("PushButton7");
        ::_exit(0);
    }
    // Killed while the memos are copied: the new .db is complete by then.
    auto copying = [&] {
        return !QDir(paradoxFolder())
                    .entryList({QStringLiteral(".NEW.MB.*"), QStringLiteral("NEW.MB")},
                               QDir::Files | QDir::Hidden)
                    .isEmpty();
    };
    for (int wait = 0; wait < 20'000 && !copying(); ++wait) {
        ::usleep(100);
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);

    // Whatever the moment, the next listing leaves one of the two names, reading whole, and
    // nothing the killed program left.
    form2->Form_Load();
    const QStringList listed =
        QDir(paradoxFolder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    const bool big =
        listed.contains(QStringLiteral("BIG.db")) && listed.contains(QStringLiteral("BIG.MB"));
    const bool renamedWhole =
        listed.contains(QStringLiteral("NEW.db")) && listed.contains(QStringLiteral("NEW.MB"));
    EXPECT_TRUE(big != renamedWhole &&
                listed.filter(QRegularExpression(QStringLiteral("^\\."))).isEmpty() &&
                listed.size() == 6)
        << listed.join(u',').toStdString();
    for (const QString &table : {QStringLiteral("BIG.db"), QStringLiteral("NEW.db")}) {
        if (listed.contains(table)) {
            expectWhole(table.toStdString());
        }
    }

    // The next run ignores what the killed one left and renames the table.
    if (!listed.contains(QStringLiteral("NEW.db"))) {
        select(form2->paradoxList(), {QStringLiteral("BIG")});
        dialogs.inputs = {QStringLiteral("NEW")};
        press("PushButton7");
        EXPECT_TRUE(dialogs.errorReports().isEmpty())
            << dialogs.errorReports().join(u'\n').toStdString();
        expectWhole("NEW.db");
        EXPECT_FALSE(QFile::exists(QString::fromStdString(paradoxPath("BIG.db"))));
    }
}

TEST_F(DeleteRename, ARenameToAPathOrOntoATableThatDiffersOnlyInCaseIsRefusedAndMovesNothing)
{
    ASSERT_TRUE(QFile::copy(QString::fromStdString(paradoxPath("PARTS.db")),
                            QString::fromStdString(paradoxPath("Parts.db"))));
    const QDir parent = QDir(paradoxFolder()).absoluteFilePath(QStringLiteral(".."));
    const auto before = tw::test::TempFolderBytes(paradoxFolder());
    for (const QString &name : {QStringLiteral("../OUT"),
                                QStringLiteral("/tmp/OUT"),
                                QStringLiteral(".."),
                                QString::fromUtf16(u"A\0B", 3)}) {
        dialogs.boxes.clear();
        select(form2->paradoxList(), {QStringLiteral("ORDERS")});
        dialogs.inputs = {name};
        press("PushButton7");
        ASSERT_EQ(dialogs.errorReports().size(), 1) << name.toStdString();
        EXPECT_TRUE(dialogs.errorReports()[0].contains(QStringLiteral("at line 120")));
    }
    EXPECT_FALSE(QFile::exists(QStringLiteral("/tmp/OUT.db")));
    EXPECT_TRUE(parent
                    .entryList({QStringLiteral("OUT.*"), QStringLiteral(".OUT.*")},
                               QDir::AllEntries | QDir::Hidden)
                    .isEmpty());

    // PARTS.db and Parts.db are two tables here: renaming PARTS to Parts would cover the other.
    dialogs.boxes.clear();
    form2->paradoxList().addTable(QStringLiteral("PARTS")); // as a reload lists both
    select(form2->paradoxList(), {QStringLiteral("PARTS")});
    form2->paradoxList().item(2)->setSelected(false);
    dialogs.inputs = {QStringLiteral("Parts")};
    press("PushButton7");
    ASSERT_EQ(dialogs.errorReports().size(), 1);
    EXPECT_TRUE(dialogs.errorReports()[0].contains(QStringLiteral("already in the folder")));
    EXPECT_EQ(tw::test::TempFolderBytes(paradoxFolder()), before);
}

TEST_F(DeleteRename, AParadoxDeleteMovesTheFamilyToTheTrashOrDeletesItWhereTheTrashCannotTakeIt)
{
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    const QTemporaryDir data;
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    select(form2->paradoxList(), {QStringLiteral("ORDERS")});
    press("PushButton5");
    qputenv("XDG_DATA_HOME", savedData);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(files(), QStringList{QStringLiteral("PARTS.db")});
    const QDir trash(data.path() + QStringLiteral("/Trash"));
    const QStringList trashed = trash.entryList({}, QDir::Files, QDir::Name);
    EXPECT_TRUE(trashed.isEmpty()) << "only files/ and info/ at the top";
    const QStringList family = QDir(trash.filePath(QStringLiteral("files"))).entryList(QDir::Files);
    ASSERT_EQ(family.size(), 3) << family.join(u',').toStdString();
    // Restored as the file manager does it: each file back to the path its .trashinfo names.
    for (const QString &name : family) {
        QFile info(trash.filePath(QStringLiteral("info/") + name + QStringLiteral(".trashinfo")));
        ASSERT_TRUE(info.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = info.readAll().split('\n');
        ASSERT_GE(lines.size(), 3);
        EXPECT_EQ(lines[0], "[Trash Info]");
        ASSERT_TRUE(lines[1].startsWith("Path="));
        const QString original =
            QFile::decodeName(QByteArray::fromPercentEncoding(lines[1].mid(5)));
        EXPECT_EQ(QFileInfo(original).absolutePath(),
                  QFileInfo(paradoxFolder()).absoluteFilePath());
        EXPECT_TRUE(lines[2].startsWith("DeletionDate="));
        ASSERT_TRUE(QFile::rename(trash.filePath(QStringLiteral("files/") + name), original));
    }
    tw::paradox::TableReader table = tw::paradox::TableReader::open(paradoxPath("ORDERS.db"));
    ASSERT_TRUE(table.next());
    EXPECT_EQ(table.value(1).asText(), std::string(3000, 'm'));

    if (::getuid() != 0) {
        GTEST_SKIP() << "drops privileges from root to meet a Trash it cannot use";
    }
    // No Trash this user may use (none in the data folder, none at the top of the file
    // system): the files are deleted as before, and the press reports nothing.
    ::chmod(paradoxFolder().toLocal8Bit().constData(), 0777);
    const pid_t child = ::fork();
    if (child == 0) {
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()) + "/no-trash-here");
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(3);
        }
        select(form2->paradoxList(), {QStringLiteral("PARTS")});
        press("PushButton5");
        ::_exit(dialogs.boxes.empty() &&
                        !QFile::exists(QString::fromStdString(paradoxPath("PARTS.db"))) &&
                        !ListHasItem(form2->paradoxList(), QStringLiteral("PARTS"))
                    ? 0
                    : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ::chmod(paradoxFolder().toLocal8Bit().constData(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(files().size(), 3) << "ORDERS and its family, restored above";
}
