// Reading speed of the Paradox engine: writes a table of N records with 10 mixed fields, then
// reads and decodes every value.
//
//   bench-paradox-read [RECORDS] [FOLDER]

#define TW_BENCH_TABLE
#include "benchsupport.h"
#include "paradox/reader.h"
#include "paradox/writer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>

namespace fs = std::filesystem;
using namespace tw::paradox;
using tw::db::Value;

using tw::bench::field;
using tw::bench::peakRssKb;
using tw::bench::since;

namespace {} // namespace

int main(int argc, char **argv)
{
    const long records = argc > 1 ? std::atol(argv[1]) : 1'000'000;
    const fs::path folder =
        argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "tw-bench-read";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path path = folder / "BENCH.db";

    auto start = std::chrono::steady_clock::now();
    tw::bench::writeBenchTable(path, records, "Crème brûlée n° ");
    const double writeSeconds = since(start);
    const long rssAfterWrite = peakRssKb();

    // Opening walks the chain of block headers to count the records exactly.
    std::vector<double> opens;
    for (int run = 0; run < 5; ++run) {
        start = std::chrono::steady_clock::now();
        const TableReader opened = TableReader::open(path);
        opens.push_back(since(start));
    }
    std::sort(opens.begin(), opens.end());

    start = std::chrono::steady_clock::now();
    std::uint64_t decoded = 0;
    {
        TableReader table = TableReader::open(path);
        while (table.next()) {
            for (std::size_t i = 0; i < table.fields().size(); ++i) {
                decoded += table.value(i).isNull() ? 0 : 1;
            }
        }
    }
    const double readSeconds = since(start);

    std::printf(
        "records: %ld, table: %.1f MB\n", records, static_cast<double>(fs::file_size(path)) / 1e6);
    std::printf("write:  %.3f s, %.0f records/s\n",
                writeSeconds,
                static_cast<double>(records) / writeSeconds);
    std::printf("open:   %.1f ms (median of five)\n", opens[2] * 1000);
    std::printf("read:   %.3f s, %.0f records/s (%llu values)\n",
                readSeconds,
                static_cast<double>(records) / readSeconds,
                static_cast<unsigned long long>(decoded));
    std::printf("peak RSS: %ld kB after writing, %ld kB at the end\n", rssAfterWrite, peakRssKb());
    fs::remove_all(folder);
    return 0;
}
