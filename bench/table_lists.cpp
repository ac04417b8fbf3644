// Filling a table list: TABLES empty "*.db" files in a folder listed by the Paradox side's
// load (folder scan, recovery pass and list), and the same names put into a list at once and
// one by one. Each timing is the median of five runs.
//
//   bench-lists [TABLES]

#define TW_BENCH_DIALOGS
#include "benchsupport.h"
#include "transfer/paradoxtables.h"
#include "transfer/widgets/tablelist.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

namespace fs = std::filesystem;

using tw::bench::since;

namespace {

template <class Work> double median(Work work)
{
    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(since(start));
    }
    std::sort(times.begin(), times.end());
    return times[2];
}

} // namespace

int main(int argc, char **argv)
{
    const int tables = argc > 1 ? std::atoi(argv[1]) : 5'000;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    const fs::path folder = fs::temp_directory_path() / "tw-bench-lists";
    fs::remove_all(folder);
    fs::create_directories(folder);
    // Names in no order, in both letter cases, as a real folder holds them.
    std::mt19937 random(42);
    std::vector<QString> names;
    for (int i = 0; i < tables; ++i) {
        const std::string name = (random() % 2 ? "T" : "t") + std::to_string(random() % 1'000'000) +
                                 "_" + std::to_string(i);
        std::ofstream(folder / (name + ".db"));
        names.push_back(QString::fromStdString(name));
    }
    tw::bench::SilentDialogs dialogs;
    tw::transfer::TableList list;
    tw::app::OperationLog log;
    const QString path = QString::fromStdString(folder.string());
    const double load = median([&] {
        list.clear();
        tw::transfer::LoadParadoxTables(list, path, dialogs, log);
    });
    const double atOnce = median([&] {
        tw::transfer::TableList filled;
        std::vector<tw::transfer::TableEntry> entries;
        for (const QString &name : names) {
            entries.push_back({{{}, name}});
        }
        filled.addTables(std::move(entries));
    });
    const double oneByOne = median([&] {
        tw::transfer::TableList filled;
        for (const QString &name : names) {
            filled.addTable(name);
        }
    });
    std::printf("tables: %d (listed %d)\n", tables, list.count());
    std::printf("Paradox list load (scan, recovery pass, list): %.1f ms\n", load * 1000);
    std::printf(
        "list filled at once: %.1f ms; one by one: %.1f ms\n", atOnce * 1000, oneByOne * 1000);
    fs::remove_all(folder);
    return 0;
}
