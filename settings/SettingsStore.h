#pragma once

#include "StoreCheck.h"

#include <QString>

// The per-user settings store: text values addressed by application name,
// section and key. Nothing else (no enumeration, no deletion) is offered to
// readers and writers; the start-up looks at the store once beforehand.
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

    // Called once at start-up before any read. A store that can be damaged
    // sets a damaged one aside, keeps what could still be read of it, and
    // tells what it found. A store that cannot be damaged is always whole.
    virtual StoreCheck recover(const QString& application)
    {
        Q_UNUSED(application);
        return {};
    }
};
