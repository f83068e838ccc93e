#pragma once

#include "SettingsStore.h"

#include <QString>

// The store on QSettings, one INI file per application name in a directory.
// Every write is synced before it returns; QSettings replaces the file
// through QSaveFile, so a process killed mid-write leaves the old or the new
// file, never a torn one.
class QtSettingsStore final : public SettingsStore
{
public:
    // The per-user configuration location (XDG_CONFIG_HOME on Linux).
    QtSettingsStore();
    // A store rooted in `directory`; tests use a temporary directory.
    explicit QtSettingsStore(QString directory);

    QString read(const QString& application, const QString& section, const QString& key) const override;
    bool write(const QString& application, const QString& section, const QString& key,
               const QString& value) override;

    QString lastWriteError() const override { return m_lastWriteError; }

    QString filePath(const QString& application) const;

    static QString defaultDirectory();

private:
    bool fail(const QString& application, const QString& reason);

    QString m_directory;
    QString m_lastWriteError;
};
