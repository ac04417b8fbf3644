// The database layer's own cost over ODBC: literal INSERT statements executed through
// db::Connection against the DB2 emulation, beside a bare ODBC loop sending the same texts;
// then the peak memory of an exactly counted (client cursor) read of the table.
//
//   bench-odbc [ROWS]

#include "benchsupport.h"
#include "db/connection.h"

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

using tw::bench::kBenchConnection;

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
    tw::bench::registerDb2Emulation(folder);

    const std::string columns =
        "(\"ID\" LONG VARCHAR,\"NAME\" LONG VARCHAR,\"D\" DATE,\"X\" LONG VARCHAR,"
        "\"NOTE\" LONG VARCHAR);";
    tw::db::Connection db2;
    db2.open(kBenchConnection);
    db2.execute("CREATE TABLE \"OURS\"" + columns);
    db2.execute("CREATE TABLE \"BARE\"" + columns);

    auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < rows; ++i) {
        db2.execute(insertText("OURS", i));
    }
    const double ours = since(start);

    double bare = 0;
    {
        tw::bench::BareOdbc odbc;
        start = std::chrono::steady_clock::now();
        for (long i = 0; i < rows; ++i) {
            std::string sql = insertText("BARE", i);
            if (!odbc.execute(sql)) {
                std::fprintf(stderr, "bare insert failed\n");
                return 1;
            }
        }
        bare = since(start);
    }

    const long rssBeforeRead = peakRssKb();
    start = std::chrono::steady_clock::now();
    tw::db::Recordset counted;
    counted.setCursorLocation(tw::db::CursorLocation::Client);
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
