#pragma once

#include "connect/connectionsettings.h"

#include <QString>

#include <exception>

namespace tw::connect {

// A value as a connection string carries it: exactly as typed, or in braces (a "}" doubled)
// when it holds ";", "{" or "}", so that it can never end early and add a keyword.
QString connectionStringValue(const QString &value);

// Why a DB2 field cannot reach the driver as typed, naming the field, or the empty text when
// every field can. IBM's CLI splits a connection string at every ";", braces or not (a
// password cannot hold one), a NUL ends the text it reads, and whether it takes braces off a
// value that begins with "{" is not documented: such a value could add, drop or change a
// keyword, so it is refused rather than sent.
QString db2FieldProblem(const ConnectionSettings &fields);

// The DB2 connection string, built from the fields exactly as typed: nothing trimmed or
// escaped. Throws std::runtime_error with db2FieldProblem's text for a field the driver
// cannot read as typed.
QString Db2ConnectionString(const ConnectionSettings &fields);

// "SAMPLE on db2host:50000 as admin", read back from the connection string as the driver
// reads it (the database, host, port and user it is asked for; never the password), for
// the log.
QString db2Target(const ConnectionSettings &fields);

// True when a connection opens with Db2ConnectionString; shows nothing. The connection is
// released before it returns.
bool CheckDb2Connection(const ConnectionSettings &fields);

// Why a connection with these fields does not open, for a box's details and the log: the
// driver's SQLSTATE, native code and message, and a one-line hint for the failures a Linux
// user meets (driver not registered or not loadable, host or port, user or password, an
// unknown database). Empty when it opens.
QString db2ConnectionFailure(const ConnectionSettings &fields);

// The details of a failed connection: SQLSTATE, native code, message and hint.
QString db2FailureDetails(const std::exception &error);

} // namespace tw::connect
