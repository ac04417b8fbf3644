#include "fsutil/addfolder.h"

#include "support/printers.h"
#include "support/scripteddialogs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tw::fsutil;
using tw::test::ScriptedDialogs;

namespace {

class FolderTree : public ::testing::Test
{
protected:
    QString root() const { return m_dir.path() + u'/'; }

    void folders(std::initializer_list<const char *> paths) const
    {
        for (const char *path : paths) {
            ASSERT_TRUE(QDir().mkpath(root() + QString::fromUtf8(path)));
        }
    }

    void files(std::initializer_list<const char *> paths) const
    {
        for (const char *path : paths) {
            QFile file(root() + QString::fromUtf8(path));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path;
        }
    }

    // The scan of the given entries, with the tree's root taken off for readability.
    QStringList scan(QStringList entries, bool recurse)
    {
        GetSubDirectories2016(entries, recurse, dialogs);
        for (QString &entry : entries) {
            entry.replace(root(), QStringLiteral("~/"));
        }
        return entries;
    }

    QTemporaryDir m_dir;
    ScriptedDialogs dialogs;
};

} // namespace

TEST_F(FolderTree, ScanGoesBreadthFirstInTheOrderOfTheParents)
{
    folders({"b/b2/deep", "a/a1", "a/a2", "c"});
    EXPECT_EQ(scan({root()}, true),
              (QStringList{QStringLiteral("~/"),
                           QStringLiteral("~/a/"),
                           QStringLiteral("~/b/"),
                           QStringLiteral("~/c/"),
                           QStringLiteral("~/a/a1/"),
                           QStringLiteral("~/a/a2/"),
                           QStringLiteral("~/b/b2/"),
                           QStringLiteral("~/b/b2/deep/")}));
    EXPECT_EQ(scan({root()}, false),
              (QStringList{QStringLiteral("~/"),
                           QStringLiteral("~/a/"),
                           QStringLiteral("~/b/"),
                           QStringLiteral("~/c/")}));
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(FolderTree, EntriesAreTakenAsWrittenWithoutNormalising)
{
    folders({"x/y"});
    // Without a trailing separator the names run together, into a path that is no folder.
    EXPECT_EQ(scan({root() + QStringLiteral("x")}, false), QStringList{QStringLiteral("~/x")});
    EXPECT_EQ(scan({root() + QStringLiteral("x//")}, false),
              (QStringList{QStringLiteral("~/x//"), QStringLiteral("~/x//y/")}));
    EXPECT_EQ(scan({}, true), QStringList{});
}

TEST_F(FolderTree, FilesAndMissingPathsStayButAddNothing)
{
    files({"table.db"});
    folders({"sub"});
    const QStringList result = scan(
        {root() + QStringLiteral("table.db"), root() + QStringLiteral("missing/"), root()}, true);
    EXPECT_EQ(result,
              (QStringList{QStringLiteral("~/table.db"),
                           QStringLiteral("~/missing/"),
                           QStringLiteral("~/"),
                           QStringLiteral("~/sub/")}));
}

TEST_F(FolderTree, UnsafeNamesAreSkippedWithEverythingBelowThem)
{
    folders({"ok/below",
             "bad\x01name/below",
             "what?/below",
             "\xc2\x85nel/below",
             "\xe2\x82\xac"
             "euro/below",
             "\xce\xa9mega/below",
             "Caf\xc3\xa9/below",
             ".hidden/below"});
    EXPECT_EQ(scan({root()}, true),
              (QStringList{QStringLiteral("~/"),
                           QStringLiteral("~/.hidden/"),
                           QStringLiteral("~/Café/"),
                           QStringLiteral("~/ok/"),
                           QStringLiteral("~/.hidden/below/"),
                           QStringLiteral("~/Café/below/"),
                           QStringLiteral("~/ok/below/")}));
}

TEST_F(FolderTree, SymbolicLinksAreNotFollowed)
{
    folders({"real"});
    ASSERT_EQ(::symlink(m_dir.path().toLocal8Bit().constData(),
                        (root() + QStringLiteral("real/loop")).toLocal8Bit().constData()),
              0);
    EXPECT_EQ(scan({root()}, true), (QStringList{QStringLiteral("~/"), QStringLiteral("~/real/")}));
}

TEST_F(FolderTree, AFolderThatCannotBeListedIsRemovedWithItsDuplicates)
{
    if (::geteuid() != 0 && ::access("/", W_OK) == 0) {
        GTEST_SKIP() << "needs to be able to drop privileges";
    }
    folders({"open/inner", "locked/inside"});
    ASSERT_EQ(::chmod((root() + QStringLiteral("locked")).toLocal8Bit().constData(), 0), 0);
    ::chmod(m_dir.path().toLocal8Bit().constData(), 0755);
    const QString locked = root() + QStringLiteral("locked/");

    // Permissions do not bind root: the scan runs in a child process as nobody.
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeEnds[0]);
        if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(3);
        }
        ScriptedDialogs quiet;
        QStringList entries = {locked, root(), locked};
        GetSubDirectories2016(entries, true, quiet);
        const QByteArray out = entries.join(u'\n').toUtf8();
        if (::write(pipeEnds[1], out.constData(), static_cast<std::size_t>(out.size())) < 0) {
            ::_exit(4);
        }
        ::_exit(quiet.boxes.empty() ? 0 : 5);
    }
    ::close(pipeEnds[1]);
    QByteArray received;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0) {
        received.append(buffer, got);
    }
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::chmod(locked.toLocal8Bit().constData(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    QStringList result = QString::fromUtf8(received).split(u'\n');
    for (QString &entry : result) {
        entry.replace(root(), QStringLiteral("~/"));
    }
    // Both copies of the locked entry went, and so did the found copy of it.
    EXPECT_EQ(result,
              (QStringList{QStringLiteral("~/"),
                           QStringLiteral("~/open/"),
                           QStringLiteral("~/open/inner/")}));
}

TEST_F(FolderTree, ListFilesFindsDbFilesInAnyCaseHiddenOnesIncludedButNoFolders)
{
    files({"Orders.db", "CUSTOMER.DB", ".secret.db", "notes.txt", "orders.mb", "x.db.db"});
    folders({"x.db"});
    const QStringList expected = {QStringLiteral(".secret.db"),
                                  QStringLiteral("CUSTOMER.DB"),
                                  QStringLiteral("Orders.db"),
                                  QStringLiteral("x.db.db")};
    EXPECT_EQ(ListFiles(m_dir.path(), QStringLiteral("*.db")), expected);
    EXPECT_EQ(ListFiles(root(), QStringLiteral("*.db")), expected);
    EXPECT_EQ(ListFiles(root() + QStringLiteral("nothing"), QStringLiteral("*.db")), QStringList{});
}

TEST(FileChecks, AnswerWhatTheyAreAsked)
{
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/a.db");
    QFile(file).open(QIODevice::WriteOnly);
    EXPECT_TRUE(IsExistingFile(file));
    EXPECT_FALSE(IsExistingFile(dir.path()));
    EXPECT_FALSE(IsExistingFile(dir.path() + QStringLiteral("/missing")));
    EXPECT_FALSE(IsExistingFile(QString()));
    EXPECT_TRUE(IsFolder(dir.path()));
    EXPECT_TRUE(IsFolder(QStringLiteral("/")));
    EXPECT_FALSE(IsFolder(file));
    EXPECT_FALSE(IsFolder(QString()));
    EXPECT_EQ(FileNameOf(QStringLiteral("/data/Orders.db")), QStringLiteral("Orders.db"));
    EXPECT_EQ(FileNameOf(QStringLiteral("Orders.db")), QStringLiteral("Orders.db"));
    EXPECT_EQ(FileNameOf(QStringLiteral("/data/")), QString());
    EXPECT_FALSE(HasUnsafeChars(QString()));
    EXPECT_FALSE(HasUnsafeChars(QStringLiteral("Données ÿ ~")));
    for (const char16_t unsafe : {u'\x1f', u'\x7f', u'\x85', u'?', u'€', u'Ω'}) {
        EXPECT_TRUE(HasUnsafeChars(QString(QChar(unsafe)))) << int(unsafe);
    }
}

TEST_F(FolderTree, TrashFoldersAreNeverScannedOtherDotFoldersAre)
{
    folders({".Trash-0/files", ".Trash/1000/files", ".Trash-10x/files", ".cache", "Trash"});
    EXPECT_EQ(scan({root()}, true),
              QStringList({QStringLiteral("~/"),
                           QStringLiteral("~/.Trash-10x/"),
                           QStringLiteral("~/.cache/"),
                           QStringLiteral("~/Trash/"),
                           QStringLiteral("~/.Trash-10x/files/")}));
    // The user's own Trash, wherever the scan meets it.
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    ASSERT_TRUE(QDir().mkpath(data + QStringLiteral("/Trash/files")));
    QStringList entries = {data + u'/'};
    GetSubDirectories2016(entries, true, dialogs);
    EXPECT_FALSE(entries.contains(data + QStringLiteral("/Trash/")));
    EXPECT_FALSE(entries.contains(data + QStringLiteral("/Trash/files/")));
}
