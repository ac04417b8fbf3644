#include "connect/db2connection.h"

#include "db/connection.h"
#include "db/connectionstring.h"

namespace tw::connect {

QString ConnectionStringValue(const QString &value)
{
    return QString::fromStdString(db::connectionStringValue(value.toStdString()));
}

QString Db2ConnectionString(const ConnectionSettings &fields)
{
    // A ";" in a field would end its value and start another keyword: such a value goes in
    // braces, which the driver cannot misread as a further keyword.
    const auto value = ConnectionStringValue;
    return QStringLiteral("Driver={IBM DB2 ODBC DRIVER};Database=") + value(fields.Text6) +
           QStringLiteral(";Hostname=") + value(fields.Text2) + QStringLiteral(";Port=") +
           value(fields.Text3) + QStringLiteral(";Protocol=TCPIP;Uid=") + value(fields.Text4) +
           QStringLiteral(";Pwd=") + value(fields.Text5) + QStringLiteral(";");
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
