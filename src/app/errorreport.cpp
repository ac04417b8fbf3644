#include "errorreport.h"

namespace tw::app {

QString errorReportMessage(const QString &description, QStringView location, int lineNumber)
{
    QString message = description;
    message += u"\r\n";
    message += location;
    message += u"at line ";
    message += QString::number(lineNumber);
    message += u"\r\r";
    message += u"Please email screenshot of this message to ";
    message += kSupportAddress;
    return message;
}

void ErrorReportBox(Dialogs &dialogs,
                    const QString &description,
                    QStringView location,
                    int lineNumber)
{
    dialogs.errorReport(errorReportMessage(description, location, lineNumber));
}

} // namespace tw::app
