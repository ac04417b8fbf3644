#include "app/widgets/fileexists.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using tw::app::FileExists;

TEST(FileExists, TrueForAFileAndAFolderFalseForAnythingElse)
{
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/HAND-M.CUR");
    QFile(file).open(QIODevice::WriteOnly);

    EXPECT_TRUE(FileExists(file));
    EXPECT_TRUE(FileExists(dir.path()));
    EXPECT_FALSE(FileExists(dir.path() + QStringLiteral("/missing")));
    EXPECT_FALSE(FileExists(file + QStringLiteral("/below-a-file")));
    EXPECT_FALSE(FileExists(QString()));
}
