#pragma once

#include "core/value.h"

#include <cstdint>

namespace tw::paradox {

// Paradox dates count days with 1 = 1 January 0001 (proleptic Gregorian); timestamps count
// milliseconds from the day before that day.
db::Date dateFromDayNumber(std::int64_t dayNumber);
std::int64_t dayNumberFromDate(const db::Date &date);
bool isValidDate(const db::Date &date);

inline constexpr std::int64_t kMsPerDay = 86'400'000;

} // namespace tw::paradox
