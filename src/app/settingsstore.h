#pragma once

#include <QSettings>
#include <QString>

namespace tw::app {

// The per-user store of the connection fields: flat text keys under one application and one
// section, written through on every change and synced at once. A key never written is absent
// and reads as the caller's default; an empty value is stored and read back as empty.
//
// The file holds the DB2 password in clear text, so it is kept private to its owner (0600).
class SettingsStore
{
public:
    static constexpr auto kApplication = "Kelvarin";
    static constexpr auto kSection = "Tablewright";

    // The store of the user running the program, under the XDG config folder.
    static QString userStorePath();

    explicit SettingsStore(const QString &filePath);

    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    QString GetSetting(const QString &key, const QString &defaultValue = {}) const;
    void SaveSetting(const QString &key, const QString &value);
    bool contains(const QString &key) const;

    const QString &filePath() const { return m_filePath; }

private:
    void keepPrivate();

    QString m_filePath;
    QSettings m_settings;
};

} // namespace tw::app
