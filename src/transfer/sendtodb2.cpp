// "Send Table/s To IBM DB2": the selected Paradox tables, bottom first, created in DB2 and
// filled one literal INSERT per row.

#include "app/errorlocation.h"
#include "app/errortrap.h"
#include "app/eventpump.h"
#include "connect/db2connection.h"
#include "db/connection.h"
#include "transfer/datatype.h"
#include "transfer/form2.h"
#include "transfer/paradoxtables.h"
#include "transfer/sqltext.h"
#include "transfer/tablelist.h"

#include <optional>

namespace tw::transfer {

void Form2::PushButton4_Click()
{
    app::ErrorTrap trap{m_dialogs, app::ErrorLocation::Form2_PushButton4_Click};
    db::Connection db2;     // 100
    db::Connection paradox; // 102
    if (!trap.test(108, [&] { return List2->currentIndex() != -1; })) {
        trap(282, [&] { m_dialogs.notice(QStringLiteral("Please select a table to send.")); });
        return;
    }
    logOperation(QStringLiteral("Send Table/s To IBM DB2"));
    Tally tally;
    trap(110, [&] { setMousePointer(MousePointer::Hourglass); });
    const connect::ConnectionSettings fields = m_connectionPage.connectionSettings();
    // A connection that cannot be opened is reported once and ends the operation: every
    // later step would fail in turn.
    bool connected = true;
    trap(112, [&] {
        paradox.setCursorLocation(db::adUseClient);
        paradox.setEventPump(app::pumpEvents);
    });
    connected =
        trap(114, [&] { paradox.open(ParadoxConnectionString(fields.Text1).toStdString()); });
    if (connected) {
        trap(116, [&] { db2.setCursorLocation(db::adUseServer); });
        connected =
            trap(118, [&] { db2.open(connect::Db2ConnectionString(fields).toStdString()); });
    }
    if (!connected) {
        setMousePointer(MousePointer::Default);
        return;
    }

    // A lost DB2 connection fails every later statement: the trap remembers it, and the copy
    // stops after its one report.
    std::int64_t written = 0;
    auto db2Step = [&](int line, const std::string &sql) {
        return trap(line, [&] { db2.execute(sql); });
    };

    // The selection is read once: a handler run while the copy lets events through may add
    // or remove items, and a table whose item went meanwhile is passed over.
    QStringList selected;
    trap(122, [&] { selected = List2->selectedNamesBottomFirst(); }); // 120
    for (const QString &paradoxName : selected) {
        if (trap.connectionLost()) {
            break;
        }
        TableTurn turn(*this, tally, trap, paradoxName);
        if (!List2->holds(paradoxName)) {
            turn.skip(QStringLiteral("no longer listed"));
            continue;
        }
        QString tableName = paradoxName; // 124, 126

        // Overwrite check: the DB2 table is named as List1 writes it (the last match wins).
        bool replace = false;
        if (trap.test(128, [&] { return ListHasItem(*List1, tableName); })) {
            trap(130, [&] {
                for (int k = 0; k < List1->count(); ++k) {
                    if (List1->item(k)->text().toLower() == tableName.toLower()) {
                        tableName = List1->item(k)->text();
                    }
                }
            });
            bool yes = false;
            trap(138, [&] {
                yes =
                    m_dialogs.ask(QStringLiteral("Would you like to overwrite ") + tableName + u'?',
                                  QStringLiteral("Overwrite?"));
            });
            if (!yes) {
                turn.skip(QStringLiteral("not overwritten"));
                continue; // 142
            }
            replace = true;
        }
        const QString db2Table = tableName;
        tableName = paradoxName; // 150

        // The Paradox table is opened before anything is dropped: a table that cannot be
        // read must not cost the DB2 table.
        db::Recordset rows;
        if (!trap(152, [&] {
                rows.setCursorLocation(db::adUseClient);
                rows.open("SELECT * FROM " + backtickName(tableName).toStdString(), paradox);
            })) {
            continue;
        }
        QString create;
        trap(154, [&] {
            const std::vector<db::Field> &columns = rows.fields();
            for (std::size_t c = 0; c < columns.size(); ++c) {
                app::pumpEvents(); // 158
            }
            create = Db2CreateText(tableName, columns);
        });
        if (create.isEmpty()) {
            trap(264, [&] { rows.close(); });
            continue;
        }
        // The DROP and the CREATE are one unit of work: a CREATE DB2 refuses gives the old
        // table back, rows and all.
        if (replace) {
            const bool begun = trap(144, [&] { db2.beginTrans(); });
            if (!begun ||
                !db2Step(146, (QStringLiteral("DROP TABLE ") + db2Name(db2Table)).toStdString())) {
                if (begun && !trap.connectionLost()) {
                    trap(146, [&] { db2.rollbackTrans(); });
                }
                trap(264, [&] { rows.close(); });
                continue;
            }
        }
        // A table that cannot be created gets no rows: they would go into whatever is there.
        bool created = db2Step(214, create.toStdString());
        if (replace && !trap.connectionLost()) {
            if (created) {
                created = trap(216, [&] { db2.commitTrans(); });
                if (created) {
                    trap(148, [&] { RemoveListItem(*List1, db2Table); });
                }
            } else {
                trap(216, [&] { db2.rollbackTrans(); });
            }
        }
        if (!created) {
            trap(264, [&] { rows.close(); });
            continue;
        }

        std::int64_t n = 0;
        trap(222, [&] { n = rows.recordCount(); });
        written = 0;
        std::int64_t read = 0;
        const std::string target = db2Name(tableName).toStdString();
        std::vector<db::Value> values;
        for (std::int64_t r = 0; r < n && !trap.connectionLost(); ++r) {
            app::pumpEvents(); // 226
            ++read;
            setProgress(static_cast<double>(r + 1) / static_cast<double>(n) * 100.0); // 228
            std::string insert;
            trap(230, [&] {
                values.clear();
                for (std::size_t c = 0; c < rows.fields().size(); ++c) {
                    app::pumpEvents(); // 234
                    values.push_back(rows.value(c));
                }
                insert = InsertText(target, values);
            });
            if (!insert.empty() && db2Step(256, insert)) {
                ++written;
            }
            // A row the table cannot give (a damaged block or memo) ends its copy: the cursor
            // has no further rows, and one report says why.
            if (!trap(258, [&] { rows.moveNext(); })) {
                break;
            }
        }
        trap(260, [&] { setMousePointer(MousePointer::Default); });
        trap(262, [&] { resetProgress(); });
        trap(264, [&] { rows.close(); });
        trap(266, [&] { List1->addTable(paradoxName); });
        logTable(tableName, read, written, n);
        turn.finish(written == n, replace ? QStringLiteral("replaced the DB2 table") : QString());
    }
    logClosing(tally, QStringLiteral("copied"));
    trap(276, [&] { setMousePointer(MousePointer::Default); });
    trap(278, [&] { db2.close(); });
    trap(280, [&] { paradox.close(); });
}

} // namespace tw::transfer
