#include "cli/commandline.h"

#include "support/printers.h"

#include <gtest/gtest.h>

using tw::cli::Options;
using tw::cli::parseCommandLine;
using tw::cli::UsageError;

namespace {

QString problemOf(const QStringList &arguments)
{
    const auto parsed = parseCommandLine(arguments);
    const auto *error = std::get_if<UsageError>(&parsed);
    return error != nullptr ? error->problem : QString();
}

} // namespace

TEST(CommandLine, TakesTheGnuStyleOptionsAndRefusesWhatContradictsOrIsUnknown)
{
    const auto parsed = parseCommandLine({QStringLiteral("--to-db2"),
                                          QStringLiteral("--settings=/p/job.ini"),
                                          QStringLiteral("--folder"),
                                          QStringLiteral("/data"),
                                          QStringLiteral("--keep-types"),
                                          QStringLiteral("ORDERS"),
                                          QStringLiteral("--"),
                                          QStringLiteral("--odd-name")});
    ASSERT_TRUE(std::holds_alternative<Options>(parsed));
    const Options &options = std::get<Options>(parsed);
    EXPECT_EQ(options.action, Options::Action::ToDb2);
    EXPECT_EQ(options.settings, QStringLiteral("/p/job.ini"));
    EXPECT_EQ(options.folder, QStringLiteral("/data"));
    EXPECT_TRUE(options.keepTypes);
    EXPECT_EQ(options.tables,
              (QStringList{QStringLiteral("ORDERS"), QStringLiteral("--odd-name")}));

    EXPECT_EQ(std::get<Options>(parseCommandLine({QStringLiteral("--list"), QStringLiteral("db2")}))
                  .action,
              Options::Action::ListDb2);
    EXPECT_TRUE(problemOf({}).contains(QStringLiteral("no direction")));
    EXPECT_TRUE(problemOf({QStringLiteral("--to-db2"), QStringLiteral("--bogus")})
                    .contains(QStringLiteral("unknown option --bogus")));
    EXPECT_FALSE(problemOf({QStringLiteral("--to-db2"), QStringLiteral("--to-paradox")}).isEmpty());
    EXPECT_FALSE(problemOf({QStringLiteral("--to-db2"),
                            QStringLiteral("--replace"),
                            QStringLiteral("--skip-existing")})
                     .isEmpty());
    EXPECT_FALSE(problemOf({QStringLiteral("--list"), QStringLiteral("other")}).isEmpty());
    EXPECT_FALSE(problemOf({QStringLiteral("--list"), QStringLiteral("db2"), QStringLiteral("T")})
                     .isEmpty());
    EXPECT_TRUE(problemOf({QStringLiteral("--to-db2"), QStringLiteral("--password=secret")})
                    .contains(QStringLiteral("never taken from the command line")));
    EXPECT_FALSE(problemOf({QStringLiteral("--to-db2"), QStringLiteral("--report")}).isEmpty())
        << "a value missing";
}
