#include "connect/db2connection.h"

#include "db/connection.h"
#include "db/connectionstring.h"

#include <QRegularExpression>

#include <stdexcept>
#include <utility>

namespace tw::connect {

QString connectionStringValue(const QString &value)
{
    return QString::fromStdString(db::connectionStringValue(value.toStdString()));
}

QString db2FieldProblem(const ConnectionSettings &fields)
{
    const std::pair<const char *, const QString *> named[] = {{"database", &fields.database},
                                                              {"server", &fields.server},
                                                              {"port", &fields.port},
                                                              {"user name", &fields.user},
                                                              {"password", &fields.password}};
    for (const auto &[name, value] : named) {
        const QString field =
            QStringLiteral("The DB2 ") + QLatin1String(name) + QStringLiteral(" field");
        if (value->contains(u';')) {
            return field +
                   QStringLiteral(" holds a \";\", which IBM's DB2 driver reads as the end of "
                                  "the value, braces or not: no connection was made.");
        }
        if (value->contains(QChar(0))) {
            return field + QStringLiteral(" holds a NUL character, which ends the text the DB2 "
                                          "driver reads: no connection was made.");
        }
        if (value->startsWith(u'{')) {
            return field +
                   QStringLiteral(" begins with \"{\", which the DB2 driver may read as the "
                                  "start of a quoted value: no connection was made.");
        }
    }
    return {};
}

QString Db2ConnectionString(const ConnectionSettings &fields)
{
    if (const QString problem = db2FieldProblem(fields); !problem.isEmpty()) {
        throw std::runtime_error(problem.toStdString());
    }
    return QStringLiteral("Driver={IBM DB2 ODBC DRIVER};Database=") + fields.database +
           QStringLiteral(";Hostname=") + fields.server + QStringLiteral(";Port=") + fields.port +
           QStringLiteral(";Protocol=TCPIP;Uid=") + fields.user + QStringLiteral(";Pwd=") +
           fields.password + QStringLiteral(";");
}

QString db2Target(const ConnectionSettings &fields)
{
    if (const QString problem = db2FieldProblem(fields); !problem.isEmpty()) {
        return QStringLiteral("(none: ") + problem + u')';
    }
    // The keywords as the driver takes them: split at every ";", the last of a name winning.
    const QStringList pairs = Db2ConnectionString(fields).split(u';');
    auto value = [&](QStringView keyword) {
        QString found;
        for (const QString &pair : pairs) {
            const qsizetype equals = pair.indexOf(u'=');
            if (equals > 0 &&
                pair.left(equals).trimmed().compare(keyword, Qt::CaseInsensitive) == 0) {
                found = pair.mid(equals + 1);
            }
        }
        return found;
    };
    return value(u"Database") + QStringLiteral(" on ") + value(u"Hostname") + u':' +
           value(u"Port") + QStringLiteral(" as ") + value(u"Uid");
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
