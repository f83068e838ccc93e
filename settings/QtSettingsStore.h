#pragma once

#include "SettingsStore.h"

#include <QByteArray>
#include <QString>

// The store on QSettings, one INI file per application name in a directory.
// Every write is synced before it returns; QSettings replaces the file
// through QSaveFile, so a process killed mid-write leaves the old or the new
// file, never a torn one.
//
// Only a regular file of at most `sizeCap` bytes is ever handed to
// QSettings; anything else at the file's place reads as an empty store and
// refuses writes, so that it is neither waited on nor overwritten.
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

    // Looks at the file without opening anything but a regular file and
    // without reading more than `sizeCap` bytes. A damaged file is kept
    // beside the store under a name ending in ".damaged-" and the time, and
    // the store is rebuilt from its well-formed lines (key=value lines under
    // a well-formed section header, at most `longestSalvagedLine` bytes
    // long), so every value that could be read reads as before. An
    // unreadable file is left alone.
    StoreCheck recover(const QString& application) override;

    QString filePath(const QString& application) const;

    static QString defaultDirectory();

    // Far above anything the program writes (a few hundred bytes).
    static constexpr qint64 sizeCap = 1024 * 1024;
    static constexpr qsizetype longestSalvagedLine = 64 * 1024;

private:
    bool fail(const QString& application, const QString& reason);

    QString m_directory;
    QString m_lastWriteError;
};
