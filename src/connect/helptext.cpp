#include "helptext.h"

#include <QStringList>

namespace tw::connect {

QString helpText()
{
    const QStringList lines = {
        QStringLiteral("Here is how I connected to my IBM DB2 database."),
        QStringLiteral("I went to www.ibm.com"),
        QStringLiteral("specifically"),
        QStringLiteral("http://www.ibm.com/software/data/db2/udb/support/downloadv9.html"),
        QStringLiteral("Downloaded and installed the DB2 Client (not DB2 Runtime Client)"),
        QStringLiteral("I personally got the"),
        QStringLiteral("DB2 9 Client for Windows on 32-bit AMD and Intel systems (x86)"),
        QStringLiteral("If you are using Windows XP, there may be a firewall preventing you from "
                       "connecting. You may need to add the DB2 port."),
        QStringLiteral("Please visit:"),
        QStringLiteral("http://www.ibm.com/support/docview.wss?uid=swg21168392"),
    };
    QString text;
    for (const QString &line : lines) {
        text += line;
        text += QStringLiteral("\r\r");
    }
    return text;
}

} // namespace tw::connect
