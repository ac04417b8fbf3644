// "Send Table/s To IBM DB2": the selected Paradox tables, bottom first, created in DB2 and
// filled one literal INSERT per row; with "Keep column types and keys", created with typed
// columns, the key and the indexes, and filled with bound rows in arrays.

#include "app/errorlocation.h"
#include "app/errortrap.h"
#include "app/eventpump.h"
#include "connect/db2connection.h"
#include "db/connection.h"
#include "transfer/datatype.h"
#include "transfer/form2.h"
#include "transfer/paradoxtables.h"
#include "transfer/sqltext.h"
#include "transfer/tablefiles.h"
#include "transfer/tablelist.h"
#include "transfer/typedtable.h"

#include <algorithm>
#include <exception>
#include <optional>

namespace tw::transfer {

namespace {

// Rows of a typed copy between two commits: few enough that a failure costs little, many
// enough that the commits cost nothing beside the rows.
constexpr std::int64_t kRowsPerCommit = 5000;

} // namespace

// One press of "Send Table/s To IBM DB2": its two connections, and each table's turn as its
// steps.
class Form2::Db2Copy
{
public:
    Db2Copy(Form2 &page, app::ErrorTrap &trap)
        : m_page(page)
        , m_trap(trap)
    {}

    // A connection that cannot be opened is reported once and ends the
    // operation: every later step would fail in turn.
    bool open(const connect::ConnectionSettings &fields);
    // One table, from the overwrite question to its item in the DB2 list.
    void copy(const QString &paradoxName, Tally &tally);
    void close();

private:
    // The DB2 table to replace as the DB2 list writes it (the last match wins),
    // the empty text when none is listed, nothing when the user answered No.
    std::optional<QString> askOverwrite(const QString &name);
    // The DROP and the CREATE are one unit of work, so a CREATE DB2 refuses
    // gives the old table back, rows and all. False when the table cannot take rows: they
    // would go into whatever is there. The typed copy's indexes join the unit, which it
    // always opens: a table whose index fails is not made.
    bool createTable(const QString &create, const QStringList &indexes, const QString &replaced);
    // Every row as one INSERT; a row the table cannot give (a damaged block or
    // memo) ends the copy, as the cursor has no further rows.
    RowCounts copyRows(db::Recordset &rows, const QString &table);
    // The typed copy's rows: bound, sent in arrays, committed every kRowsPerCommit rows and
    // at the end. Each row DB2 refuses gets its box and the others go in.
    RowCounts copyTypedRows(db::Recordset &rows, const QString &table, const TypedTable &typed);
    // The typed table for the Paradox table the rows come from; empty after a box.
    std::optional<TypedTable> planTyped(const QString &paradoxName, const db::Recordset &rows);

    bool db2Step(int line, const QString &sql)
    {
        return m_trap(line, [&] { m_db2.execute(sql.toStdString()); });
    }

    // The rows the DB2 table holds, counted by DB2 after the copy.
    std::optional<std::int64_t> countRows(const QString &table);

    // True while the page still shows the DB2 database this press copies into.
    bool showsTarget() const
    {
        try {
            return connect::Db2ConnectionString(m_page.m_connectionPage.connectionSettings()) ==
                   m_target;
        } catch (const std::exception &) {
            return false; // fields no connection can be made with show no database
        }
    }

    Form2 &m_page;
    app::ErrorTrap &m_trap;
    QString m_target; // the DB2 connection string
    QString m_folder; // the Paradox folder
    bool m_typed = false;
    bool m_booleans = false; // the server has BOOLEAN columns
    db::Connection m_db2;
    db::Connection m_paradox;
};

bool Form2::Db2Copy::open(const connect::ConnectionSettings &fields)
{
    m_trap(112, [&] { m_paradox.setEventPump(m_page.workPump()); });
    if (!m_trap(114,
                [&] { m_paradox.open(ParadoxConnectionString(fields.Text1).toStdString()); })) {
        return false;
    }
    m_folder = fields.Text1;
    m_typed = m_page.keepsTypes();
    if (!m_trap(118, [&] {
            m_target = connect::Db2ConnectionString(fields);
            m_db2.open(m_target.toStdString());
        })) {
        return false;
    }
    if (m_typed) {
        m_trap(118, [&] { m_booleans = hasBooleans(m_db2.serverVersion()); });
    }
    return true;
}

void Form2::Db2Copy::close()
{
    m_trap(278, [&] { m_db2.close(); });
    m_trap(280, [&] { m_paradox.close(); });
}

std::optional<QString> Form2::Db2Copy::askOverwrite(const QString &name)
{
    TableList &db2List = *m_page.List1;
    if (!m_trap.test(128, [&] { return ListHasItem(db2List, name); })) {
        return QString();
    }
    QString listed = name;
    m_trap(130, [&] { listed = db2List.lastMatchIgnoringCase(name); });
    bool yes = false;
    m_trap(138, [&] {
        yes = m_page.m_dialogs.ask(QStringLiteral("Would you like to overwrite ") +
                                       app::escapedText(listed) + u'?',
                                   QStringLiteral("Overwrite?"));
    });
    if (!yes) {
        return std::nullopt;
    }
    return listed;
}

bool Form2::Db2Copy::createTable(const QString &create,
                                 const QStringList &indexes,
                                 const QString &replaced)
{
    db::Transaction unit(m_db2);
    if (m_typed && !m_trap(144, [&] { unit.begin(); })) {
        return false;
    }
    if (!replaced.isEmpty()) {
        const bool begun = unit.active() || m_trap(144, [&] { unit.begin(); });
        if (!begun || !db2Step(146, QStringLiteral("DROP TABLE ") + db2Name(replaced))) {
            if (begun && !m_trap.connectionLost()) {
                m_trap(146, [&] { unit.rollback(); });
            }
            return false;
        }
    }
    bool created = db2Step(214, create);
    for (const QString &index : indexes) {
        created = created && db2Step(214, index);
    }
    if (unit.active() && !m_trap.connectionLost()) {
        if (created) {
            created = m_trap(216, [&] { unit.commit(); });
            if (created) {
                m_trap(148, [&] { RemoveListItem(*m_page.List1, replaced); });
            }
        } else {
            m_trap(216, [&] { unit.rollback(); });
        }
    }
    return created;
}

Form2::RowCounts Form2::Db2Copy::copyRows(db::Recordset &rows, const QString &table)
{
    RowCounts counts;
    m_trap(222, [&] { counts.source = rows.recordCount(); });
    const std::string target = db2Name(table).toStdString();
    std::vector<db::Value> values;
    const std::int64_t n = counts.source;
    for (std::int64_t r = 0; r < n && !m_trap.connectionLost(); ++r) {
        app::pumpEvents();
        if (m_page.closing()) {
            break; // rows already sent stay
        }
        ++counts.read;
        m_page.setProgress(static_cast<double>(r + 1) / static_cast<double>(n) * 100.0);
        std::string insert;
        m_trap(230, [&] {
            values.clear();
            for (std::size_t c = 0; c < rows.fields().size(); ++c) {
                app::pumpEvents();
                values.push_back(rows.value(c));
            }
            insert = insertText(target, values);
        });
        if (!insert.empty() && m_trap(256, [&] { m_db2.execute(insert); })) {
            ++counts.written;
        }
        if (!m_trap(258, [&] { rows.moveNext(); })) {
            break;
        }
    }
    return counts;
}

std::optional<TypedTable> Form2::Db2Copy::planTyped(const QString &paradoxName,
                                                    const db::Recordset &rows)
{
    std::optional<TypedTable> typed;
    m_trap(154, [&] {
        const std::vector<std::filesystem::path> files = tableFilesOf(m_folder, paradoxName);
        if (files.empty()) {
            throw db::Error("The Paradox folder has no table " + paradoxName.toStdString());
        }
        TypedTable plan = planTypedTable(files.front(), paradoxName.toStdString(), m_booleans);
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

Form2::RowCounts
Form2::Db2Copy::copyTypedRows(db::Recordset &rows, const QString &table, const TypedTable &typed)
{
    RowCounts counts;
    m_trap(222, [&] { counts.source = rows.recordCount(); });
    std::vector<db::backend::Parameter> parameters;
    for (const TypedColumn &column : typed.columns) {
        parameters.push_back(column.parameter);
    }
    std::unique_ptr<db::backend::RowInserter> inserter;
    if (!m_trap(230, [&] {
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
        m_trap(256, [&] { rejected = inserter->send(); });
        for (const db::backend::RejectedRow &row : rejected) {
            m_trap(256, [&] { throw row.error; });
        }
    };
    auto commit = [&] {
        send();
        if (unit.active() && !m_trap.connectionLost() && m_trap(256, [&] { unit.commit(); })) {
            committed = inserter->inserted();
        }
    };
    m_trap(224, [&] { unit.begin(); });
    std::vector<db::Value> values;
    const std::int64_t n = counts.source;
    for (std::int64_t r = 0; r < n && !m_trap.connectionLost(); ++r) {
        app::pumpEvents();
        if (m_page.closing()) {
            break; // rows already read go in
        }
        ++counts.read;
        m_page.setProgress(static_cast<double>(r + 1) / static_cast<double>(n) * 100.0);
        bool full = false;
        m_trap(230, [&] {
            rows.takeRow(values);
            toBound(typed, values);
            full = inserter->add(std::move(values));
        });
        if (full) {
            send();
        }
        if ((r + 1) % kRowsPerCommit == 0 && !m_trap.connectionLost()) {
            commit();
            m_trap(224, [&] { unit.begin(); });
        }
        if (!m_trap(258, [&] { rows.moveNext(); })) {
            break;
        }
    }
    if (!m_trap.connectionLost()) {
        commit();
    }
    counts.written = static_cast<std::int64_t>(committed);
    return counts;
}

std::optional<std::int64_t> Form2::Db2Copy::countRows(const QString &table)
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

void Form2::Db2Copy::copy(const QString &paradoxName, Tally &tally)
{
    TableTurn turn(m_page, tally, m_trap, paradoxName);
    if (!m_page.List2->holds(paradoxName)) {
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
    if (!m_trap(152, [&] {
            rows.setCursorLocation(db::CursorLocation::Client);
            rows.open("SELECT * FROM " + backtickName(paradoxName).toStdString(), m_paradox);
        })) {
        return;
    }
    QString create;
    QStringList indexes;
    std::optional<TypedTable> typed;
    if (m_typed) {
        typed = planTyped(paradoxName, rows);
        if (typed) {
            create = typedCreateText(paradoxName, *typed);
            indexes = typedIndexTexts(paradoxName, *typed);
        }
    } else {
        m_trap(154, [&] {
            const std::vector<db::Field> &columns = rows.fields();
            for (std::size_t c = 0; c < columns.size(); ++c) {
                app::pumpEvents();
            }
            create = db2CreateText(paradoxName, columns);
        });
    }
    if (create.isEmpty() || !createTable(create, indexes, *replaced)) {
        m_trap(264, [&] { rows.close(); });
        return;
    }
    RowCounts counts =
        typed ? copyTypedRows(rows, paradoxName, *typed) : copyRows(rows, paradoxName);
    m_trap(260, [&] { m_page.setMousePointer(MousePointer::Default); });
    m_trap(262, [&] { m_page.resetProgress(); });
    m_trap(264, [&] { rows.close(); });
    // The list shows the database the page shows now, each table once.
    if (showsTarget() && !m_page.List1->holds(paradoxName)) {
        m_trap(266, [&] { m_page.List1->addTable(paradoxName); });
    }
    if (!m_page.closing()) {
        counts.readBack = countRows(paradoxName);
    }
    m_page.logTable(paradoxName, counts);
    if (typed) {
        m_page.logNote(QStringLiteral("typed copy: %1 columns, %2 key columns, %3 indexes")
                           .arg(typed->columns.size())
                           .arg(std::count_if(typed->columns.begin(),
                                              typed->columns.end(),
                                              [](const TypedColumn &c) { return c.key; }))
                           .arg(typed->indexes.size()));
        for (const std::string &note : typed->notes) {
            m_page.logNote(QString::fromStdString(note));
        }
    }
    turn.finish(counts.written == counts.source,
                replaced->isEmpty() ? QString() : QStringLiteral("replaced the DB2 table"));
}

void Form2::PushButton4_Click()
{
    app::ErrorTrap trap{m_dialogs, app::ErrorLocation::Form2_PushButton4_Click};
    Db2Copy copy(*this, trap);
    if (!trap.test(108, [&] { return List2->currentIndex() != -1; })) {
        trap(282, [&] { m_dialogs.notice(QStringLiteral("Please select a table to send.")); });
        return;
    }
    logOperation(QStringLiteral("Send Table/s To IBM DB2"));
    Tally tally;
    trap(110, [&] { setMousePointer(MousePointer::Hourglass); });
    if (!copy.open(m_connectionPage.connectionSettings())) {
        setMousePointer(MousePointer::Default);
        return;
    }
    // The selection is read once: a handler run while the copy lets events through may add
    // or remove items, and a table whose item went meanwhile is passed over.
    QStringList selected;
    trap(122, [&] { selected = List2->selectedNamesBottomFirst(); });
    for (qsizetype i = 0; i < selected.size(); ++i) {
        // A lost DB2 connection fails every later statement: one report is enough.
        if (trap.connectionLost() || closing()) {
            logNotTried(tally,
                        selected.mid(i),
                        closing() ? QStringLiteral("the window was closed")
                                  : QStringLiteral("the connection to DB2 was lost"));
            break;
        }
        copy.copy(selected[i], tally);
    }
    logClosing(tally, QStringLiteral("copied"));
    trap(276, [&] { setMousePointer(MousePointer::Default); });
    copy.close();
}

} // namespace tw::transfer
