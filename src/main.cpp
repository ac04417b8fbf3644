// Tablewright: moves whole tables between a Paradox folder and a DB2 database.

#include "app/settingsstore.h"
#include "app/widgets/qtdialogs.h"
#include "connect/form1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);

    tw::app::QtDialogs dialogs;
    tw::app::SettingsStore settings(tw::app::SettingsStore::userStorePath());

    tw::connect::Form1 form1(dialogs, settings, QCoreApplication::applicationDirPath());
    QObject::connect(&form1, &tw::connect::Form1::unloaded, &application, [] {
        QApplication::closeAllWindows();
        QApplication::quit();
    });
    form1.Form_Load();
    form1.show();

    return QApplication::exec();
}
