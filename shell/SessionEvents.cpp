#include "SessionEvents.h"

#include <QDBusConnection>

namespace {

// NetworkManager's state for a connection that reaches the internet
// (NM_STATE_CONNECTED_GLOBAL).
constexpr uint connectedGlobally = 70;

} // namespace

void SessionEvents::start()
{
    start(QDBusConnection::systemBus());
}

void SessionEvents::start(const QDBusConnection& systemBus)
{
    // Both come over the system bus as signals, so nothing is asked of the
    // system until something happens, and no plugin is loaded for it.
    QDBusConnection bus = systemBus;
    // logind announces sleep with PrepareForSleep(true) and waking with
    // PrepareForSleep(false).
    bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
                SLOT(sleepChanged(bool)));
    bus.connect(QStringLiteral("org.freedesktop.NetworkManager"),
                QStringLiteral("/org/freedesktop/NetworkManager"),
                QStringLiteral("org.freedesktop.NetworkManager"), QStringLiteral("StateChanged"), this,
                SLOT(networkStateChanged(uint)));
}

void SessionEvents::sleepChanged(bool goingToSleep)
{
    if (!goingToSleep)
        Q_EMIT resumed();
}

void SessionEvents::networkStateChanged(uint state)
{
    const bool online = state >= connectedGlobally;
    if (online && !m_wasOnline)
        Q_EMIT networkReturned();
    m_wasOnline = online;
}
