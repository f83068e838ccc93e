// Which alerts the user is told of, refresh by refresh, and how those in
// effect read; from the service's answers for Denver on December 7, 2026.
#include "ActiveAlerts.h"
#include "AlertWatch.h"
#include "TestData.h"

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
    }
    void toldOnceAndAgainOnlyWhenWorse()
    {
        QFETCH(Refreshes, refreshes);
        QFETCH(QList<QStringList>, told);
        QFETCH(QStringList, inSight);
        AlertWatch watch([] { return monday3pm; });
        for (qsizetype index = 0; index < refreshes.size(); ++index)
            QCOMPARE(::told(watch, refreshes[index]), told[index]);
        QCOMPARE(watch.inSight(), inSight);
    }

    void endedAlertsDropSilently()
    {
        QDateTime now = monday3pm;
        AlertWatch watch([&now] { return now; });
        QCOMPARE(told(watch, answer("two")).size(), 2);
        // The advisory ends at 11 PM: the tooltip loses it at once, before
        // the next refresh, and the answer that still lists it tells nothing.
        now = QDateTime(QDate(2026, 12, 8), QTime(6, 1), QTimeZone::utc());
        QCOMPARE(watch.inSight(), QStringList{QStringLiteral("Winter Storm Warning until 6 PM MST Tue")});
        QVERIFY(told(watch, answer("two")).isEmpty());
        // Past the warning's message expiry (3:15 AM) it is over as well.
        now = QDateTime(QDate(2026, 12, 8), QTime(10, 16), QTimeZone::utc());
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
