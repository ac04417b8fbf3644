#pragma once

#include <string>
#include <vector>

namespace tw::test {

// The DB2 stand-in of the tests: our emulating driver, registered with unixODBC as
// "IBM DB2 ODBC DRIVER" in a folder of this test process, with one database SAMPLE on host
// db2host, port 50000, user admin with password secret, kept in a fresh SQLite file.
class Db2Emu
{
public:
    struct Faults
    {
        long failStatement = 0;
        long dropAfter = 0;
        long dropAfterRows = 0;
        long logRows = 0; // rows a unit of work holds before the log is full
    };

    // Registers the driver for this process; called once, before the first ODBC call. A
    // process started with TW_TEST_NO_DB2_DRIVER set gets an odbcinst.ini without it, and one
    // with TW_TEST_DB2_DRIVER set registers that library path instead (unixODBC reads that
    // file once per process, so only a new process sees another registration).
    static void install();

    Db2Emu();
    ~Db2Emu();
    Db2Emu(const Db2Emu &) = delete;
    Db2Emu &operator=(const Db2Emu &) = delete;

    static std::string connectionString(const std::string &database = "SAMPLE",
                                        const std::string &host = "db2host",
                                        const std::string &port = "50000",
                                        const std::string &user = "admin",
                                        const std::string &password = "secret");

    // Runs statements on SAMPLE through the real stack; throws on failure.
    void seed(const std::vector<std::string> &statements) const;
    // The names of SAMPLE's tables (of the user's schema and every other), as SQLTables gives
    // them, with the comment of each: hidden ones too.
    std::vector<std::pair<std::string, std::string>> tables() const;
    void setFaults(const Faults &faults) const;

    // Every line the driver logged since the fixture began (CONNECT ..., EXEC ..., TABLES).
    std::vector<std::string> log() const;
    std::vector<std::string> statements() const;
    void clearLog() const;
    int connects() const;

    const std::string &databaseFile() const { return m_file; }

private:
    void writeConfig(const Faults &faults) const;

    std::string m_file;
};

} // namespace tw::test
