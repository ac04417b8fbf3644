#pragma once

#include "connect/connectionsettings.h"

#include <QString>

namespace tw::connect {

// A value as a connection string carries it: exactly as typed, or in braces (a "}" doubled)
// when it holds ";", "{" or "}", so that it can never end early and add a keyword.
QString ConnectionStringValue(const QString &value);

// The DB2 connection string, built from the fields exactly as typed: nothing trimmed or
// escaped, and a field holding ";" braced (the driver splits it at every ";").
QString Db2ConnectionString(const ConnectionSettings &fields);

// True when a connection opens with Db2ConnectionString; shows nothing. The connection is
// released before it returns.
bool CheckDb2Connection(const ConnectionSettings &fields);

} // namespace tw::connect
