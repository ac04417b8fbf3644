#pragma once

#include <string>

namespace tw::db {

// The value of a keyword of a connection string split at every ";" (keywords in any letter
// case, values as written); empty when the keyword is absent.
std::string connectionValue(const std::string &connectionString, const std::string &keyword);

} // namespace tw::db
