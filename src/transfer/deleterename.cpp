// Delete and rename, on both sides of the transfer page.

#include "app/errorlocation.h"
#include "app/errortrap.h"
#include "connect/db2connection.h"
#include "connect/paradoxfolder.h"
#include "core/filename.h"
#include "db/connection.h"
#include "transfer/form2.h"
#include "transfer/paradoxtables.h"
#include "transfer/sqltext.h"
#include "transfer/tablefiles.h"
#include "transfer/tablelist.h"

#include <functional>

namespace tw::transfer {

bool Form2::openDb2(app::ErrorTrap &trap, int line, db::Connection &db2)
{
    return trap(line, [&] {
        db2.open(connect::Db2ConnectionString(m_connectionPage.connectionSettings()).toStdString());
    });
}

void Form2::PushButton1_Click()
{
    app::ErrorTrap trap{m_dialogs, app::ErrorLocation::Form2_PushButton1_Click};
    db::Connection db2;
    trap(102, [&] { setMousePointer(MousePointer::Hourglass); });
    const bool opened = openDb2(trap, 104, db2);
    if (trap.test(106, [&] { return List1->currentIndex() != -1; })) {
        logOperation(QStringLiteral("Delete Table/s (DB2)"));
        Tally tally;
        // Without a connection every DROP would fail in turn: the failed open was reported.
        for (const QPersistentModelIndex &entry : List1->selectedBottomFirst()) {
            if (!opened) {
                break;
            }
            if (!entry.isValid()) {
                continue; // removed meanwhile
            }
            // The table the item stands for, its schema named when it is not the current one.
            const ListedTable table = TableList::tableOf(*List1->item(entry.row()));
            TableTurn turn(*this, tally, trap, table.shown());
            turn.finish(true, QStringLiteral("dropped"));
            // A lost connection fails every later DROP: report it once, keep those items.
            if (!trap(112,
                      [&] {
                          db2.execute(
                              (QStringLiteral("DROP TABLE ") + db2Name(table)).toStdString());
                      }) &&
                trap.connectionLost()) {
                break;
            }
            trap(114, [&] {
                if (entry.isValid()) {
                    delete List1->takeItem(entry.row());
                }
            });
        }
        logClosing(tally, QStringLiteral("deleted"));
    } else {
        trap(118, [&] { m_dialogs.notice(QStringLiteral("Please select a table to delete")); });
    }
    trap(120, [&] { setMousePointer(MousePointer::Default); });
}

void Form2::PushButton5_Click()
{
    app::ErrorTrap trap{m_dialogs, app::ErrorLocation::Form2_PushButton5_Click};
    trap(100, [&] { setMousePointer(MousePointer::Hourglass); });
    const QString folder = m_connectionPage.connectionSettings().Text1;
    if (trap.test(102, [&] { return List2->currentIndex() != -1; })) {
        logOperation(QStringLiteral("Delete Table/s (Paradox)"));
        Tally tally;
        // Deleting lets events through: the selection is read once and each item checked
        // again before it is used.
        for (const QPersistentModelIndex &entry : List2->selectedBottomFirst()) {
            if (!entry.isValid()) {
                continue; // removed meanwhile
            }
            const QString name = entry.data().toString();
            TableTurn turn(*this, tally, trap, name);
            // Both spellings of the extension name the files of one table, matched ignoring case.
            bool deleted = false;
            QStringList where;
            trap(108, [&] { deleted = deleteParadoxTable(folder, name, &where); });
            if (deleted) {
                turn.finish(true, where.join(QStringLiteral("; ")));
                trap(114, [&] {
                    if (entry.isValid()) {
                        delete List2->takeItem(entry.row());
                    }
                });
            } else if (trap.reports() == turn.reportsAtStart()) {
                // An item no file answers to (a table listed from a folder below, or one
                // removed meanwhile) is said so, never passed over in silence.
                trap.report(110,
                            QStringLiteral("The folder ") +
                                QString::fromStdString(shownText(folder.toStdString())) +
                                QStringLiteral(" holds no table file named ") +
                                app::escapedText(name) +
                                QStringLiteral(" (a table listed from a folder below it is in "
                                               "that folder): nothing was deleted."));
            }
        }
        logClosing(tally, QStringLiteral("deleted"));
    } else {
        trap(126, [&] { m_dialogs.notice(QStringLiteral("Please select a table to delete.")); });
    }
    trap(128, [&] { setMousePointer(MousePointer::Default); });
}

void Form2::renameSelected(app::ErrorTrap &trap,
                           const QString &operation,
                           TableList &list,
                           int listLine,
                           bool canWork,
                           const std::function<bool(const ListedTable &, const QString &)> &rename)
{
    if (!trap.test(106, [&] { return list.currentIndex() != -1; })) {
        trap(listLine + 10,
             [&] { m_dialogs.notice(QStringLiteral("Please select a table to rename.")); });
        return;
    }
    if (!trap.test(108, [&] { return list.selectedCount() == 1; })) {
        trap(listLine + 8,
             [&] { m_dialogs.notice(QStringLiteral("Please select just one table to rename.")); });
        return;
    }
    logOperation(operation);
    Tally tally;
    for (int i = list.count() - 1; i >= 0 && canWork; --i) {
        if (i >= list.count() || !trap.test(112, [&] { return list.item(i)->isSelected(); })) {
            continue;
        }
        const QString oldName = list.item(i)->text();
        // A DB2 table of another schema keeps it: the new name is the table's own.
        const ListedTable old = TableList::tableOf(*list.item(i));
        TableTurn turn(*this, tally, trap, oldName);
        QString newName;
        trap(116, [&] {
            newName = m_dialogs.input(
                QStringLiteral("Enter new name of ") + app::escapedText(oldName) + u':', old.name);
        });
        // The rename may let events through: the item is followed, not its index.
        const QPersistentModelIndex entry(list.model()->index(i, 0));
        if (newName.isEmpty()) {
            turn.skip(QStringLiteral("no new name given"));
            continue;
        }
        if (!rename(old, newName)) {
            continue;
        }
        turn.finish(true, QStringLiteral("renamed to ") + newName);
        trap(listLine, [&] {
            if (entry.isValid()) {
                delete list.takeItem(entry.row());
            }
        });
        trap(listLine + 2, [&] { list.addTable(ListedTable{old.schema, newName}); });
        trap(listLine + 4, [&] { list.makeFirstCurrent(); });
    }
    logClosing(tally, QStringLiteral("renamed"));
}

void Form2::PushButton6_Click()
{
    app::ErrorTrap trap{m_dialogs, app::ErrorLocation::Form2_PushButton6_Click};
    db::Connection db2;
    trap(102, [&] { setMousePointer(MousePointer::Hourglass); });
    const bool opened = openDb2(trap, 104, db2);
    // A rename DB2 rejects is reported; the list still follows it.
    renameSelected(trap,
                   QStringLiteral("Rename Table (DB2)"),
                   *List1,
                   122,
                   opened,
                   [&](const ListedTable &old, const QString &newName) {
                       trap(120, [&] {
                           db2.execute((QStringLiteral("RENAME ") + db2Name(old) +
                                        QStringLiteral(" TO ") + db2Name(newName))
                                           .toStdString());
                       });
                       return true;
                   });
    trap(134, [&] { setMousePointer(MousePointer::Default); });
}

void Form2::PushButton7_Click()
{
    app::ErrorTrap trap{m_dialogs, app::ErrorLocation::Form2_PushButton7_Click};
    db::Connection paradox;
    trap(102, [&] { setMousePointer(MousePointer::Hourglass); });
    const QString folder = m_connectionPage.connectionSettings().Text1;
    // A folder text that names no folder gets its one box here: nothing can be renamed in it.
    if (!trap(104, [&] { paradox.open(ParadoxConnectionString(folder).toStdString()); }) &&
        !connect::isFolderText(folder)) {
        trap(136, [&] { setMousePointer(MousePointer::Default); });
        return;
    }
    // The list follows only a rename that happened.
    renameSelected(
        trap,
        QStringLiteral("Rename Table (Paradox)"),
        *List2,
        124,
        true,
        [&](const ListedTable &old, const QString &newName) {
            // The table stays in its folder: a name that is a path is refused.
            if (const QString problem = paradoxNameProblem(newName); !problem.isEmpty()) {
                trap.report(120, problem);
                return false;
            }
            bool renamed = false;
            trap(120, [&] { renamed = RenameFile(folder, old.name, newName, m_dialogs); });
            return renamed;
        });
    trap(136, [&] { setMousePointer(MousePointer::Default); });
}

} // namespace tw::transfer
