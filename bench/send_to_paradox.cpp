// Copy to Paradox through the real page handler: a ROWS-row, 10-column table of the DB2
// emulation sent with "Send Table/s To Paradox", against the sum of its three parts done
// bare: an ODBC fetch of the rows, the same INSERT texts into SQLite, and a write of the
// same Paradox table. Also the longest gap between event-loop passes and peak memory.
//
//   bench-send-paradox [ROWS]

#define TW_BENCH_DIALOGS
#include "app/dialogs.h"
#include "app/settingsstore.h"
#include "benchsupport.h"
#include "connect/widgets/form1.h"
#include "db/connection.h"
#include "engine.h"
#include "paradox/reader.h"
#include "paradox/writer.h"
#include "transfer/sqltext.h"
#include "transfer/widgets/form2.h"
#include "transfer/widgets/tablelist.h"
#include "transfer/widgets/wizard.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>

namespace fs = std::filesystem;

using tw::bench::peakRssKb;
using tw::bench::SilentDialogs;
using tw::bench::since;

namespace {

// Writes the table at `source` again as `target`, record by record, keyed as it is: a bare
// Paradox write.
void rewrite(const fs::path &source, const fs::path &target)
{
    tw::paradox::TableReader made = tw::paradox::TableReader::open(source);
    tw::paradox::WriteOptions options;
    options.expectedRecords = made.recordCount();
    options.keyFields = made.header().primaryKeyFields;
    tw::paradox::TableWriter writer(target, made.fields(), options);
    std::vector<tw::db::Value> row(made.fields().size());
    while (made.next()) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            row[c] = made.value(c);
        }
        writer.append(row);
    }
    writer.commit();
}

} // namespace

int main(int argc, char **argv)
{
    const long rows = argc > 1 ? std::atol(argv[1]) : 100'000;
    const fs::path folder = fs::temp_directory_path() / "tw-bench-send-px";
    fs::remove_all(folder);
    fs::create_directories(folder / "px");
    fs::create_directories(folder / "bare");
    tw::bench::registerDb2Emulation(folder);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    for (const char *name : {"dbtemp.mdb", "bare.sqlite"}) {
        sqlite3 *db = nullptr;
        sqlite3_open((folder / name).c_str(), &db);
        sqlite3_close(db);
    }
    {
        db2emu::Database seed((folder / "bench.sqlite").string(), "BENCH");
        seed.execute(
            "CREATE TABLE \"BENCH\"(ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(30), BORN DATE, "
            "SCORE DOUBLE, PRICE "
            "DECIMAL(9,2), N SMALLINT, AT TIME, STAMP TIMESTAMP, NOTE VARCHAR(60), BIG BIGINT)");
        seed.execute("CREATE TABLE \"SEEDED\"(A INTEGER)");
        for (long i = 0; i < rows; ++i) {
            // The keys in no order: the typed copy sorts them, as a table filled over years.
            seed.execute("INSERT INTO \"BENCH\" VALUES(" + std::to_string(i * 7919 % rows) +
                         ", 'Name " + std::to_string(i % 977) + "', '1970-01-" +
                         std::to_string(1 + i % 28) + "', " + std::to_string(i / 7.0) + ", '" +
                         std::to_string(i % 10000) + ".25', " + std::to_string(i % 30000) +
                         ", '10:00:00', '2021-08-31 "
                         "10:00:00', 'O''Neil n° " +
                         std::to_string(i) + "', " + std::to_string(i * 1000) + ")");
        }
    }
    QApplication application(argc, argv);
    SilentDialogs dialogs;
    tw::app::SettingsStore settings(QString::fromStdString((folder / "tw.ini").string()));
    tw::bench::saveBenchSettings(settings, folder);
    tw::app::OperationLog noLog;
    tw::transfer::Wizard wizard(dialogs, settings, QString::fromStdString(folder.string()), noLog);
    tw::connect::Form1 &form1 = wizard.form1;
    tw::transfer::Form2 &form2 = wizard.form2;
    form1.Form_Load(); // restores the fields; the empty Paradox folder keeps it on this page
    form2.showPage();
    tw::transfer::TableList &list = form2.db2List();
    for (int i = 0; i < list.count(); ++i) {
        if (list.item(i)->text() == QStringLiteral("BENCH")) {
            list.setCurrentRow(i);
        }
    }
    tw::bench::StallProbe probe;
    auto start = std::chrono::steady_clock::now();
    form2.findChild<QPushButton *>(QStringLiteral("PushButton3"))->click();
    const double handler = since(start);
    probe.stop();
    const long rssAfterCopy = peakRssKb();

    // The table the copy made, kept for the bare write of the same table.
    fs::create_directories(folder / "untyped");
    fs::copy_file(folder / "px" / "BENCH.db", folder / "untyped" / "BENCH.db");

    // The typed copy of the same table ("Keep column types and keys"), replacing the first.
    form2.findChild<QCheckBox *>(QStringLiteral("KeepTypesToParadox"))->setChecked(true);
    for (int i = 0; i < list.count(); ++i) {
        if (list.item(i)->text() == QStringLiteral("BENCH")) {
            list.setCurrentRow(i);
        }
    }
    tw::bench::StallProbe typedProbe;
    start = std::chrono::steady_clock::now();
    form2.findChild<QPushButton *>(QStringLiteral("PushButton3"))->click();
    const double typed = since(start);
    typedProbe.stop();
    const long rssAfterTyped = peakRssKb();

    // The three parts, bare.
    start = std::chrono::steady_clock::now();
    tw::db::Connection db2;
    db2.open(tw::bench::kBenchConnection);
    tw::db::Recordset fetched;
    fetched.open("SELECT * FROM \"BENCH\"", db2);
    std::vector<std::string> texts;
    for (; !fetched.eof(); fetched.moveNext()) {
        std::vector<tw::db::Value> row;
        for (std::size_t c = 0; c < fetched.fields().size(); ++c) {
            row.push_back(fetched.value(c));
        }
        texts.push_back(tw::transfer::insertText("`BENCH`", row));
    }
    const double fetch = since(start);
    start = std::chrono::steady_clock::now();
    sqlite3 *bare = nullptr;
    sqlite3_open((folder / "bare.sqlite").c_str(), &bare);
    sqlite3_exec(bare,
                 "PRAGMA synchronous=OFF; PRAGMA journal_mode=MEMORY; CREATE TABLE "
                 "`BENCH`(a,b,c,d,e,f,g,h,i,j)",
                 nullptr,
                 nullptr,
                 nullptr);
    for (const std::string &sql : texts) {
        sqlite3_exec(bare, sql.c_str(), nullptr, nullptr, nullptr);
    }
    sqlite3_close(bare);
    const double insert = since(start);
    start = std::chrono::steady_clock::now();
    rewrite(folder / "untyped" / "BENCH.db", folder / "bare" / "BENCH.db");
    const double write = since(start);
    const double bareSum = fetch + insert + write;

    // The typed copy's two parts, bare: the fetch alone and the write of the typed table.
    start = std::chrono::steady_clock::now();
    {
        tw::db::Recordset again;
        again.open("SELECT * FROM \"BENCH\"", db2);
        std::vector<tw::db::Value> row;
        for (; !again.eof(); again.moveNext()) {
            again.takeRow(row);
        }
    }
    const double fetchOnly = since(start);
    start = std::chrono::steady_clock::now();
    rewrite(folder / "px" / "BENCH.db", folder / "bare" / "TYPED.db");
    const double typedWrite = since(start);
    std::printf("rows: %ld\n", rows);
    std::printf("page handler: %.3f s; bare fetch %.3f s + staging inserts %.3f s + Paradox write "
                "%.3f s = %.3f s; "
                "ratio %.3f\n",
                handler,
                fetch,
                insert,
                write,
                bareSum,
                handler / bareSum);
    probe.print();
    std::printf("peak RSS after the copy: %ld kB\n", rssAfterCopy);
    std::printf("typed copy: %.3f s (%.1fx the rows/s); bare fetch %.3f s + Paradox write %.3f s "
                "= %.3f s; ratio %.3f\n",
                typed,
                handler / typed,
                fetchOnly,
                typedWrite,
                fetchOnly + typedWrite,
                typed / (fetchOnly + typedWrite));
    typedProbe.print();
    std::printf("peak RSS after the typed copy: %ld kB\n", rssAfterTyped);
    fs::remove_all(folder);
    return 0;
}
