#include "transfer/presslog.h"

#include "app/applicationtitle.h"
#include "connect/db2connection.h"
#include "transfer/transferview.h"

namespace tw::transfer {

PressLog::PressLog(app::OperationLog &log, const TransferView &view)
    : m_log(log)
    , m_view(view)
{}

void PressLog::begin(const QString &operation)
{
    const connect::ConnectionSettings fields = m_view.connectionSettings();
    const QString origin = m_view.origin();
    m_log.operation(operation + (origin.isEmpty() ? QString() : QStringLiteral(", ") + origin) +
                    QStringLiteral(" (") + app::kProductTitle + u' ' + app::programVersion() +
                    QStringLiteral("; Paradox folder ") + fields.paradoxFolder +
                    QStringLiteral("; DB2 database ") + connect::db2Target(fields) + u')');
}

void PressLog::note(const QString &text)
{
    m_log.note(text);
}

void PressLog::rows(const QString &table, const RowCounts &counts)
{
    m_log.table(table, counts.read, counts.written, counts.source, counts.readBack);
    if (counts.verified() && counts.valuesCompared > 0) {
        note(QStringLiteral("verified every value: %1 rows of %2 columns read back and compared "
                            "with the source")
                 .arg(*counts.readBack)
                 .arg(counts.valuesCompared));
    }
    m_rows = counts;
}

void PressLog::outcome(Outcome outcome, const QString &table, const QString &why)
{
    const QString word = outcome == Outcome::Done      ? QStringLiteral("done")
                         : outcome == Outcome::Failed  ? QStringLiteral("FAILED")
                         : outcome == Outcome::Skipped ? QStringLiteral("skipped")
                         : outcome == Outcome::Stopped ? QStringLiteral("stopped")
                                                       : QStringLiteral("not tried");
    note(word + u' ' + table + (why.isEmpty() ? QString() : QStringLiteral(": ") + why));
    m_tables.push_back({table, outcome, why, m_rows});
    m_rows.reset();
}

void PressLog::notTried(const std::vector<ListedTable> &tables, const QString &why)
{
    for (const ListedTable &table : tables) {
        outcome(Outcome::NotTried, table.shown(), why);
    }
}

void PressLog::closing(const QString &verb)
{
    int done = 0;
    int failed = 0;
    int skipped = 0;
    int notDone = 0;
    for (const TableReport &table : m_tables) {
        int &count = table.outcome == Outcome::Done      ? done
                     : table.outcome == Outcome::Failed  ? failed
                     : table.outcome == Outcome::Skipped ? skipped
                                                         : notDone;
        ++count;
    }
    note(QStringLiteral("%1 table%2 %3, %4 failed, %5 skipped%6")
             .arg(done)
             .arg(done == 1 ? QString() : QStringLiteral("s"))
             .arg(verb)
             .arg(failed)
             .arg(skipped)
             .arg(notDone == 0 ? QString() : QStringLiteral(", %1 not done").arg(notDone)));
}

TableTurn::~TableTurn()
{
    if (!m_skipped.isEmpty()) {
        m_log.outcome(Outcome::Skipped, m_table, m_skipped);
    } else if (m_progress.stopping() || m_trap.stopped()) {
        m_log.outcome(Outcome::Stopped, m_table, QStringLiteral("the window was closed"));
    } else if (m_finished && m_trap.reports() == m_reports) {
        m_log.outcome(Outcome::Done, m_table, m_how);
    } else {
        // What failed, in the words of its box; a table that stopped short without one says so.
        const QString why = m_trap.reports() > m_reports ? app::flattened(m_trap.lastFailure())
                                                         : QStringLiteral("it did not finish");
        m_log.outcome(Outcome::Failed, m_table, why);
    }
}

void forEachTable(const std::vector<ListedTable> &tables,
                  PressLog &log,
                  const app::ErrorTrap &trap,
                  const Progress &progress,
                  const std::function<void(const ListedTable &)> &copy)
{
    for (std::size_t i = 0; i < tables.size(); ++i) {
        if (trap.connectionLost() || progress.stopping()) {
            log.notTried(std::vector<ListedTable>(tables.begin() + static_cast<std::ptrdiff_t>(i),
                                                  tables.end()),
                         progress.stopping() ? QStringLiteral("the window was closed")
                                             : QStringLiteral("the connection to DB2 was lost"));
            return;
        }
        copy(tables[i]);
    }
}

} // namespace tw::transfer
