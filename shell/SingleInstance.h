#pragma once

#include <QList>
#include <QLockFile>
#include <QString>
#include <memory>

// Tells whether another instance of the program runs for this user. The
// lock is held for the life of this object. A lock whose owner is not alive
// on this machine is taken over: one naming a process of this host that has
// died (QLockFile's own rule), an empty one whose creator died before
// naming itself, and, in a folder that lives on this machine for this boot
// only, one naming another host that no process here holds. A lock naming
// a live owner is never removed.
class SingleInstance
{
public:
    // A folder the lock may be made in.
    struct Place
    {
        QString folder;
        // The folder lives on this machine for this boot only (the per-user
        // runtime folder): a lock in it naming another host came with a
        // copied home or a container image, not from a program running now.
        bool thisBootOnly = false;
        // Made with mode 0700 when it is missing, and passed over unless it
        // is then a folder of this user's that no one else may enter.
        bool mustBePrivate = false;
    };

    enum class Outcome
    {
        // This process holds the lock.
        Acquired,
        // Another running instance holds it.
        Running,
        // No lock could be made in any of the places.
        NoPlace,
    };

    // The default places, in the order of defaultPlaces().
    SingleInstance();
    // The first place in which a lock can be made or is found decides.
    explicit SingleInstance(QList<Place> places);

    Outcome acquire();

    // After Running: the running instance's process id, or 0 when its lock
    // does not name one yet.
    qint64 runningPid() const { return m_runningPid; }
    // The lock file held or found; empty after NoPlace.
    QString lockPath() const;
    // Where the instance holding the lock listens for a later start's
    // requests: beside the lock, so in the same private folder. Empty
    // after NoPlace.
    QString socketPath() const;

    // The per-user runtime folder, when it is a folder owned by this user
    // that no one else may enter; then "ventaro-" and the user id in the
    // temporary folder, which must be private; then the user's cache
    // folder. A folder is made only when the lock is to go there.
    static QList<Place> defaultPlaces();

    static inline const QString lockName = QStringLiteral("ventaro.lock");
    static inline const QString socketName = QStringLiteral("ventaro.socket");

    // How old an empty lock file must be before it counts as orphaned.
    static constexpr qint64 orphanAgeMs = 2000;

private:
    Outcome acquireIn(const Place& place);
    bool removeLeftOver(const Place& place);

    QList<Place> m_places;
    std::unique_ptr<QLockFile> m_lock;
    qint64 m_runningPid = 0;
};
