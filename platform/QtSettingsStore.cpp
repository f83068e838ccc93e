#include "QtSettingsStore.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace {

// A key or section name could hold '/' (a group separator for QSettings);
// the program's own names never do, so such names are refused rather than
// silently nested.
bool validName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
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
        return false;
    if (!QDir().mkpath(m_directory))
        return false;
    QSettings settings(filePath(application), QSettings::IniFormat);
    settings.setAtomicSyncRequired(true);
    settings.setValue(section + QLatin1Char('/') + key, value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}
