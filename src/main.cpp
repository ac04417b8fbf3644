// Tablewright: moves whole tables between a Paradox folder and a DB2 database.

#include "app/operationlog.h"
#include "app/settingsstore.h"
#include "app/widgets/appicon.h"
#include "app/widgets/qtdialogs.h"
#include "connect/form1.h"
#include "transfer/form2.h"
#include "transfer/paradoxtables.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setWindowIcon(tw::app::applicationIcon());

    tw::app::QtDialogs boxes;
    tw::app::OperationLog log(tw::app::OperationLog::userLogPath());
    tw::app::LoggingDialogs dialogs(boxes, log);
    tw::app::SettingsStore settings(tw::app::SettingsStore::userStorePath());
    tw::transfer::chooseParadoxCodePages(settings);

    tw::connect::Form1 form1(dialogs, settings, QCoreApplication::applicationDirPath());
    tw::transfer::Form2 form2(dialogs, form1);
    form1.setTransferPage(&form2);
    form2.setOperationLog(&log);
    form2.setSettings(&settings);
    form1.setOperationLog(&log);

    // Closing either page ends the program, the hidden one included: work running then stops
    // after the statement in flight, and the event loop ends once its handler has returned.
    auto endProgram = [&form2] {
        form2.endWork();
        QCoreApplication::exit(0);
    };
    QObject::connect(&form1, &tw::connect::Form1::unloaded, &application, endProgram);
    QObject::connect(&form2, &tw::transfer::Form2::unloaded, &application, endProgram);

    form1.Form_Load();
    if (!form1.startedOnTransferPage()) {
        form1.show();
    }
    return QApplication::exec();
}
