#pragma once

#include "connect/connectionsettings.h"

#include <QString>

#include <exception>

namespace tw::connect {

// A value as a connection string carries it: exactly as typed, or in braces (a "}" doubled)
// when it holds ";", "{" or "}", so that it can never end early and add a keyword.
QString connectionStringValue(const QString &value);

// The DB2 connection string, built from the fields exactly as typed: nothing trimmed or
// escaped, and a field holding ";" braced (the driver splits it at every ";").
QString Db2ConnectionString(const ConnectionSettings &fields);

// "SAMPLE on db2host:50000 as admin": the DB2 fields but the password, for the log.
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
