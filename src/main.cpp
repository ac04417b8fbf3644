// Tablewright: moves whole tables between a Paradox folder and a DB2 database.

#include "app/operationlog.h"
#include "app/settingsstore.h"
#include "app/widgets/appicon.h"
#include "app/widgets/qtdialogs.h"
#include "transfer/paradoxtables.h"
#include "transfer/widgets/wizard.h"

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

    tw::transfer::Wizard wizard(dialogs, settings, QCoreApplication::applicationDirPath(), log);

    // Closing either page ends the program, the hidden one included: work running then stops
    // after the statement in flight, and the event loop ends once its handler has returned.
    auto endProgram = [&wizard] {
        wizard.form2.endWork();
        QCoreApplication::exit(0);
    };
    QObject::connect(&wizard.form1, &tw::connect::Form1::unloaded, &application, endProgram);
    QObject::connect(&wizard.form2, &tw::transfer::Form2::unloaded, &application, endProgram);

    wizard.form1.Form_Load();
    if (!wizard.form1.startedOnTransferPage()) {
        wizard.form1.show();
    }
    return QApplication::exec();
}
