#pragma once

// Dates and times written as text, in the ISO forms DB2 and SQLite hand out: "yyyy-mm-dd";
// "hh:mm:ss" (or DB2's "hh.mm.ss") with an optional fraction of one to twelve digits after a
// "."; a timestamp as a date, then " ", "T" or "-", then a time of day. Only the shape is
// read here: whether the numbers make a real date or time is for the caller to judge.

#include <cstddef>
#include <optional>
#include <string_view>

namespace tw::text {

struct IsoDate
{
    int year = 0;
    int month = 0;
    int day = 0;
};

struct IsoClock
{
    int hour = 0;
    int minute = 0;
    int second = 0;
    int microsecond = 0; // the first six digits of the fraction
    int nanosecond = 0;  // the next three: nanoseconds below the microsecond
    bool finer = false;  // the fraction goes on below the microsecond with a digit other than 0
    bool finerThanNanosecond = false; // ... and below the nanosecond

    // Whole milliseconds since midnight; the microseconds below them are dropped.
    long long millisecondsOfDay() const
    {
        return ((hour * 60LL + minute) * 60 + second) * 1000 + microsecond / 1000;
    }
};

struct IsoTimestamp
{
    IsoDate date;
    std::optional<IsoClock> clock; // none for a date alone
};

namespace detail {

// The number `count` digits at `at` spell, or -1 where they are not all digits.
inline int digitsAt(std::string_view text, std::size_t at, std::size_t count)
{
    if (at + count > text.size()) {
        return -1;
    }
    int number = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return -1;
        }
        number = number * 10 + (text[i] - '0');
    }
    return number;
}

} // namespace detail

inline std::optional<IsoDate> parseIsoDate(std::string_view text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    const IsoDate date{
        detail::digitsAt(text, 0, 4), detail::digitsAt(text, 5, 2), detail::digitsAt(text, 8, 2)};
    if (date.year < 0 || date.month < 0 || date.day < 0) {
        return std::nullopt;
    }
    return date;
}

inline std::optional<IsoClock> parseIsoClock(std::string_view text)
{
    if (text.size() < 8 || (text[2] != ':' && text[2] != '.') || text[5] != text[2]) {
        return std::nullopt;
    }
    IsoClock clock{
        detail::digitsAt(text, 0, 2), detail::digitsAt(text, 3, 2), detail::digitsAt(text, 6, 2)};
    if (clock.hour < 0 || clock.minute < 0 || clock.second < 0) {
        return std::nullopt;
    }
    if (text.size() == 8) {
        return clock;
    }
    const std::string_view fraction = text.substr(9);
    if (text[8] != '.' || fraction.empty() || fraction.size() > 12 ||
        fraction.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < 6; ++i) {
        clock.microsecond = clock.microsecond * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
    }
    for (std::size_t i = 6; i < 9; ++i) {
        clock.nanosecond = clock.nanosecond * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
    }
    clock.finer =
        fraction.size() > 6 && fraction.find_first_not_of('0', 6) != std::string_view::npos;
    clock.finerThanNanosecond =
        fraction.size() > 9 && fraction.find_first_not_of('0', 9) != std::string_view::npos;
    return clock;
}

inline std::optional<IsoTimestamp> parseIsoTimestamp(std::string_view text)
{
    const auto date = parseIsoDate(text.substr(0, 10));
    if (!date) {
        return std::nullopt;
    }
    if (text.size() == 10) {
        return IsoTimestamp{*date, std::nullopt};
    }
    if (text[10] != ' ' && text[10] != 'T' && text[10] != '-') {
        return std::nullopt;
    }
    const auto clock = parseIsoClock(text.substr(11));
    if (!clock) {
        return std::nullopt;
    }
    return IsoTimestamp{*date, clock};
}

} // namespace tw::text
