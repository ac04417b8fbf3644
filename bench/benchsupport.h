#pragma once

// Small helpers the benchmarks share: wall time, peak memory, a Paradox field, and dialogs
// that answer Yes and stay silent.

#include "paradox/format.h"

#ifdef TW_DB2EMU_LIBRARY
#include <sql.h>
#include <sqlext.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <vector>

#ifdef TW_BENCH_TABLE
#include "paradox/writer.h"
#endif

#ifdef TW_BENCH_DIALOGS
#include "app/dialogs.h"
#include "app/errortrap.h"
#include "app/settingsstore.h"

#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#endif

namespace tw::bench {

inline double since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline long peakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

inline paradox::Field field(const char *name, paradox::FieldType type, int size = 0)
{
    paradox::Field f;
    f.name = name;
    f.type = type;
    f.size = static_cast<std::uint8_t>(size);
    return f;
}

#ifdef TW_BENCH_TABLE
// The benchmarks' table: ROWS records of ten fields, one of each common type; the last one's
// text starts with `note`.
inline void writeBenchTable(const std::filesystem::path &path,
                            long rows,
                            const std::string &note = "O'Neil n° ")
{
    using db::Value;
    using paradox::FieldType;
    paradox::WriteOptions options;
    options.expectedRecords = static_cast<std::uint64_t>(rows);
    paradox::TableWriter writer(path,
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
            i % 5 == 0 ? Value() : Value::text(note + std::to_string(i))});
    }
    writer.commit();
}
#endif

#ifdef TW_DB2EMU_LIBRARY
// Registers the DB2 emulation for this process, with one database BENCH (user bench,
// password bench) in the folder; `log` names the statement log, when one is wanted. The
// database is kept in `file` (bench.sqlite in the folder by default); `durable`: every commit
// waits for the disk, as a real server's log write. The emulation reads this at every
// connect, so a later call points the next connection elsewhere.
inline void registerDb2Emulation(const std::filesystem::path &folder,
                                 const std::string &log = {},
                                 std::filesystem::path file = {},
                                 bool durable = false,
                                 const std::string &faults = {})
{
    std::ofstream(folder / "odbcinst.ini")
        << "[IBM DB2 ODBC DRIVER]\nDriver = " << TW_DB2EMU_LIBRARY << "\n";
    std::ofstream conf(folder / "db2emu.conf");
    if (!log.empty()) {
        conf << "log = " << log << "\n";
    }
    conf << "durable = " << (durable ? 1 : 0) << "\n" << faults;
    conf << "host = localhost\nport = 50000\ndatabase = BENCH "
         << (file.empty() ? folder / "bench.sqlite" : file).string() << " bench:bench\n";
    ::setenv("ODBCSYSINI", folder.c_str(), 1);
}

inline constexpr auto kBenchConnection =
    "Driver={IBM DB2 ODBC DRIVER};Database=BENCH;Hostname=localhost;Port=50000;"
    "Protocol=TCPIP;Uid=bench;Pwd=bench;";

// The baseline the db layer is measured against: one raw ODBC connection and one statement
// handle, executing texts with SQLExecDirect and nothing else.
class BareOdbc
{
public:
    BareOdbc()
    {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env);
        SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc);
        std::string cs = kBenchConnection;
        SQLDriverConnect(m_dbc,
                         nullptr,
                         reinterpret_cast<SQLCHAR *>(cs.data()),
                         SQL_NTS,
                         nullptr,
                         0,
                         nullptr,
                         SQL_DRIVER_NOPROMPT);
        SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &m_stmt);
    }

    ~BareOdbc()
    {
        SQLFreeHandle(SQL_HANDLE_STMT, m_stmt);
        SQLDisconnect(m_dbc);
        SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
        SQLFreeHandle(SQL_HANDLE_ENV, m_env);
    }

    BareOdbc(const BareOdbc &) = delete;
    BareOdbc &operator=(const BareOdbc &) = delete;

    SQLHDBC connection() const { return m_dbc; }

    bool execute(std::string &sql)
    {
        return SQL_SUCCEEDED(
            SQLExecDirect(m_stmt, reinterpret_cast<SQLCHAR *>(sql.data()), SQL_NTS));
    }

private:
    SQLHENV m_env = nullptr;
    SQLHDBC m_dbc = nullptr;
    SQLHSTMT m_stmt = nullptr;
};
#endif

#ifdef TW_BENCH_DIALOGS
class SilentDialogs final : public app::Dialogs
{
public:
    void notice(const QString &) override {}

    void noticeWithDetails(const QString &, const QString &) override {}

    bool ask(const QString &, const QString &) override { return true; }

    QString input(const QString &, const QString &initial) override { return initial; }

    QString pickFolder(QWidget *, const QString &, const QString &) override { return {}; }

    void errorReport(const QString &message) override
    {
        std::fprintf(stderr, "%s\n", message.toUtf8().constData());
    }
};

// The connection fields of the benchmarks: the Paradox folder `px` in `folder`, the emulated
// BENCH database.
inline void saveBenchSettings(app::SettingsStore &settings, const std::filesystem::path &folder)
{
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
}

// The longest stretch without a pass of the event loop while it runs, and where it was: the
// step a handler had begun when the stretch began and when it ended.
class StallProbe
{
public:
    StallProbe()
    {
        QObject::connect(&m_ticker, &QTimer::timeout, [this] { tick(); });
        m_ticker.start(0);
        m_clock.start();
    }

    void stop() { m_ticker.stop(); }

    void print() const
    {
        std::printf("longest gap between event-loop passes: %lld ms\n",
                    static_cast<long long>(m_longest));
    }

private:
    void tick() { m_longest = std::max(m_longest, m_clock.restart()); }

    QTimer m_ticker;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
};
#endif

} // namespace tw::bench
