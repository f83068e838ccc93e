#pragma once

#include <QString>

// The per-user settings store: text values addressed by application name,
// section and key. Nothing else (no enumeration, no deletion) is offered.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;

    // The stored text, or the empty text when the key is absent.
    virtual QString read(const QString& application, const QString& section, const QString& key) const = 0;

    // Creates or replaces the value. Returns false when the value could not
    // be made durable; the previous value then stays in place.
    virtual bool write(const QString& application, const QString& section, const QString& key,
                       const QString& value) = 0;

    // Why the last write that returned false failed, naming where the
    // store lives, in words for the user ("/home/u/.config/Ventaro/
    // Ventaro.ini: No space left on device").
    virtual QString lastWriteError() const = 0;
};
