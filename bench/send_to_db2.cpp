// Copy to DB2 through the real page handler: a generated Paradox table of ROWS records and 10
// fields sent with "Send Table/s To IBM DB2" to the DB2 emulation, against a bare ODBC loop
// executing the same INSERT texts; the longest gap between two event-loop passes; peak memory.
//
//   bench-send-db2 [ROWS]

#define TW_BENCH_DIALOGS
#include "app/dialogs.h"
#include "app/settingsstore.h"
#include "benchsupport.h"
#include "connect/form1.h"
#include "paradox/writer.h"
#include "transfer/form2.h"
#include "transfer/tablelist.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace fs = std::filesystem;
using tw::db::Value;
using tw::paradox::FieldType;

using tw::bench::field;
using tw::bench::peakRssKb;
using tw::bench::SilentDialogs;
using tw::bench::since;

int main(int argc, char **argv)
{
    const long rows = argc > 1 ? std::atol(argv[1]) : 100'000;
    const fs::path folder = fs::temp_directory_path() / "tw-bench-send";
    fs::remove_all(folder);
    fs::create_directories(folder / "px");
    tw::bench::registerDb2Emulation(folder, (folder / "db2emu.log").string());
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);

    {
        tw::paradox::WriteOptions options;
        options.expectedRecords = static_cast<std::uint64_t>(rows);
        tw::paradox::TableWriter writer(folder / "px" / "BENCH.db",
                                        {field("Id", FieldType::Long),
                                         field("Name", FieldType::Alpha, 20),
                                         field("Born", FieldType::Date),
                                         field("Score", FieldType::Number),
                                         field("Price", FieldType::Money),
                                         field("Count", FieldType::Short),
                                         field("Active", FieldType::Logical),
                                         field("At", FieldType::Time),
                                         field("Stamp", FieldType::Timestamp),
                                         field("Note", FieldType::Alpha, 40)},
                                        options);
        for (long i = 0; i < rows; ++i) {
            writer.append(std::vector{
                Value::integer(i + 1),
                Value::text("Name " + std::to_string(i % 977)),
                Value::date(
                    {1950 + static_cast<int>(i % 70), static_cast<std::uint8_t>(1 + i % 12), 15}),
                Value::real(static_cast<double>(i) / 7.0),
                Value::real(static_cast<double>(i % 10000) / 100.0),
                Value::integer(i % 30000),
                Value::boolean(i % 3 == 0),
                Value::time({static_cast<std::uint32_t>(i % 86'400'000)}),
                Value::timestamp({{2020, 5, 17}, static_cast<std::uint32_t>(i % 86'400'000)}),
                i % 5 == 0 ? Value() : Value::text("O'Neil n° " + std::to_string(i))});
        }
        writer.commit();
    }

    SilentDialogs dialogs;
    tw::app::SettingsStore settings(QString::fromStdString((folder / "tw.ini").string()));
    const std::pair<const char *, std::string> saved[] = {
        {"ParadoxFolder", (folder / "px").string()},
        {"Server", "localhost"},
        {"Port", "50000"},
        {"User", "bench"},
        {"Password", "bench"},
        {"Database", "BENCH"}};
    for (const auto &[key, value] : saved) {
        settings.SaveSetting(QString::fromLatin1(key), QString::fromStdString(value));
    }
    tw::connect::Form1 form1(dialogs, settings, QString::fromStdString(folder.string()));
    tw::transfer::Form2 form2(dialogs, form1);
    form1.setTransferPage(&form2);
    form1.Form_Load();

    tw::transfer::TableList &list = form2.paradoxList();
    list.setCurrentRow(0);
    list.item(0)->setSelected(true);

    // A timer that fires on every event-loop pass measures the longest stretch without one.
    tw::bench::StallProbe probe;
    auto start = std::chrono::steady_clock::now();
    form2.findChild<QPushButton *>(QStringLiteral("PushButton4"))->click();
    const double handler = since(start);
    probe.stop();
    const long rssAfterCopy = peakRssKb();

    // The same INSERT texts, from the driver's log, through a bare ODBC loop.
    std::vector<std::string> inserts;
    {
        std::ifstream log(folder / "db2emu.log");
        std::string line;
        while (std::getline(log, line)) {
            if (line.rfind("EXEC INSERT", 0) == 0) {
                inserts.push_back(
                    line.substr(5)); // no value of this table holds an escaped character
            }
        }
    }
    double bare = 0;
    {
        tw::bench::BareOdbc odbc;
        start = std::chrono::steady_clock::now();
        for (std::string &sql : inserts) {
            odbc.execute(sql);
        }
        bare = since(start);
    }

    std::printf("rows: %ld (INSERT texts: %zu)\n", rows, inserts.size());
    std::printf("page handler: %.3f s; bare ODBC loop: %.3f s; ratio %.3f\n",
                handler,
                bare,
                handler / bare);
    probe.print();
    std::printf("peak RSS after the copy: %ld kB\n", rssAfterCopy);
    fs::remove_all(folder);
    return 0;
}
