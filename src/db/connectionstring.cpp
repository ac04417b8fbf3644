#include "db/connectionstring.h"

#include "text/text.h"

#include <algorithm>
#include <cctype>

namespace tw::db {

namespace {

std::string trimmed(const std::string &text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace

std::string connectionValue(const std::string &connectionString, const std::string &keyword)
{
    std::size_t at = 0;
    while (at < connectionString.size()) {
        const std::size_t equals = connectionString.find('=', at);
        const std::size_t semicolon = connectionString.find(';', at);
        if (equals == std::string::npos || semicolon < equals) {
            if (semicolon == std::string::npos) {
                break;
            }
            at = semicolon + 1; // a pair without "="
            continue;
        }
        const std::string key = trimmed(connectionString.substr(at, equals - at));
        std::string value;
        std::size_t end = equals + 1;
        if (end < connectionString.size() && connectionString[end] == '{') {
            // {value}: a "}" inside is written "}}"; the value may hold ";".
            for (++end; end < connectionString.size(); ++end) {
                if (connectionString[end] == '}') {
                    if (end + 1 < connectionString.size() && connectionString[end + 1] == '}') {
                        value += '}';
                        ++end;
                        continue;
                    }
                    ++end;
                    break;
                }
                value += connectionString[end];
            }
            end = std::min(connectionString.find(';', end), connectionString.size());
        } else {
            end = std::min(connectionString.find(';', end), connectionString.size());
            value = connectionString.substr(equals + 1, end - equals - 1);
        }
        if (text::equalsIgnoringAsciiCase(key, keyword)) {
            return value;
        }
        at = end + 1;
    }
    return {};
}

std::string connectionStringValue(const std::string &value)
{
    if (value.find_first_of(";{}") == std::string::npos) {
        return value;
    }
    std::string quoted = "{";
    for (const char c : value) {
        quoted += c;
        if (c == '}') {
            quoted += '}';
        }
    }
    return quoted + '}';
}

} // namespace tw::db
