#include "transfer/stagingdatabase.h"

#include "connect/sampledatabase.h"
#include "support/printers.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using tw::transfer::StagingDatabasePath;

TEST(StagingDatabasePath, IsTheProgramFoldersFileWhenTheUserMayWriteIt)
{
    QTemporaryDir program;
    QFile(program.path() + QStringLiteral("/dbtemp.mdb")).open(QIODevice::WriteOnly);
    EXPECT_EQ(StagingDatabasePath(program.path()), program.path() + QStringLiteral("/dbtemp.mdb"));
}

TEST(StagingDatabasePath, IsAPrivateCopyWhenTheProgramFolderIsNotWritable)
{
    if (::getuid() != 0) {
        GTEST_SKIP() << "drops privileges from root to see a folder it cannot write";
    }
    QTemporaryDir program;
    QTemporaryDir home;
    {
        QFile shipped(program.path() + QStringLiteral("/dbtemp.mdb"));
        shipped.open(QIODevice::WriteOnly);
        shipped.write("shipped");
    }
    ::chmod(program.path().toLocal8Bit().constData(), 0755);
    ::chmod((program.path() + QStringLiteral("/dbtemp.mdb")).toLocal8Bit().constData(), 0644);
    ::chmod(home.path().toLocal8Bit().constData(), 0777);
    const QString data = home.path() + QStringLiteral("/data");
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeEnds[0]);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(3);
        }
        qputenv("XDG_DATA_HOME", data.toLocal8Bit());
        const QByteArray path = StagingDatabasePath(program.path()).toUtf8();
        if (::write(pipeEnds[1], path.constData(), static_cast<std::size_t>(path.size())) < 0) {
            ::_exit(4);
        }
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    char buffer[4096];
    const ssize_t got = ::read(pipeEnds[0], buffer, sizeof buffer);
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const QString chosen = QString::fromUtf8(buffer, static_cast<int>(std::max<ssize_t>(got, 0)));
    EXPECT_EQ(chosen, data + QStringLiteral("/Kelvarin/Tablewright/dbtemp.mdb"));
    QFile copy(chosen);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), QByteArray("shipped"));
}

TEST(UserCopies, AnInstallForAllUsersGivesEachUserTheSamplesAndAStagingDatabaseOfItsVersion)
{
    if (::getuid() != 0) {
        GTEST_SKIP() << "drops privileges from root to see a folder it cannot write";
    }
    QTemporaryDir program;
    QTemporaryDir home;
    auto stamped = [](quint8 stamp) {
        QByteArray bytes(100, '\0');
        bytes[63] = static_cast<char>(stamp);
        return bytes;
    };
    auto write = [](const QString &path, const QByteArray &bytes) {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    };
    write(program.path() + QStringLiteral("/dbtemp.mdb"), stamped(2));
    QDir().mkpath(program.path() + QStringLiteral("/Samples"));
    write(program.path() + QStringLiteral("/Samples/ORDERS.DB"), "orders");
    const QString data = home.path() + QStringLiteral("/data");
    const QString mine = data + QStringLiteral("/Kelvarin/Tablewright");
    QDir().mkpath(mine);
    write(mine + QStringLiteral("/dbtemp.mdb"), stamped(1)); // left by an older version
    ::chmod(program.path().toLocal8Bit().constData(), 0755);
    ::chmod((program.path() + QStringLiteral("/Samples")).toLocal8Bit().constData(), 0755);
    ::chown(data.toLocal8Bit().constData(), 65534, 65534);
    ::chown(mine.toLocal8Bit().constData(), 65534, 65534);
    ::chown((mine + QStringLiteral("/dbtemp.mdb")).toLocal8Bit().constData(), 65534, 65534);
    ::chmod(home.path().toLocal8Bit().constData(), 0755);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(3);
        }
        qputenv("XDG_DATA_HOME", data.toLocal8Bit());
        auto bytesOf = [](const QString &path) {
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            return file.readAll();
        };
        // Not while another copy uses it; then renewed, since the shipped one is newer.
        const bool kept =
            StagingDatabasePath(program.path(), false) == mine + QStringLiteral("/dbtemp.mdb") &&
            bytesOf(mine + QStringLiteral("/dbtemp.mdb")) == stamped(1);
        const bool renewed =
            StagingDatabasePath(program.path()) == mine + QStringLiteral("/dbtemp.mdb") &&
            bytesOf(mine + QStringLiteral("/dbtemp.mdb")) == stamped(2);
        const bool samples =
            tw::connect::SampleDatabasePath(program.path()) == mine + QStringLiteral("/Samples") &&
            bytesOf(mine + QStringLiteral("/Samples/ORDERS.DB")) == "orders";
        ::_exit(kept && renewed && samples ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // Where the program folder is writable, both stay there.
    EXPECT_EQ(tw::connect::SampleDatabasePath(program.path()),
              program.path() + QStringLiteral("/Samples"));
}
