#include "app/applicationtitle.h"

#include "support/printers.h"

#include <gtest/gtest.h>

using tw::app::applicationTitleFrom;

TEST(ApplicationTitle, RemovesTheLastWordEvenFromAShortTitle)
{
    EXPECT_EQ(applicationTitleFrom(QStringLiteral("Table Copier Pro")),
              QStringLiteral("Table Copier"));
}

TEST(ApplicationTitle, KeepsRemovingWordsWhileLongerThanForty)
{
    const QString title = QStringLiteral("Alpha Beta Gamma Delta Epsilon Zeta Eta Theta Iota");
    const QString shortTitle = applicationTitleFrom(title);
    EXPECT_EQ(shortTitle, QStringLiteral("Alpha Beta Gamma Delta Epsilon Zeta Eta"));
    EXPECT_LE(shortTitle.size(), 40);
}

TEST(ApplicationTitle, ATitleWithoutABlankIsKeptWhole)
{
    EXPECT_EQ(applicationTitleFrom(tw::app::kProductTitle), QStringLiteral("Tablewright"));
}
