// The service's answers for a zone's alerts, read as the window needs them.
#include "TestData.h"
#include "live/ActiveAlerts.h"

#include <QTest>
#include <QTimeZone>

using Alert = WeatherAlert;
using S = QString;

namespace {

// JSON written with single quotes, for legibility.
QByteArray json(const QByteArray& text)
{
    return QByteArray(text).replace('\'', '"');
}

ActiveAlerts::Answer fixture(const QString& name)
{
    return ActiveAlerts::parse(TestData::bytes(QStringLiteral("live/alerts/%1.json").arg(name)));
}

// An alert in a line: "event, type severity urgency, references, ends".
QString described(const Alert& alert)
{
    return QStringLiteral("%1, %2 %3 %4, %5 earlier, until %6")
        .arg(alert.event)
        .arg(int(alert.messageType))
        .arg(int(alert.severity))
        .arg(int(alert.urgency))
        .arg(alert.references.size())
        .arg(alert.ends.toString(Qt::ISODate));
}

} // namespace

class TestActiveAlerts : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readsTheFixtures_data()
    {
        // Types: 0 Alert, 1 Update, 2 Cancel; severities: 1 Minor .. 3
        // Severe; urgencies: 1 Past .. 3 Expected.
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("alerts");
        QTest::newRow("no alerts") << S("none") << QStringList();
        const QString warning =
            QStringLiteral("Winter Storm Warning, 0 3 3, 0 earlier, until 2026-12-08T18:00:00-07:00");
        QTest::newRow("one warning") << S("one") << QStringList{warning};
        QTest::newRow("an advisory and the warning")
            << S("two")
            << QStringList{QStringLiteral("Wind Advisory, 0 2 3, 0 earlier, until 2026-12-07T23:00:00-07:00"),
                           warning};
        QTest::newRow("the warning extended")
            << S("update")
            << QStringList{
                   QStringLiteral("Winter Storm Warning, 1 3 3, 1 earlier, until 2026-12-08T21:00:00-07:00")};
        QTest::newRow("the warning cancelled")
            << S("cancel")
            << QStringList{
                   QStringLiteral("Winter Storm Warning, 2 1 1, 2 earlier, until 2026-12-08T21:00:00-07:00")};
    }
    void readsTheFixtures()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, alerts);
        const ActiveAlerts::Answer answer = fixture(file);
        QVERIFY2(answer.ok, qPrintable(answer.problem));
        QVERIFY(answer.passedOver.isEmpty());
        QStringList read;
        for (const Alert& alert : answer.alerts) {
            read.append(described(alert));
            QVERIFY(alert.id.startsWith(QLatin1String("urn:oid:2.49.0.1.840.0.")));
            QVERIFY(!alert.headline.isEmpty());
            QCOMPARE(alert.area, QStringLiteral("Denver"));
            QCOMPARE(alert.sent.offsetFromUtc(), -7 * 3600);
        }
        QCOMPARE(read, alerts);
        if (file == QLatin1String("update"))
            QCOMPARE(answer.alerts[0].references, QStringList{fixture(QStringLiteral("one")).alerts[0].id});
    }

    // What one alert may hold, whatever the answer says.
    void boundsOfOneAlert_data()
    {
        QTest::addColumn<QByteArray>("id");
        QTest::addColumn<QByteArrayList>("references");
        QTest::addColumn<QStringList>("kept"); // none: the alert passed over
        const QByteArray longId = "urn:oid:" + QByteArray(300, '7');
        QByteArrayList thousand;
        QStringList newest;
        for (int index = 0; index < 1000; ++index) {
            thousand.append("urn:oid:" + QByteArray::number(index));
            if (index > 900)
                newest.append(QStringLiteral("urn:oid:%1").arg(index));
        }
        QTest::newRow("a thousand references, the last too long to be an id: the newest hundred")
            << QByteArray("urn:oid:a") << thousand + QByteArrayList{longId} << newest;
        QTest::newRow("an id too long to be one") << longId << QByteArrayList{"urn:oid:1"} << QStringList();
    }
    void boundsOfOneAlert()
    {
        QFETCH(QByteArray, id);
        QFETCH(QByteArrayList, references);
        QFETCH(QStringList, kept);
        const ActiveAlerts::Answer answer =
            ActiveAlerts::parse(json("{'type': 'FeatureCollection', 'features': [{'properties': {'id': '" +
                                     id + "', 'event': 'Flood Watch', 'references': [{'identifier': '" +
                                     references.join("'}, {'identifier': '") + "'}]}}]}"));
        QCOMPARE(answer.alerts.size(), kept.isEmpty() ? 0 : 1);
        if (kept.isEmpty())
            QVERIFY(answer.passedOver.value(0).contains(QLatin1String("too long")));
        else
            QCOMPARE(answer.alerts[0].references, kept);
    }

    void malformedAnswersFailWithAReason_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty") << QByteArray() << S("an empty answer");
        QTest::newRow("cut short") << json("{'type': 'FeatureCollection', 'features': [") << S("not JSON");
        QTest::newRow("an HTML page")
            << json("<html><body>Service Unavailable</body></html>") << S("not JSON");
        QTest::newRow("an array") << json("[]") << S("a JSON array");
        QTest::newRow("the service's problem answer")
            << json("{'correlationId': '1f2e', 'title': 'Not Found', 'type': "
                    "'https://api.weather.gov/problems/NotFound', 'status': 404, "
                    "'detail': 'Zone XXZ999 does not exist'}")
            << S("the service answered 404 Not Found: Zone XXZ999 does not exist");
        QTest::newRow("one feature alone")
            << json("{'type': 'Feature', 'properties': {}}") << S("type \"Feature\"");
        QTest::newRow("no features list")
            << json("{'type': 'FeatureCollection', 'features': {}}") << S("without a \"features\" list");
    }
    void malformedAnswersFailWithAReason()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, reason);
        const ActiveAlerts::Answer answer = ActiveAlerts::parse(body);
        QVERIFY(!answer.ok);
        QVERIFY(answer.alerts.isEmpty());
        QVERIFY2(answer.problem.contains(reason), qPrintable(answer.problem));
    }

    void oddFeaturesAndValues()
    {
        const ActiveAlerts::Answer answer = ActiveAlerts::parse(
            json("{'type': 'FeatureCollection', 'features': ["
                 " {'id': 'https://api.weather.gov/alerts/x1', 'properties': {'event': 'Flood Watch',"
                 "  'severity': 'severe', 'status': 'Planned', 'messageType': 'Retract', 'urgency': null,"
                 "  'sent': '2026-12-07T09:12:00', 'expires': '2026-12-07T16:12:00Z', 'ends': null,"
                 "  'references': [{'@id': 'https://api.weather.gov/alerts/x0'}]}},"
                 " {'properties': {'id': 'x2'}},"
                 " {'properties': {'event': 'Wind Advisory'}},"
                 " 'not a feature']}"));
        QVERIFY(answer.ok);
        QCOMPARE(answer.alerts.size(), 1);
        QCOMPARE(answer.passedOver.size(), 3);
        const Alert& alert = answer.alerts[0];
        // The feature's address stands in for a missing id.
        QCOMPARE(alert.id, QStringLiteral("https://api.weather.gov/alerts/x1"));
        QCOMPARE(alert.references, QStringList{QStringLiteral("https://api.weather.gov/alerts/x0")});
        // Words outside the protocol's sets are not taken for its values.
        QCOMPARE(alert.severity, Alert::Severity::Unknown);
        QCOMPARE(alert.status, Alert::Status::Other);
        QCOMPARE(alert.messageType, Alert::MessageType::Other);
        QCOMPARE(alert.urgency, Alert::Urgency::Unknown);
        // A time without its offset is not guessed at.
        QVERIFY(!alert.sent.isValid());
        QCOMPARE(alert.expires, QDateTime(QDate(2026, 12, 7), QTime(16, 12), QTimeZone::utc()));
        QVERIFY(!alert.ends.isValid());
        QCOMPARE(alert.until(), alert.expires);
    }
};

QTEST_GUILESS_MAIN(TestActiveAlerts)
#include "tst_activealerts.moc"
