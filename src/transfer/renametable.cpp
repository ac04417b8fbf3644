#include "transfer/renametable.h"

#include "app/errorlocation.h"
#include "connect/db2connection.h"
#include "connect/paradoxfolder.h"
#include "db/connection.h"
#include "transfer/paradoxtables.h"
#include "transfer/sqltext.h"
#include "transfer/tablefiles.h"

namespace tw::transfer {

using Step = steps::Rename;

void renameSelected(app::ErrorTrap &trap,
                    app::Dialogs &dialogs,
                    PressLog &log,
                    TransferView &view,
                    TableListView &list,
                    const QString &operation,
                    const steps::RenameListSteps &listSteps,
                    bool canWork,
                    const std::function<bool(const ListedTable &, const QString &)> &rename)
{
    if (!trap.test(Step::CheckCurrentItem, [&] { return list.hasCurrentItem(); })) {
        trap(listSteps.nothingSelected,
             [&] { dialogs.notice(QStringLiteral("Please select a table to rename.")); });
        return;
    }
    if (!trap.test(Step::CheckOneSelected, [&] { return list.selectedCount() == 1; })) {
        trap(listSteps.notJustOne,
             [&] { dialogs.notice(QStringLiteral("Please select just one table to rename.")); });
        return;
    }
    log.begin(operation);
    std::vector<ListedTable> selected;
    trap(Step::CheckSelected, [&] { selected = list.selectedBottomFirst(); });
    for (const ListedTable &old : canWork ? selected : std::vector<ListedTable>()) {
        TableTurn turn(log, trap, view.progress(), old.shown());
        // A DB2 table of another schema keeps it: the new name is the table's own.
        QString newName;
        trap(Step::AskName, [&] {
            newName = dialogs.input(QStringLiteral("Enter new name of ") +
                                        app::escapedText(old.shown()) + u':',
                                    old.name);
        });
        if (newName.isEmpty()) {
            turn.skip(QStringLiteral("no new name given"));
            continue;
        }
        if (!rename(old, newName)) {
            continue;
        }
        turn.finish(true, QStringLiteral("renamed to ") + newName);
        // The rename may let events through: the item is followed, not its index.
        trap(listSteps.removeItem, [&] { list.remove(old); });
        trap(listSteps.addItem, [&] { list.add(ListedTable{old.schema, newName}); });
        trap(listSteps.makeFirstCurrent, [&] { list.makeFirstCurrent(); });
    }
    log.closing(QStringLiteral("renamed"));
}

RenameDb2Table::RenameDb2Table(app::Dialogs &dialogs, app::OperationLog &log, TransferView &view)
    : m_dialogs(dialogs)
    , m_log(log)
    , m_view(view)
{}

std::vector<TableReport> RenameDb2Table::run()
{
    app::ErrorTrap trap{m_dialogs, app::ErrorLocation::Form2_PushButton6_Click};
    PressLog log(m_log, m_view);
    db::Connection db2;
    trap(Step::BusyPointer, [&] { m_view.progress().busy(true); });
    const bool opened = trap(Step::Open, [&] {
        db2.open(connect::Db2ConnectionString(m_view.connectionSettings()).toStdString());
    });
    // A rename DB2 rejects is reported; the list still follows it.
    renameSelected(trap,
                   m_dialogs,
                   log,
                   m_view,
                   m_view.db2List(),
                   QStringLiteral("Rename Table (DB2)"),
                   steps::kRenameDb2,
                   opened,
                   [&](const ListedTable &old, const QString &newName) {
                       trap(Step::RenameTable, [&] {
                           db2.execute((QStringLiteral("RENAME ") + db2Name(old) +
                                        QStringLiteral(" TO ") + db2Name(newName))
                                           .toStdString());
                       });
                       return true;
                   });
    trap(steps::kRenameDb2.defaultPointer, [&] { m_view.progress().busy(false); });
    return log.tables();
}

RenameParadoxTable::RenameParadoxTable(app::Dialogs &dialogs,
                                       app::OperationLog &log,
                                       TransferView &view)
    : m_dialogs(dialogs)
    , m_log(log)
    , m_view(view)
{}

std::vector<TableReport> RenameParadoxTable::run()
{
    app::ErrorTrap trap{m_dialogs, app::ErrorLocation::Form2_PushButton7_Click};
    PressLog log(m_log, m_view);
    Progress &progress = m_view.progress();
    db::Connection paradox;
    trap(Step::BusyPointer, [&] { progress.busy(true); });
    const QString folder = m_view.connectionSettings().paradoxFolder;
    // A folder text that names no folder gets its one box here: nothing can be renamed in it.
    if (!trap(Step::Open, [&] { paradox.open(ParadoxConnectionString(folder).toStdString()); }) &&
        !connect::isFolderText(folder)) {
        trap(steps::kRenameParadox.defaultPointer, [&] { progress.busy(false); });
        return log.tables();
    }
    // The list follows only a rename that happened.
    renameSelected(
        trap,
        m_dialogs,
        log,
        m_view,
        m_view.paradoxList(),
        QStringLiteral("Rename Table (Paradox)"),
        steps::kRenameParadox,
        true,
        [&](const ListedTable &old, const QString &newName) {
            // The table stays in its folder: a name that is a path is refused.
            if (const QString problem = paradoxNameProblem(newName); !problem.isEmpty()) {
                trap.report(Step::RenameTable, problem);
                return false;
            }
            bool renamed = false;
            trap(Step::RenameTable, [&] {
                renamed =
                    RenameFile(folder, old.name, newName, m_dialogs, [&] { progress.tick(); });
            });
            return renamed;
        });
    trap(steps::kRenameParadox.defaultPointer, [&] { progress.busy(false); });
    return log.tables();
}

} // namespace tw::transfer
