// "Send Table/s To Paradox": the selected DB2 tables, bottom first, through the staging
// database, each exported as a Paradox table of at most 8 characters' name.

#include "app/errorlocation.h"
#include "app/errortrap.h"
#include "app/eventpump.h"
#include "connect/db2connection.h"
#include "db/connection.h"
#include "transfer/datatype.h"
#include "transfer/form2.h"
#include "transfer/paradoxtables.h"
#include "transfer/sqltext.h"
#include "transfer/stagingdatabase.h"
#include "transfer/tablelist.h"

#include <QScopeGuard>

namespace tw::transfer {

namespace {
constexpr int kLongestParadoxName = 8;
} // namespace

void Form2::PushButton3_Click()
{
    app::ErrorTrap trap{m_dialogs, app::ErrorLocation::Form2_PushButton3_Click};
    db::Connection staging; // 100
    db::Connection paradox; // 102
    db::Connection db2;     // 104
    if (!trap.test(110, [&] { return List1->currentIndex() != -1; })) {
        trap(304, [&] { m_dialogs.notice(QStringLiteral("Please select a table to send.")); });
        return;
    }
    // A press run while this one copies (the window processes events) leaves the staging
    // database as it is.
    ++m_stagingUsers;
    const auto release = qScopeGuard([this] { --m_stagingUsers; });
    logOperation(QStringLiteral("Send Table/s To Paradox"));
    Tally tally;
    trap(112, [&] { setMousePointer(MousePointer::Hourglass); });
    app::pumpEvents(); // 114
    const connect::ConnectionSettings fields = m_connectionPage.connectionSettings();

    // A connection that cannot be opened is reported once and ends the operation.
    auto open = [&](int line, db::Connection &connection, int location, const QString &cs) {
        return trap(line, [&] {
            connection.setCursorLocation(location);
            connection.setEventPump(app::pumpEvents);
            connection.setMode(db::adModeReadWrite);
            connection.open(cs.toStdString());
        });
    };
    const QString stagingString = QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=") +
                                  connect::ConnectionStringValue(StagingDatabasePath(
                                      m_connectionPage.programFolder(), m_stagingUsers == 1)) +
                                  u';';
    if (!open(120, staging, db::adUseServer, stagingString) ||
        !open(124, paradox, db::adUseClient, ParadoxConnectionString(fields.Text1)) ||
        !open(128, db2, db::adUseServer, connect::Db2ConnectionString(fields))) {
        setMousePointer(MousePointer::Default);
        return;
    }

    // The selection is read once: a handler run while the copy lets events through may add
    // or remove items, and a table whose item went meanwhile is passed over.
    QStringList selected;
    trap(132, [&] { selected = List1->selectedNamesBottomFirst(); }); // 130
    for (const QString &source : selected) {
        if (trap.connectionLost()) {
            break;
        }
        TableTurn turn(*this, tally, trap, source);
        if (!List1->holds(source)) {
            turn.skip(QStringLiteral("no longer listed"));
            continue;
        }
        QString paradoxName = source; // 134, 136
        enum class Answer { None, Yes, No } answer = Answer::None;

        if (trap.test(138, [&] { return paradoxName.size() > kLongestParadoxName; })) {
            bool yes = false;
            trap(140, [&] {
                yes = m_dialogs.ask(
                    paradoxName.toUpper() +
                        QStringLiteral(" is more than 8 characters. It will be trim into ") +
                        paradoxName.left(kLongestParadoxName).toUpper() +
                        QStringLiteral(". Continue?"),
                    QStringLiteral("Continue?"));
            });
            if (yes) {
                paradoxName = paradoxName.left(kLongestParadoxName); // 142
            } else {
                answer = Answer::No; // 144
            }
        }
        // The table becomes a file in the folder: a name that is a path is refused.
        if (const QString problem = ParadoxNameProblem(paradoxName);
            answer != Answer::No && !problem.isEmpty()) {
            trap.report(146, problem);
            continue;
        }
        if (answer != Answer::No) { // 146
            if (trap.test(148, [&] { return ListHasItem(*List2, paradoxName); })) {
                bool yes = false;
                trap(150, [&] {
                    yes = m_dialogs.ask(QStringLiteral("Would you like to overwrite ") +
                                            paradoxName + u'?',
                                        QStringLiteral("Overwrite?"));
                });
                answer = yes ? Answer::Yes : Answer::No;
            }
        }
        if (answer == Answer::No) { // 154
            turn.skip(QStringLiteral("answered No"));
            continue;
        }

        // A lost connection fails every later table too: the trap remembers it, and one
        // report is enough.
        db::Recordset rows;
        if (!trap(164, [&] {
                rows.setCursorLocation(db::adUseClient); // 162
                rows.open("SELECT * FROM " + db2Name(source).toStdString(), db2);
            })) {
            continue;
        }
        // A Paradox table the user agreed to replace (156) stays until the export has
        // written its replacement whole (278); any failure before then keeps it as it was.
        const bool replace = answer == Answer::Yes;

        QString create;
        trap(166, [&] {
            for (std::size_t c = 0; c < rows.fields().size(); ++c) {
                app::pumpEvents(); // 170
            }
            create = StagingCreateText(source, rows.fields());
        });
        const std::string stagingTable = "DROP TABLE " + bracketName(source).toStdString();
        if (trap.test(224, [&] { return ExistTable(staging, source); })) {
            trap(226, [&] { staging.execute(stagingTable); }); // a leftover of an earlier run
        }
        // A table the staging database did not take whole is not exported: the first
        // failure is reported and its other rows are not tried.
        bool staged = trap(228, [&] { staging.execute(create.toStdString()); });

        std::int64_t n = 0;
        trap(236, [&] { n = rows.recordCount(); });
        const std::string target = backtickName(source).toStdString();
        std::vector<db::Value> values;
        std::int64_t stagedRows = 0;
        std::int64_t read = 0;
        for (std::int64_t r = 0; r < n && staged; ++r) {                              // 238
            app::pumpEvents();                                                        // 240
            setProgress(static_cast<double>(r + 1) / static_cast<double>(n) * 100.0); // 242
            staged = trap(244, [&] {
                values.clear();
                for (std::size_t c = 0; c < rows.fields().size(); ++c) {
                    app::pumpEvents(); // 248
                    values.push_back(rows.value(c));
                }
                staging.execute(InsertText(target, values)); // 268
                ++stagedRows;
            });
            // A row that cannot be read ends the table, and no part of it is exported.
            trap(270, [&] {
                rows.moveNext();
                ++read;
            });
            if (read != r + 1) {
                break;
            }
        }
        trap(272, [&] { setMousePointer(MousePointer::Default); });
        trap(274, [&] { resetProgress(); });
        trap(276, [&] { rows.close(); });
        // Only a table whose every row reached the staging database is exported.
        const bool exported = staged && read == n && trap(278, [&] {
                                  QString folder = NormalizePath(fields.Text1 + u'/');
                                  folder.replace(u']', QStringLiteral("]]"));
                                  const QString file = paradoxName + QStringLiteral(".db");
                                  const std::string exportText =
                                      (QStringLiteral("select * into [Paradox 5.x;Database=") +
                                       folder + QStringLiteral("].") + bracketName(file) +
                                       QStringLiteral(" from ") + bracketName(source))
                                          .toStdString();
                                  if (replace) {
                                      staging.executeReplacing(exportText);
                                  } else {
                                      staging.execute(exportText);
                                  }
                              });
        if (exported && replace) {
            trap(160, [&] { RemoveListItem(*List2, paradoxName); });
        }
        logTable(source + QStringLiteral(" as ") + paradoxName + QStringLiteral(".db"),
                 n,
                 exported ? stagedRows : 0,
                 n);
        turn.finish(exported && stagedRows == n,
                    replace ? QStringLiteral("replaced the Paradox table") : QString());
        app::pumpEvents(); // 280
        if (trap.test(282, [&] { return ExistTable(staging, source); })) {
            trap(284, [&] { staging.execute(stagingTable); });
        }
        app::pumpEvents(); // 286
    }

    logClosing(tally, QStringLiteral("copied"));
    trap(290, [&] {
        List2->clear();
        LoadParadoxTables(*List2, fields.Text1, m_dialogs);
    });
    trap(298, [&] { setMousePointer(MousePointer::Default); });
    trap(300, [&] { staging.close(); });
    trap(302, [&] { db2.close(); });
}

} // namespace tw::transfer
