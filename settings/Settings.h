#pragma once

#include "SettingsKeys.h"
#include "SettingsStore.h"

#include <QString>

// The program's section of the store: every call goes to the store at the
// moment it is made, nothing is cached.
class Settings
{
public:
    explicit Settings(SettingsStore& store) : m_store(store) {}

    QString get(const QString& key) const
    {
        return m_store.read(SettingsKeys::application, SettingsKeys::section, key);
    }
    bool save(const QString& key, const QString& value)
    {
        return m_store.write(SettingsKeys::application, SettingsKeys::section, key, value);
    }

    // Numeric readings of a key (see NumberForm.h).
    double number(const QString& key) const;
    qint16 int16(const QString& key) const;
    qint32 colour(const QString& key) const;

    // The tray tests: "not 0" at start-up and when the settings dialog
    // closes, "equal to -1" for Exit, close and refresh.
    bool trayRuleOn() const { return number(SettingsKeys::SysTray) != 0; }
    bool trayUseOn() const { return number(SettingsKeys::SysTray) == -1; }

    // Whether weather alerts are notified: on unless AlertNotify holds a
    // number equal to 0 ("0", as the settings dialog writes it). A store
    // without the key, from a first start or an older version, is on, and
    // so is one holding something that is not a number.
    bool alertNotifyOn() const;

    // Whether the tray shows the temperature: on only when TrayTemperature
    // holds a number other than 0 ("-1", as the settings dialog writes it).
    // A store without the key, from a first start or an older version, is
    // off, and so is one holding something that is not a number: those
    // keep the sky pictures the tray has always shown.
    bool trayTemperatureOn() const;

    SettingsStore& store() const { return m_store; }

private:
    SettingsStore& m_store;
};
