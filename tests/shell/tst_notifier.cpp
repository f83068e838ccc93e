// Notifications as a desktop receives them: from the tray icon, or from the
// notification service on a session bus of the test's own.
#include "NotificationBus.h"
#include "shell/QtNotifier.h"
#include "shell/QtTrayIcons.h"

#include <QPixmap>
#include <QTest>

using S = QString;

namespace {

QList<QtTrayIcons::Design> design()
{
    QPixmap picture(16, 16);
    picture.fill(Qt::yellow);
    return QList<QtTrayIcons::Design>(7, {QIcon(picture), QStringLiteral(".")});
}

// Warnings of the notifier's category, as logged.
QStringList warnings;
QtMessageHandler previousHandler = nullptr;

void recordWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && QLatin1String(context.category) == QLatin1String("ventaro.notify"))
        warnings.append(message);
    else
        previousHandler(type, context, message);
}

const QString headline = QStringLiteral(
    "Winter Storm Warning issued December 7 at 9:12AM MST until December 8 at 6:00PM MST by NWS Denver CO");
const QString markup = QStringLiteral("Wind Advisory <b>until</b> 11 PM & <a href=\"x\">later</a>");

// A literal's text, NULs within it included.
template <size_t size> QString withNul(const char (&text)[size])
{
    return QString::fromUtf8(text, size - 1);
}

} // namespace

class TestNotifier : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { previousHandler = qInstallMessageHandler(recordWarnings); }
    void cleanupTestCase() { qInstallMessageHandler(previousHandler); }

    void reachesTheDesktop_data()
    {
        QTest::addColumn<QString>("tray");             // "", "xembed" or "statusnotifier"
        QTest::addColumn<QStringList>("capabilities"); // null: no service
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("critical");
        QTest::addColumn<QString>("shown"); // the body as received; null: nowhere
        QTest::addColumn<bool>("fromTray");

        const QStringList plain{QStringLiteral("body"), QStringLiteral("persistence")};
        const QStringList marked = plain + QStringList{QStringLiteral("body-markup")};
        QTest::newRow("no tray: the service, critical")
            << QString() << marked << headline << true << headline << false;
        QTest::newRow("no tray: the service, normal")
            << QString() << marked << headline << false << headline << false;
        QTest::newRow("markup to a service that reads it: escaped")
            << QString() << marked << markup << false
            << QStringLiteral("Wind Advisory &lt;b&gt;until&lt;/b&gt; 11 PM &amp; &lt;a "
                              "href=&quot;x&quot;&gt;later&lt;/a&gt;")
            << false;
        QTest::newRow("markup to a service that shows text as it is")
            << QString() << plain << markup << false << markup << false;
        QTest::newRow("an XEmbed tray shows it itself")
            << QStringLiteral("xembed") << marked << markup << true << markup << true;
        QTest::newRow("a StatusNotifier tray: the service")
            << QStringLiteral("statusnotifier") << marked << headline << true << headline << false;
        QTest::newRow("a tray and no service")
            << QStringLiteral("statusnotifier") << QStringList() << headline << false << headline << true;
        QTest::newRow("neither") << QString() << QStringList() << headline << true << QString() << false;
    }
    void reachesTheDesktop()
    {
        QFETCH(QString, tray);
        QFETCH(QStringList, capabilities);
        QFETCH(QString, body);
        QFETCH(bool, critical);
        QFETCH(QString, shown);
        QFETCH(bool, fromTray);

        NotificationBus bus;
        QVERIFY2(!bus.address().isEmpty(), "dbus-daemon did not start");
        if (!capabilities.isEmpty())
            QVERIFY(bus.serve(capabilities));
        if (tray == QLatin1String("statusnotifier"))
            QVERIFY(bus.ownName(QStringLiteral("org.kde.StatusNotifierWatcher")));
        QtTrayIcons icons(design());
        icons.setTrayAvailableOverride(!tray.isEmpty());
        icons.setIntray(6, !tray.isEmpty());
        QtNotifier notifier(icons, {QStringLiteral("Ventaro"), QStringLiteral("io.github.ventaro.Ventaro"),
                                    QStringLiteral("io.github.ventaro.Ventaro"), std::chrono::seconds(15),
                                    bus.address()});
        warnings.clear();

        notifier.notify({QStringLiteral("Winter Storm Warning"), body, critical});
        if (shown.isNull()) {
            QTRY_COMPARE(warnings.size(), 1);
            QVERIFY(warnings[0].contains(QLatin1String("Winter Storm Warning")));
        } else if (fromTray) {
            QTRY_COMPARE(icons.messagesInNotificationArea(),
                         QStringList{QStringLiteral("Winter Storm Warning: ") + shown});
        } else {
            QTRY_COMPARE(bus.received.size(), 1);
            const NotificationBus::Received& received = bus.received[0];
            QCOMPARE(received.application, QStringLiteral("Ventaro"));
            QCOMPARE(received.icon, QStringLiteral("io.github.ventaro.Ventaro"));
            QCOMPARE(received.summary, QStringLiteral("Winter Storm Warning"));
            QCOMPARE(received.body, shown);
            // The urgency is the byte the notification service expects.
            const QVariant urgency = received.hints.value(QStringLiteral("urgency"));
            QCOMPARE(urgency.metaType(), QMetaType::fromType<uchar>());
            QCOMPARE(urgency.toInt(), critical ? 2 : 1);
            QCOMPARE(received.hints.value(QStringLiteral("desktop-entry")).toString(),
                     QStringLiteral("io.github.ventaro.Ventaro"));
            QCOMPARE(received.expiry, critical ? 0 : 15000);
        }
        // Delivered one way, never the other as well.
        QCOMPARE(bus.received.size(), !shown.isNull() && !fromTray ? 1 : 0);
        QCOMPARE(icons.messagesInNotificationArea().size(), fromTray ? 1 : 0);
    }

    // Whatever text comes from a server: a summary of one line of plain
    // text, a body of a few sentences; escaping for a service that reads
    // markup in bodies stays as it is.
    void textAsTheDesktopShowsIt_data()
    {
        QTest::addColumn<bool>("fromTray");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("shownSummary");
        QTest::addColumn<QString>("shownBody");
        // `count` words, cut short.
        const auto words = [](qsizetype count) {
            return QStringList(count, S("word")).join(QLatin1Char(' ')) + QChar(0x2026);
        };
        QTest::newRow("markup, line ends, a NUL and an escape in a summary of 500 characters")
            << false
            << withNul("<b>Blizzard</b>\r\nWarning\0 & <img src=x>\x1b[2J ") + S("now ").repeated(120)
            << headline << S("Blizzard Warning & [2J ") + S("now ").repeated(18) + S("now") + QChar(0x2026)
            << headline;
        QTest::newRow("a NUL, line ends and an escape in a body of a megabyte")
            << false << S("Flood Watch") << withNul("Flood\0 Watch\x1b[2J\r\n") + S("word ").repeated(200000)
            << S("Flood Watch") << S("Flood Watch[2J\n") + words(57);
        QTest::newRow("from a tray as well")
            << true << S("<i>Wind</i>\nAdvisory") << S("word ").repeated(200000) << S("Wind Advisory")
            << words(60);
    }
    void textAsTheDesktopShowsIt()
    {
        QFETCH(bool, fromTray);
        QFETCH(QString, summary);
        QFETCH(QString, body);
        QFETCH(QString, shownSummary);
        QFETCH(QString, shownBody);
        NotificationBus bus;
        QVERIFY2(!bus.address().isEmpty(), "dbus-daemon did not start");
        QVERIFY(bus.serve({QStringLiteral("body")}));
        QtTrayIcons icons(design());
        icons.setTrayAvailableOverride(fromTray);
        icons.setIntray(6, fromTray);
        QtNotifier notifier(icons, {QStringLiteral("Ventaro"), QString(), QString(), std::chrono::seconds(15),
                                    bus.address()});
        notifier.notify({summary, body, false});
        if (fromTray) {
            QTRY_COMPARE(icons.messagesInNotificationArea(),
                         QStringList{shownSummary + QStringLiteral(": ") + shownBody});
            return;
        }
        QTRY_COMPARE(bus.received.size(), 1);
        QCOMPARE(bus.received[0].summary, shownSummary);
        QCOMPARE(bus.received[0].body, shownBody);
    }

    void aTrayShowsTogetherWhatCameTogether()
    {
        NotificationBus bus;
        QVERIFY2(!bus.address().isEmpty(), "dbus-daemon did not start");
        QVERIFY(bus.serve({QStringLiteral("body-markup")}));
        QtTrayIcons icons(design());
        icons.setTrayAvailableOverride(true);
        icons.setIntray(6, true);
        QtNotifier notifier(icons, {QStringLiteral("Ventaro"), QString(), QString(), std::chrono::seconds(15),
                                    bus.address()});
        // One message replaces the other in a tray: the warning would be
        // gone at once.
        notifier.notify({QStringLiteral("Winter Storm Warning"), headline, true});
        notifier.notify({QStringLiteral("Wind Advisory"), QStringLiteral("Wind Advisory issued ..."), false});
        QTRY_COMPARE(icons.messagesInNotificationArea(),
                     QStringList{QStringLiteral("Winter Storm Warning: ") + headline +
                                 QStringLiteral("\n\nWind Advisory: Wind Advisory issued ...")});
        QVERIFY(bus.received.isEmpty());
    }
};

QTEST_MAIN(TestNotifier)
#include "tst_notifier.moc"
