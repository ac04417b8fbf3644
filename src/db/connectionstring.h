#pragma once

#include <string>

namespace tw::db {

// The value of a keyword of a connection string of KEY=value pairs separated by ";"
// (keywords in any letter case, values as written); a value in braces, {like;this}, may hold
// ";", with "}}" standing for "}". Empty when the keyword is absent.
std::string connectionValue(const std::string &connectionString, const std::string &keyword);

// A value as a connection string carries it: unchanged, or in braces when it holds ";", "{"
// or "}" (a "}" doubled), so it reaches the data source whole and adds no keyword.
std::string connectionStringValue(const std::string &value);

} // namespace tw::db
