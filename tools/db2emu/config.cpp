#include "config.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace db2emu {

std::string Config::path()
{
    if (const char *explicitPath = std::getenv("DB2EMU_CONFIG");
        explicitPath != nullptr && *explicitPath != '\0') {
        return explicitPath;
    }
    if (const char *folder = std::getenv("ODBCSYSINI"); folder != nullptr && *folder != '\0') {
        return std::string(folder) + "/db2emu.conf";
    }
    return {};
}

Config Config::load()
{
    const std::string file = path();
    std::ifstream in(file);
    if (file.empty() || !in) {
        throw std::runtime_error("the emulator's configuration " +
                                 (file.empty() ? std::string("(unset)") : file) +
                                 " cannot be read");
    }
    Config config;
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t hash = line.find('#');
        if (hash != std::string::npos) {
            line.erase(hash);
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        std::istringstream key(line.substr(0, equals));
        std::string name;
        key >> name;
        std::istringstream words(line.substr(equals + 1));
        std::string value;
        words >> value;
        if (name == "log") {
            config.log = value;
        } else if (name == "host") {
            config.hosts.push_back(value);
        } else if (name == "unreachable") {
            config.unreachable.push_back(value);
        } else if (name == "port") {
            config.port = value;
        } else if (name == "fail_statement") {
            config.failStatement = std::atol(value.c_str());
        } else if (name == "drop_after") {
            config.dropAfter = std::atol(value.c_str());
        } else if (name == "drop_after_rows") {
            config.dropAfterRows = std::atol(value.c_str());
        } else if (name == "log_rows") {
            config.logRows = std::atol(value.c_str());
        } else if (name == "durable") {
            config.durable = value == "1";
        } else if (name == "database") {
            Database database;
            database.name = value;
            words >> database.file;
            std::string user;
            while (words >> user) {
                const std::size_t colon = user.find(':');
                database.users.emplace_back(user.substr(0, colon),
                                            colon == std::string::npos ? std::string()
                                                                       : user.substr(colon + 1));
            }
            config.databases.push_back(std::move(database));
        }
    }
    return config;
}

} // namespace db2emu
