#pragma once

#include "connect/connectionsettings.h"

#include <QString>

namespace tw::connect {

// The DB2 connection string, built from the fields exactly as typed: nothing trimmed,
// quoted or escaped (the driver splits it at every ";").
QString Db2ConnectionString(const ConnectionSettings &fields);

// True when a connection opens with Db2ConnectionString; shows nothing. The connection is
// released before it returns.
bool CheckDb2Connection(const ConnectionSettings &fields);

} // namespace tw::connect
