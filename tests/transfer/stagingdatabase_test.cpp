#include "transfer/stagingdatabase.h"

#include "connect/sampledatabase.h"
#include "support/printers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using tw::transfer::StagingCopy;

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

QStringList copies()
{
    return QDir(StagingCopy::folder()).entryList(QDir::Files | QDir::Hidden);
}

} // namespace

TEST(StagingCopy, EachCopyHasItsOwnFileRemovedAtItsEndAndTheShippedOneIsNeverChanged)
{
    QTemporaryDir program;
    {
        QFile shipped(program.path() + QStringLiteral("/dbtemp.mdb"));
        shipped.open(QIODevice::WriteOnly);
        shipped.write("shipped");
    }
    ::chmod((program.path() + QStringLiteral("/dbtemp.mdb")).toLocal8Bit().constData(), 0444);
    {
        const StagingCopy first(program.path());
        const StagingCopy second(program.path());
        EXPECT_NE(first.path(), second.path());
        EXPECT_TRUE(first.path().startsWith(StagingCopy::folder() + u'/'));
        EXPECT_EQ(bytesOf(first.path()), "shipped");
        EXPECT_EQ(copies().size(), 2);
    }
    EXPECT_TRUE(copies().isEmpty());
    EXPECT_EQ(bytesOf(program.path() + QStringLiteral("/dbtemp.mdb")), "shipped");

    // Without the shipped file there is nothing to copy: the path names it, and opening the
    // staging database then fails as it should.
    QTemporaryDir empty;
    EXPECT_EQ(StagingCopy(empty.path()).path(), empty.path() + QStringLiteral("/dbtemp.mdb"));
}

TEST(StagingCopy, ACopyLeftByAKilledProgramGoesAndOneStillInUseStays)
{
    QTemporaryDir program;
    QFile(program.path() + QStringLiteral("/dbtemp.mdb")).open(QIODevice::WriteOnly);
    // A program holding its copy until it is killed.
    auto holder = [&] {
        int ready[2];
        EXPECT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            const StagingCopy copy(program.path());
            const char byte = 1;
            if (::write(ready[1], &byte, 1) == 1) {
                ::pause();
            }
            ::_exit(1);
        }
        ::close(ready[1]);
        char byte = 0;
        EXPECT_EQ(::read(ready[0], &byte, 1), 1);
        ::close(ready[0]);
        return child;
    };
    auto kill = [](pid_t child) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    };
    kill(holder());
    const pid_t running = holder();
    const QStringList before = copies();
    std::optional<StagingCopy> mine(std::in_place, program.path());
    const QStringList during = copies();
    mine.reset();
    kill(running);
    EXPECT_EQ(before.size(), 1) << "the killed program's copy went when the next was made";
    EXPECT_EQ(during.size(), 2) << "the running program's copy stayed";
    const StagingCopy next(program.path());
    EXPECT_EQ(copies(), QStringList{QFileInfo(next.path()).fileName()});
}

TEST(UserCopies, AnInstallForAllUsersGivesEachUserTheSampleTables)
{
    if (::getuid() != 0) {
        GTEST_SKIP() << "drops privileges from root to see a folder it cannot write";
    }
    QTemporaryDir program;
    QTemporaryDir home;
    QDir().mkpath(program.path() + QStringLiteral("/Samples"));
    {
        QFile orders(program.path() + QStringLiteral("/Samples/ORDERS.DB"));
        orders.open(QIODevice::WriteOnly);
        orders.write("orders");
    }
    const QString data = home.path() + QStringLiteral("/data");
    ::chmod(program.path().toLocal8Bit().constData(), 0755);
    ::chmod((program.path() + QStringLiteral("/Samples")).toLocal8Bit().constData(), 0755);
    ::chmod(home.path().toLocal8Bit().constData(), 0777);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(3);
        }
        qputenv("XDG_DATA_HOME", data.toLocal8Bit());
        const QString mine = data + QStringLiteral("/Kelvarin/Tablewright/Samples");
        const bool samples = tw::connect::sampleDatabasePath(program.path()) == mine &&
                             bytesOf(mine + QStringLiteral("/ORDERS.DB")) == "orders";
        ::_exit(samples ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // Where the program folder is writable, they stay there.
    EXPECT_EQ(tw::connect::sampleDatabasePath(program.path()),
              program.path() + QStringLiteral("/Samples"));
}
