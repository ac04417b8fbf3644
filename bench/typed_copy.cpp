// The typed copy to DB2 ("Keep column types and keys") through the real page handler, against
// the one-INSERT-per-row text copy, with and without durable commits (each commit waits for
// the disk, as a real server's log write does), and against a bare ODBC loop sending the same
// bound arrays; peak memory, also for a table holding one large picture.
//
//   bench-typed-copy [ROWS [TEXT_ROWS_DURABLE]]   the 10-field table (100000; the durable text
//                                                 copy on its first 5000 rows: a commit a row)
//   bench-typed-copy --picture MB                 a table holding a picture of MB megabytes

#define TW_BENCH_DIALOGS
#define TW_BENCH_TABLE
#include "app/settingsstore.h"
#include "benchsupport.h"
#include "connect/widgets/form1.h"
#include "paradox/reader.h"
#include "transfer/sqltext.h"
#include "transfer/typedtable.h"
#include "transfer/widgets/form2.h"
#include "transfer/widgets/tablelist.h"
#include "transfer/widgets/wizard.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QPushButton>

#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using tw::db::Value;
using tw::db::ValueKind;

namespace {

// Runs `work` in a child process, so the memory it takes is not this process's peak.
template <class Work> void inChild(Work work)
{
    const pid_t child = ::fork();
    if (child == 0) {
        work();
        std::fflush(nullptr);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
}

// The pages of the program, pointed at the Paradox folder and the BENCH database.
struct Program
{
    explicit Program(const fs::path &folder)
        : settings(QString::fromStdString((folder / "tw.ini").string()))
        , log(QString::fromStdString((folder / "operations.log").string()))
    {
        tw::bench::saveBenchSettings(settings, folder);
        wizard = std::make_unique<tw::transfer::Wizard>(
            dialogs, settings, QString::fromStdString(folder.string()), log);
        form2 = &wizard->form2;
        wizard->form1.Form_Load();
    }

    // Sends one table with the copy chosen; its wall time. The lists are read anew first:
    // each run copies into a database of its own.
    double send(const QString &table, bool typed)
    {
        form2->Form_Load();
        form2->findChild<QCheckBox *>(QStringLiteral("KeepTypes"))->setChecked(typed);
        tw::transfer::TableList &list = form2->paradoxList();
        list.clearSelection();
        for (int i = 0; i < list.count(); ++i) {
            if (list.item(i)->text() == table) {
                list.setCurrentRow(i);
                list.item(i)->setSelected(true);
            }
        }
        const auto start = std::chrono::steady_clock::now();
        form2->findChild<QPushButton *>(QStringLiteral("PushButton4"))->click();
        return tw::bench::since(start);
    }

    // The last line of the operation log holding `text`.
    QString logLine(const QString &text) const
    {
        QFile file(log.path());
        file.open(QIODevice::ReadOnly);
        QString found;
        for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
            if (line.contains(text)) {
                found = line.trimmed();
            }
        }
        return found;
    }

    tw::bench::SilentDialogs dialogs;
    tw::app::SettingsStore settings;
    tw::app::OperationLog log;
    std::unique_ptr<tw::transfer::Wizard> wizard;
    tw::transfer::Form2 *form2 = nullptr;
};

// One array of bound rows, column by column, as a bare ODBC program keeps it.
struct BoundArray
{
    std::vector<std::vector<char>> values;
    std::vector<std::vector<SQLLEN>> lengths;
    std::vector<SQLLEN> widths;
    SQLULEN rows = 0;
};

BoundArray boundArray(const std::vector<std::vector<Value>> &rows,
                      const std::vector<tw::db::backend::Parameter> &columns)
{
    BoundArray array;
    array.rows = rows.size();
    for (std::size_t c = 0; c < columns.size(); ++c) {
        SQLLEN width = 64;
        for (const auto &row : rows) {
            if (row[c].kind() == ValueKind::Text || row[c].kind() == ValueKind::Decimal) {
                width = std::max<SQLLEN>(width, static_cast<SQLLEN>(row[c].toText().size()));
            }
        }
        std::vector<char> values(rows.size() * static_cast<std::size_t>(width));
        std::vector<SQLLEN> lengths(rows.size());
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const Value &v = rows[r][c];
            char *at = values.data() + r * static_cast<std::size_t>(width);
            auto put = [&](const auto &x) {
                std::memcpy(at, &x, sizeof x);
                lengths[r] = sizeof x;
            };
            switch (v.kind()) {
            case ValueKind::Null:
                lengths[r] = SQL_NULL_DATA;
                break;
            case ValueKind::Integer:
                put(static_cast<SQLBIGINT>(v.asInteger()));
                break;
            case ValueKind::Double:
                put(v.asDouble());
                break;
            case ValueKind::Boolean:
                put(static_cast<unsigned char>(v.asBoolean()));
                break;
            case ValueKind::Date:
                put(SQL_DATE_STRUCT{
                    static_cast<SQLSMALLINT>(v.asDate().year), v.asDate().month, v.asDate().day});
                break;
            case ValueKind::Timestamp: {
                const auto &t = v.asTimestamp();
                const auto s = t.msOfDay / 1000;
                put(SQL_TIMESTAMP_STRUCT{static_cast<SQLSMALLINT>(t.date.year),
                                         t.date.month,
                                         t.date.day,
                                         static_cast<SQLUSMALLINT>(s / 3600),
                                         static_cast<SQLUSMALLINT>(s / 60 % 60),
                                         static_cast<SQLUSMALLINT>(s % 60),
                                         t.msOfDay % 1000 * 1'000'000U});
                break;
            }
            default: {
                const std::string text = v.toText();
                std::memcpy(at, text.data(), text.size());
                lengths[r] = static_cast<SQLLEN>(text.size());
            }
            }
        }
        array.values.push_back(std::move(values));
        array.lengths.push_back(std::move(lengths));
        array.widths.push_back(width);
    }
    return array;
}

SQLSMALLINT cType(ValueKind kind)
{
    switch (kind) {
    case ValueKind::Integer:
        return SQL_C_SBIGINT;
    case ValueKind::Double:
        return SQL_C_DOUBLE;
    case ValueKind::Boolean:
        return SQL_C_BIT;
    case ValueKind::Date:
        return SQL_C_TYPE_DATE;
    case ValueKind::Timestamp:
        return SQL_C_TYPE_TIMESTAMP;
    default:
        return SQL_C_CHAR;
    }
}

// The same rows as bound arrays of 1000, committed every 5000, through raw ODBC calls; the
// arrays are built before the clock starts.
double
bareArrays(const fs::path &table, const std::string &create, const tw::transfer::TypedTable &plan)
{
    std::vector<tw::db::backend::Parameter> columns;
    for (const auto &column : plan.columns) {
        columns.push_back(column.parameter);
    }
    std::vector<BoundArray> arrays;
    {
        tw::paradox::TableReader reader = tw::paradox::TableReader::open(table);
        std::vector<std::vector<Value>> rows;
        while (reader.next()) {
            std::vector<Value> row;
            for (std::size_t c = 0; c < reader.fields().size(); ++c) {
                row.push_back(reader.value(c));
            }
            tw::transfer::toBound(plan, row);
            rows.push_back(std::move(row));
            if (rows.size() == 1000) {
                arrays.push_back(boundArray(rows, columns));
                rows.clear();
            }
        }
        if (!rows.empty()) {
            arrays.push_back(boundArray(rows, columns));
        }
    }
    tw::bench::BareOdbc odbc;
    std::string createText = create;
    odbc.execute(createText);
    SQLHDBC dbc = odbc.connection();
    SQLHSTMT stmt = nullptr;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
    std::string insert = tw::transfer::parameterInsertText("\"BARE\"", columns.size());
    const auto start = std::chrono::steady_clock::now();
    SQLSetConnectAttr(
        dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0);
    SQLPrepare(stmt, reinterpret_cast<SQLCHAR *>(insert.data()), SQL_NTS);
    SQLSetStmtAttr(stmt, 1260, reinterpret_cast<SQLPOINTER>(0), 0); // not atomic
    std::vector<SQLUSMALLINT> statuses(1000);
    SQLSetStmtAttr(stmt, SQL_ATTR_PARAM_STATUS_PTR, statuses.data(), 0);
    std::size_t sent = 0;
    for (BoundArray &array : arrays) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            SQLBindParameter(stmt,
                             static_cast<SQLUSMALLINT>(c + 1),
                             SQL_PARAM_INPUT,
                             cType(columns[c].kind),
                             static_cast<SQLSMALLINT>(columns[c].sqlType),
                             columns[c].size,
                             static_cast<SQLSMALLINT>(columns[c].digits),
                             array.values[c].data(),
                             array.widths[c],
                             array.lengths[c].data());
        }
        SQLSetStmtAttr(stmt, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(array.rows), 0);
        SQLExecute(stmt);
        sent += array.rows;
        if (sent % 5000 == 0) {
            SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_COMMIT);
        }
    }
    SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_COMMIT);
    const double seconds = tw::bench::since(start);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return seconds;
}

void report(const char *what, long rows, double seconds)
{
    std::printf("%-44s %8ld rows %8.3f s %10.0f rows/s\n", what, rows, seconds, rows / seconds);
}

} // namespace

int main(int argc, char **argv)
{
    const bool picture = argc > 2 && std::strcmp(argv[1], "--picture") == 0;
    const long rows = picture ? 3 : argc > 1 ? std::atol(argv[1]) : 100'000;
    const long textRowsDurable = argc > 2 && !picture ? std::atol(argv[2]) : std::min(rows, 5000L);
    const long pictureBytes = picture ? std::atol(argv[2]) * 1'000'000L : 0;
    const fs::path folder = fs::temp_directory_path() / "tw-bench-typed";
    fs::remove_all(folder);
    fs::create_directories(folder / "px");
    tw::bench::registerDb2Emulation(folder);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);

    inChild([&] {
        if (picture) {
            using tw::paradox::FieldType;
            tw::paradox::TableWriter writer(folder / "px" / "PICTURE.db",
                                            {tw::bench::field("Id", FieldType::Long),
                                             tw::bench::field("Pic", FieldType::Graphic, 10),
                                             tw::bench::field("Note", FieldType::Alpha, 20)});
            tw::db::Bytes big(static_cast<std::size_t>(pictureBytes));
            for (std::size_t i = 0; i < big.size(); ++i) {
                big[i] = static_cast<std::uint8_t>(i * 2654435761U >> 24);
            }
            writer.append(std::vector{Value::integer(1), Value::bytes(big), Value::text("large")});
            writer.append(
                std::vector{Value::integer(2), Value::bytes({1, 2, 3}), Value::text("small")});
            writer.append(std::vector{Value::integer(3), Value(), Value::text("none")});
            writer.commit();
        } else {
            tw::bench::writeBenchTable(folder / "px" / "BENCH.db", rows);
            tw::bench::writeBenchTable(folder / "px" / "SMALL.db", textRowsDurable);
        }
    });
    QApplication application(argc, argv);
    Program program(folder);
    auto database = [&](const char *name, bool durable, const std::string &faults = {}) {
        tw::bench::registerDb2Emulation(folder, {}, folder / name, durable, faults);
    };

    if (picture) {
        const long before = tw::bench::peakRssKb();
        database("picture.sqlite", false);
        const double seconds = program.send(QStringLiteral("PICTURE"), true);
        std::printf("a %ld MB picture: typed copy %.3f s; peak RSS before %ld kB, after %ld kB "
                    "(+%ld kB)\n",
                    pictureBytes / 1'000'000,
                    seconds,
                    before,
                    tw::bench::peakRssKb(),
                    tw::bench::peakRssKb() - before);
        fs::remove_all(folder);
        return 0;
    }

    database("text.sqlite", false);
    const double text = program.send(QStringLiteral("BENCH"), false);
    database("typed.sqlite", false);
    const double typed = program.send(QStringLiteral("BENCH"), true);
    const long rssAfterCopies = tw::bench::peakRssKb();
    database("text-durable.sqlite", true);
    const double textDurable = program.send(QStringLiteral("SMALL"), false);
    database("typed-durable.sqlite", true);
    const double typedDurable = program.send(QStringLiteral("BENCH"), true);

    // A load whose line drops after 90% of its rows, then the send that takes it up: each
    // 5,000 rows are five arrays and a checkpoint, six statements, after three to begin.
    const long cutAt = rows / 10 * 9;
    database("resume.sqlite", false, "drop_after = " + std::to_string(3 + cutAt / 5000 * 6) + "\n");
    const double cut = program.send(QStringLiteral("BENCH"), true);
    database("resume.sqlite", false);
    const double resumed = program.send(QStringLiteral("BENCH"), true);
    const QString resumedLine = program.logLine(QStringLiteral("resumed after"));

    database("bare.sqlite", false);
    const tw::transfer::TypedTable plan =
        tw::transfer::planTypedTable(folder / "px" / "BENCH.db", "BARE", true);
    const double bare =
        bareArrays(folder / "px" / "BENCH.db",
                   tw::transfer::typedCreateText(QStringLiteral("BARE"), plan).toStdString(),
                   plan);

    report("text copy (one INSERT a row, autocommit)", rows, text);
    report("typed copy (bound arrays)", rows, typed);
    report("text copy, durable commits", textRowsDurable, textDurable);
    report("typed copy, durable commits", rows, typedDurable);
    report("bare ODBC loop, the same bound arrays", rows, bare);
    std::printf("typed / text rows per second: %.1fx; with durable commits: %.1fx\n",
                text / typed,
                (rows / typedDurable) / (textRowsDurable / textDurable));
    std::printf("typed copy / bare loop time: %.3f\n", typed / bare);
    report("typed copy cut by a lost line", rows, cut);
    std::printf("the send after it (%s): %.3f s, %.3f of a full typed copy\n",
                resumedLine.toStdString().c_str(),
                resumed,
                resumed / typed);
    std::printf("peak RSS after both copies: %ld kB\n", rssAfterCopies);
    fs::remove_all(folder);
    return 0;
}
