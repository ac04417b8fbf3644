// The operations at their own seam: a recording progress and plain lists instead of the
// pages, the real stack behind them.

#include "connect/db2connection.h"
#include "support/printers.h"
#include "support/scriptedview.h"
#include "support/transferfixture.h"
#include "transfer/deletetables.h"
#include "transfer/paradoxtables.h"
#include "transfer/sendtodb2.h"
#include "transfer/sendtoparadox.h"

using tw::db::Value;
using tw::transfer::Outcome;

namespace {

class Operations : public tw::test::TransferFixture
{
protected:
    Operations()
    {
        view.fields = {paradoxFolder(),
                       QStringLiteral("db2host"),
                       QStringLiteral("50000"),
                       QStringLiteral("admin"),
                       QStringLiteral("secret"),
                       QStringLiteral("SAMPLE")};
        view.folder = programFolder();
    }

    // Both lists as the page's load fills them.
    void load()
    {
        tw::transfer::LoadDB2Tables(view.db2, tw::connect::Db2ConnectionString(view.fields));
        view.paradox.clear();
        tw::transfer::LoadParadoxTables(view.paradox, paradoxFolder(), dialogs, log);
    }

    tw::test::ScriptedView view;
};

} // namespace

TEST_F(Operations, TheBarFollowsTheRowsAndThePointerTheWork)
{
    paradoxTable("ORDERS.db",
                 {{Value::integer(1), Value::text("a")}, {Value::integer(2), Value::text("b")}});
    paradoxTable("EMPTY.db");
    load();
    view.paradox.select({QStringLiteral("EMPTY"), QStringLiteral("ORDERS")});
    const auto reports = tw::transfer::SendToDb2(dialogs, log, view).run();
    EXPECT_EQ(view.recorded.bar, (std::vector<double>{50, 100, 0, 0}))
        << "ORDERS first (bottom first), an empty table never moves the bar";
    EXPECT_EQ(view.recorded.pointer, (std::vector<bool>{true, false, false, false}))
        << "the hourglass until the first table's rows are sent";
    ASSERT_EQ(reports.size(), 2U);
    EXPECT_EQ(reports[0].table, QStringLiteral("ORDERS"));
    EXPECT_EQ(reports[0].outcome, Outcome::Done);
    ASSERT_TRUE(reports[0].rows);
    EXPECT_TRUE(reports[0].rows->verified());
    EXPECT_EQ(reports[0].rows->written, 2);
    EXPECT_TRUE(tw::transfer::holds(view.db2, {{}, QStringLiteral("ORDERS")}))
        << "the DB2 list follows";
}

TEST_F(Operations, StoppingEndsAfterTheRowInFlightAndSaysWhatWasNotTried)
{
    std::vector<std::vector<Value>> rows;
    for (int i = 1; i <= 50; ++i) {
        rows.push_back({Value::integer(i), Value::text("r")});
    }
    paradoxTable("MANY.db", rows);
    paradoxTable("ZZZ.db", rows);
    load();
    view.paradox.select({});
    view.recorded.stopAfterTicks = 10;
    const auto reports = tw::transfer::SendToDb2(dialogs, log, view).run();
    ASSERT_EQ(reports.size(), 2U);
    EXPECT_EQ(reports[0].table, QStringLiteral("ZZZ"));
    EXPECT_EQ(reports[0].outcome, Outcome::Stopped);
    EXPECT_EQ(reports[1].outcome, Outcome::NotTried);
    const std::size_t sent = db2Rows("\"ZZZ\"").size();
    EXPECT_GT(sent, 0U);
    EXPECT_LT(sent, 50U);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(Operations, WithoutACurrentItemEachOperationSaysSoAndDoesNothing)
{
    paradoxTable("ORDERS.db");
    emu.seed({"CREATE TABLE \"Orders\"(A INTEGER)"});
    load();
    emu.clearLog();
    EXPECT_TRUE(tw::transfer::SendToDb2(dialogs, log, view).run().empty());
    EXPECT_TRUE(tw::transfer::SendToParadox(dialogs, log, view).run().empty());
    EXPECT_TRUE(tw::transfer::DeleteParadoxTables(dialogs, log, view).run().empty());
    EXPECT_EQ(dialogs.notices(),
              (QStringList{QStringLiteral("Please select a table to send."),
                           QStringLiteral("Please select a table to send."),
                           QStringLiteral("Please select a table to delete.")}));
    EXPECT_EQ(emu.connects(), 0);
    EXPECT_TRUE(view.recorded.pointer.empty() || view.recorded.pointer.back() == false);
}
