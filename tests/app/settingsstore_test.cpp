#include "app/settingsstore.h"

#include "support/printers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using tw::app::SettingsStore;

namespace {

class SettingsFile : public ::testing::Test
{
protected:
    QString path() const { return m_dir.path() + QStringLiteral("/Kelvarin/Tablewright.ini"); }

    // What a later run of the program would read from the file.
    QString readBack(const QString &key) const
    {
        QSettings fresh(path(), QSettings::IniFormat);
        return fresh.value(QStringLiteral("Tablewright/") + key, QStringLiteral("<absent>"))
            .toString();
    }

    mode_t fileMode() const
    {
        struct stat info
        {};

        EXPECT_EQ(::stat(QFile::encodeName(path()).constData(), &info), 0);
        return info.st_mode & 07777;
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(SettingsFile, AbsentKeyGivesTheDefaultButAStoredEmptyValueDoesNot)
{
    SettingsStore store(path());
    EXPECT_EQ(store.GetSetting(QStringLiteral("Port"), QStringLiteral("50069")),
              QStringLiteral("50069"));
    EXPECT_FALSE(store.contains(QStringLiteral("Port")));

    store.SaveSetting(QStringLiteral("Port"), QString());

    EXPECT_TRUE(store.contains(QStringLiteral("Port")));
    EXPECT_EQ(store.GetSetting(QStringLiteral("Port"), QStringLiteral("50069")), QString());
    SettingsStore nextRun(path());
    EXPECT_EQ(nextRun.GetSetting(QStringLiteral("Port"), QStringLiteral("50069")), QString());
}

TEST_F(SettingsFile, EveryWriteIsOnDiskAtOnceUnderTheProgramsSection)
{
    SettingsStore store(path());
    store.SaveSetting(QStringLiteral("Server"), QStringLiteral("db2host"));
    EXPECT_EQ(readBack(QStringLiteral("Server")), QStringLiteral("db2host"));
    store.SaveSetting(QStringLiteral("Server"), QStringLiteral("db2host2"));
    EXPECT_EQ(readBack(QStringLiteral("Server")), QStringLiteral("db2host2"));
}

TEST_F(SettingsFile, ValuesComeBackExactlyAsStored)
{
    const QString values[] = {
        QStringLiteral(" pa;ss=word "),
        QStringLiteral("C:\\Data\\Paradox\\"),
        QStringLiteral("/home/åsa/Données, \"quoted\" #1"),
        QStringLiteral("[section]"),
    };
    SettingsStore store(path());
    for (const QString &value : values) {
        store.SaveSetting(QStringLiteral("Password"), value);
        SettingsStore nextRun(path());
        EXPECT_EQ(nextRun.GetSetting(QStringLiteral("Password")), value);
    }
}

TEST_F(SettingsFile, TheFileHoldingThePasswordIsPrivateToItsOwner)
{
    const mode_t previous = ::umask(0);
    {
        SettingsStore store(path());
        EXPECT_EQ(fileMode(), 0600U) << "the new file was created readable by others";
        store.SaveSetting(QStringLiteral("Password"), QStringLiteral("secret"));
        EXPECT_EQ(fileMode(), 0600U);
    }
    ::umask(previous);

    ASSERT_TRUE(QFile::setPermissions(path(),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ReadOther | QFileDevice::ReadGroup));
    SettingsStore reopened(path());
    EXPECT_EQ(fileMode(), 0600U) << "an existing readable file was left readable";
}

// A link in the settings file's place would have the password written wherever it points
// (and a pipe would hang the start): it is never read or written through, and one text says why.
TEST_F(SettingsFile, ALinkOrAPipeInItsPlaceIsNeverReadOrWrittenThrough)
{
    ASSERT_TRUE(QDir().mkpath(m_dir.path() + QStringLiteral("/Kelvarin")));
    const QString notes = m_dir.path() + QStringLiteral("/notes.txt");
    {
        QFile file(notes);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Tablewright]\nPassword=planted\n");
    }
    ASSERT_TRUE(QFile::link(notes, path()));
    {
        SettingsStore store(path());
        EXPECT_TRUE(store.problem().contains(QStringLiteral("symbolic link")));
        EXPECT_EQ(store.GetSetting(QStringLiteral("Password")), QString());
        store.SaveSetting(QStringLiteral("Password"), QStringLiteral("secret"));
    }
    QFile file(notes);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("[Tablewright]\nPassword=planted\n"));
    EXPECT_TRUE(QFileInfo(path()).isSymLink());

    QFile::remove(path());
    ASSERT_EQ(::mkfifo(QFile::encodeName(path()).constData(), 0600), 0);
    SettingsStore piped(path());
    EXPECT_TRUE(piped.problem().contains(QStringLiteral("not a regular file")));
    EXPECT_EQ(piped.GetSetting(QStringLiteral("Port"), QStringLiteral("50069")),
              QStringLiteral("50069"));
}

TEST_F(SettingsFile, ItIsPrivateAfterEveryWriteWhoeverChangedItsMode)
{
    SettingsStore store(path());
    store.SaveSetting(QStringLiteral("Password"), QStringLiteral("secret"));
    ASSERT_EQ(::chmod(QFile::encodeName(path()).constData(), 0644), 0);
    store.SaveSetting(QStringLiteral("Server"), QStringLiteral("db2host"));
    EXPECT_EQ(fileMode(), 0600U);
    EXPECT_EQ(readBack(QStringLiteral("Password")), QStringLiteral("secret"));
}

TEST_F(SettingsFile, TheUserStoreLivesUnderTheXdgConfigFolder)
{
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
    EXPECT_EQ(SettingsStore::userStorePath(), path());
    qputenv("XDG_CONFIG_HOME", saved);
}
