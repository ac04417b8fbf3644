#include "paradox/family.h"

#include "support/tablefiles.h"

#include <gtest/gtest.h>

using tw::test::TempFolder;

TEST(ParadoxFamily, FindsEveryCompanionInAnyLetterCaseButNotOtherTables)
{
    TempFolder folder;
    for (const char *name : {"Orders.db",
                             "ORDERS.MB",
                             "orders.px",
                             "Orders.X02",
                             "ORDERS.Y02",
                             "orders.XG0",
                             "Orders.YG0",
                             "ORDERS.VAL",
                             "Orders.tv",
                             "ORDERS.FAM",
                             "ORDERS.DB",
                             "Orders.txt",
                             "Orders2.db",
                             "Orders.db.bak",
                             "Ord.MB"}) {
        tw::test::writeFile(folder / name, {1});
    }
    std::vector<std::string> names;
    for (const auto &path : tw::paradox::tableFamily(folder / "Orders.db")) {
        names.push_back(path.filename().string());
    }
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), "Orders.db");
    std::sort(names.begin() + 1, names.end());
    EXPECT_EQ(names,
              (std::vector<std::string>{"Orders.db",
                                        "ORDERS.FAM",
                                        "ORDERS.MB",
                                        "ORDERS.VAL",
                                        "ORDERS.Y02",
                                        "Orders.X02",
                                        "Orders.YG0",
                                        "Orders.tv",
                                        "orders.XG0",
                                        "orders.px"}));
}
