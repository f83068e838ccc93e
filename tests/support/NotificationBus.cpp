#include "NotificationBus.h"

#include <QFile>

namespace {

const QString serverConnection = QStringLiteral("notification-bus-server");

} // namespace

NotificationBus::NotificationBus()
{
    m_daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                   QStringLiteral("--print-address=1")});
    if (!m_daemon.waitForStarted(10000))
        return;
    // The address is the daemon's first line, once it listens.
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(10000)) {
    }
    m_address = QString::fromLocal8Bit(m_daemon.readLine()).trimmed();
    if (!m_address.isEmpty())
        QDBusConnection::connectToBus(m_address, serverConnection);
}

NotificationBus::~NotificationBus()
{
    QDBusConnection::disconnectFromBus(serverConnection);
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(5000))
        m_daemon.kill();
}

bool NotificationBus::serve(const QStringList& capabilities)
{
    m_capabilities = capabilities;
    QDBusConnection bus(serverConnection);
    return bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                              QDBusConnection::ExportAllSlots) &&
           bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
}

bool NotificationBus::ownName(const QString& name)
{
    return QDBusConnection(serverConnection).registerService(name);
}

QStringList NotificationBus::GetCapabilities()
{
    return m_capabilities;
}

uint NotificationBus::Notify(const QString& application, uint replaces, const QString& icon,
                             const QString& summary, const QString& body, const QStringList& actions,
                             const QVariantMap& hints, int expiry)
{
    Q_UNUSED(replaces);
    Q_UNUSED(actions);
    received.append({application, icon, summary, body, hints, expiry});
    return static_cast<uint>(received.size());
}
