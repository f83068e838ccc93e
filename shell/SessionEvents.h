#pragma once

#include <QObject>

class QDBusConnection;

// What happens to the machine around the program that makes shown weather
// old: it wakes from suspend, or its network comes back. Nothing is
// reported until start() connects to the system's sources (logind and
// NetworkManager, over the system's D-Bus); a system without them reports
// nothing. Tests emit the signals themselves.
class SessionEvents : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Connects to the system bus; a source the system lacks is left out.
    void start();
    // The same on another bus, for drills on a private one.
    void start(const QDBusConnection& bus);

Q_SIGNALS:
    void resumed();
    void networkReturned();

private Q_SLOTS:
    // Reached by name from D-Bus.
    void sleepChanged(bool goingToSleep);
    void networkStateChanged(uint state);

private:
    bool m_wasOnline = true;
};
