#include "connect/db2connection.h"

#include "db/connection.h"
#include "db/connectionstring.h"

#include <QRegularExpression>

namespace tw::connect {

QString connectionStringValue(const QString &value)
{
    return QString::fromStdString(db::connectionStringValue(value.toStdString()));
}

QString Db2ConnectionString(const ConnectionSettings &fields)
{
    // A ";" in a field would end its value and start another keyword: such a value goes in
    // braces, which the driver cannot misread as a further keyword.
    const auto value = connectionStringValue;
    return QStringLiteral("Driver={IBM DB2 ODBC DRIVER};Database=") + value(fields.Text6) +
           QStringLiteral(";Hostname=") + value(fields.Text2) + QStringLiteral(";Port=") +
           value(fields.Text3) + QStringLiteral(";Protocol=TCPIP;Uid=") + value(fields.Text4) +
           QStringLiteral(";Pwd=") + value(fields.Text5) + QStringLiteral(";");
}

QString db2Target(const ConnectionSettings &fields)
{
    return fields.Text6 + QStringLiteral(" on ") + fields.Text2 + u':' + fields.Text3 +
           QStringLiteral(" as ") + fields.Text4;
}

bool CheckDb2Connection(const ConnectionSettings &fields)
{
    return db2ConnectionFailure(fields).isEmpty();
}

QString db2ConnectionFailure(const ConnectionSettings &fields)
{
    db::Connection connection;
    try {
        connection.open(Db2ConnectionString(fields).toStdString());
        return {};
    } catch (const std::exception &e) {
        return db2FailureDetails(e);
    }
}

namespace {

// Where unixODBC reads its drivers from, as `odbcinst -j` shows them.
QString driverFiles()
{
    QString system = qEnvironmentVariable("ODBCSYSINI", QStringLiteral("/etc"));
    const QString name = qEnvironmentVariable("ODBCINSTINI", QStringLiteral("odbcinst.ini"));
    return system + u'/' + name + QStringLiteral(" and ~/.odbcinst.ini");
}

QString hintFor(const db::Error &error)
{
    const QString message = QString::fromUtf8(error.what());
    const QString driverName = QStringLiteral("IBM DB2 ODBC DRIVER");
    static const QRegularExpression cannotOpen(QStringLiteral("Can't open lib '([^']*)'"));
    const QRegularExpressionMatch lib = cannotOpen.match(message);
    if (error.sqlState() == "IM002" || (lib.hasMatch() && lib.captured(1) == driverName)) {
        return QStringLiteral("The driver \"") + driverName +
               QStringLiteral("\" is not registered with unixODBC, which reads its drivers from ") +
               driverFiles() + QStringLiteral(" (`odbcinst -j` shows them).");
    }
    if (error.sqlState() == "IM003" || lib.hasMatch()) {
        return QStringLiteral("The driver library that odbcinst.ini names for \"") + driverName +
               QStringLiteral("\" cannot be loaded (") +
               (lib.hasMatch() ? lib.captured(0) : message) +
               QStringLiteral("): check its Driver= path, and that the libraries it needs are "
                              "installed.");
    }
    switch (error.nativeError()) {
    case -30081:
    case -1336:
        return QStringLiteral("The DB2 server cannot be reached: check the server name and the "
                              "port, and that the server accepts TCP/IP connections.");
    case -30082:
        return QStringLiteral("DB2 refused the user name or the password.");
    case -1013:
    case -30061:
        return QStringLiteral("That server has no database of this name: check the database.");
    default:
        return {};
    }
}

} // namespace

QString db2FailureDetails(const std::exception &error)
{
    const auto *db = dynamic_cast<const db::Error *>(&error);
    if (db == nullptr) {
        return QString::fromUtf8(error.what());
    }
    QString details = QStringLiteral("SQLSTATE ") +
                      QString::fromStdString(db->sqlState().empty() ? "(none)" : db->sqlState()) +
                      QStringLiteral(", native code ") + QString::number(db->nativeError()) +
                      QStringLiteral("\n") + QString::fromUtf8(db->what());
    if (const QString hint = hintFor(*db); !hint.isEmpty()) {
        details += QStringLiteral("\n\n") + hint;
    }
    return details;
}

} // namespace tw::connect
