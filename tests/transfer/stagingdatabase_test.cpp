#include "transfer/stagingdatabase.h"

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
