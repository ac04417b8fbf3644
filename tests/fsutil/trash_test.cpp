// Only this user's own Trash at the top of a file system is used, as freedesktop.org's Trash
// rules lay down; and a file put in the Trash never replaces one there.

#include "fsutil/trash.h"

#include "core/folder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using tw::fsutil::topdirTrash;
namespace fs = std::filesystem;

namespace {

fs::path pathOf(const QTemporaryDir &dir)
{
    return fs::path(QFile::encodeName(dir.path()).toStdString());
}

} // namespace

TEST(TopdirTrash, IsUsedOnlyWhenItIsThisUsersOwn)
{
    const std::string uid = std::to_string(::getuid());
    const bool root = ::geteuid() == 0;
    {
        // Nothing there yet: $topdir/.Trash-$uid is made, 0700.
        QTemporaryDir top;
        EXPECT_EQ(topdirTrash(pathOf(top)), pathOf(top) / (".Trash-" + uid));

        struct stat info
        {};

        ASSERT_EQ(::stat((pathOf(top) / (".Trash-" + uid)).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0700U);
    }
    {
        // A shared .Trash with the sticky bit: its $uid folder.
        QTemporaryDir top;
        ASSERT_EQ(::mkdir((pathOf(top) / ".Trash").c_str(), 01777), 0);
        ASSERT_EQ(::chmod((pathOf(top) / ".Trash").c_str(), 01777), 0);
        EXPECT_EQ(topdirTrash(pathOf(top)), pathOf(top) / ".Trash" / uid);
    }
    {
        // A .Trash without the sticky bit is not used; a .Trash-$uid open to others nor a
        // link in its place either.
        QTemporaryDir top;
        ASSERT_EQ(::mkdir((pathOf(top) / ".Trash").c_str(), 0777), 0);
        ASSERT_EQ(::mkdir((pathOf(top) / (".Trash-" + uid)).c_str(), 0777), 0);
        ASSERT_EQ(::chmod((pathOf(top) / (".Trash-" + uid)).c_str(), 0777), 0);
        std::string why;
        EXPECT_FALSE(topdirTrash(pathOf(top), &why));
        EXPECT_NE(why.find("open to other users"), std::string::npos) << why;
        EXPECT_FALSE(fs::exists(pathOf(top) / ".Trash" / uid));
    }
    {
        QTemporaryDir top;
        QTemporaryDir elsewhere;
        fs::create_symlink(pathOf(elsewhere), pathOf(top) / (".Trash-" + uid));
        std::string why;
        EXPECT_FALSE(topdirTrash(pathOf(top), &why));
        EXPECT_NE(why.find("not a folder"), std::string::npos) << why;
        EXPECT_TRUE(QDir(elsewhere.path()).isEmpty());
    }
    if (root) {
        // Another user's folders: neither the shared one's $uid folder nor a .Trash-$uid.
        QTemporaryDir top;
        ASSERT_EQ(::mkdir((pathOf(top) / ".Trash").c_str(), 01777), 0);
        ASSERT_EQ(::chmod((pathOf(top) / ".Trash").c_str(), 01777), 0);
        ASSERT_EQ(::mkdir((pathOf(top) / ".Trash" / uid).c_str(), 0700), 0);
        ASSERT_EQ(::chown((pathOf(top) / ".Trash" / uid).c_str(), 65534, 65534), 0);
        ASSERT_EQ(::mkdir((pathOf(top) / (".Trash-" + uid)).c_str(), 0700), 0);
        ASSERT_EQ(::chown((pathOf(top) / (".Trash-" + uid)).c_str(), 65534, 65534), 0);
        std::string why;
        EXPECT_FALSE(topdirTrash(pathOf(top), &why));
        EXPECT_NE(why.find("belongs to another user"), std::string::npos) << why;
    }
}

TEST(MoveToTrash, NeverReplacesAFileInTheTrashAndNamesItsOriginal)
{
    QTemporaryDir folder;
    QFile(folder.path() + QStringLiteral("/T.db")).open(QIODevice::WriteOnly);
    const tw::Folder opened(pathOf(folder));
    const auto first = tw::fsutil::moveToTrash(opened, {"T.db"});
    ASSERT_TRUE(first && first->size() == 1);
    QFile again(folder.path() + QStringLiteral("/T.db"));
    ASSERT_TRUE(again.open(QIODevice::WriteOnly));
    again.write("2");
    again.close();
    const auto second = tw::fsutil::moveToTrash(opened, {"T.db"});
    ASSERT_TRUE(second && second->size() == 1);
    EXPECT_NE(second->front().file, first->front().file);
    EXPECT_TRUE(fs::exists(first->front().file));
    EXPECT_EQ(fs::file_size(second->front().file), 1U);
    QFile info(QString::fromStdString(second->front().info.string()));
    ASSERT_TRUE(info.open(QIODevice::ReadOnly));
    EXPECT_TRUE(info.readAll().contains("Path=" + QFile::encodeName(folder.path()) + "/T.db"));
}
