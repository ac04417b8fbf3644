#pragma once

#include "dialogs.h"

#include <QString>
#include <QStringView>

namespace tw::app {

// Where users are asked to send a screenshot of an error report.
inline constexpr QStringView kSupportAddress = u"support@kelvarin.example";

// The text of the "Application Error" box: the description, CR LF, the handler's location,
// "at line " and the step number, CR CR, and the request to mail a screenshot.
QString errorReportMessage(const QString &description, QStringView location, int lineNumber);

// Builds that text and shows it in the "Application Error" box; returns once OK is pressed.
void ErrorReportBox(Dialogs &dialogs,
                    const QString &description,
                    QStringView location,
                    int lineNumber);

} // namespace tw::app
