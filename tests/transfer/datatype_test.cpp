#include "support/printers.h"
#include "transfer/datatypename.h"
#include "transfer/sqltext.h"
#include "transfer/tablelistview.h"
#include "transfer/widgets/tablelist.h"

#include <gtest/gtest.h>

using namespace tw::transfer;

TEST(DataTypeName, NamesExactlyTheThirtyNineCodes)
{
    EXPECT_EQ(DataTypeName(8), QStringLiteral("adBSTR"));
    EXPECT_EQ(DataTypeName(135), QStringLiteral("adDBTimeStamp"));
    EXPECT_EQ(DataTypeName(205), QStringLiteral("adLongVarBinary"));
    EXPECT_EQ(DataTypeName(137), QString());
    EXPECT_EQ(DataTypeName(8192), QString());
    EXPECT_EQ(DataTypeName(-1), QString());
    int named = 0;
    for (int code = -32768; code <= 32767; ++code) {
        named += DataTypeName(static_cast<std::int16_t>(code)).isEmpty() ? 0 : 1;
    }
    EXPECT_EQ(named, 39);
}

// The page's list box and the plain list of the command line keep one order and answer the
// list routines alike.
TEST(TableListRoutines, FindIgnoringCaseRemoveExactlyAndKeepEqualNamesStable)
{
    const char *const names[] = {
        "ORDERS", "customer", "Orders", "alpha", "CUSTOMER", "Zeta", "ORDERS"};
    const std::vector<QString> sorted = {QStringLiteral("alpha"),
                                         QStringLiteral("customer"),
                                         QStringLiteral("CUSTOMER"),
                                         QStringLiteral("ORDERS"),
                                         QStringLiteral("Orders"),
                                         QStringLiteral("ORDERS"),
                                         QStringLiteral("Zeta")};
    auto texts = [](const TableListView &list) {
        std::vector<QString> shown;
        for (const ListedTable &table : list.tables()) {
            shown.push_back(table.shown());
        }
        return shown;
    };
    TableList box;
    TableRows rows;
    for (TableListView *list :
         {static_cast<TableListView *>(&box), static_cast<TableListView *>(&rows)}) {
        for (const char *name : names) {
            list->add({{}, QString::fromLatin1(name)});
        }
        EXPECT_EQ(texts(*list), sorted);
        EXPECT_FALSE(list->hasCurrentItem());
        // Filled at once, into an empty list or one with items, the order is the same.
        for (const bool empty : {true, false}) {
            TableRows batch;
            std::vector<TableEntry> entries;
            for (const char *name : names) {
                if (!empty && std::string(name) == "Zeta") {
                    batch.add({{}, QString::fromLatin1(name)});
                } else {
                    entries.push_back({{{}, QString::fromLatin1(name)}});
                }
            }
            batch.addTables(std::move(entries));
            EXPECT_EQ(texts(batch), sorted);
        }
        EXPECT_TRUE(ListHasItem(*list, QStringLiteral("orders")));
        EXPECT_FALSE(ListHasItem(TableRows(), QStringLiteral("orders")));
        RemoveListItem(*list, QStringLiteral("orders"));
        EXPECT_EQ(list->tables().size(), 7U);
        RemoveListItem(*list, QStringLiteral("ORDERS"));
        EXPECT_EQ(list->tables().size(), 5U) << "both ORDERS go, Orders stays";
        EXPECT_TRUE(ListHasItem(*list, QStringLiteral("ORDERS")));
        // Another schema's table of one name is never the current schema's.
        list->add({QStringLiteral("OTHER"), QStringLiteral("PAYROLL")});
        EXPECT_FALSE(ListHasItem(*list, QStringLiteral("payroll")));
        EXPECT_TRUE(holds(*list, {QStringLiteral("OTHER"), QStringLiteral("PAYROLL")}));
    }
}

TEST(NormalizePath, CollapsesDoubledSeparatorsAndKeepsANetworkPrefix)
{
    EXPECT_EQ(NormalizePath(QStringLiteral("/data/px//")), QStringLiteral("//data/px/"));
    EXPECT_EQ(NormalizePath(QStringLiteral("data//px//")), QStringLiteral("data/px/"));
    EXPECT_EQ(NormalizePath(QStringLiteral("data///px")), QStringLiteral("data//px"))
        << "one pass, no overlap";
    EXPECT_EQ(NormalizePath(QStringLiteral("///server//share/")),
              QStringLiteral("//server/share/"));
    EXPECT_EQ(NormalizePath(QStringLiteral("///")), QStringLiteral("//"));
    EXPECT_EQ(NormalizePath(QString()), QString());
}
