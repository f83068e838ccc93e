// What the session decides, without a window: when to refresh, that one
// refresh runs at a time, what a failure counts for, which alerts to tell
// and what the tooltips and the tray are told. A stand-in answers for the
// window; tst_frmforecast sees each of these once through the real one.
#include "SampleAlerts.h"
#include "SessionRig.h"
#include "app/RefreshPolicy.h"

#include <QTest>
#include <QTimeZone>
#include <QTimer>

class TestForecastSession : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void timer_data();
    void timer();
    void refreshDuringRefreshIsIgnored_data();
    void refreshDuringRefreshIsIgnored();
    void failedRefresh_data();
    void failedRefresh();
    void trayToldTheSkyOnlyWithTrayUseOn_data();
    void trayToldTheSkyOnlyWithTrayUseOn();
    void refreshAfterWakingOnlyWhenStale_data();
    void refreshAfterWakingOnlyWhenStale();
    void locationTellsWhenItWasObserved();
    void alertsToldOnceAndInSightUntilTheyEnd();
    void alertsSwitchedOffOrMarkedUp();
    void alertFloodToldInAFewAndSummedUpInSight();
};

namespace {

const QStringList bothPages{QStringLiteral("/weather/current/KDEN.html"),
                            QStringLiteral("/iwin/co/state.html")};

AlertWatch::Prepared prepared(const QString& answer)
{
    return AlertWatch::prepare(SampleAlerts::answer(answer));
}

// 3 PM in Denver on Monday, December 7, 2026, when the kept alerts are in
// effect.
const QDateTime alertsKept(QDate(2026, 12, 7), QTime(22, 0), QTimeZone::utc());

} // namespace

void TestForecastSession::timer_data()
{
    QTest::addColumn<QString>("update");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<QList<int>>("refreshTicks");
    // The minute before whose tick Get Forecast is clicked; 0: never.
    QTest::addColumn<int>("clickedAt");

    QTest::newRow("15 minutes") << QStringLiteral("15") << 45 << QList<int>{15, 30, 45} << 0;
    QTest::newRow("0 refreshes every minute") << QStringLiteral("0") << 3 << QList<int>{1, 2, 3} << 0;
    QTest::newRow("-3 refreshes every minute") << QStringLiteral("-3") << 3 << QList<int>{1, 2, 3} << 0;
    QTest::newRow("abc refreshes every minute") << QStringLiteral("abc") << 3 << QList<int>{1, 2, 3} << 0;
    QTest::newRow("2.5 gives 2") << QStringLiteral("2.5") << 6 << QList<int>{2, 4, 6} << 0;
    QTest::newRow("3.5 gives 4") << QStringLiteral("3.5") << 8 << QList<int>{4, 8} << 0;
    QTest::newRow("beyond 16 bits clamps") << QStringLiteral("99999") << 3 << QList<int>{} << 0;
    QTest::newRow("Get Forecast does not move the timer")
        << QStringLiteral("15") << 15 << QList<int>{15} << 10;
}

// The minute tick the session schedules on the clock counts to the stored
// interval and refreshes within the tick that reaches it; the count starts
// again once that refresh has ended, and only then.
void TestForecastSession::timer()
{
    QFETCH(QString, update);
    QFETCH(int, ticks);
    QFETCH(QList<int>, refreshTicks);
    QFETCH(int, clickedAt);
    SessionRig rig;
    rig.initializeStore();
    rig.store.set(QStringLiteral("Update"), update);
    ForecastSession& session = rig.open();

    QList<int> refreshedAt;
    for (int tick = 1; tick <= ticks; ++tick) {
        if (tick == clickedAt)
            QVERIFY(rig.refresh());
        const qsizetype ended = rig.shown->count(QStringLiteral("finished"));
        rig.clock.advance(RefreshPolicy::tickInterval);
        if (session.running()) {
            refreshedAt.append(tick);
            QVERIFY(rig.waitForRefreshes(ended + 1));
        }
        const int counted = tick - (refreshedAt.isEmpty() ? 0 : refreshedAt.constLast());
        QCOMPARE(session.minuteCount(), qint16(counted));
    }
    QCOMPARE(refreshedAt, refreshTicks);
}

void TestForecastSession::refreshDuringRefreshIsIgnored_data()
{
    QTest::addColumn<bool>("byTheTimer"); // else Get Forecast again
    QTest::newRow("Get Forecast again") << false;
    QTest::newRow("the minute tick reaching the interval") << true;
}

void TestForecastSession::refreshDuringRefreshIsIgnored()
{
    QFETCH(bool, byTheTimer);
    SessionRig rig;
    rig.initializeStore();
    rig.store.set(QStringLiteral("Update"), QStringLiteral("1"));
    ForecastSession& session = rig.open();
    int nestedAttempts = 0;
    bool runningThen = false;
    bool clickTaken = false;
    // Once the conditions have been asked for: the refresh cannot end
    // before their answer is in and the forecast has been asked for too,
    // all of which the event loop takes up after this attempt.
    connect(&rig.server, &SampleServer::requestReceived, &session, [&] {
        if (nestedAttempts++ == 0) {
            QTimer::singleShot(0, &session, [&] {
                runningThen = session.running();
                if (byTheTimer)
                    rig.clock.advance(RefreshPolicy::tickInterval);
                else
                    clickTaken = session.refresh();
            });
        }
    });
    QVERIFY(rig.refresh());
    QCOMPARE(nestedAttempts, 2);
    QVERIFY(runningThen);
    QVERIFY(!clickTaken);
    QCOMPARE(rig.server.requestedPaths(), bothPages);
    QCOMPARE(rig.shown->said, QStringList({QStringLiteral("conditions"), QStringLiteral("forecast"),
                                           QStringLiteral("finished")}));
}

void TestForecastSession::failedRefresh_data()
{
    QTest::addColumn<SampleServer::Fault>("fault");
    QTest::newRow("404 page") << SampleServer::Fault::NotFound;
    // The old servers' pages are not asked again.
    QTest::newRow("503 answer") << SampleServer::Fault::Unavailable;
    QTest::newRow("page without markup") << SampleServer::Fault::NoMarkup;
    QTest::newRow("refused connection") << SampleServer::Fault::Refuse;
    QTest::newRow("reset mid-body") << SampleServer::Fault::ResetMidBody;
}

// No conditions: the forecast server is not asked, the values and the
// forecast go, the tray keeps its sky, and the refresh ends by itself.
void TestForecastSession::failedRefresh()
{
    QFETCH(SampleServer::Fault, fault);
    SessionRig rig;
    ForecastSession& session = rig.open();
    QVERIFY(rig.refresh());
    QCOMPARE(rig.shown->traySkies.size(), 1);
    const int requestsBefore = int(rig.server.requestedPaths().size());
    rig.shown->said.clear();
    rig.shown->statuses.clear();

    rig.server.setFault(fault);
    QVERIFY(rig.refresh());

    QCOMPARE(rig.shown->said, QStringList({QStringLiteral("unavailable"), QStringLiteral("finished")}));
    QCOMPARE(rig.shown->statuses.constLast(), QStringLiteral("  Idle"));
    QVERIFY(!rig.shown->cityTip.startsWith(QLatin1String("Observed")));
    QCOMPARE(rig.shown->traySkies.size(), 1);
    QVERIFY(!session.running());
    const QStringList after = rig.server.requestedPaths().mid(requestsBefore);
    QVERIFY(!after.contains(QStringLiteral("/iwin/co/state.html")));
    QCOMPARE(after.size(), fault == SampleServer::Fault::Refuse ? 0 : 1);
}

void TestForecastSession::trayToldTheSkyOnlyWithTrayUseOn_data()
{
    QTest::addColumn<QString>("sysTray");
    QTest::addColumn<bool>("told");
    QTest::newRow("tray use on") << QStringLiteral("-1") << true;
    QTest::newRow("tray use off: the tray and the window's icon left alone") << QStringLiteral("0") << false;
}

void TestForecastSession::trayToldTheSkyOnlyWithTrayUseOn()
{
    QFETCH(QString, sysTray);
    QFETCH(bool, told);
    SessionRig rig;
    rig.initializeStore();
    rig.store.set(QStringLiteral("SysTray"), sysTray);
    rig.open();
    QVERIFY(rig.refresh());
    QCOMPARE(rig.shown->count(QStringLiteral("conditions")), 1);
    QCOMPARE(rig.shown->traySkies.size(), told ? 1 : 0);
}

void TestForecastSession::refreshAfterWakingOnlyWhenStale_data()
{
    QTest::addColumn<bool>("refreshedBefore");
    QTest::addColumn<bool>("failedBefore");
    QTest::addColumn<int>("minutesLater");
    QTest::addColumn<bool>("networkReturned"); // else the machine woke
    QTest::addColumn<int>("refreshAfterMs");   // after the signal; -1: never

    const int settle = int(RefreshPolicy::settle.count());
    // Asleep meanwhile: the wall clock moves, the minute tick does not.
    QTest::newRow("nothing shown yet: nothing fetched") << false << false << 60 << false << -1;
    QTest::newRow("woke 5 minutes later, interval 15") << true << false << 5 << false << -1;
    QTest::newRow("woke 20 minutes later, interval 15") << true << false << 20 << false << settle;
    QTest::newRow("network back after 20 minutes asleep") << true << false << 20 << true << settle;
    QTest::newRow("network back right after a failed refresh")
        << true << true << 0 << true << int(RefreshPolicy::firstBackOff.count());
}

// The system's news reach the session's refresh: a signal is held while
// more may follow, then refreshes weather already shown that has grown
// old, or failed (once the back-off after that has passed).
void TestForecastSession::refreshAfterWakingOnlyWhenStale()
{
    QFETCH(bool, refreshedBefore);
    QFETCH(bool, failedBefore);
    QFETCH(int, minutesLater);
    QFETCH(bool, networkReturned);
    QFETCH(int, refreshAfterMs);
    SessionRig rig;
    ForecastSession& session = rig.open();
    if (refreshedBefore) {
        rig.server.setFault(failedBefore ? SampleServer::Fault::Refuse : SampleServer::Fault::None);
        QVERIFY(rig.refresh());
        rig.server.setFault(SampleServer::Fault::None);
    }
    const qsizetype before = rig.shown->count(QStringLiteral("finished"));
    const qsizetype conditionsBefore = rig.shown->count(QStringLiteral("conditions"));
    rig.clock.moveWallClock(std::chrono::minutes(minutesLater));
    if (networkReturned)
        Q_EMIT rig.session.networkReturned();
    else
        Q_EMIT rig.session.resumed();
    QVERIFY(!session.running());
    if (refreshAfterMs < 0) {
        rig.clock.advance(RefreshPolicy::settle * 2);
        QVERIFY(!session.running());
        return;
    }
    rig.clock.advance(std::chrono::milliseconds(refreshAfterMs - 1));
    QVERIFY(!session.running());
    rig.clock.advance(std::chrono::milliseconds(1));
    QVERIFY(session.running());
    QVERIFY(rig.waitForRefreshes(before + 1));
    QCOMPARE(rig.shown->count(QStringLiteral("conditions")), conditionsBefore + 1);
    // A refresh on waking leaves the minute count to the ticks.
    QCOMPARE(session.minuteCount(), qint16(rig.clock.monotonicTime() / RefreshPolicy::tickInterval));
}

void TestForecastSession::locationTellsWhenItWasObserved()
{
    SessionRig rig;
    ForecastSession& session = rig.open();
    // The sample pages were observed at 15:53 UTC on Dec 7, 1998; Denver
    // shows it in its own zone.
    rig.clock.setWallTime(QDateTime(QDate(1998, 12, 7), QTime(16, 7), QTimeZone::utc()));
    QVERIFY(rig.refresh());
    QCOMPARE(rig.shown->cityTip, QStringLiteral("Observed Dec 07, 1998 08:53 AM MST \u2014 14 minutes ago"));
    // The minute timer keeps the age current.
    rig.clock.moveWallClock(std::chrono::hours(3));
    session.Timer1_Timer();
    QCOMPARE(rig.shown->cityTip, QStringLiteral("Observed Dec 07, 1998 08:53 AM MST \u2014 3 hours ago"));
    // A failed refresh tells why instead.
    rig.server.setFault(SampleServer::Fault::NotFound);
    QVERIFY(rig.refresh());
    QVERIFY(!rig.shown->cityTip.isEmpty());
    QVERIFY(!rig.shown->cityTip.startsWith(QStringLiteral("Observed")));
    session.Timer1_Timer();
    QVERIFY(!rig.shown->cityTip.startsWith(QStringLiteral("Observed")));
}

void TestForecastSession::alertsToldOnceAndInSightUntilTheyEnd()
{
    SessionRig rig;
    ForecastSession& session = rig.open();
    rig.clock.setWallTime(alertsKept);
    QVERIFY(rig.refresh());
    const QString observed = rig.shown->cityTip;
    QVERIFY(observed.startsWith(QLatin1String("Observed")));
    const FakeNotifier& notifier = rig.notifier;

    // A zone without alerts: nothing told, nothing changed.
    session.takeAlerts(prepared(QStringLiteral("none")));
    QVERIFY(notifier.notifications.isEmpty());
    QCOMPARE(rig.shown->cityTip, observed);
    QCOMPARE(rig.shown->alertLines, QStringList());

    session.takeAlerts(prepared(QStringLiteral("two")));
    session.takeAlerts(prepared(QStringLiteral("two")));
    QCOMPARE(notifier.notifications.size(), 2);
    QCOMPARE(notifier.notifications[0].summary, QStringLiteral("Winter Storm Warning"));
    QCOMPARE(notifier.notifications[0].body,
             QStringLiteral("Winter Storm Warning issued December 7 at 9:12AM MST until December 8 at 6:00PM "
                            "MST by NWS Denver CO"));
    QVERIFY(notifier.notifications[0].critical);
    QCOMPARE(notifier.notifications[1].summary, QStringLiteral("Wind Advisory"));
    QVERIFY(!notifier.notifications[1].critical);
    const QStringList lines{QStringLiteral("Winter Storm Warning until 6 PM MST Tue"),
                            QStringLiteral("Wind Advisory until 11 PM MST Mon")};
    QCOMPARE(rig.shown->cityTip, lines.join(QLatin1Char('\n')) + QLatin1Char('\n') + observed);
    QCOMPARE(rig.shown->alertLines, lines);

    // The minute timer keeps the observation's age below the alerts, and
    // takes the advisory away once it has ended.
    rig.clock.setWallTime(QDateTime(QDate(2026, 12, 8), QTime(6, 30), QTimeZone::utc()));
    session.Timer1_Timer();
    QVERIFY(rig.shown->cityTip.startsWith(lines[0] + QLatin1String("\nObserved")));
    QCOMPARE(rig.shown->alertLines, lines.mid(0, 1));

    // A failed refresh tells why below the alerts.
    rig.server.setFault(SampleServer::Fault::NotFound);
    QVERIFY(rig.refresh());
    QVERIFY(rig.shown->cityTip.startsWith(lines[0] + QLatin1Char('\n')));
    QVERIFY(rig.shown->cityTip.size() > lines[0].size() + 1);
    QVERIFY(!rig.shown->cityTip.contains(QLatin1String("Observed")));
    QCOMPARE(notifier.notifications.size(), 2);
}

void TestForecastSession::alertsSwitchedOffOrMarkedUp()
{
    SessionRig rig;
    rig.initializeStore();
    rig.store.set(QStringLiteral("AlertNotify"), QStringLiteral("0"));
    ForecastSession& session = rig.open();
    rig.clock.setWallTime(alertsKept);

    // Switched off: in sight all the same, and known, so that switching on
    // again tells only of what comes after.
    session.takeAlerts(prepared(QStringLiteral("one")));
    QVERIFY(rig.notifier.notifications.isEmpty());
    QCOMPARE(rig.shown->cityTip, QStringLiteral("Winter Storm Warning until 6 PM MST Tue"));
    rig.store.set(QStringLiteral("AlertNotify"), QStringLiteral("-1"));
    session.takeAlerts(prepared(QStringLiteral("two")));
    QCOMPARE(rig.notifier.notifications.size(), 1);
    QCOMPARE(rig.notifier.notifications[0].summary, QStringLiteral("Wind Advisory"));

    // Markup in the service's words goes on as the service wrote it; the
    // window shows it as its characters.
    QList<WeatherAlert> marked = SampleAlerts::answer(QStringLiteral("one"));
    marked[0].id += QStringLiteral(".marked");
    marked[0].event = QStringLiteral("<b>Blizzard</b> Warning & <img src=x>");
    marked[0].headline =
        QStringLiteral("<i>Blizzard</i> Warning issued December 7 at 9:12AM MST <a href=\"x\">here</a>");
    session.takeAlerts(AlertWatch::prepare(marked));
    QCOMPARE(rig.notifier.notifications.size(), 2);
    QCOMPARE(rig.notifier.notifications[1].body, marked[0].headline);
    const QString line = QStringLiteral("<b>Blizzard</b> Warning & <img src=x> until 6 PM MST Tue");
    QCOMPARE(rig.shown->cityTip, line);
    QCOMPARE(rig.shown->alertLines, QStringList{line});
}

// A flood of new alerts in one answer: the user hears of the most severe
// few and of how many more there are, in the notifications and the
// tooltips alike; the minute's tick counts them down as they end.
void TestForecastSession::alertFloodToldInAFewAndSummedUpInSight()
{
    SessionRig rig;
    ForecastSession& session = rig.open();
    rig.clock.setWallTime(alertsKept);
    const QList<WeatherAlert> flood = SampleAlerts::flood(500);
    QStringList summaries;
    for (int index = 3; index < 13; ++index)
        summaries.append(flood[index].event);
    session.takeAlerts(AlertWatch::prepare(flood));
    const QList<Notifier::Notification>& told = rig.notifier.notifications;
    QCOMPARE(told.size(), 4);
    QCOMPARE(told[2].summary, QStringLiteral("Warning 2"));
    QCOMPARE(told[3].summary, QStringLiteral("and 497 more alerts"));
    QCOMPARE(told[3].body, summaries.join(QStringLiteral(", ")) + QStringLiteral(" and others"));
    QVERIFY(told[3].critical);
    QStringList lines = rig.shown->cityTip.split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 13);
    QCOMPARE(lines[11], QStringLiteral("Warning 11 until 5 PM MST Tue"));
    QCOMPARE(lines[12], QStringLiteral("and 488 more alerts"));
    QCOMPARE(rig.shown->alertLines, lines);

    rig.clock.setWallTime(QDateTime(QDate(2026, 12, 9), QTime(0, 30), QTimeZone::utc()));
    session.Timer1_Timer();
    lines = rig.shown->cityTip.split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 10);
    QCOMPARE(lines[9], QStringLiteral("Warning 9 until 6 PM MST Tue"));
    QCOMPARE(rig.shown->alertLines, lines);
}

QTEST_GUILESS_MAIN(TestForecastSession)
#include "tst_forecastsession.moc"
