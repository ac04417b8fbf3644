#include "core/folder.h"

#include "support/tablefiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>

using tw::Folder;
using tw::test::TempFolder;

// Both ways of putting a finished file in place move it, and neither replaces a file that
// is already there: that file and the one to move stay as they were.
TEST(Folder, PlacingMovesAFileButNeverReplacesOneAlreadyThere)
{
    for (const auto place : {&Folder::place, &Folder::placeByLink}) {
        TempFolder temp;
        const Folder folder(temp.path());
        tw::test::writeFile(temp / ".T.db.tmp", {1, 2, 3});
        EXPECT_EQ((folder.*place)(".T.db.tmp", "T.db"), 0);
        EXPECT_EQ(tw::test::readFile(temp / "T.db"), (std::vector<std::uint8_t>{1, 2, 3}));
        EXPECT_FALSE(std::filesystem::exists(temp / ".T.db.tmp"));

        tw::test::writeFile(temp / ".T.db.tmp", {9});
        EXPECT_EQ((folder.*place)(".T.db.tmp", "T.db"), EEXIST);
        EXPECT_EQ(tw::test::readFile(temp / "T.db"), (std::vector<std::uint8_t>{1, 2, 3}));
        EXPECT_EQ(tw::test::readFile(temp / ".T.db.tmp"), (std::vector<std::uint8_t>{9}));
    }
}

// Only plain names of the folder are acted on, and only regular files are opened: a link is
// never followed, a FIFO never waited on.
TEST(Folder, ActsOnPlainNamesOnlyAndOpensNothingButRegularFiles)
{
    TempFolder outside;
    TempFolder temp;
    const Folder folder(temp.path());
    tw::test::writeFile(outside / "secret", {7});
    std::filesystem::create_symlink(outside / "secret", temp / "LINK.MB");
    ASSERT_EQ(::mkfifo((temp / "PIPE.MB").c_str(), 0600), 0);
    tw::test::writeFile(temp / "T.db", {1});

    for (const char *name : {"../secret", "/etc/passwd", "..", ".", "", "a/b"}) {
        EXPECT_EQ(folder.remove(name), EINVAL) << name;
        EXPECT_EQ(folder.place("T.db", name), EINVAL) << name;
        EXPECT_THROW(folder.openRegular(name), std::system_error) << name;
    }
    try {
        folder.openRegular("LINK.MB");
        ADD_FAILURE() << "a link was opened";
    } catch (const std::system_error &e) {
        EXPECT_EQ(e.code().value(), ELOOP);
        EXPECT_NE(std::string(e.what()).find("symbolic link"), std::string::npos);
    }
    EXPECT_THROW(folder.openRegular("PIPE.MB"), std::system_error);
    EXPECT_TRUE(folder.openRegular("T.db"));
    EXPECT_TRUE(folder.status("LINK.MB").has_value());
    EXPECT_FALSE(folder.isRegularFile("LINK.MB"));
    EXPECT_EQ(tw::test::readFile(outside / "secret"), std::vector<std::uint8_t>{7});
}
