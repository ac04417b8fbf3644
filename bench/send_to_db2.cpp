// Copy to DB2 through the real page handler: a generated Paradox table of ROWS records and 10
// fields sent with "Send Table/s To IBM DB2" to the DB2 emulation, against a bare ODBC loop
// executing the same INSERT texts; the longest gap between two event-loop passes; peak memory.
//
//   bench-send-db2 [ROWS]

#define TW_BENCH_DIALOGS
#define TW_BENCH_TABLE
#include "app/dialogs.h"
#include "app/settingsstore.h"
#include "benchsupport.h"
#include "connect/widgets/form1.h"
#include "paradox/writer.h"
#include "transfer/widgets/form2.h"
#include "transfer/widgets/tablelist.h"
#include "transfer/widgets/wizard.h"

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

    tw::bench::writeBenchTable(folder / "px" / "BENCH.db", rows);

    SilentDialogs dialogs;
    tw::app::SettingsStore settings(QString::fromStdString((folder / "tw.ini").string()));
    tw::bench::saveBenchSettings(settings, folder);
    tw::app::OperationLog noLog;
    tw::transfer::Wizard wizard(dialogs, settings, QString::fromStdString(folder.string()), noLog);
    tw::connect::Form1 &form1 = wizard.form1;
    tw::transfer::Form2 &form2 = wizard.form2;
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
