#include "db/connectionstring.h"

#include <algorithm>
#include <cctype>

namespace tw::db {

std::string connectionValue(const std::string &connectionString, const std::string &keyword)
{
    std::size_t at = 0;
    while (at <= connectionString.size()) {
        const std::size_t end = std::min(connectionString.find(';', at), connectionString.size());
        const std::string pair = connectionString.substr(at, end - at);
        at = end + 1;
        const std::size_t equals = pair.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        std::string key = pair.substr(0, equals);
        key.erase(0, std::min(key.find_first_not_of(' '), key.size()));
        while (!key.empty() && key.back() == ' ') {
            key.pop_back();
        }
        if (std::equal(key.begin(), key.end(), keyword.begin(), keyword.end(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            })) {
            return pair.substr(equals + 1);
        }
    }
    return {};
}

} // namespace tw::db
