#include "transfer/sendtoparadox.h"

#include "app/errorlocation.h"
#include "connect/db2connection.h"
#include "core/lettercase.h"
#include "core/pumping.h"
#include "paradox/codepage.h"
#include "paradox/language.h"
#include "paradox/reader.h"
#include "transfer/paradoxfields.h"
#include "transfer/paradoxtables.h"
#include "transfer/rowloop.h"
#include "transfer/sqltext.h"
#include "transfer/steps.h"
#include "transfer/tablefiles.h"

namespace tw::transfer {

namespace {

using Step = steps::SendToParadox;

constexpr int kLongestParadoxName = 8;

// A timestamp with digits below the millisecond (every value Db2's CURRENT TIMESTAMP writes)
// cut to the millisecond, as Db2's own assignment to TIMESTAMP(3) cuts it; `cut` counts them.
void toMilliseconds(db::Value &value, std::int64_t &cut)
{
    if (value.kind() == db::ValueKind::Timestamp && value.asTimestamp().microseconds != 0) {
        db::Timestamp stamp = value.asTimestamp();
        stamp.microseconds = 0;
        ++cut;
        value = db::Value::timestamp(stamp);
    }
}

} // namespace

SendToParadox::SendToParadox(app::Dialogs &dialogs, app::OperationLog &log, TransferView &view)
    : m_dialogs(dialogs)
    , m_view(view)
    , m_progress(view.progress())
    , m_trap(dialogs, app::ErrorLocation::Form2_PushButton3_Click)
    , m_log(log, view)
{}

std::vector<TableReport> SendToParadox::run()
{
    TableListView &db2List = m_view.db2List();
    if (!m_trap.test(Step::CheckCurrentItem, [&] { return db2List.hasCurrentItem(); })) {
        m_trap(Step::NothingSelected,
               [&] { m_dialogs.notice(QStringLiteral("Please select a table to send.")); });
        return {};
    }
    m_log.begin(QStringLiteral("Send Table/s To Paradox"));
    m_trap(Step::BusyPointer, [&] { m_progress.busy(true); });
    m_progress.tick();
    if (!open()) {
        m_progress.busy(false);
        return m_log.tables();
    }
    // The selection is read once: a handler run while the copy lets events through may add
    // or remove items, and a table whose item went meanwhile is passed over.
    std::vector<ListedTable> selected;
    m_trap(Step::ReadSelection, [&] { selected = db2List.selectedBottomFirst(); });
    forEachTable(
        selected, m_log, m_trap, m_progress, [&](const ListedTable &table) { copy(table); });
    m_log.closing(QStringLiteral("copied"));
    if (m_progress.stopping()) {
        return m_log.tables();
    }
    // The list shows the folder the view shows now, which a "< Back" and "Next >" during the
    // copy may have changed.
    m_trap(Step::ReloadList, [&] {
        m_view.paradoxList().clear();
        LoadParadoxTables(m_view.paradoxList(),
                          m_view.connectionSettings().paradoxFolder,
                          m_dialogs,
                          m_log.operationLog());
    });
    m_trap(Step::EndPointer, [&] { m_progress.busy(false); });
    close();
    return m_log.tables();
}

bool SendToParadox::open()
{
    const connect::ConnectionSettings fields = m_view.connectionSettings();
    m_folder = fields.paradoxFolder;
    m_typed = m_view.keepsTypes(TransferView::Direction::ToParadox);
    auto open = [&](Step step, db::Connection &connection, auto connectionString) {
        return m_trap(step, [&] {
            connection.setEventPump(stoppingPump(m_progress));
            connection.open(connectionString().toStdString());
        });
    };
    // The press works in a staging database of its own: no other copy can touch its tables.
    auto staging = [&] {
        m_stagingCopy.emplace(m_view.programFolder());
        return QStringLiteral("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=") +
               connect::connectionStringValue(m_stagingCopy->path()) + u';';
    };
    auto paradox = [&] {
        return ParadoxConnectionString(fields.paradoxFolder);
    };
    auto db2 = [&] {
        return connect::Db2ConnectionString(fields);
    };
    // The typed copy writes the table itself: it has no use for the staging database.
    return (m_typed || open(Step::OpenStaging, m_staging, staging)) &&
           open(Step::OpenParadox, m_paradox, paradox) && open(Step::OpenDb2, m_db2, db2);
}

void SendToParadox::close()
{
    if (m_staging.isOpen()) {
        m_trap(Step::CloseStaging, [&] { m_staging.close(); });
    }
    m_trap(Step::CloseDb2, [&] { m_db2.close(); });
}

bool SendToParadox::showsTarget() const
{
    return m_view.connectionSettings().paradoxFolder == m_folder;
}

std::optional<QString> SendToParadox::askName(const QString &source)
{
    // Characters are counted as such: a letter outside the BMP is one, never half of one.
    const QList<uint> characters = source.toUcs4();
    if (!m_trap.test(Step::CheckLength, [&] { return characters.size() > kLongestParadoxName; })) {
        return source;
    }
    const QString cut = QString::fromUcs4(reinterpret_cast<const char32_t *>(characters.data()),
                                          kLongestParadoxName);
    auto upper = [](const QString &name) {
        return app::escapedText(QString::fromStdString(text::capitals(name.toStdString())));
    };
    bool yes = false;
    m_trap(Step::AskCut, [&] {
        yes = m_dialogs.ask(
            upper(source) + QStringLiteral(" is more than 8 characters. It will be trim into ") +
                upper(cut) + QStringLiteral(". Continue?"),
            QStringLiteral("Continue?"));
    });
    if (!yes) {
        return std::nullopt;
    }
    return cut;
}

std::optional<bool> SendToParadox::askOverwrite(const QString &paradoxName)
{
    if (!m_trap.test(Step::FindListed,
                     [&] { return ListHasItem(m_view.paradoxList(), paradoxName); })) {
        return false;
    }
    bool yes = false;
    m_trap(Step::AskOverwrite, [&] {
        yes = m_dialogs.ask(QStringLiteral("Would you like to overwrite ") +
                                app::escapedText(paradoxName) + u'?',
                            QStringLiteral("Overwrite?"));
    });
    if (!yes) {
        return std::nullopt;
    }
    return true;
}

void SendToParadox::dropStaging(app::StepNumber find, app::StepNumber drop, const QString &source)
{
    if (m_trap.test(find, [&] { return ExistTable(m_staging, source); })) {
        m_trap(drop, [&] { m_staging.execute("DROP TABLE " + bracketName(source).toStdString()); });
    }
}

bool SendToParadox::stage(db::Recordset &rows, const QString &source, RowCounts &counts)
{
    QString create;
    m_trap(Step::BuildCreate, [&] { create = stagingCreateText(source, rows.fields()); });
    dropStaging(Step::FindLeftover, Step::DropLeftover, source); // a leftover of an earlier run
    bool staged = m_trap(Step::CreateStaging, [&] { m_staging.execute(create.toStdString()); });

    m_trap(Step::CountRows, [&] { counts.source = rows.recordCount(); });
    const std::string target = backtickName(source).toStdString();
    std::vector<db::Value> values;
    std::vector<std::int64_t> cut(rows.isOpen() ? rows.fields().size() : 0);
    // A row that cannot be read or staged ends the table, and no part of it is exported.
    const RowsEnd end =
        !staged
            ? RowsEnd::Broken
            : forEachRow(rows, counts.source, m_progress, m_trap, Step::NextRow, [&](std::int64_t) {
                  return m_trap(Step::InsertRow, [&] {
                      rows.takeRow(values);
                      ++counts.read;
                      for (std::size_t c = 0; c < values.size(); ++c) {
                          toMilliseconds(values[c], cut[c]);
                      }
                      m_staging.execute(insertText(target, values));
                      ++counts.written;
                  });
              });
    noteCutTimestamps(rows.fields(), cut, source);
    return end == RowsEnd::All;
}

void SendToParadox::noteCutTimestamps(const std::vector<db::Field> &fields,
                                      const std::vector<std::int64_t> &cut,
                                      const QString &source)
{
    for (std::size_t c = 0; c < cut.size() && c < fields.size(); ++c) {
        if (cut[c] > 0) {
            m_log.note(QStringLiteral("column %1 of %2: %3 timestamp%4 cut to the millisecond, "
                                      "the finest time a Paradox table keeps")
                           .arg(QString::fromStdString(fields[c].name), source)
                           .arg(cut[c])
                           .arg(cut[c] == 1 ? QString() : QStringLiteral("s")));
        }
    }
}

std::optional<FieldChoice> SendToParadox::fieldChoice(const ListedTable &source,
                                                      const RowSurvey &survey,
                                                      const std::vector<db::Field> &columns,
                                                      std::int64_t rows)
{
    const paradox::LanguageDriver &driver = paradox::codePagesInUse().write;
    FieldChoice choice;
    choice.textKeysInByteOrder = paradox::sortsByBytes(driver.sortOrderId);
    choice.bytesPerCharacter =
        paradox::utf8BytesPerCharacter(paradox::CodePage::number(driver.codePage));
    choice.survey = survey.found();
    if (choice.survey.empty() && rows == 0) {
        choice.survey.resize(columns.size()); // no rows: nothing any field lacks
    }
    if (!m_trap(Step::ReadKey, [&] {
            // The schema is named even for the current one: some servers list no key for
            // a table named without its schema.
            if (source.schema.isEmpty() && !m_currentSchema) {
                m_currentSchema = currentSchema(m_db2).value_or(std::string());
            }
            const std::string schema =
                source.schema.isEmpty() ? *m_currentSchema : source.schema.toStdString();
            choice.key = m_db2.primaryKey(schema, source.name.toStdString());
            try {
                choice.identity = identityColumns(m_db2, schema, source.name.toStdString());
            } catch (const db::Error &e) {
                m_log.note(QStringLiteral("identity columns not known, so none is an "
                                          "Autoincrement field: ") +
                           QString::fromStdString(e.what()));
            }
        })) {
        return std::nullopt;
    }
    return choice;
}

void SendToParadox::notePlan(const ParadoxFields &plan)
{
    QString keyed = QStringLiteral("unkeyed");
    if (plan.keyFields > 0) {
        QStringList names;
        for (std::size_t f = 0; f < plan.keyFields; ++f) {
            names << QString::fromStdString(plan.fields[f].name);
        }
        keyed = QStringLiteral("keyed on ") + names.join(QStringLiteral(", "));
    }
    m_log.note(QStringLiteral("typed copy: %1 fields, written straight and %2")
                   .arg(plan.fields.size())
                   .arg(keyed));
    for (const std::string &note : plan.notes) {
        m_log.note(QString::fromStdString(note));
    }
}

bool SendToParadox::writeTyped(db::Recordset &rows,
                               const RowSurvey &survey,
                               const ListedTable &source,
                               const QString &paradoxName,
                               bool replace,
                               RowCounts &counts,
                               std::unique_ptr<paradox::TableWriter> &writer)
{
    m_trap(Step::CountRows, [&] { counts.source = rows.recordCount(); });
    const std::optional<FieldChoice> choice =
        fieldChoice(source, survey, rows.fields(), counts.source);
    if (!choice) {
        return false;
    }
    ParadoxFields plan;
    if (!m_trap(Step::BuildCreate, [&] {
            plan = planParadoxFields(rows.fields(), *choice);
            paradox::WriteOptions options;
            options.replaceExisting = replace;
            options.driver = paradox::codePagesInUse().write;
            options.keyFields = plan.keyFields;
            options.expectedRecords =
                static_cast<std::uint64_t>(std::max<std::int64_t>(0, counts.source));
            options.pumpEvents = stoppingPump(m_progress);
            writer = std::make_unique<paradox::TableWriter>(
                std::filesystem::path(m_folder.toStdString()) / (paradoxName.toStdString() + ".db"),
                plan.fields,
                options);
        })) {
        return false;
    }
    notePlan(plan);
    std::vector<db::Value> values;
    std::vector<std::int64_t> cut(plan.fields.size());
    const RowsEnd end =
        forEachRow(rows, counts.source, m_progress, m_trap, Step::NextRow, [&](std::int64_t) {
            return m_trap(Step::InsertRow, [&] {
                rows.takeRow(values);
                ++counts.read;
                for (std::size_t c = 0; c < values.size(); ++c) {
                    toMilliseconds(values[c], cut[c]);
                }
                toParadoxValues(plan, values);
                writer->append(values); // names the field and the record it cannot hold
                ++counts.written;
            });
        });
    noteCutTimestamps(rows.fields(), cut, source.name);
    return end == RowsEnd::All;
}

bool SendToParadox::exportTable(const QString &source, const QString &paradoxName, bool replace)
{
    return m_trap(Step::Export, [&] {
        const std::string text = exportText(m_folder, paradoxName, source).toStdString();
        if (replace) {
            m_staging.executeReplacing(text);
        } else {
            m_staging.execute(text);
        }
    });
}

std::optional<std::int64_t> SendToParadox::countRecords(const QString &paradoxName) const
{
    try {
        const std::vector<std::filesystem::path> tables = tableFilesOf(m_folder, paradoxName);
        if (tables.size() != 1) {
            return std::nullopt;
        }
        // Counting walks every block of the chain: long for a large table, so the window
        // goes on meanwhile.
        const std::filesystem::path table = tables.front();
        return whilePumping(
            [&table] {
                return static_cast<std::int64_t>(paradox::TableReader::open(table).recordCount());
            },
            [this] { m_progress.tick(); });
    } catch (const std::exception &) {
        return std::nullopt; // the log says it could not be read back
    }
}

void SendToParadox::copy(const ListedTable &table)
{
    // The Paradox table and the staging table take the table's own name; the SELECT names
    // its schema when it is not the current one.
    const QString &source = table.name;
    TableTurn turn(m_log, m_trap, m_progress, table.shown());
    if (!holds(m_view.db2List(), table)) {
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
        m_trap.report(Step::RefuseName, problem);
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
    RowSurvey survey; // what the typed copy's fields need to know of the values
    if (m_typed) {
        rows.watchRows([&](const std::vector<db::Field> &columns,
                           const std::vector<db::Value> &row) { survey.look(columns, row); });
    }
    if (!m_trap(Step::OpenRows, [&] {
            rows.setCursorLocation(db::CursorLocation::Client);
            rows.open("SELECT * FROM " + db2Name(table).toStdString(), m_db2);
        })) {
        return;
    }
    RowCounts counts;
    // The typed copy's table until it is put in place; dropped unfinished, it leaves nothing.
    std::unique_ptr<paradox::TableWriter> writer;
    const bool staged =
        m_typed ? writeTyped(rows, survey, table, *paradoxName, *replace, counts, writer)
                : stage(rows, source, counts);
    m_trap(Step::DefaultPointer, [&] { m_progress.busy(false); });
    m_trap(Step::ResetProgress, [&] { m_progress.reset(); });
    m_trap(Step::CloseRows, [&] { rows.close(); });
    const bool exported = staged && !m_progress.stopping() &&
                          (m_typed ? m_trap(Step::Export, [&] { writer->commit(); })
                                   : exportTable(source, *paradoxName, *replace));
    writer.reset();
    if (exported && *replace && showsTarget()) {
        m_trap(Step::RemoveReplacedItem,
               [&] { RemoveListItem(m_view.paradoxList(), *paradoxName); });
    }
    if (exported) {
        counts.readBack = countRecords(*paradoxName);
    } else {
        counts.written = 0;
    }
    m_log.rows(table.shown() + QStringLiteral(" as ") + *paradoxName + QStringLiteral(".db"),
               counts);
    turn.finish(exported && counts.written == counts.source,
                *replace ? QStringLiteral("replaced the Paradox table") : QString());
    m_progress.tick();
    if (!m_typed) {
        dropStaging(Step::FindStaging, Step::DropStaging, source);
    }
    m_progress.tick();
}

} // namespace tw::transfer
