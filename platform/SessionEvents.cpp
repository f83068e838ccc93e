#include "SessionEvents.h"

#include <QDBusConnection>
#include <QNetworkInformation>

void SessionEvents::start()
{
    // logind announces sleep with PrepareForSleep(true) and waking with
    // PrepareForSleep(false).
    QDBusConnection::systemBus().connect(QStringLiteral("org.freedesktop.login1"),
                                         QStringLiteral("/org/freedesktop/login1"),
                                         QStringLiteral("org.freedesktop.login1.Manager"),
                                         QStringLiteral("PrepareForSleep"), this, SLOT(sleepChanged(bool)));

    if (!QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        return;
    QNetworkInformation* network = QNetworkInformation::instance();
    m_wasOnline = network->reachability() == QNetworkInformation::Reachability::Online;
    connect(network, &QNetworkInformation::reachabilityChanged, this,
            [this](QNetworkInformation::Reachability reachability) {
                const bool online = reachability == QNetworkInformation::Reachability::Online;
                if (online && !m_wasOnline)
                    Q_EMIT networkReturned();
                m_wasOnline = online;
            });
}

void SessionEvents::sleepChanged(bool goingToSleep)
{
    if (!goingToSleep)
        Q_EMIT resumed();
}
