#include "transfer/deletetables.h"

#include "app/errorlocation.h"
#include "app/errortrap.h"
#include "connect/db2connection.h"
#include "core/filename.h"
#include "db/connection.h"
#include "transfer/sqltext.h"
#include "transfer/steps.h"
#include "transfer/tablefiles.h"

namespace tw::transfer {

DeleteDb2Tables::DeleteDb2Tables(app::Dialogs &dialogs, app::OperationLog &log, TransferView &view)
    : m_dialogs(dialogs)
    , m_log(log)
    , m_view(view)
{}

std::vector<TableReport> DeleteDb2Tables::run()
{
    using Step = steps::DeleteDb2;
    app::ErrorTrap trap{m_dialogs, app::ErrorLocation::Form2_PushButton1_Click};
    Progress &progress = m_view.progress();
    TableListView &list = m_view.db2List();
    PressLog log(m_log, m_view);
    db::Connection db2;
    trap(Step::BusyPointer, [&] { progress.busy(true); });
    const bool opened = trap(Step::OpenDb2, [&] {
        db2.open(connect::Db2ConnectionString(m_view.connectionSettings()).toStdString());
    });
    if (trap.test(Step::CheckCurrentItem, [&] { return list.hasCurrentItem(); })) {
        log.begin(QStringLiteral("Delete Table/s (DB2)"));
        // Without a connection every DROP would fail in turn: the failed open was reported.
        for (const ListedTable &table :
             opened ? list.selectedBottomFirst() : std::vector<ListedTable>()) {
            if (!holds(list, table)) {
                continue; // removed meanwhile
            }
            TableTurn turn(log, trap, progress, table.shown());
            turn.finish(true, QStringLiteral("dropped"));
            // A lost connection fails every later DROP: report it once, keep those items. The
            // table is named with its schema when it is not in the current one.
            if (!trap(Step::DropTable,
                      [&] {
                          db2.execute(
                              (QStringLiteral("DROP TABLE ") + db2Name(table)).toStdString());
                      }) &&
                trap.connectionLost()) {
                break;
            }
            trap(Step::RemoveItem, [&] { list.remove(table); });
        }
        log.closing(QStringLiteral("deleted"));
    } else {
        trap(Step::NothingSelected,
             [&] { m_dialogs.notice(QStringLiteral("Please select a table to delete")); });
    }
    trap(Step::DefaultPointer, [&] { progress.busy(false); });
    return log.tables();
}

DeleteParadoxTables::DeleteParadoxTables(app::Dialogs &dialogs,
                                         app::OperationLog &log,
                                         TransferView &view)
    : m_dialogs(dialogs)
    , m_log(log)
    , m_view(view)
{}

std::vector<TableReport> DeleteParadoxTables::run()
{
    using Step = steps::DeleteParadox;
    app::ErrorTrap trap{m_dialogs, app::ErrorLocation::Form2_PushButton5_Click};
    Progress &progress = m_view.progress();
    TableListView &list = m_view.paradoxList();
    PressLog log(m_log, m_view);
    trap(Step::BusyPointer, [&] { progress.busy(true); });
    const QString folder = m_view.connectionSettings().paradoxFolder;
    if (trap.test(Step::CheckCurrentItem, [&] { return list.hasCurrentItem(); })) {
        log.begin(QStringLiteral("Delete Table/s (Paradox)"));
        // Deleting lets events through: the selection is read once and each item checked
        // again before it is used.
        for (const ListedTable &table : list.selectedBottomFirst()) {
            if (!holds(list, table)) {
                continue; // removed meanwhile
            }
            TableTurn turn(log, trap, progress, table.name);
            // Both spellings of the extension name the files of one table, matched ignoring case.
            bool deleted = false;
            QStringList where;
            trap(Step::DeleteFiles, [&] {
                deleted = deleteParadoxTable(
                    folder, table.name, [&] { progress.tick(); }, &where);
            });
            if (deleted) {
                turn.finish(true, where.join(QStringLiteral("; ")));
                trap(Step::RemoveItem, [&] { list.remove(table); });
            } else if (trap.reports() == turn.reportsAtStart()) {
                // An item no file answers to (a table listed from a folder below, or one
                // removed meanwhile) is said so, never passed over in silence.
                trap.report(Step::NoFile,
                            QStringLiteral("The folder ") +
                                QString::fromStdString(shownText(folder.toStdString())) +
                                QStringLiteral(" holds no table file named ") +
                                app::escapedText(table.name) +
                                QStringLiteral(" (a table listed from a folder below it is in "
                                               "that folder): nothing was deleted."));
            }
        }
        log.closing(QStringLiteral("deleted"));
    } else {
        trap(Step::NothingSelected,
             [&] { m_dialogs.notice(QStringLiteral("Please select a table to delete.")); });
    }
    trap(Step::DefaultPointer, [&] { progress.busy(false); });
    return log.tables();
}

} // namespace tw::transfer
