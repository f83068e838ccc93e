#include "QtNotifier.h"

#include "TrayIcons.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>
#include <memory>
#include <utility>

Q_LOGGING_CATEGORY(lcNotify, "ventaro.notify")

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");

QDBusMessage serviceCall(const QString& method)
{
    return QDBusMessage::createMethodCall(service, path, service, method);
}

} // namespace

QtNotifier::QtNotifier(TrayIcons& tray, Options options, QObject* parent)
    : QObject(parent), m_tray(tray), m_options(std::move(options))
{}

QtNotifier::~QtNotifier()
{
    if (!m_options.busAddress.isEmpty() && !m_connectionName.isEmpty())
        QDBusConnection::disconnectFromBus(m_connectionName);
}

QString QtNotifier::connectionName()
{
    // Connected at the first notification, not at the program's start,
    // which needs no bus.
    if (m_connectionName.isEmpty()) {
        if (m_options.busAddress.isEmpty()) {
            m_connectionName = QDBusConnection::sessionBus().name();
        } else {
            m_connectionName =
                QStringLiteral("ventaro-notify-%1").arg(reinterpret_cast<quintptr>(this), 0, 16);
            QDBusConnection::connectToBus(m_options.busAddress, m_connectionName);
        }
    }
    return m_connectionName;
}

void QtNotifier::notify(const Notification& notification)
{
    m_waiting.append(notification);
    if (!m_asking)
        askDesktop();
}

bool QtNotifier::iconInTray() const
{
    if (!m_tray.trayAvailable())
        return false;
    for (int index = 0; index < m_tray.count(); ++index) {
        if (m_tray.intray(index))
            return true;
    }
    return false;
}

void QtNotifier::askDesktop()
{
    const QDBusConnection bus(connectionName());
    if (!bus.isConnected()) {
        qCDebug(lcNotify) << "no session bus:" << bus.lastError().message();
        deliver(std::exchange(m_waiting, {}), Desktop{});
        return;
    }
    m_asking = true;
    // Both questions go out at once; the notifications waiting go out when
    // both are answered.
    struct Answers
    {
        int awaited = 2;
        Desktop desktop;
    };
    auto answers = std::make_shared<Answers>();
    const auto answered = [this, answers] {
        if (--answers->awaited > 0)
            return;
        m_asking = false;
        deliver(std::exchange(m_waiting, {}), answers->desktop);
    };

    auto* capabilities =
        new QDBusPendingCallWatcher(bus.asyncCall(serviceCall(QStringLiteral("GetCapabilities"))), this);
    connect(capabilities, &QDBusPendingCallWatcher::finished, this,
            [answers, answered](QDBusPendingCallWatcher* call) {
                const QDBusPendingReply<QStringList> reply = *call;
                call->deleteLater();
                if (reply.isError()) {
                    qCDebug(lcNotify) << "no notification service:" << reply.error().message();
                } else {
                    answers->desktop.service = true;
                    answers->desktop.markupInBodies = reply.value().contains(QStringLiteral("body-markup"));
                }
                answered();
            });

    QDBusMessage hostQuestion = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    hostQuestion << QStringLiteral("org.kde.StatusNotifierWatcher");
    auto* host = new QDBusPendingCallWatcher(bus.asyncCall(hostQuestion), this);
    connect(host, &QDBusPendingCallWatcher::finished, this,
            [answers, answered](QDBusPendingCallWatcher* call) {
                const QDBusPendingReply<bool> reply = *call;
                call->deleteLater();
                answers->desktop.statusNotifierTray = !reply.isError() && reply.value();
                answered();
            });
}

void QtNotifier::deliver(const QList<Notification>& notifications, const Desktop& desktop)
{
    if (notifications.isEmpty())
        return;
    if (iconInTray() && (!desktop.statusNotifierTray || !desktop.service)) {
        // A tray shows one message at a time, each replacing the last: the
        // batch goes as one, the first (the caller's most pressing) on top.
        Notification message = notifications.first();
        for (qsizetype index = 1; index < notifications.size(); ++index) {
            const Notification& next = notifications[index];
            message.body += QStringLiteral("\n\n") + next.summary + QStringLiteral(": ") + next.body;
            message.critical = message.critical || next.critical;
        }
        const auto shownFor = message.critical ? std::chrono::milliseconds(0) : m_options.shownFor;
        if (m_tray.showMessage(message.summary, message.body, message.critical, shownFor))
            return;
    }
    for (const Notification& notification : notifications) {
        if (desktop.service)
            sendToService(notification, desktop.markupInBodies);
        else
            qCWarning(lcNotify).noquote()
                << "not shown, the desktop has neither a tray nor a notification service:"
                << notification.summary;
    }
}

void QtNotifier::sendToService(const Notification& notification, bool markupInBodies)
{
    QDBusMessage call = serviceCall(QStringLiteral("Notify"));
    // The Desktop Notifications urgency levels: 0 low, 1 normal, 2 critical; a
    // byte. Critical notifications are not to expire on their own.
    const QVariantMap hints{
        {QStringLiteral("urgency"), QVariant::fromValue<uchar>(notification.critical ? 2 : 1)},
        {QStringLiteral("desktop-entry"), m_options.desktopEntry},
    };
    const qint32 expiry = notification.critical ? 0 : static_cast<qint32>(m_options.shownFor.count());
    call << m_options.applicationName << quint32(0) << m_options.iconName << notification.summary
         << (markupInBodies ? notification.body.toHtmlEscaped() : notification.body) << QStringList() << hints
         << expiry;
    auto* sent = new QDBusPendingCallWatcher(QDBusConnection(connectionName()).asyncCall(call), this);
    connect(sent, &QDBusPendingCallWatcher::finished, this,
            [summary = notification.summary](QDBusPendingCallWatcher* reply) {
                reply->deleteLater();
                if (reply->isError())
                    qCWarning(lcNotify).noquote()
                        << "notification not shown:" << summary << "-" << reply->error().message();
            });
}
