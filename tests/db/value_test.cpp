#include "core/value.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

using tw::db::Value;

TEST(ValueText, EveryKindHasTheTextTheCopiesPutIntoSql)
{
    EXPECT_EQ(Value().toText(), "");
    EXPECT_EQ(Value::text("O'Neil").toText(), "O'Neil");
    EXPECT_EQ(Value::integer(-9223372036854775807LL - 1).toText(), "-9223372036854775808");
    EXPECT_EQ(Value::real(0.1).toText(), "0.1");
    EXPECT_EQ(Value::real(1e21).toText(), "1e+21");
    EXPECT_EQ(Value::real(-0.0).toText(), "-0");
    EXPECT_EQ(Value::real(100).toText(), "100");
    EXPECT_EQ(Value::decimal("-0.00100").toText(), "-0.00100");
    EXPECT_EQ(Value::boolean(true).toText(), "True");
    EXPECT_EQ(Value::boolean(false).toText(), "False");
    EXPECT_EQ(Value::date({1899, 12, 30}).toText(), "1899-12-30");
    EXPECT_EQ(Value::time({45'296'000}).toText(), "12:34:56");
    EXPECT_EQ(Value::time({45'296'007}).toText(), "12:34:56.007");
    EXPECT_EQ(Value::timestamp({{2021, 8, 31}, 36'000'000}).toText(), "2021-08-31 10:00:00");
    EXPECT_EQ(Value::timestamp({{2021, 8, 31}, 36'000'123, 456}).toText(),
              "2021-08-31 10:00:00.123456");
    EXPECT_EQ(Value::bytes({0x00, 0xAB, 0x1F}).toText(), "00AB1F");
}

TEST(ValueText, DoublesReadBackExactlyWhateverTheLocale)
{
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    for (const double v :
         {0.1 + 0.2, 1.0 / 3.0, -123456.789, 5e-324, std::numeric_limits<double>::max()}) {
        const std::string text = Value::real(v).toText();
        EXPECT_EQ(text.find(','), std::string::npos) << text;
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), v) << text;
    }
    std::setlocale(LC_ALL, "C");
}
