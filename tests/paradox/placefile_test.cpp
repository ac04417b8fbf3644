#include "paradox/placefile.h"

#include "support/tablefiles.h"

#include <gtest/gtest.h>

#include <cerrno>

using tw::test::TempFolder;

// Both ways of putting a finished file in place move it, and neither replaces a file that
// is already there: that file and the one to move stay as they were.
TEST(PlaceFile, MovesAFileButNeverReplacesOneAlreadyThere)
{
    for (const auto place : {&tw::paradox::placeFile, &tw::paradox::placeFileByLink}) {
        TempFolder folder;
        tw::test::writeFile(folder / ".T.db.tmp", {1, 2, 3});
        EXPECT_EQ(place(folder / ".T.db.tmp", folder / "T.db"), 0);
        EXPECT_EQ(tw::test::readFile(folder / "T.db"), (std::vector<std::uint8_t>{1, 2, 3}));
        EXPECT_FALSE(std::filesystem::exists(folder / ".T.db.tmp"));

        tw::test::writeFile(folder / ".T.db.tmp", {9});
        EXPECT_EQ(place(folder / ".T.db.tmp", folder / "T.db"), EEXIST);
        EXPECT_EQ(tw::test::readFile(folder / "T.db"), (std::vector<std::uint8_t>{1, 2, 3}));
        EXPECT_EQ(tw::test::readFile(folder / ".T.db.tmp"), (std::vector<std::uint8_t>{9}));
    }
}
