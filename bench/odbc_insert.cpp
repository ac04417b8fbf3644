// The database layer's own cost over ODBC: literal INSERT statements executed through
// db::Connection against the DB2 emulation, beside a bare ODBC loop sending the same texts;
// then the peak memory of an exactly counted (client cursor) read of the table.
//
//   bench-odbc [ROWS]

#include "benchsupport.h"
#include "db/connection.h"

#include <sql.h>
#include <sqlext.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace fs = std::filesystem;

using tw::bench::peakRssKb;
using tw::bench::since;

namespace {

const char *const kConnection =
    "Driver={IBM DB2 ODBC "
    "DRIVER};Database=BENCH;Hostname=localhost;Port=50000;Protocol=TCPIP;Uid=bench;Pwd=bench;";

std::string insertText(const char *table, long i)
{
    return std::string("INSERT INTO \"") + table + "\" VALUES('" + std::to_string(i) +
           "', 'Customer " + std::to_string(i % 977) + "', '2021-08-31', '" +
           std::to_string(i * 1.5) + "', NULL)";
}

} // namespace

int main(int argc, char **argv)
{
    const long rows = argc > 1 ? std::atol(argv[1]) : 20000;
    const fs::path folder = fs::temp_directory_path() / "tw-bench-odbc";
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::ofstream(folder / "odbcinst.ini")
        << "[IBM DB2 ODBC DRIVER]\nDriver = " << TW_DB2EMU_LIBRARY << "\n";
    std::ofstream(folder / "db2emu.conf") << "host = localhost\nport = 50000\ndatabase = BENCH "
                                          << (folder / "bench.sqlite").string() << " bench:bench\n";
    ::setenv("ODBCSYSINI", folder.c_str(), 1);

    const std::string columns =
        "(\"ID\" LONG VARCHAR,\"NAME\" LONG VARCHAR,\"D\" DATE,\"X\" LONG VARCHAR,"
        "\"NOTE\" LONG VARCHAR);";
    tw::db::Connection db2;
    db2.open(kConnection);
    db2.execute("CREATE TABLE \"OURS\"" + columns);
    db2.execute("CREATE TABLE \"BARE\"" + columns);

    auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < rows; ++i) {
        db2.execute(insertText("OURS", i));
    }
    const double ours = since(start);

    SQLHENV env = nullptr;
    SQLHDBC dbc = nullptr;
    SQLHSTMT stmt = nullptr;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    std::string cs = kConnection;
    SQLDriverConnect(dbc,
                     nullptr,
                     reinterpret_cast<SQLCHAR *>(cs.data()),
                     SQL_NTS,
                     nullptr,
                     0,
                     nullptr,
                     SQL_DRIVER_NOPROMPT);
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
    start = std::chrono::steady_clock::now();
    for (long i = 0; i < rows; ++i) {
        std::string sql = insertText("BARE", i);
        if (!SQL_SUCCEEDED(SQLExecDirect(stmt, reinterpret_cast<SQLCHAR *>(sql.data()), SQL_NTS))) {
            std::fprintf(stderr, "bare insert failed\n");
            return 1;
        }
    }
    const double bare = since(start);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);

    const long rssBeforeRead = peakRssKb();
    start = std::chrono::steady_clock::now();
    tw::db::Recordset counted;
    counted.setCursorLocation(tw::db::adUseClient);
    counted.open("SELECT * FROM \"OURS\"", db2);
    std::int64_t seen = 0;
    for (; !counted.eof(); counted.moveNext()) {
        ++seen;
    }
    const double read = since(start);

    std::printf("rows: %ld\n", rows);
    std::printf("db layer: %.3f s, %.0f INSERT/s\n", ours, static_cast<double>(rows) / ours);
    std::printf("bare ODBC: %.3f s, %.0f INSERT/s\n", bare, static_cast<double>(rows) / bare);
    std::printf("ratio (db layer / bare): %.3f\n", ours / bare);
    std::printf("client-cursor read: %lld rows counted %lld, %.3f s; peak RSS %ld kB before, %ld "
                "kB after\n",
                static_cast<long long>(counted.recordCount()),
                static_cast<long long>(seen),
                read,
                rssBeforeRead,
                peakRssKb());
    fs::remove_all(folder);
    return 0;
}
