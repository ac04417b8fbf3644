#include "core/value.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tw::db {

namespace {
constexpr std::uint32_t kMsPerSecond = 1000;
constexpr std::uint32_t kMsPerMinute = 60 * kMsPerSecond;
constexpr std::uint32_t kMsPerHour = 60 * kMsPerMinute;
} // namespace

std::string dateText(const Date &date)
{
    char buffer[32];
    if (date.year < 0) {
        std::snprintf(buffer,
                      sizeof buffer,
                      "-%04d-%02u-%02u",
                      -date.year,
                      unsigned{date.month},
                      unsigned{date.day});
    } else {
        std::snprintf(buffer,
                      sizeof buffer,
                      "%04d-%02u-%02u",
                      date.year,
                      unsigned{date.month},
                      unsigned{date.day});
    }
    return buffer;
}

std::string timeText(std::uint32_t msOfDay, std::uint16_t microseconds)
{
    char buffer[32];
    const unsigned hours = msOfDay / kMsPerHour;
    const unsigned minutes = msOfDay / kMsPerMinute % 60;
    const unsigned seconds = msOfDay / kMsPerSecond % 60;
    const unsigned millis = msOfDay % kMsPerSecond;
    if (microseconds != 0) {
        std::snprintf(buffer,
                      sizeof buffer,
                      "%02u:%02u:%02u.%03u%03u",
                      hours,
                      minutes,
                      seconds,
                      millis,
                      unsigned{microseconds});
    } else if (millis != 0) {
        std::snprintf(
            buffer, sizeof buffer, "%02u:%02u:%02u.%03u", hours, minutes, seconds, millis);
    } else {
        std::snprintf(buffer, sizeof buffer, "%02u:%02u:%02u", hours, minutes, seconds);
    }
    return buffer;
}

std::string doubleText(double value)
{
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value > 0 ? "Infinity" : "-Infinity";
    }
    // Shortest round-trip form, always with "." and never with a locale's separator.
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc{} ? std::string(buffer, end) : std::string();
}

std::string hexText(const Bytes &bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

std::string Value::toText() const
{
    switch (kind()) {
    case Kind::Null:
        return {};
    case Kind::Text:
        return asText();
    case Kind::Integer:
        return std::to_string(asInteger());
    case Kind::Double:
        return doubleText(asDouble());
    case Kind::Decimal:
        return asDecimal().text;
    case Kind::Boolean:
        return asBoolean() ? "True" : "False";
    case Kind::Date:
        return dateText(asDate());
    case Kind::Time:
        return timeText(asTime().msOfDay);
    case Kind::Timestamp:
        return dateText(asTimestamp().date) + ' ' +
               timeText(asTimestamp().msOfDay, asTimestamp().microseconds);
    case Kind::Binary:
        return hexText(asBytes());
    }
    return {};
}

} // namespace tw::db
