// NetworkManager's state changes as they arrive over D-Bus: only a return
// to a connection that reaches the internet counts as the network coming
// back.
#include "shell/SessionEvents.h"

#include <QSignalSpy>
#include <QTest>

class TestSessionEvents : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void networkReturnsOnlyFromOffline_data();
    void networkReturnsOnlyFromOffline();
    void wakingIsTold();
};

void TestSessionEvents::networkReturnsOnlyFromOffline_data()
{
    QTest::addColumn<QList<uint>>("states"); // NetworkManager's NMState values, in order
    QTest::addColumn<int>("returns");
    // 20 asleep/disconnected, 40 connecting, 50 local only, 60 site, 70 global.
    QTest::newRow("already online at the start") << QList<uint>{70, 70} << 0;
    QTest::newRow("dropped and back") << QList<uint>{20, 40, 70} << 1;
    QTest::newRow("only a local network") << QList<uint>{20, 50, 60} << 0;
    QTest::newRow("twice") << QList<uint>{20, 70, 40, 70} << 2;
}

void TestSessionEvents::networkReturnsOnlyFromOffline()
{
    QFETCH(QList<uint>, states);
    QFETCH(int, returns);
    SessionEvents events;
    QSignalSpy returned(&events, &SessionEvents::networkReturned);
    for (uint state : states)
        QVERIFY(QMetaObject::invokeMethod(&events, "networkStateChanged", Q_ARG(uint, state)));
    QCOMPARE(returned.size(), returns);
}

void TestSessionEvents::wakingIsTold()
{
    SessionEvents events;
    QSignalSpy resumed(&events, &SessionEvents::resumed);
    QVERIFY(QMetaObject::invokeMethod(&events, "sleepChanged", Q_ARG(bool, true)));
    QCOMPARE(resumed.size(), 0);
    QVERIFY(QMetaObject::invokeMethod(&events, "sleepChanged", Q_ARG(bool, false)));
    QCOMPARE(resumed.size(), 1);
}

QTEST_GUILESS_MAIN(TestSessionEvents)
#include "tst_sessionevents.moc"
