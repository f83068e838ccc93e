// The service's answers for a zone's alerts, read as the window needs them.
#include "ActiveAlerts.h"
#include "TestData.h"

#include <QTest>
#include <QTimeZone>

using Alert = WeatherAlert;
using S = QString;

namespace {

// JSON written with single quotes, for legibility.
QByteArray json(const char* text)
{
    return QByteArray(text).replace('\'', '"');
}

} // namespace

class TestActiveAlerts : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readsTheFixtures_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<int>("type");       // of the last alert
        QTest::addColumn<int>("severity");   // of the last alert
        QTest::addColumn<int>("references"); // of the last alert
        QTest::addColumn<QString>("ends");   // of the last alert, as given
        QTest::newRow("no alerts") << S("none") << QStringList() << 0 << 0 << 0 << QString();
        QTest::newRow("one warning") << S("one") << QStringList{"Winter Storm Warning"}
                                     << int(Alert::MessageType::Alert) << int(Alert::Severity::Severe) << 0
                                     << S("2026-12-08T18:00:00-07:00");
        QTest::newRow("an advisory and the warning")
            << S("two") << QStringList{"Wind Advisory", "Winter Storm Warning"}
            << int(Alert::MessageType::Alert) << int(Alert::Severity::Severe) << 0
            << S("2026-12-08T18:00:00-07:00");
        QTest::newRow("the warning extended")
            << S("update") << QStringList{"Winter Storm Warning"} << int(Alert::MessageType::Update)
            << int(Alert::Severity::Severe) << 1 << S("2026-12-08T21:00:00-07:00");
        QTest::newRow("the warning cancelled")
            << S("cancel") << QStringList{"Winter Storm Warning"} << int(Alert::MessageType::Cancel)
            << int(Alert::Severity::Minor) << 2 << S("2026-12-08T21:00:00-07:00");
    }
    void readsTheFixtures()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, events);
        QFETCH(int, type);
        QFETCH(int, severity);
        QFETCH(int, references);
        QFETCH(QString, ends);
        const ActiveAlerts::Answer answer =
            ActiveAlerts::parse(TestData::bytes(QStringLiteral("live/alerts/%1.json").arg(file)));
        QVERIFY2(answer.ok, qPrintable(answer.problem));
        QVERIFY(answer.passedOver.isEmpty());
        QStringList read;
        for (const Alert& alert : answer.alerts)
            read.append(alert.event);
        QCOMPARE(read, events);
        if (events.isEmpty())
            return;
        const Alert& last = answer.alerts.last();
        QVERIFY(last.id.startsWith(QLatin1String("urn:oid:2.49.0.1.840.0.")));
        QCOMPARE(int(last.messageType), type);
        QCOMPARE(int(last.severity), severity);
        QCOMPARE(last.references.size(), references);
        QCOMPARE(last.status, Alert::Status::Actual);
        QVERIFY(!last.headline.isEmpty());
        // Each time keeps the offset it was given with.
        QCOMPARE(last.ends.toString(Qt::ISODate), ends);
        QCOMPARE(last.sent.offsetFromUtc(), -7 * 3600);
        if (file == QLatin1String("update")) {
            const Alert first =
                ActiveAlerts::parse(TestData::bytes(QStringLiteral("live/alerts/one.json"))).alerts[0];
            QCOMPARE(last.references, QStringList{first.id});
            QCOMPARE(last.urgency, Alert::Urgency::Expected);
        }
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
