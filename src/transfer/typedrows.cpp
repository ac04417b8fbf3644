// The typed copy's load: the rows go into a working table of their own, committed with a
// checkpoint every few thousand rows; the table is read back and compared value by value;
// only then one unit of work drops the old table and gives the working table its name.

#include "transfer/paradoxtables.h"
#include "transfer/rowloop.h"
#include "transfer/sendtodb2.h"
#include "transfer/sqltext.h"
#include "transfer/steps.h"
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

QString sqlString(const std::string &text)
{
    QString quoted = QString::fromStdString(text);
    quoted.replace(u'\'', QStringLiteral("''"));
    return u'\'' + quoted + u'\'';
}

QString name(const std::string &text)
{
    return db2Name(QString::fromStdString(text));
}

// The typed table as the working table has it: its indexes under working names.
TypedTable asWorking(const TypedTable &typed, const std::string &table)
{
    TypedTable working = typed;
    for (std::size_t i = 0; i < working.indexes.size(); ++i) {
        working.indexes[i].name = workingIndexName(table, i);
    }
    return working;
}

} // namespace

std::optional<Checkpoint> SendToDb2::findWorking(const std::string &work)
{
    std::optional<Checkpoint> found;
    std::vector<std::string> stale;
    const std::int64_t now = secondsNow();
    m_trap(Step::FindWorking, [&] {
        const std::optional<std::string> current = currentSchema(m_db2);
        db::Recordset tables;
        tables.openSchema(db::adSchemaTables, m_db2);
        while (!tables.eof()) {
            const std::string table = tables.value("TABLE_NAME").toText();
            const std::string owner = tables.value("TABLE_SCHEM").toText();
            if (isWorkingName(table) && (owner.empty() || owner == current)) {
                const std::optional<Checkpoint> checkpoint =
                    parseCheckpoint(tables.value("REMARKS").toText());
                if (table == work) {
                    found = checkpoint.value_or(Checkpoint{});
                } else if (checkpoint && now - checkpoint->at > kStaleSeconds) {
                    stale.push_back(table);
                }
            }
            tables.moveNext();
        }
        tables.close();
    });
    for (const std::string &table : stale) {
        if (m_trap(Step::DropWorking, [&] {
                m_db2.execute((QStringLiteral("DROP TABLE ") + name(table)).toStdString());
            })) {
            m_log.note(QStringLiteral("dropped the working table %1 a copy left over a day ago")
                           .arg(QString::fromStdString(table)));
        }
    }
    return found;
}

bool SendToDb2::createWorking(const std::string &work,
                              const TypedTable &typed,
                              const std::string &source)
{
    const TypedTable working = asWorking(typed, m_loadedTable);
    auto db2Step = [&](Step step, const QString &sql) {
        return m_trap(step, [&] { m_db2.execute(sql.toStdString()); });
    };
    db::Transaction unit(m_db2);
    if (!m_trap(Step::BeginUnit, [&] { unit.begin(); })) {
        return false;
    }
    bool created =
        db2Step(Step::CreateTable, typedCreateText(QString::fromStdString(work), working));
    for (const QString &index : typedIndexTexts(QString::fromStdString(work), working)) {
        created = created && db2Step(Step::CreateTable, index);
    }
    created = created &&
              db2Step(Step::Checkpoint,
                      QStringLiteral("COMMENT ON TABLE ") + name(work) + QStringLiteral(" IS ") +
                          sqlString(checkpointText({0, source, secondsNow()})));
    if (created) {
        return m_trap(Step::CommitUnit, [&] { unit.commit(); });
    }
    if (unit.active() && !m_trap.connectionLost()) {
        m_trap(Step::CommitUnit, [&] { unit.rollback(); });
    }
    return false;
}

void SendToDb2::dropWorking(const std::string &work)
{
    if (!m_trap.connectionLost()) {
        m_trap(Step::DropWorking,
               [&] { m_db2.execute((QStringLiteral("DROP TABLE ") + name(work)).toStdString()); });
    }
}

SendToDb2::TypedLoad SendToDb2::loadTyped(db::Recordset &rows,
                                          const QString &table,
                                          const QString &replaced,
                                          const TypedTable &typed)
{
    TypedLoad load;
    RowCounts &counts = load.counts;
    m_trap(Step::CountRows, [&] { counts.source = rows.recordCount(); });
    m_loadedTable = table.toStdString();
    const std::string work = workingName(m_loadedTable);
    const TypedTable working = asWorking(typed, m_loadedTable);
    const std::string source = sourceFingerprint(
        m_sourceFile, typedCreateText(QString::fromStdString(work), working).toStdString());

    // A working table from the same source, the same table plan and the same folder is taken
    // up where its checkpoint says; any other is dropped and the load starts afresh.
    std::int64_t resumeAt = 0;
    const std::optional<Checkpoint> left = findWorking(work);
    if (m_trap.connectionLost()) {
        return load;
    }
    if (left && !source.empty() && left->source == source && left->rows <= counts.source) {
        resumeAt = left->rows;
        if (resumeAt > 0) {
            m_log.note(
                QStringLiteral("resumed after row %1 of %2").arg(resumeAt).arg(counts.source));
        }
    } else {
        if (left) {
            dropWorking(work);
            m_log.note(
                QStringLiteral(
                    "dropped the working table an earlier copy of %1 left: its source or its "
                    "columns have changed since")
                    .arg(table));
        }
        if (!createWorking(work, typed, source)) {
            return load;
        }
    }

    std::vector<db::backend::Parameter> parameters;
    for (const TypedColumn &column : typed.columns) {
        parameters.push_back(column.parameter);
    }
    std::unique_ptr<db::backend::RowInserter> inserter;
    if (!m_trap(Step::BuildRow, [&] {
            inserter = m_db2.insertRows(
                parameterInsertText(name(work).toStdString(), parameters.size()), parameters);
        })) {
        return load;
    }

    ColumnDigests sent(typed.columns.size());
    std::vector<std::vector<db::Value>> pending; // rows read since the last commit
    std::int64_t interval = kRowsPerCommit;
    std::int64_t committed = resumeAt; // the source's first rows the working table keeps
    bool whole = true;                 // every row read went in, or will
    bool failed = false;               // the load cannot go on

    // Sends the rows of one unit of work. True when they are committed with their
    // checkpoint; `full` when DB2's log could not hold them (the unit is rolled back).
    auto sendUnit = [&](std::size_t count, bool &full) {
        db::Transaction unit(m_db2);
        if (!m_trap(Step::BeginRowUnit, [&] { unit.begin(); })) {
            return false;
        }
        auto send = [&] {
            std::vector<db::backend::RejectedRow> rejected;
            try {
                rejected = inserter->send();
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
                    whole = false;
                    m_trap(Step::SendRow, [&] { throw row.error; });
                }
            }
        };
        for (std::size_t i = 0; i < count && !full; ++i) {
            if (inserter->add(pending[i])) {
                send();
            }
        }
        if (!full) {
            send();
        }
        bool kept = false;
        if (!full && whole && !m_trap.connectionLost()) {
            const Checkpoint checkpoint{
                committed + static_cast<std::int64_t>(count), source, secondsNow()};
            kept = m_trap(Step::Checkpoint,
                          [&] {
                              m_db2.execute((QStringLiteral("COMMENT ON TABLE ") + name(work) +
                                             QStringLiteral(" IS ") +
                                             sqlString(checkpointText(checkpoint)))
                                                .toStdString());
                          }) &&
                   m_trap(Step::SendRow, [&] { unit.commit(); });
        }
        if (!kept && unit.active() && !m_trap.connectionLost()) {
            m_trap(Step::SendRow, [&] { unit.rollback(); });
        }
        return kept;
    };
    // Commits the rows read since the last commit, in smaller units while the log is full.
    auto flush = [&] {
        while (!pending.empty() && !failed) {
            const std::size_t count = std::min(pending.size(), static_cast<std::size_t>(interval));
            bool full = false;
            if (sendUnit(count, full)) {
                committed += static_cast<std::int64_t>(count);
                pending.erase(pending.begin(),
                              pending.begin() + static_cast<std::ptrdiff_t>(count));
            } else if (full && interval > 1) {
                interval = std::max<std::int64_t>(1, static_cast<std::int64_t>(count) / 2);
                m_log.note(QStringLiteral("the DB2 transaction log is full: committing every %1 "
                                          "rows")
                               .arg(interval));
            } else {
                if (full) {
                    m_trap(Step::SendRow, [] {
                        throw db::Error("The transaction log for the database is full.", "57011");
                    });
                }
                failed = true;
            }
        }
        return !failed;
    };

    std::vector<db::Value> values;
    const RowsEnd end =
        forEachRow(rows, counts.source, m_progress, m_trap, Step::NextRow, [&](std::int64_t r) {
            ++counts.read;
            if (!m_trap(Step::BuildRow, [&] {
                    rows.takeRow(values);
                    toBound(typed, values);
                })) {
                whole = false;
                return false; // a row the table cannot give ends the load
            }
            sent.add(values);
            if (r < resumeAt) {
                return true; // already in the working table
            }
            pending.push_back(std::move(values));
            if (static_cast<std::int64_t>(pending.size()) >= interval) {
                return flush() && whole;
            }
            return true;
        });
    // Rows read before a stop go in too, with their checkpoint.
    if (end != RowsEnd::Broken && whole && !m_trap.connectionLost()) {
        flush();
    }
    counts.written = committed;
    if (m_progress.stopping() || m_trap.connectionLost() || failed || committed < counts.source) {
        if (whole && committed > 0) {
            m_log.note(QStringLiteral("the DB2 table was left as it was; %1 of %2 rows wait in "
                                      "a working table, and sending the table again goes on "
                                      "from there")
                           .arg(committed)
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
    load.placed = swap(work, table, replaced, typed);
    return load;
}

bool SendToDb2::verify(const std::string &work,
                       const TypedTable &typed,
                       const ColumnDigests &sent,
                       RowCounts &counts)
{
    ColumnDigests back(typed.columns.size());
    if (!m_trap(Step::Verify, [&] {
            db::Recordset rows;
            rows.open((QStringLiteral("SELECT * FROM ") + name(work)).toStdString(), m_db2);
            std::vector<db::Value> values;
            while (!rows.eof()) {
                rows.takeRow(values);
                back.add(values);
                rows.moveNext();
            }
            rows.close();
        })) {
        return false;
    }
    const std::optional<std::size_t> column = sent.firstDifference(back);
    if (!column) {
        counts.readBack = back.rows(); // the log's verdict counts only a table that agrees
    }
    const QString table = QString::fromStdString(m_loadedTable);
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
SendToDb2::firstDifferingRow(const std::string &work, const TypedTable &typed, std::size_t column)
{
    std::optional<std::int64_t> found;
    m_trap.test(Step::Verify, [&] {
        db::Recordset source;
        source.open("SELECT * FROM " +
                        backtickName(QString::fromStdString(m_loadedTable)).toStdString(),
                    m_paradox);
        db::Recordset back;
        back.open((QStringLiteral("SELECT * FROM ") + name(work)).toStdString(), m_db2);
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

bool SendToDb2::swap(const std::string &work,
                     const QString &table,
                     const QString &replaced,
                     const TypedTable &typed)
{
    auto db2Step = [&](Step step, const QString &sql) {
        return m_trap(step, [&] { m_db2.execute(sql.toStdString()); });
    };
    db::Transaction unit(m_db2);
    bool swapped = m_trap(Step::BeginUnit, [&] { unit.begin(); });
    if (!replaced.isEmpty()) {
        swapped =
            swapped && db2Step(Step::DropTable, QStringLiteral("DROP TABLE ") + db2Name(replaced));
    }
    swapped = swapped && db2Step(Step::Swap,
                                 QStringLiteral("RENAME TABLE ") + name(work) +
                                     QStringLiteral(" TO ") + db2Name(table));
    for (std::size_t i = 0; i < typed.indexes.size(); ++i) {
        swapped = swapped && db2Step(Step::Swap,
                                     QStringLiteral("RENAME INDEX ") +
                                         name(workingIndexName(m_loadedTable, i)) +
                                         QStringLiteral(" TO ") + name(typed.indexes[i].name));
    }
    swapped = swapped && db2Step(Step::Swap,
                                 QStringLiteral("COMMENT ON TABLE ") + db2Name(table) +
                                     QStringLiteral(" IS ''"));
    if (swapped) {
        swapped = m_trap(Step::CommitUnit, [&] { unit.commit(); });
    } else if (unit.active() && !m_trap.connectionLost()) {
        m_trap(Step::CommitUnit, [&] { unit.rollback(); });
    }
    if (swapped && !replaced.isEmpty()) {
        m_trap(Step::RemoveDroppedItem, [&] { RemoveListItem(m_view.db2List(), replaced); });
    }
    return swapped;
}

} // namespace tw::transfer
