#include "transfer/sendtodb2.h"

#include "app/errorlocation.h"
#include "connect/db2connection.h"
#include "transfer/paradoxtables.h"
#include "transfer/rowloop.h"
#include "transfer/sqltext.h"
#include "transfer/steps.h"
#include "transfer/tablefiles.h"

#include <algorithm>
#include <exception>

namespace tw::transfer {

using Step = steps::SendToDb2;

SendToDb2::SendToDb2(app::Dialogs &dialogs, app::OperationLog &log, TransferView &view)
    : m_dialogs(dialogs)
    , m_view(view)
    , m_progress(view.progress())
    , m_trap(dialogs, app::ErrorLocation::Form2_PushButton4_Click)
    , m_log(log, view)
{}

std::vector<TableReport> SendToDb2::run()
{
    TableListView &paradoxList = m_view.paradoxList();
    if (!m_trap.test(Step::CheckCurrentItem, [&] { return paradoxList.hasCurrentItem(); })) {
        m_trap(Step::NothingSelected,
               [&] { m_dialogs.notice(QStringLiteral("Please select a table to send.")); });
        return {};
    }
    m_log.begin(QStringLiteral("Send Table/s To IBM DB2"));
    m_trap(Step::BusyPointer, [&] { m_progress.busy(true); });
    if (!open()) {
        m_progress.busy(false);
        return m_log.tables();
    }
    // The selection is read once: a handler run while the copy lets events through may add
    // or remove items, and a table whose item went meanwhile is passed over.
    std::vector<ListedTable> selected;
    m_trap(Step::ReadSelection, [&] { selected = paradoxList.selectedBottomFirst(); });
    forEachTable(
        selected, m_log, m_trap, m_progress, [&](const ListedTable &table) { copy(table); });
    m_log.closing(QStringLiteral("copied"));
    m_trap(Step::EndPointer, [&] { m_progress.busy(false); });
    close();
    return m_log.tables();
}

bool SendToDb2::open()
{
    const connect::ConnectionSettings fields = m_view.connectionSettings();
    m_trap(Step::ParadoxPump, [&] { m_paradox.setEventPump(stoppingPump(m_progress)); });
    if (!m_trap(Step::OpenParadox, [&] {
            m_paradox.open(ParadoxConnectionString(fields.paradoxFolder).toStdString());
        })) {
        return false;
    }
    m_folder = fields.paradoxFolder;
    m_typed = m_view.keepsTypes(TransferView::Direction::ToDb2);
    if (!m_trap(Step::OpenDb2, [&] {
            m_target = connect::Db2ConnectionString(fields);
            m_db2.open(m_target.toStdString());
        })) {
        return false;
    }
    if (m_typed) {
        m_trap(Step::ServerVersion, [&] { m_booleans = hasBooleans(m_db2.serverVersion()); });
    }
    return true;
}

void SendToDb2::close()
{
    m_trap(Step::CloseDb2, [&] { m_db2.close(); });
    m_trap(Step::CloseParadox, [&] { m_paradox.close(); });
}

bool SendToDb2::showsTarget() const
{
    try {
        return connect::Db2ConnectionString(m_view.connectionSettings()) == m_target;
    } catch (const std::exception &) {
        return false; // fields no connection can be made with show no database
    }
}

std::optional<QString> SendToDb2::askOverwrite(const QString &name)
{
    const TableListView &db2List = m_view.db2List();
    if (!m_trap.test(Step::FindListed, [&] { return ListHasItem(db2List, name); })) {
        return QString();
    }
    QString listed = name;
    m_trap(Step::NameAsListed, [&] { listed = lastMatchIgnoringCase(db2List, name); });
    bool yes = false;
    m_trap(Step::AskOverwrite, [&] {
        yes = m_dialogs.ask(QStringLiteral("Would you like to overwrite ") +
                                app::escapedText(listed) + u'?',
                            QStringLiteral("Overwrite?"));
    });
    if (!yes) {
        return std::nullopt;
    }
    return listed;
}

bool SendToDb2::createTable(const QString &create, const QString &replaced)
{
    db::Transaction unit(m_db2);
    if (!replaced.isEmpty()) {
        const bool begun = m_trap(Step::BeginUnit, [&] { unit.begin(); });
        if (!begun ||
            !db2Step(Step::DropTable, QStringLiteral("DROP TABLE ") + db2Name(replaced))) {
            if (begun && !m_trap.connectionLost()) {
                m_trap(Step::DropTable, [&] { unit.rollback(); });
            }
            return false;
        }
    }
    bool created = db2Step(Step::CreateTable, create);
    if (unit.active() && !m_trap.connectionLost()) {
        if (created) {
            created = m_trap(Step::CommitUnit, [&] { unit.commit(); });
            if (created) {
                m_trap(Step::RemoveDroppedItem,
                       [&] { RemoveListItem(m_view.db2List(), replaced); });
            }
        } else {
            m_trap(Step::CommitUnit, [&] { unit.rollback(); });
        }
    }
    return created;
}

RowCounts SendToDb2::copyRows(db::Recordset &rows, const QString &table)
{
    RowCounts counts;
    m_trap(Step::CountRows, [&] { counts.source = rows.recordCount(); });
    const std::string target = db2Name(table).toStdString();
    std::vector<db::Value> values;
    forEachRow(rows, counts.source, m_progress, m_trap, Step::NextRow, [&](std::int64_t) {
        ++counts.read;
        std::string insert;
        m_trap(Step::BuildRow, [&] {
            rows.takeRow(values);
            insert = insertText(target, values);
        });
        if (!insert.empty() && m_trap(Step::SendRow, [&] { m_db2.execute(insert); })) {
            ++counts.written;
        }
        return true; // a row DB2 refuses is reported; the copy goes on
    });
    return counts;
}

std::optional<TypedTable> SendToDb2::planTyped(const QString &paradoxName,
                                               const db::Recordset &rows)
{
    std::optional<TypedTable> typed;
    m_trap(Step::BuildCreate, [&] {
        const std::vector<std::filesystem::path> files = tableFilesOf(m_folder, paradoxName);
        if (files.empty()) {
            throw db::Error("The Paradox folder has no table " + paradoxName.toStdString());
        }
        TypedTable plan = planTypedTable(files.front(), paradoxName.toStdString(), m_booleans);
        m_sourceFile = files.front();
        // The rows come from the table as it was opened; a table replaced since has other
        // fields, and its rows would not fit.
        if (plan.columns.size() != rows.fields().size()) {
            throw db::Error("The Paradox table " + paradoxName.toStdString() +
                            " changed while it was read");
        }
        typed = std::move(plan);
    });
    return typed;
}

std::optional<std::int64_t> SendToDb2::countRows(const QString &table)
{
    try {
        db::Recordset count;
        count.open("SELECT COUNT(*) FROM " + db2Name(table).toStdString(), m_db2);
        const db::Value &value = count.value(0);
        if (value.kind() != db::ValueKind::Integer) {
            return std::nullopt;
        }
        const std::int64_t rows = value.asInteger();
        count.close();
        return rows;
    } catch (const db::Error &) {
        return std::nullopt; // the log says it could not be read back
    }
}

void SendToDb2::logTyped(const TypedTable &typed)
{
    m_log.note(QStringLiteral("typed copy: %1 columns, %2 key columns, %3 indexes")
                   .arg(typed.columns.size())
                   .arg(std::count_if(typed.columns.begin(),
                                      typed.columns.end(),
                                      [](const TypedColumn &c) { return c.key; }))
                   .arg(typed.indexes.size()));
    for (const std::string &note : typed.notes) {
        m_log.note(QString::fromStdString(note));
    }
}

void SendToDb2::copy(const ListedTable &table)
{
    const QString &paradoxName = table.name;
    TableTurn turn(m_log, m_trap, m_progress, paradoxName);
    if (!holds(m_view.paradoxList(), table)) {
        turn.skip(QStringLiteral("no longer listed"));
        return;
    }
    const std::optional<QString> replaced = askOverwrite(paradoxName);
    if (!replaced) {
        turn.skip(QStringLiteral("not overwritten"));
        return;
    }
    // The Paradox table is opened before anything is dropped: a table that cannot be read
    // must not cost the DB2 table.
    db::Recordset rows;
    if (!m_trap(Step::OpenRows, [&] {
            rows.setCursorLocation(db::CursorLocation::Client);
            rows.open("SELECT * FROM " + backtickName(paradoxName).toStdString(), m_paradox);
        })) {
        return;
    }
    std::optional<TypedTable> typed;
    QString create;
    if (m_typed) {
        typed = planTyped(paradoxName, rows);
    } else {
        m_trap(Step::BuildCreate, [&] { create = db2CreateText(paradoxName, rows.fields()); });
    }
    if (!typed && (create.isEmpty() || !createTable(create, *replaced))) {
        m_trap(Step::CloseRows, [&] { rows.close(); });
        return;
    }
    RowCounts counts;
    bool placed = true;
    if (typed) {
        TypedLoad load = loadTyped(rows, paradoxName, *replaced, *typed);
        counts = load.counts;
        placed = load.placed;
    } else {
        counts = copyRows(rows, paradoxName);
    }
    m_trap(Step::DefaultPointer, [&] { m_progress.busy(false); });
    m_trap(Step::ResetProgress, [&] { m_progress.reset(); });
    m_trap(Step::CloseRows, [&] { rows.close(); });
    // The list shows the database the view shows now, each table once.
    const ListedTable made{{}, paradoxName};
    if (placed && showsTarget() && !holds(m_view.db2List(), made)) {
        m_trap(Step::AddItem, [&] { m_view.db2List().add(made); });
    }
    if (!typed && !m_progress.stopping()) {
        counts.readBack = countRows(paradoxName);
    }
    m_log.rows(paradoxName, counts);
    if (typed) {
        logTyped(*typed);
    }
    turn.finish(placed && counts.written == counts.source,
                replaced->isEmpty() ? QString() : QStringLiteral("replaced the DB2 table"));
}

} // namespace tw::transfer
