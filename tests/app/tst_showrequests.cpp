// A later start's request, through the real socket, to the main window.
#include "WindowRig.h"
#include "app/ShowRequests.h"
#include "shell/InstanceChannel.h"

#include <QAction>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QtConcurrent>

namespace {

constexpr int wait = 10000;

enum class Before
{
    Shown,
    HiddenInTheTray,
    Minimised,
    Ending,
};

} // namespace

Q_DECLARE_METATYPE(Before)

class TestShowRequests : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void requestBringsTheWindowForward_data();
    void requestBringsTheWindowForward();
};

void TestShowRequests::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("ventaro.instance.info=true"));
}

void TestShowRequests::requestBringsTheWindowForward_data()
{
    QTest::addColumn<Before>("before");
    QTest::addColumn<QByteArray>("token");
    QTest::addColumn<bool>("shown");

    QTest::newRow("already shown") << Before::Shown << QByteArray() << true;
    QTest::newRow("hidden in the tray") << Before::HiddenInTheTray << QByteArray() << true;
    QTest::newRow("hidden in the tray, with a token")
        << Before::HiddenInTheTray << QByteArray("launcher-3_TIME77") << true;
    QTest::newRow("minimised") << Before::Minimised << QByteArray() << true;
    QTest::newRow("ending") << Before::Ending << QByteArray("launcher-3_TIME77") << false;
}

void TestShowRequests::requestBringsTheWindowForward()
{
    QFETCH(Before, before);
    QFETCH(QByteArray, token);
    QFETCH(bool, shown);

    QTemporaryDir dir;
    const QString socket = dir.filePath(QStringLiteral("ventaro.socket"));
    ForecastRig rig;
    rig.initializeStore();
    rig.store.set(QStringLiteral("SysTray"), QStringLiteral("-1"));
    frmForecast& window = rig.open();
    // Something else has the keyboard.
    QWidget other;
    other.show();
    other.activateWindow();
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), &other, wait);

    switch (before) {
    case Before::Shown:
        break;
    case Before::HiddenInTheTray:
        QTest::mouseClick(rig.child(QStringLiteral("cmdExit")), Qt::LeftButton);
        QVERIFY(!window.isVisible());
        QCOMPARE(rig.ending->size(), 0);
        break;
    case Before::Minimised:
        window.showMinimized();
        QVERIFY(window.isMinimized());
        break;
    case Before::Ending:
        window.findChild<QAction*>(QStringLiteral("mnuUnload"))->trigger();
        QCOMPARE(rig.ending->size(), 1);
        break;
    }

    InstanceChannel requests(socket);
    ShowRequests::serve(requests, window);
    QVERIFY(requests.listen());
    QSignalSpy asked(&requests, &InstanceChannel::showRequested);
    if (shown && token.isEmpty())
        QTest::ignoreMessage(QtInfoMsg, "window shown on request of another start");
    else if (shown)
        QTest::ignoreMessage(QtInfoMsg, "window shown on request of another start, with its token " + token);
    // The later start waits for the answer, which comes from this thread.
    QFuture<InstanceChannel::Delivery> asking =
        QtConcurrent::run([socket, token] { return InstanceChannel::requestShow(socket, token); });
    QTRY_VERIFY_WITH_TIMEOUT(asking.isFinished(), wait);
    QVERIFY(asking.result().taken);
    QCOMPARE(asked.size(), 1);

    QCOMPARE(window.isVisible(), shown);
    if (!shown)
        return;
    QVERIFY(!window.isMinimized());
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), &window, wait);
}

QTEST_MAIN(TestShowRequests)
#include "tst_showrequests.moc"
