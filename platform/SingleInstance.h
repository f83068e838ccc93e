#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

// Tells whether another instance of the program runs for this user. The
// lock is held for the life of this object; a lock left by a killed process
// is recognised as stale and taken over.
class SingleInstance
{
public:
    // `lockPath` defaults to a file in the per-user runtime location.
    explicit SingleInstance(QString lockPath = defaultLockPath());

    // True when this process now holds the lock; false when another running
    // instance holds it.
    bool acquire();

    static QString defaultLockPath();

    // How old an empty lock file must be before it counts as orphaned.
    static constexpr qint64 orphanAgeMs = 2000;

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};
