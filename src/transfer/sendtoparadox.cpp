// "Send Table/s To Paradox": the selected DB2 tables, bottom first, through the staging
// database, each exported as a Paradox table of at most 8 characters' name.

#include "app/errorlocation.h"
#include "app/errortrap.h"
#include "app/eventpump.h"
#include "connect/db2connection.h"
#include "core/lettercase.h"
#include "db/connection.h"
#include "paradox/reader.h"
#include "transfer/datatype.h"
#include "transfer/form2.h"
#include "transfer/paradoxtables.h"
#include "transfer/sqltext.h"
#include "transfer/stagingdatabase.h"
#include "transfer/tablefiles.h"
#include "transfer/tablelist.h"

#include <optional>

namespace tw::transfer {

namespace {

constexpr int kLongestParadoxName = 8;

// A timestamp with digits below the millisecond (every value Db2's CURRENT TIMESTAMP writes)
// cut to the millisecond, as Db2's own assignment to TIMESTAMP(3) cuts it; `cut` counts them.
db::Value toMilliseconds(db::Value value, std::int64_t &cut)
{
    if (value.kind() == db::ValueKind::Timestamp && value.asTimestamp().microseconds != 0) {
        db::Timestamp stamp = value.asTimestamp();
        stamp.microseconds = 0;
        ++cut;
        return db::Value::timestamp(stamp);
    }
    return value;
}

} // namespace

// One press of "Send Table/s To Paradox": its three connections, and each table's turn as
// its steps.
class Form2::ParadoxCopy
{
public:
    ParadoxCopy(Form2 &page, app::ErrorTrap &trap)
        : m_page(page)
        , m_trap(trap)
    {}

    // A connection that cannot be opened is reported once and ends the
    // operation.
    bool open(const connect::ConnectionSettings &fields, const QString &programFolder);
    // One table, from its questions to its export.
    void copy(const ListedTable &table, Tally &tally);
    void close();

private:
    // The Paradox name, cut to 8 characters on Yes; nothing on No.
    std::optional<QString> askName(const QString &source);
    // True when an existing Paradox table of that name is to be replaced;
    // nothing on No.
    std::optional<bool> askOverwrite(const QString &paradoxName);
    // The staging table and its rows. False unless every row reached it: a
    // table the staging database did not take whole is not exported (the first failure is
    // reported and the other rows are not tried).
    bool stage(db::Recordset &rows, const QString &source, RowCounts &counts);
    // A Paradox table the user agreed to replace stays until the export has written
    // its replacement whole; any failure before then keeps it as it was.
    bool exportTable(const QString &source, const QString &paradoxName, bool replace);
    // Drops the staging table when it is there.
    void dropStaging(int testLine, const QString &source);

    // The records of the Paradox table as written, counted by reading its file.
    std::optional<std::int64_t> countRecords(const QString &paradoxName) const;

    // True while the page still shows the folder this press copies into.
    bool showsTarget() const
    {
        return m_page.m_connectionPage.connectionSettings().Text1 == m_folder;
    }

    Form2 &m_page;
    app::ErrorTrap &m_trap;
    QString m_folder;
    std::optional<StagingCopy> m_stagingCopy; // outlives the connection on it
    db::Connection m_staging;
    db::Connection m_paradox;
    db::Connection m_db2;
};

bool Form2::ParadoxCopy::open(const connect::ConnectionSettings &fields,
                              const QString &programFolder)
{
    m_folder = fields.Text1;
    auto open = [&](int line, db::Connection &connection, auto connectionString) {
        return m_trap(line, [&] {
            connection.setEventPump(m_page.workPump());
            connection.open(connectionString().toStdString());
        });
    };
    // The press works in a staging database of its own: no other copy can touch its tables.
    auto staging = [&] {
        m_stagingCopy.emplace(programFolder);
        return QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=") +
               connect::connectionStringValue(m_stagingCopy->path()) + u';';
    };
    auto paradox = [&] {
        return ParadoxConnectionString(fields.Text1);
    };
    auto db2 = [&] {
        return connect::Db2ConnectionString(fields);
    };
    return open(120, m_staging, staging) && open(124, m_paradox, paradox) && open(128, m_db2, db2);
}

void Form2::ParadoxCopy::close()
{
    m_trap(300, [&] { m_staging.close(); });
    m_trap(302, [&] { m_db2.close(); });
}

std::optional<QString> Form2::ParadoxCopy::askName(const QString &source)
{
    // Characters are counted as such: a letter outside the BMP is one, never half of one.
    const QList<uint> characters = source.toUcs4();
    if (!m_trap.test(138, [&] { return characters.size() > kLongestParadoxName; })) {
        return source;
    }
    const QString cut = QString::fromUcs4(reinterpret_cast<const char32_t *>(characters.data()),
                                          kLongestParadoxName);
    auto upper = [](const QString &name) {
        return app::escapedText(QString::fromStdString(text::capitals(name.toStdString())));
    };
    bool yes = false;
    m_trap(140, [&] {
        yes = m_page.m_dialogs.ask(
            upper(source) + QStringLiteral(" is more than 8 characters. It will be trim into ") +
                upper(cut) + QStringLiteral(". Continue?"),
            QStringLiteral("Continue?"));
    });
    if (!yes) {
        return std::nullopt;
    }
    return cut;
}

std::optional<bool> Form2::ParadoxCopy::askOverwrite(const QString &paradoxName)
{
    if (!m_trap.test(148, [&] { return ListHasItem(*m_page.List2, paradoxName); })) {
        return false;
    }
    bool yes = false;
    m_trap(150, [&] {
        yes = m_page.m_dialogs.ask(QStringLiteral("Would you like to overwrite ") +
                                       app::escapedText(paradoxName) + u'?',
                                   QStringLiteral("Overwrite?"));
    });
    if (!yes) {
        return std::nullopt;
    }
    return true;
}

void Form2::ParadoxCopy::dropStaging(int testLine, const QString &source)
{
    if (m_trap.test(testLine, [&] { return ExistTable(m_staging, source); })) {
        m_trap(testLine + 2,
               [&] { m_staging.execute("DROP TABLE " + bracketName(source).toStdString()); });
    }
}

bool Form2::ParadoxCopy::stage(db::Recordset &rows, const QString &source, RowCounts &counts)
{
    QString create;
    m_trap(166, [&] {
        for (std::size_t c = 0; c < rows.fields().size(); ++c) {
            app::pumpEvents();
        }
        create = stagingCreateText(source, rows.fields());
    });
    dropStaging(224, source); // a leftover of an earlier run
    bool staged = m_trap(228, [&] { m_staging.execute(create.toStdString()); });

    m_trap(236, [&] { counts.source = rows.recordCount(); });
    const std::int64_t n = counts.source;
    const std::string target = backtickName(source).toStdString();
    std::vector<db::Value> values;
    std::vector<std::int64_t> cut(rows.isOpen() ? rows.fields().size() : 0);
    for (std::int64_t r = 0; r < n && staged; ++r) {
        app::pumpEvents();
        if (m_page.closing()) {
            return false; // no half table is exported
        }
        m_page.setProgress(static_cast<double>(r + 1) / static_cast<double>(n) * 100.0);
        staged = m_trap(244, [&] {
            values.clear();
            for (std::size_t c = 0; c < rows.fields().size(); ++c) {
                app::pumpEvents();
                values.push_back(toMilliseconds(rows.value(c), cut[c]));
            }
            m_staging.execute(insertText(target, values));
            ++counts.written;
        });
        // A row that cannot be read ends the table, and no part of it is exported.
        m_trap(270, [&] {
            rows.moveNext();
            ++counts.read;
        });
        if (counts.read != r + 1) {
            break;
        }
    }
    for (std::size_t c = 0; c < cut.size(); ++c) {
        if (cut[c] > 0) {
            m_page.logNote(QStringLiteral("column %1 of %2: %3 timestamp%4 cut to the millisecond, "
                                          "the finest time a Paradox table keeps")
                               .arg(QString::fromStdString(rows.fields()[c].name), source)
                               .arg(cut[c])
                               .arg(cut[c] == 1 ? QString() : QStringLiteral("s")));
        }
    }
    return staged && counts.read == n;
}

bool Form2::ParadoxCopy::exportTable(const QString &source,
                                     const QString &paradoxName,
                                     bool replace)
{
    return m_trap(278, [&] {
        QString folder = NormalizePath(m_folder + u'/');
        folder.replace(u']', QStringLiteral("]]"));
        const QString file = paradoxName + QStringLiteral(".db");
        const std::string exportText = (QStringLiteral("select * into [Paradox 5.x;Database=") +
                                        folder + QStringLiteral("].") + bracketName(file) +
                                        QStringLiteral(" from ") + bracketName(source))
                                           .toStdString();
        if (replace) {
            m_staging.executeReplacing(exportText);
        } else {
            m_staging.execute(exportText);
        }
    });
}

std::optional<std::int64_t> Form2::ParadoxCopy::countRecords(const QString &paradoxName) const
{
    try {
        const std::vector<std::filesystem::path> tables = tableFilesOf(m_folder, paradoxName);
        if (tables.size() != 1) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(paradox::TableReader::open(tables.front()).recordCount());
    } catch (const std::exception &) {
        return std::nullopt; // the log says it could not be read back
    }
}

void Form2::ParadoxCopy::copy(const ListedTable &table, Tally &tally)
{
    // The Paradox table and the staging table take the table's own name; the SELECT names
    // its schema when it is not the current one.
    const QString &source = table.name;
    TableTurn turn(m_page, tally, m_trap, table.shown());
    if (!m_page.List1->holds(table)) {
        turn.skip(QStringLiteral("no longer listed"));
        return;
    }
    const std::optional<QString> paradoxName = askName(source);
    if (!paradoxName) {
        turn.skip(QStringLiteral("answered No"));
        return;
    }
    // The table becomes a file in the folder: a name that is a path is refused.
    if (const QString problem = paradoxNameProblem(*paradoxName); !problem.isEmpty()) {
        m_trap.report(146, problem);
        return;
    }
    const std::optional<bool> replace = askOverwrite(*paradoxName);
    if (!replace) {
        turn.skip(QStringLiteral("answered No"));
        return;
    }
    // The DB2 table is read before anything else happens: a table that cannot be read must
    // not cost the Paradox table of that name.
    db::Recordset rows;
    if (!m_trap(164, [&] {
            rows.setCursorLocation(db::CursorLocation::Client);
            rows.open("SELECT * FROM " + db2Name(table).toStdString(), m_db2);
        })) {
        return;
    }
    RowCounts counts;
    const bool staged = stage(rows, source, counts);
    m_trap(272, [&] { m_page.setMousePointer(MousePointer::Default); });
    m_trap(274, [&] { m_page.resetProgress(); });
    m_trap(276, [&] { rows.close(); });
    const bool exported =
        staged && !m_page.closing() && exportTable(source, *paradoxName, *replace);
    if (exported && *replace && showsTarget()) {
        m_trap(160, [&] { RemoveListItem(*m_page.List2, *paradoxName); });
    }
    if (exported) {
        counts.readBack = countRecords(*paradoxName);
    } else {
        counts.written = 0;
    }
    m_page.logTable(table.shown() + QStringLiteral(" as ") + *paradoxName + QStringLiteral(".db"),
                    counts);
    turn.finish(exported && counts.written == counts.source,
                *replace ? QStringLiteral("replaced the Paradox table") : QString());
    app::pumpEvents();
    dropStaging(282, source);
    app::pumpEvents();
}

void Form2::PushButton3_Click()
{
    app::ErrorTrap trap{m_dialogs, app::ErrorLocation::Form2_PushButton3_Click};
    ParadoxCopy copy(*this, trap);
    if (!trap.test(110, [&] { return List1->currentIndex() != -1; })) {
        trap(304, [&] { m_dialogs.notice(QStringLiteral("Please select a table to send.")); });
        return;
    }
    logOperation(QStringLiteral("Send Table/s To Paradox"));
    Tally tally;
    trap(112, [&] { setMousePointer(MousePointer::Hourglass); });
    app::pumpEvents();
    const connect::ConnectionSettings fields = m_connectionPage.connectionSettings();
    if (!copy.open(fields, m_connectionPage.programFolder())) {
        setMousePointer(MousePointer::Default);
        return;
    }
    // The selection is read once: a handler run while the copy lets events through may add
    // or remove items, and a table whose item went meanwhile is passed over.
    std::vector<ListedTable> selected;
    trap(132, [&] { selected = List1->selectedTablesBottomFirst(); });
    for (std::size_t i = 0; i < selected.size(); ++i) {
        // A lost connection fails every later table too: one report is enough.
        if (trap.connectionLost() || closing()) {
            QStringList rest;
            for (std::size_t j = i; j < selected.size(); ++j) {
                rest << selected[j].shown();
            }
            logNotTried(tally,
                        rest,
                        closing() ? QStringLiteral("the window was closed")
                                  : QStringLiteral("the connection to DB2 was lost"));
            break;
        }
        copy.copy(selected[i], tally);
    }
    logClosing(tally, QStringLiteral("copied"));
    if (closing()) {
        return;
    }
    // The list shows the folder the page shows now, which a "< Back" and "Next >" during
    // the copy may have changed.
    trap(290, [&] {
        List2->clear();
        LoadParadoxTables(*List2, m_connectionPage.connectionSettings().Text1, m_dialogs, m_log);
    });
    trap(298, [&] { setMousePointer(MousePointer::Default); });
    copy.close();
}

} // namespace tw::transfer
