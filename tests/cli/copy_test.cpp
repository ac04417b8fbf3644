// tablewright-copy as a job runs it: the real program, the real stack (our Paradox engine,
// unixODBC and the DB2 emulation), no display.

#include "db/connection.h"
#include "paradox/primaryindex.h"
#include "paradox/reader.h"
#include "paradox/writer.h"
#include "support/db2emu.h"
#include "support/printers.h"
#include "support/tablefiles.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>

using tw::db::Value;
using tw::paradox::FieldType;
namespace fs = std::filesystem;

namespace {

struct Outcome
{
    int status = -1;
    QString out;
    QString err;
};

class CopyCommand : public ::testing::Test
{
protected:
    CopyCommand()
    {
        settingsFile = m_dir.path() + QStringLiteral("/job.ini");
        writeSettings(QStringLiteral("secret"));
        folder = fs::path(m_paradox.path().toStdString());
    }

    void writeSettings(const QString &password) const
    {
        QFile file(settingsFile);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write((QStringLiteral("[Tablewright]\nParadoxFolder=") + m_paradox.path() +
                    QStringLiteral("\nServer=db2host\nPort=50000\nUser=admin\nPassword=") +
                    password + QStringLiteral("\nDatabase=SAMPLE\n"))
                       .toUtf8());
        file.close();
        ::chmod(QFile::encodeName(settingsFile).constData(), 0600);
    }

    QProcess *start(QStringList arguments, const QProcessEnvironment &extra = {})
    {
        auto *process = new QProcess();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.insert(QStringLiteral("XDG_STATE_HOME"), m_dir.path() + QStringLiteral("/state"));
        for (const QString &key : extra.keys()) {
            env.insert(key, extra.value(key));
        }
        process->setProcessEnvironment(env);
        arguments.prepend(QStringLiteral("--settings=") + settingsFile);
        process->start(QStringLiteral(TW_COPY_PROGRAM), arguments);
        return process;
    }

    Outcome run(const QStringList &arguments, const QProcessEnvironment &extra = {})
    {
        std::unique_ptr<QProcess> process(start(arguments, extra));
        EXPECT_TRUE(process->waitForFinished(120'000));
        return {process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1,
                QString::fromUtf8(process->readAllStandardOutput()),
                QString::fromUtf8(process->readAllStandardError())};
    }

    void table(const std::string &name, int rows)
    {
        std::vector<std::vector<Value>> values;
        for (int i = 1; i <= rows; ++i) {
            values.push_back({Value::integer(i), Value::text("r" + std::to_string(i))});
        }
        tw::test::writeTable(
            folder / (name + ".db"),
            {tw::test::field("ID", FieldType::Long), tw::test::field("NAME", FieldType::Alpha, 10)},
            values);
    }

    std::int64_t db2Count(const std::string &table) const
    {
        tw::db::Connection db2;
        db2.open(tw::test::Db2Emu::connectionString());
        tw::db::Recordset count;
        count.open("SELECT COUNT(*) FROM " + table, db2);
        return count.value(0).asInteger();
    }

    QString logText() const
    {
        QFile file(m_dir.path() + QStringLiteral("/state/Kelvarin/Tablewright/operations.log"));
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll());
    }

    tw::test::Db2Emu emu;
    QString settingsFile;
    fs::path folder;

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_paradox;
};

} // namespace

TEST_F(CopyCommand, CopiesBothWaysWithAndWithoutTypesAndReportsEachTable)
{
    table("ORDERS", 3);
    table("PARTS", 2);
    const QString report = QString::fromStdString((folder / "report.json").string());
    Outcome sent = run({QStringLiteral("--to-db2"), QStringLiteral("--report"), report});
    EXPECT_EQ(sent.status, 0) << sent.err.toStdString();
    EXPECT_TRUE(
        sent.out.contains(QStringLiteral("done ORDERS: 3 rows read, 3 written, verified\n")))
        << sent.out.toStdString();
    EXPECT_EQ(db2Count("\"PARTS\""), 2);

    QFile json(report);
    ASSERT_TRUE(json.open(QIODevice::ReadOnly));
    const QJsonObject root = QJsonDocument::fromJson(json.readAll()).object();
    EXPECT_EQ(root[QStringLiteral("tables")].toArray().size(), 2);
    EXPECT_EQ(root[QStringLiteral("totals")].toObject()[QStringLiteral("verified")].toInt(), 2);
    EXPECT_TRUE(root[QStringLiteral("allDone")].toBool());

    // Typed, into tables DB2 already has: replaced only when told.
    Outcome typed = run({QStringLiteral("--to-db2"),
                         QStringLiteral("--keep-types"),
                         QStringLiteral("--replace"),
                         QStringLiteral("orders")});
    EXPECT_EQ(typed.status, 0) << typed.err.toStdString();
    EXPECT_TRUE(logText().contains(QStringLiteral("typed copy: 2 columns")));
    EXPECT_TRUE(
        logText().contains(QStringLiteral("Send Table/s To IBM DB2, from the command line")));

    // Back into a folder that holds no table yet.
    QTemporaryDir empty;
    Outcome back = run({QStringLiteral("--to-paradox"),
                        QStringLiteral("--folder"),
                        empty.path(),
                        QStringLiteral("PARTS")});
    EXPECT_EQ(back.status, 0) << back.err.toStdString();
    EXPECT_EQ(tw::test::readAll(fs::path(empty.path().toStdString()) / "PARTS.db").size(), 2U);
    EXPECT_FALSE(logText().contains(QStringLiteral("secret"))) << "never the password";
}

TEST_F(CopyCommand, AnExistingTargetIsReplacedSkippedOrReportedAndAFailureFailsOnlyItsTable)
{
    table("ORDERS", 3);
    emu.seed({"CREATE TABLE \"ORDERS\"(X INTEGER)", "INSERT INTO \"ORDERS\" VALUES(1)"});
    Outcome neither = run({QStringLiteral("--to-db2"), QStringLiteral("ORDERS")});
    EXPECT_EQ(neither.status, 1);
    EXPECT_TRUE(neither.out.startsWith(QStringLiteral("exists ORDERS")))
        << neither.out.toStdString();
    Outcome skip = run(
        {QStringLiteral("--to-db2"), QStringLiteral("--skip-existing"), QStringLiteral("ORDERS")});
    EXPECT_EQ(skip.status, 1);
    EXPECT_TRUE(skip.out.startsWith(QStringLiteral("skipped ORDERS"))) << skip.out.toStdString();
    EXPECT_EQ(db2Count("\"ORDERS\""), 1) << "left alone both times";

    // One table fails among others that go: the others are copied, the run says 1.
    QFile broken(QString::fromStdString((folder / "BROKEN.db").string()));
    broken.open(QIODevice::WriteOnly);
    broken.write("not a table");
    broken.close();
    table("PARTS", 2);
    Outcome mixed = run({QStringLiteral("--to-db2"), QStringLiteral("--replace")});
    EXPECT_EQ(mixed.status, 1);
    EXPECT_TRUE(mixed.out.contains(QStringLiteral("FAILED BROKEN"))) << mixed.out.toStdString();
    EXPECT_TRUE(mixed.err.contains(QStringLiteral("BROKEN.db"))) << mixed.err.toStdString();
    EXPECT_EQ(db2Count("\"ORDERS\""), 3);
    EXPECT_EQ(db2Count("\"PARTS\""), 2);
}

TEST_F(CopyCommand, AWrongCommandLineARefusedLoginOrAProfileOthersMayReadDoesNothing)
{
    table("ORDERS", 3);
    emu.clearLog();
    Outcome usage = run({QStringLiteral("--to-db2"), QStringLiteral("--no-such-option")});
    EXPECT_EQ(usage.status, 2);
    EXPECT_TRUE(usage.err.startsWith(QStringLiteral("tablewright-copy: unknown option")));
    EXPECT_TRUE(usage.err.contains(QStringLiteral("Usage:")));

    writeSettings(QStringLiteral("wrong"));
    Outcome refused = run({QStringLiteral("--to-db2")});
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("cannot connect to DB2")))
        << refused.err.toStdString();
    // The password from the environment replaces the profile's.
    QProcessEnvironment password;
    password.insert(QStringLiteral("TABLEWRIGHT_DB2_PASSWORD"), QStringLiteral("secret"));
    EXPECT_EQ(run({QStringLiteral("--list"), QStringLiteral("db2")}, password).status, 0);

    ::chmod(QFile::encodeName(settingsFile).constData(), 0644);
    Outcome open = run({QStringLiteral("--to-db2")}, password);
    EXPECT_EQ(open.status, 2);
    EXPECT_TRUE(open.err.contains(QStringLiteral("may be read by others")))
        << open.err.toStdString();

    ::chmod(QFile::encodeName(settingsFile).constData(), 0600);
    Outcome nowhere = run({QStringLiteral("--to-paradox"),
                           QStringLiteral("--folder"),
                           QStringLiteral("/no/such/folder")},
                          password);
    EXPECT_EQ(nowhere.status, 2);
    EXPECT_FALSE(fs::exists("/no/such/folder"));
    for (const std::string &statement : emu.statements()) {
        EXPECT_EQ(statement.find("CREATE"), std::string::npos) << statement;
    }
}

// SIGTERM during a long copy to Paradox stops it as closing the window does: the old table
// stays whole, nothing half made is left, and the run says 143.
TEST_F(CopyCommand, TerminatedDuringACopyItKeepsTheOldTableAndLeavesNothingHalfMade)
{
    std::vector<std::string> seed = {"CREATE TABLE \"BIG\"(ID INTEGER, NAME VARCHAR(10))"};
    for (int block = 0; block < 80; ++block) {
        std::string insert = "INSERT INTO \"BIG\" VALUES";
        for (int i = 0; i < 500; ++i) {
            insert +=
                std::string(i == 0 ? "" : ",") + "(" + std::to_string(block * 500 + i) + ", 'x')";
        }
        seed.push_back(insert);
    }
    emu.seed(seed);
    table("BIG", 2);
    const std::vector<std::uint8_t> before = tw::test::readFile(folder / "BIG.db");
    std::unique_ptr<QProcess> process(start(
        {QStringLiteral("--to-paradox"), QStringLiteral("--replace"), QStringLiteral("BIG")}));
    ASSERT_TRUE(process->waitForStarted());
    // Once the rows are being read.
    auto reading = [&] {
        for (const std::string &line : emu.log()) {
            if (line.find("SELECT * FROM \"BIG\"") != std::string::npos) {
                return true;
            }
        }
        return false;
    };
    for (int i = 0; i < 2000 && !reading(); ++i) {
        process->waitForFinished(5);
    }
    process->waitForFinished(50);
    const auto pid = static_cast<pid_t>(process->processId());
    ASSERT_GT(pid, 0) << "the copy ended before it could be stopped";
    ::kill(pid, SIGTERM);
    ASSERT_TRUE(process->waitForFinished(60'000));
    EXPECT_EQ(process->exitCode(), 143) << process->readAllStandardError().toStdString();
    EXPECT_TRUE(process->readAllStandardOutput().startsWith("stopped BIG"));
    EXPECT_EQ(tw::test::readFile(folder / "BIG.db"), before);
    for (const auto &entry : fs::directory_iterator(folder)) {
        EXPECT_EQ(entry.path().filename().string().rfind('.', 0), std::string::npos)
            << "a hidden file was left: " << entry.path();
    }
}

// SIGKILL at moments of a keyed typed copy to Paradox that replaces a keyed table (while the
// rows are read, sorted or put in place): once the folder is next listed it holds the table
// it held before with its index byte for byte, or the new one whole with an index that holds
// what its data blocks imply, and no work file of the sort or of the writer.
TEST_F(CopyCommand, KilledDuringAKeyedCopyTheFolderHoldsOneWholeKeyedTable)
{
    std::vector<std::string> seed = {
        "CREATE TABLE \"BIG\"(ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(10))"};
    for (int block = 0; block < 80; ++block) {
        std::string insert = "INSERT INTO \"BIG\" VALUES";
        for (int i = 0; i < 500; ++i) {
            insert += std::string(i == 0 ? "" : ",") + "(" +
                      std::to_string((block * 500 + i) * 7919 % 40000) + ", 'x')";
        }
        seed.push_back(insert);
    }
    emu.seed(seed);
    {
        tw::paradox::WriteOptions keyed;
        keyed.keyFields = 1;
        tw::paradox::TableWriter old(
            folder / "BIG.db",
            {tw::test::field("ID", FieldType::Long), tw::test::field("NAME", FieldType::Alpha, 10)},
            keyed);
        old.append(std::vector{Value::integer(1), Value::text("old")});
        old.commit();
    }
    auto reading = [&] {
        for (const std::string &line : emu.log()) {
            if (line.find("SELECT * FROM \"BIG\"") != std::string::npos) {
                return true;
            }
        }
        return false;
    };
    int killed = 0;
    for (const int delay : {0, 10, 20, 24, 28, 32, 36, 40, 60, 120}) {
        SCOPED_TRACE(delay);
        const std::vector<std::uint8_t> db = tw::test::readFile(folder / "BIG.db");
        const std::vector<std::uint8_t> px = tw::test::readFile(folder / "BIG.PX");
        emu.clearLog();
        std::unique_ptr<QProcess> process(start({QStringLiteral("--to-paradox"),
                                                 QStringLiteral("--keep-types"),
                                                 QStringLiteral("--replace"),
                                                 QStringLiteral("BIG")}));
        ASSERT_TRUE(process->waitForStarted());
        for (int i = 0; i < 2000 && !reading(); ++i) {
            process->waitForFinished(2);
        }
        process->waitForFinished(delay);
        // A process that already ended has no id to kill (0 would be this test's own group).
        if (const auto pid = static_cast<pid_t>(process->processId()); pid > 0) {
            ::kill(pid, SIGKILL);
            ASSERT_TRUE(process->waitForFinished(60'000));
            killed += process->exitStatus() == QProcess::CrashExit ? 1 : 0;
        }

        EXPECT_EQ(run({QStringLiteral("--list"), QStringLiteral("paradox")}).status, 0);
        if (tw::test::readFile(folder / "BIG.db") == db) {
            EXPECT_EQ(tw::test::readFile(folder / "BIG.PX"), px);
        } else {
            EXPECT_EQ(tw::paradox::TableReader::open(folder / "BIG.db").recordCount(), 40000U);
            EXPECT_EQ(tw::paradox::primaryIndexProblems(folder / "BIG.db"),
                      std::vector<std::string>{});
        }
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"BIG.PX", "BIG.db"}));
    }
    EXPECT_GE(killed, 2) << "the kills came too late to stop a copy";
}
