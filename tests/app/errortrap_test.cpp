#include "app/errortrap.h"

#include "app/errorlocation.h"
#include "app/errorreport.h"
#include "core/connectionloss.h"
#include "support/printers.h"
#include "support/scripteddialogs.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace tw::app;
using tw::test::Box;
using tw::test::ScriptedDialogs;

namespace {

QString reportFor(const char *description, int line)
{
    return errorReportMessage(
        QString::fromUtf8(description), ErrorLocation::Form2_PushButton4_Click, line);
}

} // namespace

TEST(ErrorTrap, ReportsAFailedStepRunsTheNextOneAndSaysWhichCompleted)
{
    ScriptedDialogs dialogs;
    ErrorTrap trap{dialogs, ErrorLocation::Form2_PushButton4_Click};
    QStringList ran;

    EXPECT_TRUE(trap(100, [&] { ran << QStringLiteral("100"); }));
    EXPECT_FALSE(trap(102, [&] {
        throw std::runtime_error("Table not found");
        ran << QStringLiteral("102 after the throw");
    }));
    trap(104, [&] { ran << QStringLiteral("104"); });
    EXPECT_EQ(trap.reports(), 1);

    EXPECT_EQ(ran, (QStringList{QStringLiteral("100"), QStringLiteral("104")}));
    ASSERT_EQ(dialogs.boxes.size(), 1U);
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Application Error"));
    EXPECT_EQ(dialogs.boxes[0].icon, QStringLiteral("warning"));
    EXPECT_EQ(dialogs.boxes[0].text, reportFor("Table not found", 102));
}

TEST(ErrorTrap, TwoFailuresGiveTwoBoxesInTheOrderTheyHappen)
{
    ScriptedDialogs dialogs;
    ErrorTrap trap{dialogs, ErrorLocation::Form2_PushButton4_Click};

    trap(100, [] { throw std::runtime_error("first"); });
    trap(102, [] {});
    trap(104, [] { throw std::runtime_error("second"); });

    EXPECT_EQ(dialogs.errorReports(),
              (QStringList{reportFor("first", 100), reportFor("second", 104)}));
}

TEST(ErrorTrap, AThrowingTestEntersItsBranchAfterTheReport)
{
    ScriptedDialogs dialogs;
    ErrorTrap trap{dialogs, ErrorLocation::Form2_PushButton4_Click};

    const bool entered = trap.test(108, []() -> bool { throw std::runtime_error("no list"); });

    EXPECT_TRUE(entered);
    EXPECT_EQ(dialogs.errorReports(), QStringList{reportFor("no list", 108)});
}

TEST(ErrorTrap, APassingOrFailingTestReportsNothing)
{
    ScriptedDialogs dialogs;
    ErrorTrap trap{dialogs, ErrorLocation::Form2_PushButton4_Click};

    EXPECT_TRUE(trap.test(100, [] { return true; }));
    EXPECT_FALSE(trap.test(102, [] { return false; }));
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST(ErrorTrap, AnExceptionOfNoKnownTypeIsStillReported)
{
    ScriptedDialogs dialogs;
    ErrorTrap trap{dialogs, ErrorLocation::Form2_PushButton4_Click};

    trap(100, [] { throw 42; });

    EXPECT_EQ(dialogs.errorReports(), QStringList{reportFor("Unknown error", 100)});
}

TEST(ErrorTrap, TheDescriptionKeepsItsUtf8Text)
{
    ScriptedDialogs dialogs;
    ErrorTrap trap{dialogs, ErrorLocation::Form2_PushButton4_Click};

    trap(100, [] { throw std::runtime_error("Table «Café» is damaged"); });

    EXPECT_EQ(dialogs.errorReports(), QStringList{reportFor("Table «Café» is damaged", 100)});
}

TEST(ErrorTrap, RemembersAFailureThatSaysTheConnectionIsGone)
{
    struct LineError : std::runtime_error, tw::ConnectionLoss
    {
        LineError(bool lost)
            : std::runtime_error("line")
            , m_lost(lost)
        {}

        bool connectionLost() const override { return m_lost; }

        bool m_lost;
    };

    ScriptedDialogs dialogs;
    ErrorTrap trap{dialogs, ErrorLocation::Form2_PushButton4_Click};
    trap(100, [] { throw LineError(false); });
    EXPECT_FALSE(trap.connectionLost());
    trap(102, [] { throw LineError(true); });
    trap(104, [] { throw std::runtime_error("later"); });
    EXPECT_TRUE(trap.connectionLost());
    EXPECT_EQ(trap.reports(), 3);
}
