#pragma once

// tw_core: what every layer below the pages shares, in plain C++: the value a data source
// hands out (Null, integer, real, decimal text, boolean, date, time, timestamp, text, bytes),
// and file names as text. The Paradox engine and the db layer both build on it; it includes
// nothing of theirs.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tw::db {

// A calendar date, proleptic Gregorian. Years before 1 exist in real tables (stored day
// numbers below 1), so the year is signed.
struct Date
{
    std::int32_t year = 1;
    std::uint8_t month = 1;
    std::uint8_t day = 1;

    friend bool operator==(const Date &, const Date &) = default;
};

// A time of day in whole milliseconds since midnight.
struct Time
{
    std::uint32_t msOfDay = 0;

    friend bool operator==(const Time &, const Time &) = default;
};

struct Timestamp
{
    Date date;
    std::uint32_t msOfDay = 0;
    std::uint16_t microseconds = 0; // below the millisecond, 0 to 999 (DB2 keeps them)

    friend bool operator==(const Timestamp &, const Timestamp &) = default;
};

// An exact decimal number in its text form: optional "-", digits, optional "." and digits.
struct Decimal
{
    std::string text;

    friend bool operator==(const Decimal &, const Decimal &) = default;
};

using Bytes = std::vector<std::uint8_t>;

enum class ValueKind {
    Null,
    Text,
    Integer,
    Double,
    Decimal,
    Boolean,
    Date,
    Time,
    Timestamp,
    Binary
};

// One cell of a row: Null or a value of one kind. Text is UTF-8.
class Value
{
public:
    using Kind = ValueKind;

    Value() = default;

    static Value text(std::string utf8)
    {
        return Value(Storage(std::in_place_index<1>, std::move(utf8)));
    }

    static Value integer(std::int64_t v) { return Value(Storage(std::in_place_index<2>, v)); }

    static Value real(double v) { return Value(Storage(std::in_place_index<3>, v)); }

    static Value decimal(std::string exactText)
    {
        return Value(Storage(std::in_place_index<4>, Decimal{std::move(exactText)}));
    }

    static Value boolean(bool v) { return Value(Storage(std::in_place_index<5>, v)); }

    static Value date(Date v) { return Value(Storage(std::in_place_index<6>, v)); }

    static Value time(Time v) { return Value(Storage(std::in_place_index<7>, v)); }

    static Value timestamp(Timestamp v) { return Value(Storage(std::in_place_index<8>, v)); }

    static Value bytes(Bytes v) { return Value(Storage(std::in_place_index<9>, std::move(v))); }

    Kind kind() const { return static_cast<Kind>(m_storage.index()); }

    bool isNull() const { return kind() == Kind::Null; }

    // Accessors for the kind the value holds; asking for another kind throws.
    const std::string &asText() const { return std::get<1>(m_storage); }

    std::int64_t asInteger() const { return std::get<2>(m_storage); }

    double asDouble() const { return std::get<3>(m_storage); }

    const Decimal &asDecimal() const { return std::get<4>(m_storage); }

    bool asBoolean() const { return std::get<5>(m_storage); }

    const Date &asDate() const { return std::get<6>(m_storage); }

    const Time &asTime() const { return std::get<7>(m_storage); }

    const Timestamp &asTimestamp() const { return std::get<8>(m_storage); }

    const Bytes &asBytes() const { return std::get<9>(m_storage); }

    // The value converted to text, the form the copies put into SQL literals: integers in
    // decimal, doubles in the shortest form that reads back exactly ("." whatever the locale),
    // decimals exactly, "True"/"False", YYYY-MM-DD, HH:MM:SS[.fff],
    // YYYY-MM-DD HH:MM:SS[.fff], bytes as upper-case hex. Null gives the empty text.
    std::string toText() const;

    friend bool operator==(const Value &, const Value &) = default;

private:
    using Storage = std::variant<std::monostate,
                                 std::string,
                                 std::int64_t,
                                 double,
                                 Decimal,
                                 bool,
                                 Date,
                                 Time,
                                 Timestamp,
                                 Bytes>;

    explicit Value(Storage storage)
        : m_storage(std::move(storage))
    {}

    Storage m_storage;
};

// Text forms shared by toText() and the tools that print values.
std::string dateText(const Date &date);
std::string timeText(std::uint32_t msOfDay, std::uint16_t microseconds = 0);
std::string doubleText(double value);
std::string hexText(const Bytes &bytes);

} // namespace tw::db
