// The staging backend: literal INSERT texts per second into the staging database, then the
// export of that table into a new Paradox table, with the peak memory of each phase.
//
//   bench-staging [ROWS]

#include "benchsupport.h"
#include "db/connection.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>

namespace fs = std::filesystem;

using tw::bench::peakRssKb;
using tw::bench::since;

namespace {} // namespace

int main(int argc, char **argv)
{
    const long rows = argc > 1 ? std::atol(argv[1]) : 1'000'000;
    const fs::path folder = fs::temp_directory_path() / "tw-bench-staging";
    fs::remove_all(folder);
    fs::create_directories(folder / "px");
    const std::string file = (folder / "dbtemp.mdb").string();
    sqlite3 *db = nullptr;
    sqlite3_open(file.c_str(), &db);
    sqlite3_exec(db, "PRAGMA user_version = 1", nullptr, nullptr, nullptr);
    sqlite3_close(db);

    tw::db::Connection staging;
    staging.open("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=" + file + ";");
    staging.execute("CREATE TABLE `BENCH`(`ID`INT,`NAME`TEXT,`D`DATETIME,`X`DECIMAL,`NOTE`TEXT);");
    auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < rows; ++i) {
        staging.execute("INSERT INTO `BENCH` VALUES('" + std::to_string(i) + "', 'Customer " +
                        std::to_string(i % 977) + "', '2021-08-31', '" +
                        std::to_string(i % 100000) + ".25', NULL)");
    }
    const double inserting = since(start);
    const long rssAfterInserts = peakRssKb();

    // The longest stretch between two calls of the event pump, as a window would feel it.
    auto last = std::chrono::steady_clock::now();
    double longest = 0;
    staging.setEventPump([&] {
        longest = std::max(longest, since(last));
        last = std::chrono::steady_clock::now();
    });
    start = std::chrono::steady_clock::now();
    last = start;
    staging.execute("select * into [Paradox 5.x;Database=" + (folder / "px").string() +
                    "/].[BENCH.db] from [BENCH]");
    const double exporting = since(start);
    const double exportTail = since(last); // from the last pump to the table in place
    start = std::chrono::steady_clock::now();
    staging.execute("DROP TABLE [BENCH]");
    const double dropping = since(start);

    std::printf("rows: %ld\n", rows);
    std::printf("INSERT texts: %.3f s, %.0f per second (peak RSS %ld kB)\n",
                inserting,
                static_cast<double>(rows) / inserting,
                rssAfterInserts);
    std::printf("export: %.3f s, %.0f records per second (peak RSS %ld kB)\n",
                exporting,
                static_cast<double>(rows) / exporting,
                peakRssKb());
    std::printf("longest stretch between event pumps in the export: %.0f ms; from the last "
                "pump to the table in place: %.0f ms; the staging table's DROP: %.0f ms\n",
                longest * 1000,
                exportTail * 1000,
                dropping * 1000);
    fs::remove_all(folder);
    return 0;
}
