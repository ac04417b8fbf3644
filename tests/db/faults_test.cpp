// Faults during an export: a disk that fills up, a program killed half way, a folder the
// user cannot write. Each leaves every table whole (at most a hidden temporary file).

#include "db/connection.h"
#include "paradox/reader.h"

#include <QDir>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tw::db;

namespace {

class ExportFaults : public ::testing::Test
{
protected:
    ExportFaults()
    {
        sqlite3 *db = nullptr;
        sqlite3_open(stagingFile().c_str(), &db);
        sqlite3_close(db);
        QDir().mkpath(QString::fromStdString(paradoxFolder()));
        Connection staging = open();
        staging.execute("CREATE TABLE `BIG`(`A`TEXT,`M`MEMO);");
        for (int i = 0; i < 2000; ++i) {
            staging.execute("INSERT INTO `BIG` VALUES('row " + std::to_string(i) + "', '" +
                            std::string(3000, 'm') + "')");
        }
        staging.execute("CREATE TABLE `OLD`(`A`TEXT);");
        staging.execute("INSERT INTO `OLD` VALUES('the old table')");
        staging.execute(exportInto("BIG", "OLD"));
        m_oldTable = QDir(QString::fromStdString(paradoxFolder())).entryList(QDir::Files);
    }

    std::string stagingFile() const { return m_dir.path().toStdString() + "/dbtemp.mdb"; }

    std::string paradoxFolder() const { return m_dir.path().toStdString() + "/px"; }

    Connection open() const
    {
        Connection staging;
        staging.open("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=" + stagingFile() + ";");
        return staging;
    }

    std::string exportInto(const std::string &name, const std::string &source) const
    {
        return "select * into [Paradox 5.x;Database=" + paradoxFolder() + "/].[" + name +
               ".db] from [" + source + "]";
    }

    // Runs the export in a child process; `prepare` runs there first. Returns the wait status.
    int exportInChild(const std::function<void()> &prepare,
                      const std::string &statement,
                      bool killSoon = false)
    {
        const pid_t child = ::fork();
        if (child == 0) {
            prepare();
            try {
                Connection staging = open();
                staging.execute(statement);
            } catch (const Error &) {
                ::_exit(1);
            }
            ::_exit(0);
        }
        if (killSoon) {
            ::usleep(30'000);
            ::kill(child, SIGKILL);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return status;
    }

    // The tables a listing of "*.db" would show, and whether the old table still reads whole.
    QStringList tables() const
    {
        return QDir(QString::fromStdString(paradoxFolder()))
            .entryList({QStringLiteral("*.db")}, QDir::Files);
    }

    void expectOldTableWhole() const
    {
        tw::paradox::TableReader old = tw::paradox::TableReader::open(paradoxFolder() + "/BIG.db");
        ASSERT_TRUE(old.next());
        EXPECT_EQ(old.value(0).asText(), "the old table");
        EXPECT_FALSE(old.next());
    }

    QTemporaryDir m_dir;
    QStringList m_oldTable;
};

} // namespace

TEST_F(ExportFaults, ADiskThatFillsUpLeavesNoPartialTableAndTheOldOneIntact)
{
    const int status = exportInChild(
        [] {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{256 * 1024, 256 * 1024};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        },
        exportInto("NEW", "BIG"));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1) << "the export must fail, not pretend";
    EXPECT_EQ(tables(), QStringList{QStringLiteral("BIG.db")});
    EXPECT_EQ(QDir(QString::fromStdString(paradoxFolder())).entryList(QDir::Files | QDir::Hidden),
              m_oldTable)
        << "the failed export removed its temporary files";
    expectOldTableWhole();
}

TEST_F(ExportFaults, AProgramKilledInTheMiddleOfAnExportLeavesEveryTableWhole)
{
    exportInChild([] {}, exportInto("NEW", "BIG"), true);
    const QStringList listed = tables();
    EXPECT_TRUE(listed == QStringList{QStringLiteral("BIG.db")} ||
                listed == (QStringList{QStringLiteral("BIG.db"), QStringLiteral("NEW.db")}))
        << listed.join(u',').toStdString();
    if (listed.contains(QStringLiteral("NEW.db"))) {
        tw::paradox::TableReader whole =
            tw::paradox::TableReader::open(paradoxFolder() + "/NEW.db");
        EXPECT_EQ(whole.recordCount(), 2000U);
    }
    expectOldTableWhole();
}

TEST_F(ExportFaults, AFolderTheUserCannotWriteGivesAClearError)
{
    if (::getuid() != 0) {
        GTEST_SKIP() << "drops privileges from root to meet a folder it cannot write";
    }
    ::chmod(m_dir.path().toLocal8Bit().constData(), 0777);
    ::chmod(stagingFile().c_str(), 0666);
    ::chmod(paradoxFolder().c_str(), 0555);
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(3);
        }
        std::string message;
        try {
            Connection staging = open();
            staging.execute(exportInto("NEW", "BIG"));
        } catch (const Error &e) {
            message = e.what();
        }
        if (::write(pipeEnds[1], message.data(), message.size()) < 0) {
            ::_exit(4);
        }
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    std::string message;
    char buffer[1024];
    ssize_t got = 0;
    while ((got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0) {
        message.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::chmod(paradoxFolder().c_str(), 0755);
    EXPECT_NE(message.find("cannot create a file in"), std::string::npos) << message;
    EXPECT_NE(message.find("Permission denied"), std::string::npos) << message;
    EXPECT_EQ(tables(), QStringList{QStringLiteral("BIG.db")});
}
