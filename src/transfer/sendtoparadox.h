#pragma once

#include "app/dialogs.h"
#include "app/errortrap.h"
#include "app/operationlog.h"
#include "db/connection.h"
#include "paradox/writer.h"
#include "transfer/paradoxfields.h"
#include "transfer/presslog.h"
#include "transfer/stagingdatabase.h"
#include "transfer/transferview.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace tw::transfer {

// "Send Table/s To Paradox": the selected DB2 tables, bottom first, through the staging
// database, each exported as a Paradox table of at most 8 characters' name. With "Keep column
// types and keys", each column becomes the field its DB2 type calls for and the rows go
// straight from the DB2 cursor to the Paradox writer.
class SendToParadox
{
public:
    SendToParadox(app::Dialogs &dialogs, app::OperationLog &log, TransferView &view);

    // One press of the button. Returns how each selected table fared.
    std::vector<TableReport> run();

private:
    // A connection that cannot be opened is reported once and ends the operation.
    bool open();
    // One table, from its questions to its export.
    void copy(const ListedTable &table);
    void close();

    // The Paradox name, cut to 8 characters on Yes; nothing on No.
    std::optional<QString> askName(const QString &source);
    // True when an existing Paradox table of that name is to be replaced; nothing on No.
    std::optional<bool> askOverwrite(const QString &paradoxName);
    // The staging table and its rows. False unless every row reached it: a table the staging
    // database did not take whole is not exported (the first failure is reported and the
    // other rows are not tried).
    bool stage(db::Recordset &rows, const QString &source, RowCounts &counts);
    // One log line for each column whose timestamps lost digits below the millisecond.
    void noteCutTimestamps(const std::vector<db::Field> &fields,
                           const std::vector<std::int64_t> &cut,
                           const QString &source);
    // What the typed copy's fields take beyond the columns: the key, the identity columns,
    // the survey of the values. Nothing when the key could not be read (a box says why).
    std::optional<FieldChoice> fieldChoice(const ListedTable &source,
                                           const RowSurvey &survey,
                                           const std::vector<db::Field> &columns,
                                           std::int64_t rows);
    // The log's lines for the fields and the key the typed copy writes.
    void notePlan(const ParadoxFields &plan);
    // The typed copy's rows, written to `writer` (made here): false unless every row went in.
    bool writeTyped(db::Recordset &rows,
                    const RowSurvey &survey,
                    const ListedTable &source,
                    const QString &paradoxName,
                    bool replace,
                    RowCounts &counts,
                    std::unique_ptr<paradox::TableWriter> &writer);
    // A Paradox table the user agreed to replace stays until the export has written its
    // replacement whole; any failure before then keeps it as it was.
    bool exportTable(const QString &source, const QString &paradoxName, bool replace);
    // Drops the staging table when it is there.
    void dropStaging(app::StepNumber find, app::StepNumber drop, const QString &source);
    // The records of the Paradox table as written, counted by reading its file.
    std::optional<std::int64_t> countRecords(const QString &paradoxName) const;
    // True while the view still shows the folder this press copies into.
    bool showsTarget() const;

    app::Dialogs &m_dialogs;
    TransferView &m_view;
    Progress &m_progress;
    app::ErrorTrap m_trap;
    PressLog m_log;
    QString m_folder;
    bool m_typed = false;
    std::optional<std::string> m_currentSchema; // asked once a press, when a table needs it
    std::optional<StagingCopy> m_stagingCopy;   // outlives the connection on it
    db::Connection m_staging;
    db::Connection m_paradox;
    db::Connection m_db2;
};

} // namespace tw::transfer
