// The typed copy's rows: bound values sent in arrays, committed every few thousand rows.

#include "transfer/rowloop.h"
#include "transfer/sendtodb2.h"
#include "transfer/sqltext.h"
#include "transfer/steps.h"

namespace tw::transfer {

namespace {

using Step = steps::SendToDb2;

// Rows of a typed copy between two commits: few enough that a failure costs little, many
// enough that the commits cost nothing beside the rows.
constexpr std::int64_t kRowsPerCommit = 5000;

} // namespace

RowCounts
SendToDb2::copyTypedRows(db::Recordset &rows, const QString &table, const TypedTable &typed)
{
    RowCounts counts;
    m_trap(Step::CountRows, [&] { counts.source = rows.recordCount(); });
    std::vector<db::backend::Parameter> parameters;
    for (const TypedColumn &column : typed.columns) {
        parameters.push_back(column.parameter);
    }
    std::unique_ptr<db::backend::RowInserter> inserter;
    if (!m_trap(Step::BuildRow, [&] {
            inserter = m_db2.insertRows(
                parameterInsertText(db2Name(table).toStdString(), parameters.size()), parameters);
        })) {
        return counts;
    }
    db::Transaction unit(m_db2);
    std::uint64_t committed = 0; // rows DB2 keeps whatever happens next
    // Sends the rows gathered: each row refused gets its box, a failure of them all one box.
    auto send = [&] {
        std::vector<db::backend::RejectedRow> rejected;
        m_trap(Step::SendRow, [&] { rejected = inserter->send(); });
        for (const db::backend::RejectedRow &row : rejected) {
            m_trap(Step::SendRow, [&] { throw row.error; });
        }
    };
    auto commit = [&] {
        send();
        if (unit.active() && !m_trap.connectionLost() &&
            m_trap(Step::SendRow, [&] { unit.commit(); })) {
            committed = inserter->inserted();
        }
    };
    m_trap(Step::BeginRowUnit, [&] { unit.begin(); });
    std::vector<db::Value> values;
    forEachRow(rows, counts.source, m_progress, m_trap, Step::NextRow, [&](std::int64_t r) {
        ++counts.read;
        bool full = false;
        m_trap(Step::BuildRow, [&] {
            rows.takeRow(values);
            toBound(typed, values);
            full = inserter->add(std::move(values));
        });
        if (full) {
            send();
        }
        if ((r + 1) % kRowsPerCommit == 0 && !m_trap.connectionLost()) {
            commit();
            m_trap(Step::BeginRowUnit, [&] { unit.begin(); });
        }
        return true; // rows already read go in, whatever comes next
    });
    if (!m_trap.connectionLost()) {
        commit();
    }
    counts.written = static_cast<std::int64_t>(committed);
    return counts;
}

} // namespace tw::transfer
