#include "connect/db2connection.h"

#include "db/connection.h"

namespace tw::connect {

QString Db2ConnectionString(const ConnectionSettings &fields)
{
    return QStringLiteral("Driver={IBM DB2 ODBC DRIVER};Database=") + fields.Text6 +
           QStringLiteral(";Hostname=") + fields.Text2 + QStringLiteral(";Port=") + fields.Text3 +
           QStringLiteral(";Protocol=TCPIP;Uid=") + fields.Text4 + QStringLiteral(";Pwd=") +
           fields.Text5 + QStringLiteral(";");
}

bool CheckDb2Connection(const ConnectionSettings &fields)
{
    db::Connection connection;
    try {
        connection.open(Db2ConnectionString(fields).toStdString());
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

} // namespace tw::connect
