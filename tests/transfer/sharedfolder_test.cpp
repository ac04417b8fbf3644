// The Paradox folder on a share, tried as a hostile colleague with write access would: links
// and pipes in a table's place, a memo file that claims what it does not hold, names and
// values that would forge a log line or cut a statement, two schemas' tables of one name.

#include "app/operationlog.h"
#include "core/workowner.h"
#include "paradox/codec.h"
#include "paradox/reader.h"
#include "support/printers.h"
#include "support/transferfixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>

#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using tw::db::Value;
using tw::paradox::FieldType;
using tw::test::field;
namespace fs = std::filesystem;

namespace {

class SharedFolder : public tw::test::TransferFixture
{
protected:
    void memoTable(const std::string &name)
    {
        paradoxTable(name + ".db",
                     {field("ID", FieldType::Long), field("NOTE", FieldType::Memo, 11)},
                     {{Value::integer(1), Value::text(std::string(3000, 'm'))},
                      {Value::integer(2), Value::text("short")}});
    }

    QStringList files() const
    {
        return QDir(paradoxFolder())
            .entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
    }
};

// Makes the first memo of ID,NOTE table `name` claim 256 MB, held in a sparse .MB: the bytes
// are a hole, read back as zeros, that no program writing a table leaves.
void plantMemoBomb(const std::string &db, const std::string &mb)
{
    QFile dbFile(QString::fromStdString(db));
    ASSERT_TRUE(dbFile.open(QIODevice::ReadWrite));
    QByteArray bytes = dbFile.readAll();
    auto *raw = reinterpret_cast<std::uint8_t *>(bytes.data());
    const std::size_t record = tw::paradox::readLe16(raw + 2) + 6;
    const std::uint32_t claim = 65535U * 4096U - 9U;
    const std::uint32_t pointer = tw::paradox::readLe32(raw + record + 4 + 1);
    tw::paradox::writeLe32(raw + record + 4 + 5, claim);
    dbFile.seek(0);
    dbFile.write(bytes);
    dbFile.close();

    QFile mbFile(QString::fromStdString(mb));
    ASSERT_TRUE(mbFile.open(QIODevice::ReadWrite));
    const qint64 at = pointer & 0xFFFFFF00U;
    std::uint8_t head[7] = {2};
    tw::paradox::writeLe16(head + 1, 65535);
    tw::paradox::writeLe32(head + 3, claim);
    mbFile.seek(at);
    mbFile.write(reinterpret_cast<const char *>(head), sizeof head);
    mbFile.close();
    ASSERT_EQ(::truncate(mb.c_str(), at + 65535LL * 4096), 0);
}

} // namespace

TEST_F(SharedFolder, LinksAndPipesInATablesPlaceAreNeverFollowedAndNeverWaitedOn)
{
    makeStagingDatabase();
    memoTable("CLIENT");
    memoTable("ORDERS");
    // ORDERS.MB becomes a link to the settings file, which holds the DB2 password.
    fs::remove(paradoxPath("ORDERS.MB"));
    fs::create_symlink(settings->filePath().toStdString(), paradoxPath("ORDERS.MB"));
    // A table file that is a link to a table outside the folder, and pipes in a table's place
    // and under the name of a hidden file of this program.
    QTemporaryDir elsewhere;
    memoTable("../" + QDir(elsewhere.path()).dirName().toStdString() + "/OUTSIDE");
    fs::create_symlink(elsewhere.path().toStdString() + "/OUTSIDE.db", paradoxPath("LINKED.db"));
    ASSERT_EQ(::mkfifo(paradoxPath("PIPED.db").c_str(), 0600), 0);
    memoTable("SLOW");
    fs::remove(paradoxPath("SLOW.MB"));
    ASSERT_EQ(::mkfifo(paradoxPath("SLOW.MB").c_str(), 0600), 0);
    tw::WorkOwner gone = tw::WorkOwner::self();
    gone.boot = "00000000";
    ASSERT_EQ(::mkfifo(paradoxPath(".SLOW.db.tw-" + gone.tag() + "-Pipe01").c_str(), 0600), 0);

    startProgram();
    ASSERT_TRUE(form2->isVisible());
    EXPECT_EQ(
        items(form2->paradoxList()),
        (QStringList{QStringLiteral("CLIENT"), QStringLiteral("ORDERS"), QStringLiteral("SLOW")}))
        << "a link or a pipe is no table of the folder";
    const QString tip = form2->paradoxList().item(2)->data(Qt::ToolTipRole).toString();
    EXPECT_TRUE(tip.contains(QStringLiteral("SLOW"))) << tip.toStdString();

    // A rename copies the family: the link is refused, the password never lands in the share.
    select(form2->paradoxList(), {QStringLiteral("ORDERS")});
    dialogs.inputs = {QStringLiteral("SALES")};
    button(*form2, "PushButton7")->click();
    ASSERT_EQ(dialogs.errorReports().size(), 1);
    EXPECT_TRUE(dialogs.errorReports().front().contains(QStringLiteral("symbolic link")))
        << dialogs.errorReports().front().toStdString();
    for (const QString &name : files()) {
        QFile file(paradoxFolder() + u'/' + name);
        const QFileInfo info(file);
        if (!info.isSymLink() && info.isFile() && !name.contains(QStringLiteral("Pipe")) &&
            name != u"PIPED.db" && name != u"SLOW.MB" && file.open(QIODevice::ReadOnly)) {
            EXPECT_FALSE(file.readAll().contains("secret")) << name.toStdString();
        }
    }
    EXPECT_TRUE(QFile::exists(QString::fromStdString(paradoxPath("ORDERS.db"))));

    // Reading refuses the link and the pipe with one box each, and nothing of them reaches DB2.
    dialogs.boxes.clear();
    select(form2->paradoxList(), {QStringLiteral("ORDERS"), QStringLiteral("SLOW")});
    button(*form2, "PushButton4")->click();
    EXPECT_EQ(dialogs.errorReports().size(), 2) << dialogs.errorReports().join(u'\n').toStdString();
    for (const std::string &statement : emu.statements()) {
        EXPECT_EQ(statement.find("CREATE"), std::string::npos) << statement;
    }
    QFile settingsFile(settings->filePath());
    ASSERT_TRUE(settingsFile.open(QIODevice::ReadOnly));
    EXPECT_TRUE(settingsFile.readAll().contains("Password=secret")) << "the settings file stays";
}

TEST_F(SharedFolder, AMemoThatClaimsWhatItsFileDoesNotHoldGetsOneBoxAndNoMemory)
{
    memoTable("BOMB");
    plantMemoBomb(paradoxPath("BOMB.db"), paradoxPath("BOMB.MB"));
    // Reading the table in a process of its own, to measure what it takes.
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        rusage before{};
        ::getrusage(RUSAGE_SELF, &before);
        std::string what;
        try {
            tw::paradox::TableReader table = tw::paradox::TableReader::open(paradoxPath("BOMB.db"));
            while (table.next()) {
                try {
                    (void)table.value(1);
                } catch (const std::exception &e) {
                    what = e.what();
                }
            }
        } catch (const std::exception &e) {
            what = e.what();
        }
        rusage after{};
        ::getrusage(RUSAGE_SELF, &after);
        const std::string report = std::to_string(after.ru_maxrss - before.ru_maxrss) + " " + what;
        (void)!::write(pipe[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(pipe[1]);
    char buffer[1024] = {};
    ASSERT_GT(::read(pipe[0], buffer, sizeof buffer - 1), 0);
    ::close(pipe[0]);
    ::waitpid(child, nullptr, 0);
    const std::string report = buffer;
    EXPECT_LT(std::stol(report), 32 * 1024) << "kilobytes more at its peak: " << report;
    EXPECT_NE(report.find("hole of a sparse file"), std::string::npos) << report;

    startProgram();
    select(form2->paradoxList(), {QStringLiteral("BOMB")});
    button(*form2, "PushButton4")->click();
    ASSERT_EQ(dialogs.errorReports().size(), 1) << dialogs.errorReports().join(u'\n').toStdString();
    EXPECT_TRUE(dialogs.errorReports().front().contains(QStringLiteral("sparse")));
}

TEST_F(SharedFolder, TwoSchemasTablesOfOneNameAreTwoItemsAndEachActionReachesItsOwn)
{
    makeStagingDatabase();
    emu.seed({"CREATE TABLE PAYROLL(A INTEGER)",
              "INSERT INTO PAYROLL VALUES(1)",
              "CREATE TABLE OTHER.PAYROLL(A INTEGER)",
              "INSERT INTO OTHER.PAYROLL VALUES(2)",
              "INSERT INTO OTHER.PAYROLL VALUES(3)"});
    paradoxTable("ANY.db");
    startProgram();
    EXPECT_EQ(items(form2->db2List()),
              (QStringList{QStringLiteral("OTHER.PAYROLL"), QStringLiteral("PAYROLL")}));

    select(form2->db2List(), {QStringLiteral("OTHER.PAYROLL")});
    button(*form2, "PushButton3")->click();
    EXPECT_TRUE(dialogs.errorReports().isEmpty())
        << dialogs.errorReports().join(u'\n').toStdString();
    EXPECT_EQ(tw::paradox::TableReader::open(paradoxPath("PAYROLL.db")).recordCount(), 2U)
        << "the other schema's rows, under the table's own name";

    emu.clearLog();
    select(form2->db2List(), {QStringLiteral("OTHER.PAYROLL")});
    button(*form2, "PushButton1")->click();
    EXPECT_EQ(emu.statements(), std::vector<std::string>{"DROP TABLE \"OTHER\".\"PAYROLL\""});
    EXPECT_EQ(db2Rows("PAYROLL"), (std::vector<std::vector<std::string>>{{"1"}}));
    EXPECT_EQ(items(form2->db2List()), QStringList{QStringLiteral("PAYROLL")});
}

TEST_F(SharedFolder, NamesAndValuesCannotForgeALogLineNorCutAStatement)
{
    makeStagingDatabase();
    emu.seed({"CREATE TABLE \"A\nverified X\"(A INTEGER)"});
    paradoxTable("NOTES.db",
                 {field("ID", FieldType::Long), field("NOTE", FieldType::Memo, 11)},
                 {{Value::integer(1), Value::text(std::string("cut") + '\0' + "'); DROP TABLE X")},
                  {Value::integer(2), Value::text("whole")}});
    paradoxTable("Q.DB1.db");
    paradoxTable("Q1.db");
    startProgram();
    EXPECT_EQ(items(form2->paradoxList()),
              (QStringList{QStringLiteral("NOTES"), QStringLiteral("Q.DB1"), QStringLiteral("Q1")}))
        << "each item is one file";

    // A value with a NUL: a box for its row, the other row goes whole.
    select(form2->paradoxList(), {QStringLiteral("NOTES")});
    button(*form2, "PushButton4")->click();
    ASSERT_EQ(dialogs.errorReports().size(), 1);
    EXPECT_TRUE(dialogs.errorReports().front().contains(QStringLiteral("NUL")));
    EXPECT_EQ(db2Rows("\"NOTES\""), (std::vector<std::vector<std::string>>{{"2", "whole"}}));

    // A DB2 name with a line break is no Paradox file name, and it forges no log line.
    dialogs.boxes.clear();
    dialogs.answers = {true}; // to the cut to 8 characters, whose question shows it escaped
    select(form2->db2List(), {QStringLiteral("A\nverified X")});
    button(*form2, "PushButton3")->click();
    ASSERT_EQ(dialogs.errorReports().size(), 1);
    EXPECT_TRUE(dialogs.errorReports().front().contains(QStringLiteral("\"A\\nverifi\"")))
        << dialogs.errorReports().front().toStdString();
    for (const QString &line : logText().split(u'\n', Qt::SkipEmptyParts)) {
        EXPECT_FALSE(line.startsWith(QStringLiteral("verified"))) << line.toStdString();
    }
    EXPECT_TRUE(logText().contains(QStringLiteral("A\\nverified X")));

    // Delete on Q.DB1 takes Q.DB1.db and leaves Q1.db.
    select(form2->paradoxList(), {QStringLiteral("Q.DB1")});
    button(*form2, "PushButton5")->click();
    EXPECT_FALSE(QFile::exists(QString::fromStdString(paradoxPath("Q.DB1.db"))));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(paradoxPath("Q1.db"))));
}

TEST_F(SharedFolder, AnotherWorkstationsRecordIsLeftAloneAndSaidOnce)
{
    paradoxTable("ORDERS.db");
    tw::WorkOwner other = tw::WorkOwner::self();
    other.machine = std::string(16, other.machine.front() == 'a' ? 'b' : 'a');
    const std::string record = ".tw-intent-" + other.tag() + "-Remote";
    const std::string text = "tablewright intent 2\nowner " + other.tag() + " 777332\n";
    QFile file(QString::fromStdString(paradoxPath(record)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.data(), static_cast<qint64>(text.size()));
    file.close();
    startProgram();
    form2->Form_Load();
    EXPECT_TRUE(QFile::exists(QString::fromStdString(paradoxPath(record))));
    EXPECT_EQ(logText().count(QStringLiteral("another workstation (ws2)")), 1)
        << logText().toStdString();
}
