#pragma once

#include <string>
#include <vector>

namespace db2emu {

// What the emulated server knows: the host names that resolve, the port it listens on, its
// databases with their users, where to log, and which faults to inject. Read at every
// connect from $DB2EMU_CONFIG, or db2emu.conf in the folder of $ODBCSYSINI:
//
//     log = /tmp/db2emu.log
//     host = db2host
//     unreachable = 10.9.9.9
//     port = 50000
//     fail_statement = 0      # the Nth statement of a connection fails (0: none)
//     drop_after = 0          # the connection drops after N statements (0: never)
//     drop_after_rows = 0     # the connection drops after N rows fetched (0: never)
//     log_rows = 0            # a unit of work holds N inserted rows before the log is
//                             # full (SQL0964C); 0: no limit
//     durable = 0             # 1: every commit waits until it is on disk, as Db2's log
//                             # write does (a connection's Durable=1 keyword asks the same)
//     database = SAMPLE /data/sample.sqlite admin:secret bob:pw
struct Config
{
    struct Database
    {
        std::string name;
        std::string file;
        std::vector<std::pair<std::string, std::string>> users;
    };

    std::string log;
    std::vector<std::string> hosts;
    std::vector<std::string> unreachable;
    std::string port = "50000";
    long failStatement = 0;
    long dropAfter = 0;
    long dropAfterRows = 0;
    long logRows = 0;
    bool durable = false;
    std::vector<Database> databases;

    // Empty when no configuration file is found.
    static std::string path();
    // Throws std::runtime_error when the file cannot be read.
    static Config load();
};

} // namespace db2emu
