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

// What reaches the desktop of the caller's text, which may be a server's:
// a title of a few words and a body of a few sentences, whatever it sent.
constexpr qsizetype summaryLength = 100;
constexpr qsizetype bodyLength = 300;

// `text` at most `length` characters long: cut at a space where one is near
// the end, with an ellipsis.
QString shortened(const QString& text, qsizetype length)
{
    if (text.size() <= length)
        return text;
    qsizetype end = length - 1;
    if (text.at(end - 1).isHighSurrogate())
        --end;
    for (qsizetype at = end; at > length / 2; --at) {
        if (text.at(at).isSpace()) {
            end = at;
            break;
        }
    }
    QString kept = text.left(end);
    while (!kept.isEmpty() && kept.back().isSpace())
        kept.chop(1);
    return kept + QChar(0x2026);
}

bool controlCharacter(QChar c)
{
    return c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
           c == QChar::ParagraphSeparator;
}

// One line of plain text. Some services read markup in summaries, though
// none should; and a NUL would end the text there for them.
QString plainSummary(const QString& text)
{
    // Far more than is shown, but never the megabytes a server may send.
    const QStringView given = QStringView(text).left(64 * summaryLength);
    QString plain;
    for (qsizetype at = 0; at < given.size(); ++at) {
        const QChar c = given.at(at);
        if (c == QLatin1Char('<')) {
            // A tag goes whole; a bracket that opens none goes alone.
            const qsizetype end = given.indexOf(QLatin1Char('>'), at);
            if (end >= 0)
                at = end;
        } else if (c != QLatin1Char('>')) {
            plain.append(controlCharacter(c) ? QChar(QLatin1Char(' ')) : c);
        }
    }
    return shortened(plain.simplified(), summaryLength);
}

// Lines of text as they were, less the characters a desktop cannot show
// (a NUL would end the body there).
QString plainBody(const QString& text)
{
    const QStringView given = QStringView(text).left(64 * bodyLength);
    QString plain;
    for (qsizetype at = 0; at < given.size(); ++at) {
        const QChar c = given.at(at);
        if (c == QLatin1Char('\r') && given.mid(at + 1).startsWith(QLatin1Char('\n')))
            continue;
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            plain.append(QLatin1Char('\n'));
        else if (c == QLatin1Char('\t'))
            plain.append(QLatin1Char(' '));
        else if (c.category() != QChar::Other_Control)
            plain.append(c);
    }
    return shortened(plain, bodyLength);
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

void QtNotifier::deliver(const QList<Notification>& asked, const Desktop& desktop)
{
    if (asked.isEmpty())
        return;
    QList<Notification> notifications;
    for (const Notification& notification : asked)
        notifications.append(
            {plainSummary(notification.summary), plainBody(notification.body), notification.critical});
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
            qCWarning(lcNotify) << "not shown, the desktop has neither a tray nor a notification service:"
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
                    qCWarning(lcNotify)
                        << "notification not shown:" << summary << "-" << reply->error().message();
            });
}
