#pragma once

#include "app/dialogs.h"
#include "app/errortrap.h"
#include "app/operationlog.h"
#include "db/connection.h"
#include "transfer/presslog.h"
#include "transfer/transferview.h"
#include "transfer/typedtable.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace tw::transfer {

// "Send Table/s To IBM DB2": the selected Paradox tables, bottom first, created in DB2 and
// filled one literal INSERT per row; with "Keep column types and keys", created with typed
// columns, the key and the indexes, and filled with bound rows in arrays.
class SendToDb2
{
public:
    SendToDb2(app::Dialogs &dialogs, app::OperationLog &log, TransferView &view);

    // One press of the button. Returns how each selected table fared.
    std::vector<TableReport> run();

private:
    // A connection that cannot be opened is reported once and ends the operation: every
    // later step would fail in turn.
    bool open();
    // One table, from the overwrite question to its item in the DB2 list.
    void copy(const ListedTable &table);
    void close();

    // The DB2 table to replace as the DB2 list writes it (the last match wins), the empty
    // text when none is listed, nothing when the user answered No.
    std::optional<QString> askOverwrite(const QString &name);
    // The CREATE for the table, the typed one's indexes and plan; an empty CREATE after a box.
    QString buildCreate(const QString &paradoxName,
                        const db::Recordset &rows,
                        QStringList &indexes,
                        std::optional<TypedTable> &typed);
    // The DROP and the CREATE are one unit of work, so a CREATE DB2 refuses gives the old
    // table back, rows and all. False when the table cannot take rows: they would go into
    // whatever is there. The typed copy's indexes join the unit, which it always opens: a
    // table whose index fails is not made.
    bool createTable(const QString &create, const QStringList &indexes, const QString &replaced);
    // Every row as one INSERT; a row the table cannot give (a damaged block or memo) ends the
    // copy, as the cursor has no further rows.
    RowCounts copyRows(db::Recordset &rows, const QString &table);
    // The typed copy's rows: bound, sent in arrays, committed every few thousand rows and at
    // the end. Each row DB2 refuses gets its box and the others go in.
    RowCounts copyTypedRows(db::Recordset &rows, const QString &table, const TypedTable &typed);
    // The typed table for the Paradox table the rows come from; empty after a box.
    std::optional<TypedTable> planTyped(const QString &paradoxName, const db::Recordset &rows);
    // The rows the DB2 table holds, counted by DB2 after the copy.
    std::optional<std::int64_t> countRows(const QString &table);
    void logTyped(const TypedTable &typed);
    // True while the view still shows the DB2 database this press copies into.
    bool showsTarget() const;

    app::Dialogs &m_dialogs;
    TransferView &m_view;
    Progress &m_progress;
    app::ErrorTrap m_trap;
    PressLog m_log;
    QString m_target; // the DB2 connection string
    QString m_folder; // the Paradox folder
    bool m_typed = false;
    bool m_booleans = false; // the server has BOOLEAN columns
    db::Connection m_db2;
    db::Connection m_paradox;
};

} // namespace tw::transfer
