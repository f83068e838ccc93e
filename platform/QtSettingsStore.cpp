#include "QtSettingsStore.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>

namespace {

// A key or section name could hold '/' (a group separator for QSettings);
// the program's own names never do, so such names are refused rather than
// silently nested.
bool validName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

// QSettings guards its file with a lock file holding the owner's process
// id, and takes over a lock whose owner has died. A process killed between
// creating the lock file and writing its id leaves an empty one, which
// QSettings only gives up on after half a minute, blocking every write
// until then. The id follows the creation within microseconds, so a lock
// file still empty a tenth of a second after its creation has no owner.
void removeOrphanedLock(const QString& settingsFile)
{
    constexpr qint64 orphanAfterMs = 100;
    const QString path = settingsFile + QStringLiteral(".lock");
    QFileInfo lock(path);
    if (!lock.exists() || lock.size() != 0)
        return;
    const qint64 age = lock.lastModified().msecsTo(QDateTime::currentDateTime());
    if (age >= 0 && age < orphanAfterMs)
        QThread::msleep(static_cast<unsigned long>(orphanAfterMs - age));
    lock.refresh();
    if (lock.exists() && lock.size() == 0)
        QFile::remove(path);
}

} // namespace

QtSettingsStore::QtSettingsStore() : QtSettingsStore(defaultDirectory()) {}

QtSettingsStore::QtSettingsStore(QString directory) : m_directory(std::move(directory)) {}

QString QtSettingsStore::defaultDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Ventaro");
}

QString QtSettingsStore::filePath(const QString& application) const
{
    return QDir(m_directory).filePath(application + QStringLiteral(".ini"));
}

QString QtSettingsStore::read(const QString& application, const QString& section, const QString& key) const
{
    if (!validName(application) || !validName(section) || !validName(key))
        return {};
    // A fresh QSettings per read: another process (or a hand edit) may have
    // changed the file, and readers must see the store as it is now.
    QSettings settings(filePath(application), QSettings::IniFormat);
    const QVariant value = settings.value(section + QLatin1Char('/') + key);
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

bool QtSettingsStore::write(const QString& application, const QString& section, const QString& key,
                            const QString& value)
{
    if (!validName(application) || !validName(section) || !validName(key))
        return fail(application, QStringLiteral("not a name the store can hold"));
    if (!QDir().mkpath(m_directory))
        return fail(application, QStringLiteral("its folder %1 cannot be made").arg(m_directory));
    removeOrphanedLock(filePath(application));
    QSettings settings(filePath(application), QSettings::IniFormat);
    settings.setAtomicSyncRequired(true);
    settings.setValue(section + QLatin1Char('/') + key, value);
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    return fail(application, QString());
}

bool QtSettingsStore::fail(const QString& application, const QString& reason)
{
    QString why = reason;
    if (why.isEmpty()) {
        // QSettings tells only that it failed. Writing the file's present
        // bytes to a save file beside it (and throwing that away) meets the
        // same obstacle and names it: no right to write, a full disk.
        QFile current(filePath(application));
        const QByteArray bytes = current.open(QIODevice::ReadOnly) ? current.readAll() : QByteArray();
        QSaveFile probe(filePath(application));
        if (!probe.open(QIODevice::WriteOnly) || probe.write(bytes + '\n') < 0 || !probe.flush())
            why = probe.errorString();
        probe.cancelWriting();
        if (why.isEmpty())
            why = QStringLiteral("the file could not be written");
    }
    m_lastWriteError = QDir::toNativeSeparators(filePath(application)) + QStringLiteral(": ") + why;
    return false;
}
