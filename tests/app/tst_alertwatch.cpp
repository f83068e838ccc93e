// Which alerts the user is told of, refresh by refresh, and how those in
// effect read; from the service's answers for Denver on December 7, 2026.
#include "ManualClock.h"
#include "TestData.h"
#include "app/AlertWatch.h"
#include "live/ActiveAlerts.h"

#include <QTest>
#include <QTimeZone>

using Alert = WeatherAlert;
using Refreshes = QList<QList<Alert>>;
using S = QString;
Q_DECLARE_METATYPE(WeatherAlert)

namespace {

QList<Alert> answer(const QString& name)
{
    return ActiveAlerts::parse(TestData::bytes(QStringLiteral("live/alerts/%1.json").arg(name))).alerts;
}

// The fixture's alert with another severity.
QList<Alert> with(QList<Alert> alerts, Alert::Severity severity)
{
    alerts.first().severity = severity;
    return alerts;
}

// The summaries of what a refresh tells.
QStringList told(AlertWatch& watch, const QList<Alert>& alerts)
{
    QStringList summaries;
    for (const Notifier::Notification& notification : watch.take(AlertWatch::prepare(alerts)))
        summaries.append(notification.summary);
    return summaries;
}

// The fixture's warning `count` times, each under an id of its own ("tag.7"),
// of the event "Warning 7" in the area "Area 7"; with `kinds`, the events
// and areas repeat after that many.
QList<Alert> flood(int count, const QString& tag, int kinds = 0)
{
    const Alert warning = answer(QStringLiteral("one")).first();
    QList<Alert> alerts;
    for (int index = 0; index < count; ++index) {
        Alert alert = warning;
        const int kind = kinds > 0 ? index % kinds : index;
        alert.id = QStringLiteral("%1.%2").arg(tag).arg(index);
        alert.event = QStringLiteral("Warning %1").arg(kind);
        alert.area = QStringLiteral("Area %1").arg(kind);
        alerts.append(alert);
    }
    return alerts;
}

// The events "Warning <first>" ... as told or in sight (`suffix`).
QStringList warnings(int first, int count, const QString& suffix = {})
{
    QStringList names;
    for (int index = first; index < first + count; ++index)
        names.append(QStringLiteral("Warning %1%2").arg(index).arg(suffix));
    return names;
}

// The fixture's warning claiming to end in the year 9999.
QList<Alert> endless()
{
    QList<Alert> alerts = answer(QStringLiteral("one"));
    alerts.first().expires = alerts.first().ends =
        QDateTime(QDate(9999, 12, 31), QTime(23, 0), QTimeZone(-7 * 3600));
    return alerts;
}

// 3 PM MST on Monday, December 7, 2026.
const QDateTime monday3pm(QDate(2026, 12, 7), QTime(22, 0), QTimeZone::utc());

} // namespace

class TestAlertWatch : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void toldOnceAndAgainOnlyWhenWorse_data()
    {
        QTest::addColumn<Refreshes>("refreshes");
        QTest::addColumn<QList<QStringList>>("told"); // per refresh
        QTest::addColumn<QStringList>("inSight");     // after the last
        const QString warning = QStringLiteral("Winter Storm Warning");
        const QString advisory = QStringLiteral("Wind Advisory");
        const QString untilTue6 = QStringLiteral("Winter Storm Warning until 6 PM MST Tue");
        const QString untilTue9 = QStringLiteral("Winter Storm Warning until 9 PM MST Tue");
        QTest::newRow("an alert appears, then the same again")
            << Refreshes{answer("none"), answer("one"), answer("one")}
            << QList<QStringList>{{}, {warning}, {}} << QStringList{untilTue6};
        QTest::newRow("gone from one answer and back")
            << Refreshes{answer("one"), answer("none"), answer("one")}
            << QList<QStringList>{{warning}, {}, {}} << QStringList{untilTue6};
        QTest::newRow("two alerts, the more severe first")
            << Refreshes{answer("two")} << QList<QStringList>{{warning, advisory}}
            << QStringList{untilTue6, QStringLiteral("Wind Advisory until 11 PM MST Mon")};
        QTest::newRow("an update as severe") << Refreshes{answer("one"), answer("update")}
                                             << QList<QStringList>{{warning}, {}} << QStringList{untilTue9};
        QTest::newRow("an update less severe")
            << Refreshes{answer("one"), with(answer("update"), Alert::Severity::Moderate)}
            << QList<QStringList>{{warning}, {}} << QStringList{untilTue9};
        QTest::newRow("an update more severe")
            << Refreshes{with(answer("one"), Alert::Severity::Moderate), answer("update")}
            << QList<QStringList>{{warning}, {warning}} << QStringList{untilTue9};
        QTest::newRow("an update of an alert never seen is news")
            << Refreshes{answer("update")} << QList<QStringList>{{warning}} << QStringList{untilTue9};
        QTest::newRow("the original and its update in one answer: told once")
            << Refreshes{answer("one") + answer("update")} << QList<QStringList>{{warning}}
            << QStringList{untilTue9};
        QTest::newRow("cancelled: silent, out of sight")
            << Refreshes{answer("one"), answer("one") + answer("cancel")} << QList<QStringList>{{warning}, {}}
            << QStringList();
        QTest::newRow("a cancellation alone")
            << Refreshes{answer("cancel")} << QList<QStringList>{{}} << QStringList();
        QList<Alert> test = answer("one");
        test.first().status = Alert::Status::Test;
        QTest::newRow("a test message") << Refreshes{test} << QList<QStringList>{{}} << QStringList();

        // Floods: a few told one by one, the most severe first, the rest
        // summed up; past maxAlerts only counted.
        const QString until = QStringLiteral(" until 6 PM MST Tue");
        QList<Alert> thousand = flood(1000, QStringLiteral("a"));
        thousand[500].severity = Alert::Severity::Extreme;
        const QStringList firstLines =
            QStringList{QStringLiteral("Warning 500") + until} + warnings(0, 11, until);
        QTest::newRow("1,000 new alerts in one answer, one extreme")
            << Refreshes{thousand}
            << QList<QStringList>{{S("Warning 500"), S("Warning 0"), S("Warning 1"),
                                   S("and 997 more alerts")}}
            << firstLines + QStringList{S("and 988 more alerts")};
        QTest::newRow("four new alerts: the fourth summed up")
            << Refreshes{flood(4, S("b"))}
            << QList<QStringList>{warnings(0, 3) + QStringList{S("and 1 more alert")}}
            << warnings(0, 4, until);
        QList<Alert> forged = answer("one");
        forged[0].event = S("Winter\r\nStorm\x1b[2J Warning ") + S(200, QLatin1Char('x'));
        QTest::newRow("an event over lines, with an escape, of 225 characters: one line of 100")
            << Refreshes{forged} << QList<QStringList>{{forged[0].event}}
            << QStringList{S("Winter Storm [2J Warning ") + S(74, QLatin1Char('x')) + QChar(0x2026) + until};
        QList<Alert> elsewhere = flood(3, S("d4"));
        elsewhere[1].area = QStringLiteral("Adams");
        QTest::newRow("the same event in another area is news")
            << Refreshes{flood(3, S("d1")), flood(3, S("d2")), flood(3, S("d3")), elsewhere}
            << QList<QStringList>{warnings(0, 3), warnings(0, 3), warnings(0, 3), {S("Warning 1")}}
            << warnings(0, 3, until);
    }
    void toldOnceAndAgainOnlyWhenWorse()
    {
        QFETCH(Refreshes, refreshes);
        QFETCH(QList<QStringList>, told);
        QFETCH(QStringList, inSight);
        ManualClock clock(monday3pm);
        AlertWatch watch(clock);
        for (qsizetype index = 0; index < refreshes.size(); ++index)
            QCOMPARE(::told(watch, refreshes[index]), told[index]);
        QCOMPARE(watch.inSight(), inSight);
    }

    void forgottenOnlyWhenEndedOrLongUnlisted_data()
    {
        QTest::addColumn<Refreshes>("refreshes");
        QTest::addColumn<QList<int>>("hours"); // after Monday 3 PM
        QTest::addColumn<QList<QStringList>>("told");
        const QString warning = QStringLiteral("Winter Storm Warning");
        QTest::newRow("ending in the year 9999: kept while listed, forgotten two days after")
            << Refreshes{endless(), endless(), endless(), answer("none"), endless()}
            << QList<int>{0, 40, 80, 81, 130} << QList<QStringList>{{warning}, {}, {}, {}, {warning}};
        QTest::newRow("the same three under new ids: three times, then again an hour later")
            << Refreshes{flood(3, S("f1")), flood(3, S("f2")), flood(3, S("f3")), flood(3, S("f4")),
                         flood(3, S("f5"))}
            << QList<int>{0, 0, 0, 0, 1}
            << QList<QStringList>{warnings(0, 3), warnings(0, 3), warnings(0, 3), {}, warnings(0, 3)};
        // Ids are kept by the newest listing: four answers of 300 new ones
        // are more than may be kept besides the warning's.
        const QStringList summed = warnings(0, 3) + QStringList{S("and 297 more alerts")};
        QTest::newRow("pushed out by new ids")
            << Refreshes{answer("one"),       flood(300, S("g1")), flood(300, S("g2")),
                         flood(300, S("g3")), flood(300, S("g4")), answer("one")}
            << QList<int>{0, 1, 2, 3, 4, 5}
            << QList<QStringList>{{warning}, summed, summed, summed, summed, {warning}};
        QTest::newRow("not pushed out by the same ids again")
            << Refreshes{answer("one"),      flood(300, S("h")), flood(300, S("h")),
                         flood(300, S("h")), flood(300, S("h")), answer("one")}
            << QList<int>{0, 1, 2, 3, 4, 5} << QList<QStringList>{{warning}, summed, {}, {}, {}, {}};
    }
    void forgottenOnlyWhenEndedOrLongUnlisted()
    {
        QFETCH(Refreshes, refreshes);
        QFETCH(QList<int>, hours);
        QFETCH(QList<QStringList>, told);
        ManualClock clock(monday3pm);
        AlertWatch watch(clock);
        for (qsizetype index = 0; index < refreshes.size(); ++index) {
            clock.setWallTime(monday3pm.addSecs(hours[index] * 3600));
            QCOMPARE(::told(watch, refreshes[index]), told[index]);
        }
    }

    void serviceTextLoggedOnOneLine()
    {
        QList<Alert> alerts = answer("one");
        alerts[0].event = QStringLiteral("Winter Storm Warning\nventaro.weather: forged\x1b[2J");
        QTest::ignoreMessage(
            QtInfoMsg, qPrintable(S("new: \"Winter Storm Warning\\nventaro.weather: forged\\u001B[2J\" \"") +
                                  alerts[0].id + S("\"")));
        ManualClock clock(monday3pm);
        AlertWatch(clock).take(AlertWatch::prepare(alerts));
    }

    void endedAlertsDropSilently()
    {
        ManualClock clock(monday3pm);
        AlertWatch watch(clock);
        QCOMPARE(told(watch, answer("two")).size(), 2);
        // The advisory ends at 11 PM: the tooltip loses it at once, before
        // the next refresh, and the answer that still lists it tells nothing.
        clock.setWallTime(QDateTime(QDate(2026, 12, 8), QTime(6, 1), QTimeZone::utc()));
        QCOMPARE(watch.inSight(), QStringList{QStringLiteral("Winter Storm Warning until 6 PM MST Tue")});
        QVERIFY(told(watch, answer("two")).isEmpty());
        // Past the warning's message expiry (3:15 AM) it is over as well.
        clock.setWallTime(QDateTime(QDate(2026, 12, 8), QTime(10, 16), QTimeZone::utc()));
        QVERIFY(told(watch, answer("one")).isEmpty());
        QCOMPARE(watch.inSight(), QStringList());
    }

    void endsInTheAlertsOwnTime_data()
    {
        QTest::addColumn<QString>("ends");
        QTest::addColumn<QString>("headline");
        QTest::addColumn<QString>("line");
        const QString denver = QStringLiteral("Winter Storm Warning issued December 7 at 9:12AM MST until "
                                              "December 8 at 6:00PM MST by NWS Denver CO");
        QTest::newRow("the fixture") << S("2026-12-08T18:00:00-07:00") << denver
                                     << S("Winter Storm Warning until 6 PM MST Tue");
        QTest::newRow("minutes, and the zone from the issue time")
            << S("2026-12-08T18:30:00-07:00") << denver << S("Winter Storm Warning until 6:30 PM MST Tue");
        QTest::newRow("midnight")
            << S("2026-12-09T00:00:00-07:00")
            << S("Winter Storm Warning issued December 8 at 9:12AM MST until December 9 "
                 "at 12:00AM MST by NWS Denver CO")
            << S("Winter Storm Warning until 12 AM MST Wed");
        QTest::newRow("summer time begun before the end")
            << S("2027-03-14T18:00:00-06:00")
            << S("Winter Storm Warning issued March 13 at 9:12AM MST until March 14 at 6:00PM MDT by NWS "
                 "Denver CO")
            << S("Winter Storm Warning until 6 PM MDT Sun");
        QTest::newRow("a headline with no matching time")
            << S("2026-12-08T18:00:00-07:00") << S("WINTER STORM WARNING IN EFFECT UNTIL 6 PM MST TUESDAY")
            << S("Winter Storm Warning until 6 PM UTC-7 Tue");
        QTest::newRow("no end at all") << QString() << denver << S("Winter Storm Warning");
    }
    void endsInTheAlertsOwnTime()
    {
        QFETCH(QString, ends);
        QFETCH(QString, headline);
        Alert alert = answer("one").first();
        alert.headline = headline;
        alert.ends = QDateTime::fromString(ends, Qt::ISODate);
        if (ends.isEmpty())
            alert.expires = {};
        QFETCH(QString, line);
        QCOMPARE(AlertWatch::sightLine(alert), line);
    }
};

QTEST_GUILESS_MAIN(TestAlertWatch)
#include "tst_alertwatch.moc"
