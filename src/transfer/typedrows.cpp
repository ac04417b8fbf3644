// The typed copy's load: the rows go into a working table of their own, committed with a
// checkpoint every few thousand rows; the table is read back and compared value by value;
// only then one unit of work drops the old table and gives the working table its name.

#include "transfer/paradoxtables.h"
#include "transfer/rowloop.h"
#include "transfer/sendtodb2.h"
#include "transfer/sqltext.h"
#include "transfer/typedload.h"

#include <algorithm>
#include <chrono>

namespace tw::transfer {

namespace {

using Step = steps::SendToDb2;

// Rows of a typed copy between two commits: few enough that a failure costs little, many
// enough that the commits cost nothing beside the rows.
constexpr std::int64_t kRowsPerCommit = 5000;
// A working table whose last checkpoint is older than this belongs to a copy that is not
// coming back.
constexpr std::int64_t kStaleSeconds = 24 * 60 * 60;

bool logFull(const db::Error &error)
{
    return error.sqlState() == "57011"; // SQL0964C
}

std::int64_t secondsNow()
{
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

QString name(const std::string &text)
{
    return db2Name(QString::fromStdString(text));
}

QString dropText(const std::string &table)
{
    return QStringLiteral("DROP TABLE ") + name(table);
}

QString checkpointComment(const WorkingTable &work, std::int64_t rows)
{
    return commentText(name(work.name), checkpointText({rows, work.source, secondsNow()}));
}

// The typed table as the working table has it: its indexes under working names.
TypedTable asWorking(const TypedTable &typed, const WorkingTable &work)
{
    TypedTable working = typed;
    for (std::size_t i = 0; i < working.indexes.size(); ++i) {
        working.indexes[i].name = work.indexName(i);
    }
    return working;
}

// The rows read since the last commit, sent in units of work that each commit with the
// checkpoint of the rows they complete. A unit DB2's log cannot hold is rolled back and sent
// again in halves, so the rows are kept until their unit is committed.
class UnitSender
{
public:
    UnitSender(app::ErrorTrap &trap,
               db::Connection &db2,
               PressLog &log,
               db::backend::RowInserter &inserter,
               const WorkingTable &work,
               std::int64_t committed)
        : m_trap(trap)
        , m_db2(db2)
        , m_log(log)
        , m_inserter(inserter)
        , m_work(work)
        , m_committed(committed)
    {}

    // Takes a row; false when the load cannot go on.
    bool add(std::vector<db::Value> row)
    {
        m_pending.push_back(std::move(row));
        if (static_cast<std::int64_t>(m_pending.size()) < m_interval) {
            return true;
        }
        return flush() && m_whole;
    }

    // Commits every row taken. False when some could not be.
    bool flush()
    {
        while (!m_pending.empty() && !m_failed) {
            const std::size_t count =
                std::min(m_pending.size(), static_cast<std::size_t>(m_interval));
            bool full = false;
            if (sendUnit(count, full)) {
                m_committed += static_cast<std::int64_t>(count);
                m_pending.erase(m_pending.begin(),
                                m_pending.begin() + static_cast<std::ptrdiff_t>(count));
            } else if (full && m_interval > 1) {
                m_interval = std::max<std::int64_t>(1, static_cast<std::int64_t>(count) / 2);
                m_log.note(QStringLiteral("the DB2 transaction log is full: committing every %1 "
                                          "rows")
                               .arg(m_interval));
            } else {
                if (full) {
                    m_trap(Step::SendRow, [] {
                        throw db::Error("The transaction log for the database is full.", "57011");
                    });
                }
                m_failed = true;
            }
        }
        return !m_failed;
    }

    // The source's first rows the working table keeps.
    std::int64_t committed() const { return m_committed; }

    // False once a row did not go in and never will.
    bool whole() const { return m_whole; }

    bool failed() const { return m_failed; }

private:
    // The unit's rows, committed with their checkpoint. `full` when DB2's log could not hold
    // them; the unit is then rolled back.
    bool sendUnit(std::size_t count, bool &full)
    {
        db::Transaction unit(m_db2);
        if (!m_trap(Step::BeginRowUnit, [&] { unit.begin(); })) {
            return false;
        }
        for (std::size_t i = 0; i < count && !full; ++i) {
            if (m_inserter.add(m_pending[i])) {
                sendGathered(full);
            }
        }
        if (!full) {
            sendGathered(full);
        }
        const bool kept =
            !full && m_whole && !m_trap.connectionLost() &&
            m_trap(Step::Checkpoint,
                   [&] {
                       m_db2.execute(
                           checkpointComment(m_work, m_committed + static_cast<std::int64_t>(count))
                               .toStdString());
                   }) &&
            m_trap(Step::SendRow, [&] { unit.commit(); });
        if (!kept && unit.active() && !m_trap.connectionLost()) {
            m_trap(Step::SendRow, [&] { unit.rollback(); });
        }
        return kept;
    }

    // Sends the rows the inserter gathered: each row refused gets its box, a full log none.
    void sendGathered(bool &full)
    {
        std::vector<db::backend::RejectedRow> rejected;
        try {
            rejected = m_inserter.send();
        } catch (const db::Error &error) {
            if (logFull(error)) {
                full = true;
                return;
            }
            rejected.push_back({0, error});
        }
        for (const db::backend::RejectedRow &row : rejected) {
            if (m_trap.connectionLost()) {
                break; // one box for the line, not one per row
            }
            if (logFull(row.error)) {
                full = true;
            } else {
                m_whole = false;
                m_trap(Step::SendRow, [&] { throw row.error; });
            }
        }
    }

    app::ErrorTrap &m_trap;
    db::Connection &m_db2;
    PressLog &m_log;
    db::backend::RowInserter &m_inserter;
    const WorkingTable &m_work;
    std::vector<std::vector<db::Value>> m_pending;
    std::int64_t m_interval = kRowsPerCommit;
    std::int64_t m_committed;
    bool m_whole = true;
    bool m_failed = false;
};

} // namespace

bool SendToDb2::db2Step(steps::SendToDb2 step, const QString &sql)
{
    return m_trap(step, [&] { m_db2.execute(sql.toStdString()); });
}

bool SendToDb2::endUnit(db::Transaction &unit, bool keep)
{
    if (keep) {
        return m_trap(Step::CommitUnit, [&] { unit.commit(); });
    }
    if (unit.active() && !m_trap.connectionLost()) {
        m_trap(Step::CommitUnit, [&] { unit.rollback(); });
    }
    return false;
}

std::optional<Checkpoint> SendToDb2::findWorking(const WorkingTable &work)
{
    std::optional<Checkpoint> found;
    std::vector<std::string> stale;
    const std::int64_t now = secondsNow();
    m_trap(Step::FindWorking, [&] {
        const std::optional<std::string> current = currentSchema(m_db2);
        db::Recordset tables;
        tables.openSchema(db::adSchemaTables, m_db2);
        for (; !tables.eof(); tables.moveNext()) {
            const std::string table = tables.value("TABLE_NAME").toText();
            const std::string owner = tables.value("TABLE_SCHEM").toText();
            if (!isWorkingName(table) || (!owner.empty() && owner != current)) {
                continue;
            }
            const std::optional<Checkpoint> checkpoint =
                parseCheckpoint(tables.value("REMARKS").toText());
            if (table == work.name) {
                found = checkpoint.value_or(Checkpoint{});
            } else if (checkpoint && now - checkpoint->at > kStaleSeconds) {
                stale.push_back(table);
            }
        }
        tables.close();
    });
    for (const std::string &table : stale) {
        if (db2Step(Step::DropWorking, dropText(table))) {
            m_log.note(QStringLiteral("dropped the working table %1 a copy left over a day ago")
                           .arg(QString::fromStdString(table)));
        }
    }
    return found;
}

bool SendToDb2::createWorking(const WorkingTable &work, const TypedTable &typed)
{
    const TypedTable working = asWorking(typed, work);
    const QString table = QString::fromStdString(work.name);
    db::Transaction unit(m_db2);
    if (!m_trap(Step::BeginUnit, [&] { unit.begin(); })) {
        return false;
    }
    bool created = db2Step(Step::CreateTable, typedCreateText(table, working));
    for (const QString &index : typedIndexTexts(table, working)) {
        created = created && db2Step(Step::CreateTable, index);
    }
    created = created && db2Step(Step::Checkpoint, checkpointComment(work, 0));
    return endUnit(unit, created);
}

void SendToDb2::dropWorking(const WorkingTable &work)
{
    if (!m_trap.connectionLost()) {
        db2Step(Step::DropWorking, dropText(work.name));
    }
}

std::optional<std::int64_t>
SendToDb2::startWorking(const WorkingTable &work, const TypedTable &typed, std::int64_t sourceRows)
{
    // A working table from the same source, the same table plan and the same folder is taken
    // up where its checkpoint says; any other is dropped and the load starts afresh.
    const std::optional<Checkpoint> left = findWorking(work);
    if (m_trap.connectionLost()) {
        return std::nullopt;
    }
    if (left && !work.source.empty() && left->source == work.source && left->rows <= sourceRows) {
        if (left->rows > 0) {
            m_log.note(
                QStringLiteral("resumed after row %1 of %2").arg(left->rows).arg(sourceRows));
        }
        return left->rows;
    }
    if (left) {
        dropWorking(work);
        m_log.note(QStringLiteral("dropped the working table an earlier copy of %1 left: its "
                                  "source or its columns have changed since")
                       .arg(QString::fromStdString(work.table)));
    }
    if (!createWorking(work, typed)) {
        return std::nullopt;
    }
    return 0;
}

SendToDb2::TypedLoad SendToDb2::loadTyped(db::Recordset &rows,
                                          const QString &table,
                                          const QString &replaced,
                                          const TypedTable &typed)
{
    TypedLoad load;
    RowCounts &counts = load.counts;
    m_trap(Step::CountRows, [&] { counts.source = rows.recordCount(); });
    WorkingTable work{table.toStdString(), workingName(table.toStdString()), {}};
    work.source = sourceFingerprint(
        m_sourceFile,
        typedCreateText(QString::fromStdString(work.name), asWorking(typed, work)).toStdString());
    const std::optional<std::int64_t> resumeAt = startWorking(work, typed, counts.source);
    if (!resumeAt) {
        return load;
    }
    std::vector<db::backend::Parameter> parameters;
    for (const TypedColumn &column : typed.columns) {
        parameters.push_back(column.parameter);
    }
    std::unique_ptr<db::backend::RowInserter> inserter;
    if (!m_trap(Step::BuildRow, [&] {
            inserter = m_db2.insertRows(
                parameterInsertText(name(work.name).toStdString(), parameters.size()), parameters);
        })) {
        return load;
    }

    UnitSender units(m_trap, m_db2, m_log, *inserter, work, *resumeAt);
    ColumnDigests sent(typed.columns.size());
    bool readable = true; // every row the table has could be read
    std::vector<db::Value> values;
    const RowsEnd end =
        forEachRow(rows, counts.source, m_progress, m_trap, Step::NextRow, [&](std::int64_t r) {
            ++counts.read;
            readable = m_trap(Step::BuildRow, [&] {
                rows.takeRow(values);
                toBound(typed, values);
            });
            if (!readable) {
                return false; // a row the table cannot give ends the load
            }
            sent.add(values);
            // The rows before the checkpoint are already in the working table.
            return r < *resumeAt || units.add(std::move(values));
        });
    // Rows read before a stop go in too, with their checkpoint.
    if (end != RowsEnd::Broken && readable && units.whole() && !m_trap.connectionLost()) {
        units.flush();
    }
    const bool whole = readable && units.whole();
    counts.written = units.committed();
    if (m_progress.stopping() || m_trap.connectionLost() || units.failed() ||
        counts.written < counts.source) {
        if (whole && counts.written > 0) {
            m_log.note(QStringLiteral("the DB2 table was left as it was; %1 of %2 rows wait in "
                                      "a working table, and sending the table again goes on "
                                      "from there")
                           .arg(counts.written)
                           .arg(counts.source));
        } else if (!whole) {
            dropWorking(work); // a row that did not go in would be missed by a resume
        }
        return load;
    }
    if (!verify(work, typed, sent, counts)) {
        dropWorking(work);
        return load;
    }
    load.placed = swap(work, replaced, typed);
    return load;
}

bool SendToDb2::verify(const WorkingTable &work,
                       const TypedTable &typed,
                       const ColumnDigests &sent,
                       RowCounts &counts)
{
    ColumnDigests back(typed.columns.size());
    if (!m_trap(Step::Verify, [&] {
            db::Recordset rows;
            rows.open((QStringLiteral("SELECT * FROM ") + name(work.name)).toStdString(), m_db2);
            std::vector<db::Value> values;
            for (; !rows.eof(); rows.moveNext()) {
                rows.takeRow(values);
                back.add(values);
            }
            rows.close();
        })) {
        return false;
    }
    const std::optional<std::size_t> column = sent.firstDifference(back);
    if (!column) {
        counts.readBack = back.rows(); // the log's verdict counts only a table that agrees
    }
    const QString table = QString::fromStdString(work.table);
    if (back.rows() != sent.rows()) {
        m_trap(Step::Verify, [&] {
            throw db::Error(QStringLiteral("Read back, the DB2 copy of %1 holds %2 rows of %3. "
                                           "The DB2 table was left as it was.")
                                .arg(table)
                                .arg(back.rows())
                                .arg(sent.rows())
                                .toStdString());
        });
        return false;
    }
    if (column) {
        const std::optional<std::int64_t> row = firstDifferingRow(work, typed, *column);
        m_trap(Step::Verify, [&] {
            throw db::Error(
                QStringLiteral("Read back, the DB2 copy of %1 differs from the Paradox table in "
                               "column %2%3. The DB2 table was left as it was.")
                    .arg(table,
                         QString::fromStdString(typed.columns[*column].name),
                         row ? QStringLiteral(", first at row %1").arg(*row) : QString())
                    .toStdString());
        });
        return false;
    }
    counts.valuesCompared = typed.columns.size();
    return true;
}

std::optional<std::int64_t>
SendToDb2::firstDifferingRow(const WorkingTable &work, const TypedTable &typed, std::size_t column)
{
    std::optional<std::int64_t> found;
    m_trap.test(Step::Verify, [&] {
        db::Recordset source;
        source.open("SELECT * FROM " +
                        backtickName(QString::fromStdString(work.table)).toStdString(),
                    m_paradox);
        db::Recordset back;
        back.open((QStringLiteral("SELECT * FROM ") + name(work.name)).toStdString(), m_db2);
        std::vector<db::Value> ours;
        std::vector<db::Value> theirs;
        for (std::int64_t row = 1; !source.eof() && !back.eof(); ++row) {
            source.takeRow(ours);
            toBound(typed, ours);
            back.takeRow(theirs);
            if (comparedText(ours[column]) != comparedText(theirs[column])) {
                found = row;
                break;
            }
            source.moveNext();
            back.moveNext();
        }
        return true;
    });
    return found;
}

bool SendToDb2::swap(const WorkingTable &work, const QString &replaced, const TypedTable &typed)
{
    db::Transaction unit(m_db2);
    bool swapped = m_trap(Step::BeginUnit, [&] { unit.begin(); });
    if (!replaced.isEmpty()) {
        swapped =
            swapped && db2Step(Step::DropTable, QStringLiteral("DROP TABLE ") + db2Name(replaced));
    }
    swapped = swapped && db2Step(Step::Swap,
                                 QStringLiteral("RENAME TABLE ") + name(work.name) +
                                     QStringLiteral(" TO ") + name(work.table));
    for (std::size_t i = 0; i < typed.indexes.size(); ++i) {
        swapped = swapped && db2Step(Step::Swap,
                                     QStringLiteral("RENAME INDEX ") + name(work.indexName(i)) +
                                         QStringLiteral(" TO ") + name(typed.indexes[i].name));
    }
    swapped = swapped && db2Step(Step::Swap, commentText(name(work.table), {}));
    swapped = endUnit(unit, swapped);
    if (swapped && !replaced.isEmpty()) {
        m_trap(Step::RemoveDroppedItem, [&] { RemoveListItem(m_view.db2List(), replaced); });
    }
    return swapped;
}

} // namespace tw::transfer
