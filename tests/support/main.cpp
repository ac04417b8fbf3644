// Runs GoogleTest inside a QApplication. Widgets render offscreen, and the settings and data
// folders point into a temporary folder so no test ever touches the real user's files.

#include "support/db2emu.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir home;
    if (!home.isValid()) {
        return EXIT_FAILURE;
    }
    for (const char *variable :
         {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"}) {
        qputenv(variable, QFile::encodeName(home.path() + u'/' + QString::fromLatin1(variable)));
    }
    tw::test::Db2Emu::install();
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
