#include "paradox/codec.h"

#include "paradox/calendar.h"
#include "paradox/error.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tw::paradox;
using tw::db::Value;

namespace {

const CodePage &cp1252()
{
    return CodePage::named("CP1252");
}

std::vector<std::uint8_t> encoded(FieldType type, const Value &value, int size = 0)
{
    Field f;
    f.name = "F";
    f.type = type;
    f.size = static_cast<std::uint8_t>(size);
    f.recordBytes = recordBytesOf(type, f.size);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(f.recordBytes));
    const std::string problem = encodeField(f, value, cp1252(), out);
    EXPECT_EQ(problem, "");
    EXPECT_EQ(decodeField(f, out, cp1252()), value) << "does not read back";
    return out;
}

std::string problemOf(FieldType type, const Value &value, int size = 0)
{
    Field f;
    f.name = "F";
    f.type = type;
    f.size = static_cast<std::uint8_t>(size);
    f.recordBytes = recordBytesOf(type, f.size);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(f.recordBytes));
    return encodeField(f, value, cp1252(), out);
}

using Bytes = std::vector<std::uint8_t>;

} // namespace

TEST(ParadoxCodec, IntegersAreBigEndianWithTheTopBitFlipped)
{
    EXPECT_EQ(encoded(FieldType::Short, Value::integer(2017)), (Bytes{0x87, 0xE1}));
    EXPECT_EQ(encoded(FieldType::Short, Value::integer(-16295)), (Bytes{0x40, 0x59}));
    EXPECT_EQ(encoded(FieldType::Long, Value::integer(256)), (Bytes{0x80, 0x00, 0x01, 0x00}));
    EXPECT_EQ(encoded(FieldType::Long, Value::integer(-256)), (Bytes{0x7F, 0xFF, 0xFF, 0x00}));
    EXPECT_EQ(encoded(FieldType::Time, Value::time({30'000})), (Bytes{0x80, 0x00, 0x75, 0x30}));
    encoded(FieldType::Short, Value::integer(32767));
    encoded(FieldType::Short, Value::integer(-32767));
    encoded(FieldType::Long, Value::integer(2147483647));
    encoded(FieldType::Long, Value::integer(-2147483647));
}

TEST(ParadoxCodec, TheMinimumIntegersCollideWithBlankAndAreRefused)
{
    EXPECT_NE(problemOf(FieldType::Short, Value::integer(-32768)), "");
    EXPECT_NE(problemOf(FieldType::Long, Value::integer(-2147483648LL)), "");
    EXPECT_NE(problemOf(FieldType::Short, Value::integer(40000)), "");
    EXPECT_NE(problemOf(FieldType::AutoIncrement, Value::integer(0)), "");
}

TEST(ParadoxCodec, DoublesKeepSignZeroAndEveryBit)
{
    EXPECT_EQ(encoded(FieldType::Number, Value::real(100.5)),
              (Bytes{0xC0, 0x59, 0x20, 0, 0, 0, 0, 0}));
    EXPECT_EQ(encoded(FieldType::Number, Value::real(-200)),
              (Bytes{0x3F, 0x96, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(encoded(FieldType::Money, Value::real(0.0)), (Bytes{0x80, 0, 0, 0, 0, 0, 0, 0}));
    const Bytes negativeZero = encoded(FieldType::Number, Value::real(-0.0));
    Field f{"F", FieldType::Number, 8, 8};
    EXPECT_TRUE(std::signbit(decodeField(f, negativeZero, cp1252()).asDouble()));
    encoded(FieldType::Number, Value::real(std::numeric_limits<double>::max()));
    encoded(FieldType::Number, Value::real(-std::numeric_limits<double>::denorm_min()));
    encoded(FieldType::Money, Value::real(0.1 + 0.2));
}

TEST(ParadoxCodec, DatesCountDaysFromTheFirstOfJanuaryOfYearOne)
{
    EXPECT_EQ(dateFromDayNumber(1), (tw::db::Date{1, 1, 1}));
    EXPECT_EQ(dateFromDayNumber(36160), (tw::db::Date{100, 1, 1}));
    EXPECT_EQ(dateFromDayNumber(728783), (tw::db::Date{1996, 5, 4}));
    EXPECT_EQ(dateFromDayNumber(719163), (tw::db::Date{1970, 1, 1}));
    EXPECT_EQ(dateFromDayNumber(-366).year, -1);
    for (const tw::db::Date date : {tw::db::Date{1899, 12, 30},
                                    tw::db::Date{1969, 12, 31},
                                    tw::db::Date{2038, 1, 19},
                                    tw::db::Date{2100, 2, 28},
                                    tw::db::Date{2000, 2, 29},
                                    tw::db::Date{9999, 12, 31}}) {
        encoded(FieldType::Date, Value::date(date));
    }
    EXPECT_NE(problemOf(FieldType::Date, Value::date({2001, 2, 29})), "");
}

TEST(ParadoxCodec, TimesAndTimestampsKeepTheirMilliseconds)
{
    encoded(FieldType::Time, Value::time({0}));
    encoded(FieldType::Time, Value::time({86'399'999}));
    encoded(FieldType::Timestamp, Value::timestamp({{1970, 1, 1}, 11 * 3'600'000}));
    encoded(FieldType::Timestamp, Value::timestamp({{1601, 7, 4}, 123}));
    encoded(FieldType::Timestamp, Value::timestamp({{2262, 4, 12}, 86'399'999}));
    EXPECT_EQ(encoded(FieldType::Timestamp, Value::timestamp({{1970, 1, 1}, 11 * 3'600'000})),
              (Bytes{0xC2, 0xCC, 0x41, 0x8C, 0xD7, 0xB9, 0xC0, 0x00}));
    EXPECT_NE(problemOf(FieldType::Time, Value::time({86'400'000})), "");
}

TEST(ParadoxCodec, BcdHoldsExactDecimalsInThirtyTwoDigits)
{
    Bytes one23(17, 0);
    one23[0] = 0xC2;
    one23[16] = 0x23;
    one23[15] = 0x01;
    EXPECT_EQ(encoded(FieldType::Bcd, Value::decimal("1.23"), 2), one23);
    Bytes minus123(17, 0xFF);
    minus123[0] = 0x42;
    minus123[15] = 0xFE;
    minus123[16] = 0xDC;
    EXPECT_EQ(encoded(FieldType::Bcd, Value::decimal("-1.23"), 2), minus123);
    encoded(FieldType::Bcd, Value::decimal("0.00"), 2);
    encoded(FieldType::Bcd, Value::decimal("0"), 0);
    encoded(FieldType::Bcd, Value::decimal("99999999999999999999999999999999"), 0);
    encoded(FieldType::Bcd, Value::decimal("-0.12345678901234567890123456789012"), 32);
    EXPECT_NE(problemOf(FieldType::Bcd, Value::decimal("1.234"), 2), "");
    EXPECT_NE(problemOf(FieldType::Bcd, Value::decimal("1e5"), 2), "");
    EXPECT_NE(problemOf(FieldType::Bcd, Value::decimal("123"), 31), "");
    EXPECT_EQ(decodeBcd(Bytes(17, 0), 2), "") << "17 zero bytes are blank";
}

TEST(ParadoxCodec, TextLivesInTheCodePageAndMustFitAndExist)
{
    EXPECT_EQ(encoded(FieldType::Alpha, Value::text("Café"), 4), (Bytes{'C', 'a', 'f', 0xE9}));
    encoded(FieldType::Alpha, Value::text(std::string(255, 'x')), 255);
    encoded(FieldType::Alpha, Value::text("€ ‰ œ"), 10);
    EXPECT_NE(problemOf(FieldType::Alpha, Value::text("Café!"), 4), "");
    EXPECT_NE(problemOf(FieldType::Alpha, Value::text("Ω"), 4), "");
    EXPECT_NE(problemOf(FieldType::Alpha, Value::text(std::string("a\0b", 3)), 4), "");
    // Not UTF-8: an overlong "é", a lone surrogate.
    EXPECT_NE(problemOf(FieldType::Alpha, Value::text("\xE0\x83\xA9"), 4), "");
    EXPECT_NE(problemOf(FieldType::Alpha, Value::text("\xED\xA0\x80"), 4), "");
}

TEST(ParadoxCodec, EveryByteOfASingleByteCodePageDecodesAndEncodesBack)
{
    for (const char *name : {"CP1252", "CP437", "CP850", "CP866", "HP-ROMAN8"}) {
        const CodePage &cp = CodePage::named(name);
        Bytes all;
        for (int b = 1; b < 256; ++b) {
            all.push_back(static_cast<std::uint8_t>(b));
        }
        Bytes back;
        std::size_t bad = 0;
        ASSERT_TRUE(cp.encode(cp.decode(all), back, &bad)) << name << " at " << bad;
        for (std::size_t i = 0; i < all.size() && i < back.size(); ++i) {
            EXPECT_EQ(back[i], all[i]) << name << " byte " << i + 1;
        }
        EXPECT_EQ(back.size(), all.size()) << name;
    }
}
