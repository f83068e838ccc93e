#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>

// A session bus of the test's own (dbus-daemon) with a desktop
// notification service on it that records what it is asked to show.
class NotificationBus final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Received
    {
        QString application;
        QString icon;
        QString summary;
        QString body;
        QVariantMap hints;
        qint32 expiry;
    };

    NotificationBus();
    ~NotificationBus() override;

    // Empty when the bus could not be started.
    QString address() const { return m_address; }

    // Serves the notification service with these capabilities; until
    // then, and after stopServing(), there is none.
    bool serve(const QStringList& capabilities);
    // Takes a name on the bus, as a desktop's tray host would.
    bool ownName(const QString& name);

    QList<Received> received;

public Q_SLOTS:
    // org.freedesktop.Notifications, as far as a client calls it.
    QStringList GetCapabilities();
    uint Notify(const QString& application, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int expiry);

private:
    QTemporaryDir m_folder;
    QProcess m_daemon;
    QString m_address;
    QStringList m_capabilities;
};
