#include "support/db2emu.h"

#include "db/connection.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace tw::test {

namespace {

std::string &folder()
{
    static std::string path;
    return path;
}

int &fixtureCount()
{
    static int count = 0;
    return count;
}

void writeRegistration(bool withDriver)
{
    std::ofstream ini(folder() + "/odbcinst.ini", std::ios::trunc);
    if (withDriver) {
        const char *library = std::getenv("TW_TEST_DB2_DRIVER");
        ini << "[IBM DB2 ODBC DRIVER]\nDescription = DB2 emulation for tests\nDriver = "
            << (library != nullptr ? library : TW_DB2EMU_LIBRARY) << "\n";
    }
}

} // namespace

void Db2Emu::install()
{
    static QTemporaryDir odbc;
    folder() = odbc.path().toStdString();
    ::setenv("ODBCSYSINI", folder().c_str(), 1);
    ::unsetenv("DB2EMU_CONFIG");
    writeRegistration(std::getenv("TW_TEST_NO_DB2_DRIVER") == nullptr);
}

Db2Emu::Db2Emu()
{
    if (folder().empty()) {
        throw std::runtime_error("Db2Emu::install() was not called");
    }
    m_file = folder() + "/sample-" + std::to_string(++fixtureCount()) + ".sqlite";
    std::remove(m_file.c_str());
    clearLog();
    writeConfig({});
}

Db2Emu::~Db2Emu()
{
    for (const char *suffix : {"", "-wal", "-shm"}) {
        std::remove((m_file + suffix).c_str());
    }
}

void Db2Emu::writeConfig(const Faults &faults) const
{
    std::ofstream conf(folder() + "/db2emu.conf", std::ios::trunc);
    conf << "log = " << folder() << "/db2emu.log\n"
         << "host = db2host\nhost = localhost\nunreachable = 10.254.254.254\nport = 50000\n"
         << "fail_statement = " << faults.failStatement << "\ndrop_after = " << faults.dropAfter
         << "\ndrop_after_rows = " << faults.dropAfterRows << "\nlog_rows = " << faults.logRows
         << "\n"
         << "database = SAMPLE " << m_file << " admin:secret\n";
}

void Db2Emu::setFaults(const Faults &faults) const
{
    writeConfig(faults);
}

std::string Db2Emu::connectionString(const std::string &database,
                                     const std::string &host,
                                     const std::string &port,
                                     const std::string &user,
                                     const std::string &password)
{
    return "Driver={IBM DB2 ODBC DRIVER};Database=" + database + ";Hostname=" + host +
           ";Port=" + port + ";Protocol=TCPIP;Uid=" + user + ";Pwd=" + password + ";";
}

void Db2Emu::seed(const std::vector<std::string> &statements) const
{
    db::Connection connection;
    connection.open(connectionString());
    for (const std::string &sql : statements) {
        connection.execute(sql);
    }
}

std::vector<std::pair<std::string, std::string>> Db2Emu::tables() const
{
    db::Connection connection;
    connection.open(connectionString());
    db::Recordset listed;
    listed.openSchema(db::adSchemaTables, connection);
    std::vector<std::pair<std::string, std::string>> tables;
    for (; !listed.eof(); listed.moveNext()) {
        if (listed.value("TABLE_TYPE").toText() == "TABLE") {
            tables.emplace_back(listed.value("TABLE_NAME").toText(),
                                listed.value("REMARKS").toText());
        }
    }
    return tables;
}

std::vector<std::string> Db2Emu::log() const
{
    std::vector<std::string> lines;
    std::ifstream in(folder() + "/db2emu.log");
    std::string line;
    while (std::getline(in, line)) {
        std::string plain;
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                const char next = line[++i];
                plain += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
            } else {
                plain += line[i];
            }
        }
        lines.push_back(plain);
    }
    return lines;
}

std::vector<std::string> Db2Emu::statements() const
{
    std::vector<std::string> result;
    for (const std::string &line : log()) {
        if (line.rfind("EXEC ", 0) == 0) {
            result.push_back(line.substr(5));
        }
    }
    return result;
}

int Db2Emu::connects() const
{
    int count = 0;
    for (const std::string &line : log()) {
        count += line.rfind("CONNECT ", 0) == 0 ? 1 : 0;
    }
    return count;
}

void Db2Emu::clearLog() const
{
    std::ofstream(folder() + "/db2emu.log", std::ios::trunc);
}

} // namespace tw::test
