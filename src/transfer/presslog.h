#pragma once

#include "app/errortrap.h"
#include "app/operationlog.h"
#include "transfer/listedtable.h"
#include "transfer/progress.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace tw::transfer {

class TransferView;

// A table's rows: the source's count, those read and those written, and the rows the target
// table holds as counted by reading it back after the copy (nothing when it could not be).
struct RowCounts
{
    std::int64_t source = 0;
    std::int64_t read = 0;
    std::int64_t written = 0;
    std::optional<std::int64_t> readBack;
    // Columns whose every value was read back and found equal to the source's (0: none were).
    std::size_t valuesCompared = 0;

    // True when the table as written, read back, holds the source's count.
    bool verified() const { return readBack && *readBack == source; }
};

enum class Outcome { Done, Failed, Skipped, Stopped, NotTried };

// How one selected table fared in a press: what the log says of it, for a report.
struct TableReport
{
    QString table;
    Outcome outcome = Outcome::NotTried;
    QString why;
    std::optional<RowCounts> rows;
};

// The record of one press in the operation log: the line naming the operation, each table's
// rows and outcome, and the closing count; and the same as reports, for the command line.
class PressLog
{
public:
    PressLog(app::OperationLog &log, const TransferView &view);

    // The header line of a press that does something: the operation, the program version,
    // the Paradox folder and the DB2 database, server, port and user (never the password).
    void begin(const QString &operation);
    void note(const QString &text);
    void rows(const QString &table, const RowCounts &counts);
    void outcome(Outcome outcome, const QString &table, const QString &why);
    // One "not tried" line for each table a press did not come to, saying why.
    void notTried(const std::vector<ListedTable> &tables, const QString &why);
    // "N tables copied, M failed, K skipped", with the operation's verb.
    void closing(const QString &verb);

    const std::vector<TableReport> &tables() const { return m_tables; }

    app::OperationLog &operationLog() const { return m_log; }

private:
    app::OperationLog &m_log;
    const TransferView &m_view;
    std::vector<TableReport> m_tables;
    std::optional<RowCounts> m_rows; // of the table whose outcome comes next
};

// One table's turn in a press, logged when it ends however it ends: skipped when passed
// over, stopped when the work was told to stop, failed (with the last failure's description)
// when a box reported a failure on its way or it did not finish whole, done otherwise.
class TableTurn
{
public:
    TableTurn(PressLog &log, const app::ErrorTrap &trap, const Progress &progress, QString table)
        : m_log(log)
        , m_trap(trap)
        , m_progress(progress)
        , m_table(std::move(table))
        , m_reports(trap.reports())
    {}

    ~TableTurn();
    TableTurn(const TableTurn &) = delete;
    TableTurn &operator=(const TableTurn &) = delete;

    void skip(const QString &why) { m_skipped = why; }

    int reportsAtStart() const { return m_reports; }

    void finish(bool whole, const QString &how)
    {
        m_finished = whole;
        m_how = how;
    }

private:
    PressLog &m_log;
    const app::ErrorTrap &m_trap;
    const Progress &m_progress;
    QString m_table;
    int m_reports;
    QString m_skipped;
    QString m_how;
    bool m_finished = false;
};

// The press loop of the copies: each table in turn until the work must stop or the
// connection to DB2 is lost (every later statement would fail too: one report is enough);
// the tables not come to are logged "not tried", saying why.
void forEachTable(const std::vector<ListedTable> &tables,
                  PressLog &log,
                  const app::ErrorTrap &trap,
                  const Progress &progress,
                  const std::function<void(const ListedTable &)> &copy);

} // namespace tw::transfer
