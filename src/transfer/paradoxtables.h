#pragma once

#include "app/dialogs.h"
#include "db/connection.h"

#include <QString>

namespace tw::transfer {

class TableList;

// The connection string of the Paradox folder, the folder exactly as typed (in braces when
// it holds ";", "{" or "}", so it reaches the backend whole).
QString ParadoxConnectionString(const QString &folder);

// Why `name` cannot name a table file in the Paradox folder (it holds "/" or a NUL, or is
// "." or ".."), or the empty text when it can: a table is never put outside the folder.
QString ParadoxNameProblem(const QString &name);

// Fills the list with the DB2 database's user tables (TABLE_TYPE exactly "TABLE").
void LoadDB2Tables(TableList &list, const QString &db2ConnectionString);

// Appends the tables found in the Paradox folder and every folder below it: each "*.db" file
// not starting with "~", upper-cased, with every ".DB" removed.
void LoadParadoxTables(TableList &list, const QString &folder, app::Dialogs &dialogs);

// True when the connection's tables schema has a user table of that name, case ignored.
bool ExistTable(db::Connection &connection, const QString &name);

} // namespace tw::transfer
