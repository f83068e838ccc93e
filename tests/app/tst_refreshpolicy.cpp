// When the window refreshes by itself, driven by clocks the test moves:
// how old weather must be, what a sleeping machine looks like between two
// ticks, and how often waking and the network coming back may ask.
#include "ManualClock.h"
#include "app/RefreshPolicy.h"

#include <QTest>

using namespace std::chrono_literals;
using std::chrono::milliseconds;

class TestRefreshPolicy : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void staleness_data();
    void staleness();
    void wallClockJumpBetweenTicks_data();
    void wallClockJumpBetweenTicks();
    void eventsDuringARefresh_data();
    void eventsDuringARefresh();
    void burstIsOneEvent_data();
    void burstIsOneEvent();
    void backOffAfterFailures_data();
    void backOffAfterFailures();
};

namespace {

constexpr milliseconds settle = RefreshPolicy::settle;

// The session's side: each refreshDue() starts a refresh, which the test
// ends; `asked` counts them.
struct Window
{
    explicit Window(qint16 updateMinutes)
    {
        policy.setUpdateMinutes(updateMinutes);
        QObject::connect(&policy, &RefreshPolicy::refreshDue, &policy, [this] {
            ++asked;
            running = true;
        });
    }

    // A refresh by a click, ending at once.
    void refreshed(bool conditionsCame) { ended(conditionsCame); }
    void ended(bool conditionsCame)
    {
        running = false;
        policy.refreshEnded(conditionsCame);
    }

    ManualClock clock;
    bool running = false;
    RefreshPolicy policy{clock, [this] { return running; }};
    int asked = 0;
};

} // namespace

void TestRefreshPolicy::staleness_data()
{
    QTest::addColumn<qint16>("updateMinutes");
    QTest::addColumn<int>("before"); // 0 no refresh yet, 1 one with the conditions, -1 one without
    QTest::addColumn<milliseconds>("awake");
    QTest::addColumn<milliseconds>("wallOnly");
    QTest::addColumn<bool>("refreshes");

    // The event is decided `settle` after it comes; its age then is what counts.
    QTest::newRow("exactly one interval old") << qint16(15) << 1 << 15min - settle << 0ms << true;
    QTest::newRow("a second short of the interval") << qint16(15) << 1 << 15min - settle - 1s << 0ms << false;
    QTest::newRow("slept through the interval") << qint16(15) << 1 << 0ms << milliseconds(15min) << true;
    QTest::newRow("clock set back a day") << qint16(15) << 1 << 15min - settle << -milliseconds(24h) << true;
    QTest::newRow("failed, the back-off passed") << qint16(15) << -1 << 1min - settle << 0ms << true;
    QTest::newRow("failed, within the back-off") << qint16(15) << -1 << 59s - settle << 0ms << false;
    QTest::newRow("nothing asked for yet") << qint16(15) << 0 << milliseconds(1h) << 0ms << false;
}

void TestRefreshPolicy::staleness()
{
    QFETCH(qint16, updateMinutes);
    QFETCH(int, before);
    QFETCH(milliseconds, awake);
    QFETCH(milliseconds, wallOnly);
    QFETCH(bool, refreshes);
    Window window(updateMinutes);
    if (before != 0)
        window.refreshed(before > 0);
    window.clock.advance(awake);
    window.clock.moveWallClock(wallOnly);
    window.policy.sessionEvent();
    window.clock.advance(settle);
    QCOMPARE(window.asked, refreshes ? 1 : 0);
}

void TestRefreshPolicy::wallClockJumpBetweenTicks_data()
{
    QTest::addColumn<milliseconds>("awake");
    QTest::addColumn<milliseconds>("wallOnly");
    QTest::addColumn<bool>("slept");

    // The weather is stale after every one of these: only a detected sleep
    // brings a refresh.
    QTest::newRow("slept half an hour") << milliseconds(1min) << milliseconds(30min) << true;
    QTest::newRow("awake, the tick came late") << milliseconds(16min) << 0ms << false;
    QTest::newRow("wall clock two minutes ahead") << milliseconds(15min) << milliseconds(2min) << false;
    QTest::newRow("a second more") << milliseconds(15min) << milliseconds(2min + 1s) << true;
}

void TestRefreshPolicy::wallClockJumpBetweenTicks()
{
    QFETCH(milliseconds, awake);
    QFETCH(milliseconds, wallOnly);
    QFETCH(bool, slept);
    Window window(15);
    window.refreshed(true);
    window.policy.tick();
    window.clock.advance(awake);
    window.clock.moveWallClock(wallOnly);
    window.policy.tick();
    window.clock.advance(settle);
    QCOMPARE(window.asked, slept ? 1 : 0);
    QCOMPARE(window.policy.minuteCount(), qint16(2));
}

void TestRefreshPolicy::eventsDuringARefresh_data()
{
    QTest::addColumn<bool>("conditionsCame");
    QTest::addColumn<int>("asked"); // by the events, once the back-off has passed

    QTest::newRow("it brings the weather") << true << 0;
    QTest::newRow("it fails") << false << 1;
}

void TestRefreshPolicy::eventsDuringARefresh()
{
    QFETCH(bool, conditionsCame);
    QFETCH(int, asked);
    Window window(15);
    window.refreshed(true);
    window.clock.advance(20min);
    // A click starts a refresh, which is slow to end.
    window.running = true;
    window.policy.sessionEvent();
    window.clock.advance(10min);
    window.policy.sessionEvent();
    window.clock.advance(10min);
    QCOMPARE(window.asked, 0);
    window.ended(conditionsCame);
    QCOMPARE(window.asked, 0);
    window.clock.advance(1min);
    QCOMPARE(window.asked, asked);
}

void TestRefreshPolicy::burstIsOneEvent_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<milliseconds>("apart");

    QTest::newRow("1,000 at once") << 1000 << 0ms;
    QTest::newRow("1,000 just under the settling time apart") << 1000 << settle - 1ms;
}

void TestRefreshPolicy::burstIsOneEvent()
{
    QFETCH(int, count);
    QFETCH(milliseconds, apart);
    Window window(15);
    window.refreshed(false);
    window.clock.advance(5min);
    for (int n = 0; n < count; ++n) {
        window.policy.sessionEvent();
        if (n + 1 < count)
            window.clock.advance(apart);
    }
    window.clock.advance(settle - 1ms);
    QCOMPARE(window.asked, 0);
    window.clock.advance(1ms);
    QCOMPARE(window.asked, 1);
}

void TestRefreshPolicy::backOffAfterFailures_data()
{
    QTest::addColumn<qint16>("updateMinutes");
    QTest::addColumn<QList<int>>("waits"); // minutes after each failure in a row

    // Doubling from a minute, never beyond the interval.
    QTest::newRow("interval 15") << qint16(15) << QList<int>{1, 2, 4, 8, 15, 15};
    QTest::newRow("interval 1") << qint16(1) << QList<int>{1, 1, 1};
}

void TestRefreshPolicy::backOffAfterFailures()
{
    QFETCH(qint16, updateMinutes);
    QFETCH(QList<int>, waits);
    Window window(updateMinutes);
    window.refreshed(false);
    for (int wait : waits) {
        const int asked = window.asked;
        // The network keeps coming back, the server keeps failing.
        window.policy.sessionEvent();
        window.clock.advance(milliseconds(std::chrono::minutes(wait)) - 1ms);
        QCOMPARE(window.asked, asked);
        window.clock.advance(1ms);
        QCOMPARE(window.asked, asked + 1);
        window.ended(false);
    }
    // The weather coming once starts the count again.
    window.refreshed(true);
    window.refreshed(false);
    window.policy.sessionEvent();
    window.clock.advance(1min);
    QCOMPARE(window.asked, int(waits.size()) + 1);
}

QTEST_GUILESS_MAIN(TestRefreshPolicy)
#include "tst_refreshpolicy.moc"
