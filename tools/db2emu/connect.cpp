// Connecting as the CLI does: the connection string's keywords, the configured server, its
// databases and users, and the faults a test injects (an unreachable host, a dropped line).

#include "handles.h"
#include "text/text.h"

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace db2emu::odbc {

namespace {

Db2Error communicationError(const std::string &location,
                            const char *function,
                            const char *codes,
                            const char *sqlState)
{
    return makeError(
        -30081,
        "A communication error has been detected. Communication protocol being used: \"TCP/IP\".  "
        "Communication API being used: \"SOCKETS\".  Location where the error was detected: \"" +
            location + "\".  Communication function detecting the error: \"" + function +
            "\".  Protocol specific error code(s): " + codes + ".",
        sqlState,
        std::string(sqlState) == "40003" ? "08S01" : sqlState,
        true);
}

// The keywords of a connection string the driver acts on.
struct Keywords
{
    std::string database;
    std::string host;
    std::string port;
    std::string protocol;
    std::string user;
    std::string password;
    std::string schema; // CurrentSchema: the schema unqualified names are in
    bool lobsAsLong = false;
    bool durable = false;
};

// Keywords as the CLI reads them: split at every ";", names in any letter case.
Keywords keywordsOf(const std::string &input)
{
    Keywords keywords;
    std::size_t at = 0;
    while (at <= input.size()) {
        const std::size_t end = std::min(input.find(';', at), input.size());
        const std::string pair = input.substr(at, end - at);
        at = end + 1;
        const std::size_t equals = pair.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        std::string key = tw::text::upperAscii(pair.substr(0, equals));
        key.erase(0, std::min(key.find_first_not_of(' '), key.size()));
        const std::string value = pair.substr(equals + 1);
        if (key == "DATABASE") {
            keywords.database = value;
        } else if (key == "HOSTNAME") {
            keywords.host = value;
        } else if (key == "PORT" || key == "SERVICENAME") {
            keywords.port = value;
        } else if (key == "PROTOCOL") {
            keywords.protocol = value;
        } else if (key == "UID") {
            keywords.user = value;
        } else if (key == "PWD") {
            keywords.password = value;
        } else if (key == "CURRENTSCHEMA") {
            keywords.schema = tw::text::upperAscii(value);
        } else if (key == "LONGDATACOMPAT") {
            keywords.lobsAsLong = value == "1";
        } else if (key == "DURABLE") {
            keywords.durable = value == "1";
        }
    }
    return keywords;
}

} // namespace

// One line per connect attempt or statement, with backslash, CR and LF escaped.
void logLine(const Config &config, const std::string &kind, const std::string &detail)
{
    if (config.log.empty()) {
        return;
    }
    std::string line = kind + " ";
    for (const char c : detail) {
        switch (c) {
        case '\\':
            line += "\\\\";
            break;
        case '\n':
            line += "\\n";
            break;
        case '\r':
            line += "\\r";
            break;
        default:
            line += c;
        }
    }
    line += '\n';
    const int fd = ::open(config.log.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) {
        std::size_t done = 0;
        while (done < line.size()) {
            const ssize_t wrote = ::write(fd, line.data() + done, line.size() - done);
            if (wrote <= 0) {
                break;
            }
            done += static_cast<std::size_t>(wrote);
        }
        ::close(fd);
    }
}

Db2Error lineDropped(const std::string &location)
{
    return communicationError(location, "recv", "\"104\", \"*\", \"0\"", "40003");
}

void dropLine(Connection &connection)
{
    if (!connection.dropped && connection.database) {
        try {
            connection.database->endUnit(false);
        } catch (const Db2Exception &) {
        }
    }
    connection.dropped = true;
}

// The database the keywords name on the configured server, for a user it lets in; throws
// Db2Exception with the error the CLI gives for the first thing that fails.
const Config::Database &
databaseFor(const Keywords &keywords, const Config &config, const std::string &location)
{
    const std::string &database = keywords.database;
    const std::string &host = keywords.host;
    const std::string &port = keywords.port;
    const std::string &user = keywords.user;
    const std::string &password = keywords.password;
    if (tw::text::upperAscii(keywords.protocol) != "TCPIP" || host.empty() || port.empty()) {
        throw Db2Exception(makeError(-1013,
                                     "The database alias name or database name \"" +
                                         tw::text::upperAscii(database) + "\" could not be found.",
                                     "42705",
                                     "08001",
                                     true));
    }
    auto listed = [](const std::vector<std::string> &names, const std::string &name) {
        return std::any_of(names.begin(), names.end(), [&](const std::string &candidate) {
            return tw::text::upperAscii(candidate) == tw::text::upperAscii(name);
        });
    };
    if (listed(config.unreachable, host)) {
        throw Db2Exception(
            communicationError(host, "selectForConnectTimeout", "\"115\", \"*\", \"*\"", "08001"));
    }
    if (!listed(config.hosts, host)) {
        throw Db2Exception(
            makeError(-1336, "The remote host \"" + host + "\" was not found.", "08001", {}, true));
    }
    if (port != config.port) {
        throw Db2Exception(
            communicationError(location, "connect", "\"111\", \"*\", \"*\"", "08001"));
    }
    const auto found = std::find_if(
        config.databases.begin(), config.databases.end(), [&](const Config::Database &d) {
            return tw::text::upperAscii(d.name) == tw::text::upperAscii(database);
        });
    if (found == config.databases.end()) {
        std::string padded = tw::text::upperAscii(database);
        padded.resize(std::max<std::size_t>(padded.size(), 18), ' ');
        throw Db2Exception(makeError(-30061,
                                     "The database alias or database name \"" + padded +
                                         "\" was not found at the remote node.",
                                     "08004",
                                     {},
                                     true));
    }
    const bool authorised =
        std::any_of(found->users.begin(), found->users.end(), [&](const auto &entry) {
            return tw::text::upperAscii(entry.first) == tw::text::upperAscii(user) &&
                   entry.second == password;
        });
    if (!authorised) {
        throw Db2Exception(
            makeError(-30082,
                      "Security processing failed with reason \"24\" (\"USERNAME AND/OR "
                      "PASSWORD INVALID\").",
                      "08001",
                      {},
                      true));
    }
    return *found;
}

SQLRETURN connect(Connection &connection, const std::string &input)
{
    connection.diag.records.clear();
    try {
        connection.config = Config::load();
    } catch (const std::exception &e) {
        return cliError(connection.diag, "HY000", 1032, e.what());
    }
    logLine(connection.config, "CONNECT", input);

    const Keywords keywords = keywordsOf(input);
    const Config::Database *found = nullptr;
    try {
        found = &databaseFor(keywords, connection.config, connection.location);
    } catch (const Db2Exception &e) {
        return fail(connection.diag, e.error());
    }
    const std::string &user = keywords.user;
    try {
        connection.database = std::make_unique<Database>(
            found->file,
            keywords.schema.empty() ? tw::text::upperAscii(user) : keywords.schema,
            keywords.durable || connection.config.durable);
        connection.database->setAutoCommit(connection.autoCommit);
        connection.database->setLogLimit(connection.config.logRows);
    } catch (const Db2Exception &e) {
        return fail(connection.diag, e.error());
    }
    connection.statements = 0;
    connection.rowsFetched = 0;
    connection.dropped = false;
    connection.lobsAsLong = keywords.lobsAsLong;
    return SQL_SUCCESS;
}

SQLRETURN disconnect(Connection &connection)
{
    connection.database.reset();
    return SQL_SUCCESS;
}

} // namespace db2emu::odbc
