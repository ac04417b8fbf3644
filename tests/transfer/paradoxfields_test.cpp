// The typed copy to Paradox's choice of key: what it keeps, what it moves, what it refuses.

#include "transfer/paradoxfields.h"

#include "db/sqltype.h"

#include <gtest/gtest.h>

using tw::paradox::FieldType;
using tw::transfer::FieldChoice;
using tw::transfer::planParadoxFields;

namespace {

tw::db::Field column(const std::string &name, int sqlType, std::int64_t size = 0)
{
    tw::db::Field field;
    field.name = name;
    field.sqlType = sqlType;
    field.size = size;
    return field;
}

} // namespace

TEST(ParadoxKey, AKeyNoParadoxKeyCanHoldLeavesTheTableUnkeyedAndSaysWhy)
{
    namespace sqltype = tw::db::sqltype;
    const std::vector<tw::db::Field> columns = {column("NOTE", sqltype::Clob),
                                                column("CODE", sqltype::VarChar, 8),
                                                column("ID", sqltype::Integer)};
    FieldChoice choice;
    choice.key = {"ID", "CODE"};
    auto plan = planParadoxFields(columns, choice);
    EXPECT_EQ(plan.keyFields, 2U);
    std::vector<tw::db::Value> row = {
        tw::db::Value::text("n"), tw::db::Value::text("c"), tw::db::Value::integer(7)};
    toParadoxValues(plan, row);
    EXPECT_EQ(row,
              (std::vector<tw::db::Value>{
                  tw::db::Value::integer(7), tw::db::Value::text("c"), tw::db::Value::text("n")}));

    choice.textKeysInByteOrder = false; // a driver with an order of its own
    plan = planParadoxFields(columns, choice);
    EXPECT_EQ(plan.keyFields, 0U);
    EXPECT_TRUE(plan.swaps.empty());
    EXPECT_NE(plan.notes.back().find("CODE is text"), std::string::npos) << plan.notes.back();

    choice.key = {"NOTE"};
    plan = planParadoxFields(columns, choice);
    EXPECT_EQ(plan.keyFields, 0U);
    EXPECT_NE(plan.notes.back().find("memo or blob"), std::string::npos) << plan.notes.back();
}
