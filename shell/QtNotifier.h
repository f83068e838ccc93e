#pragma once

#include "Notifier.h"

#include <QList>
#include <QLoggingCategory>
#include <QObject>
#include <QString>
#include <chrono>

class TrayIcons;

Q_DECLARE_LOGGING_CATEGORY(lcNotify)

// Notifications on a Linux desktop.
//
// Where one of the program's icons is up in a notification area that
// shows an icon's messages itself (an XEmbed system tray), the message
// comes from that icon. Elsewhere it goes to the desktop's notification
// service, org.freedesktop.Notifications on the session bus: where there
// is no tray, and where the tray is a StatusNotifier host, whose icons'
// messages Qt hands to that same service with the text taken as markup
// and the urgency in the wrong type; sent here, the urgency is the byte
// the service expects, 2 (critical) or 1 (normal). The body goes as plain
// text: escaped for a service that reads markup in bodies ("body-markup"
// among its capabilities), as it is for one that does not and would show
// the escapes. With neither a tray nor a service the notification is
// logged and dropped. A tray shows one message at a time: notifications
// asked for together go to it as one message, the first one's summary as
// its title.
//
// What the desktop offers is asked anew, without waiting, for each batch
// of notifications, as the service and the tray may come and go while the
// program runs in the background.
class QtNotifier final : public QObject, public Notifier
{
    Q_OBJECT
public:
    struct Options
    {
        QString applicationName; // "Ventaro"
        QString iconName;        // the program's theme icon
        QString desktopEntry;    // the desktop file's name without ".desktop"
        // How long a notification that is not critical stays; a critical
        // one stays until dismissed.
        std::chrono::milliseconds shownFor{15000};
        // The D-Bus address of the session bus to use; empty: the user's.
        QString busAddress;
    };

    QtNotifier(TrayIcons& tray, Options options, QObject* parent = nullptr);
    ~QtNotifier() override;

    void notify(const Notification& notification) override;

private:
    struct Desktop
    {
        bool service = false;       // a notification service answered
        bool markupInBodies = true; // it reads markup in a body
        bool statusNotifierTray = false;
    };

    void askDesktop();
    void deliver(const QList<Notification>& notifications, const Desktop& desktop);
    void sendToService(const Notification& notification, bool markupInBodies);
    bool iconInTray() const;
    QString connectionName();

    TrayIcons& m_tray;
    Options m_options;
    QString m_connectionName;
    QList<Notification> m_waiting;
    bool m_asking = false;
};
