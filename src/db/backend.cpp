#include "db/backend.h"

#include "db/error.h"

#include <algorithm>
#include <cctype>

namespace tw::db::backend {

namespace {

bool contains(const std::string &text, const std::string &fragment)
{
    const auto it =
        std::search(text.begin(), text.end(), fragment.begin(), fragment.end(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) ==
                   std::tolower(static_cast<unsigned char>(b));
        });
    return it != text.end();
}

} // namespace

std::unique_ptr<Session> open(const std::string &connectionString)
{
    if (contains(connectionString, "PROVIDER=Microsoft.Jet.OLEDB.4.0")) {
        return openStaging(connectionString);
    }
    if (contains(connectionString, "Driver={Microsoft Paradox Driver (*.db )}")) {
        return openParadox(connectionString);
    }
    return openOdbc(connectionString);
}

} // namespace tw::db::backend
