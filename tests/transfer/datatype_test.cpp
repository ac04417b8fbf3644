#include "transfer/datatype.h"

#include "support/printers.h"
#include "transfer/tablelist.h"

#include <gtest/gtest.h>

using namespace tw::transfer;
using tw::db::Value;

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

TEST(TableListRoutines, FindIgnoringCaseRemoveExactlyAndKeepEqualNamesStable)
{
    TableList list;
    for (const char *name :
         {"ORDERS", "customer", "Orders", "alpha", "CUSTOMER", "Zeta", "ORDERS"}) {
        list.addTable(QString::fromLatin1(name));
    }
    QStringList items;
    for (int i = 0; i < list.count(); ++i) {
        items << list.item(i)->text();
    }
    EXPECT_EQ(items,
              (QStringList{QStringLiteral("alpha"),
                           QStringLiteral("customer"),
                           QStringLiteral("CUSTOMER"),
                           QStringLiteral("ORDERS"),
                           QStringLiteral("Orders"),
                           QStringLiteral("ORDERS"),
                           QStringLiteral("Zeta")}));
    EXPECT_EQ(list.currentIndex(), -1);
    // Filled at once, into an empty list or one with items, the order is the same.
    for (const bool empty : {true, false}) {
        TableList batch;
        std::vector<TableList::Entry> entries;
        for (const char *name :
             {"ORDERS", "customer", "Orders", "alpha", "CUSTOMER", "Zeta", "ORDERS"}) {
            if (!empty && std::string(name) == "Zeta") {
                batch.addTable(QString::fromLatin1(name));
            } else {
                entries.push_back({QString::fromLatin1(name), {}});
            }
        }
        batch.addTables(std::move(entries));
        QStringList batchItems;
        for (int i = 0; i < batch.count(); ++i) {
            batchItems << batch.item(i)->text();
        }
        EXPECT_EQ(batchItems, items);
    }
    EXPECT_TRUE(ListHasItem(list, QStringLiteral("orders")));
    EXPECT_FALSE(ListHasItem(TableList(), QStringLiteral("orders")));
    RemoveListItem(list, QStringLiteral("orders"));
    EXPECT_EQ(list.count(), 7);
    RemoveListItem(list, QStringLiteral("ORDERS"));
    EXPECT_EQ(list.count(), 5) << "both ORDERS go, Orders stays";
    EXPECT_TRUE(ListHasItem(list, QStringLiteral("ORDERS")));
}

TEST(IfNull, SubstitutesOnlyNull)
{
    EXPECT_EQ(IfNull(Value(), Value::text("")), Value::text(""));
    EXPECT_EQ(IfNull(Value::integer(0), Value::text("")), Value::integer(0));
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
