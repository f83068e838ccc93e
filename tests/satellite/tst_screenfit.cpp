// The windows on a small screen: 1600 x 1000 pixels at twice the size,
// which leaves 800 x 500 for windows designed up to 693 x 564.
#include "TestData.h"
#include "net/Network.h"
#include "satellite/PictureViewer.h"
#include "satellite/frmBrowser.h"
#include "shell/Twips.h"
#include "shell/WindowServices.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTest>

namespace {

constexpr int wait = 10000;

QRect area()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

bool onScreen(const QWidget* window)
{
    return area().contains(window->frameGeometry());
}

QString describe(const QWidget* window)
{
    const QRect frame = window->frameGeometry();
    return QStringLiteral("frame %1,%2 %3x%4 on %5x%6")
        .arg(frame.x())
        .arg(frame.y())
        .arg(frame.width())
        .arg(frame.height())
        .arg(area().width())
        .arg(area().height());
}

} // namespace

class TestScreenFit : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void fitOnScreen_data();
    void fitOnScreen();
    void placeOnScreens_data();
    void placeOnScreens();
    void centringKeepsTheCaptionOnScreen();
    void viewerFitsAndFollowsTheResizeRule();
};

void TestScreenFit::initTestCase()
{
    QCOMPARE(area().size(), QSize(800, 500));
}

void TestScreenFit::fitOnScreen_data()
{
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QSize>("minimum");
    // The size expected, with the frame's own width and height taken from
    // the area where it is shrunk to fit; -1 for one that stays.
    QTest::addColumn<QSize>("shrunk");

    QTest::newRow("larger both ways") << QRect(0, 0, 1000, 700) << QSize() << QSize(800, 500);
    QTest::newRow("taller only") << QRect(100, 20, 600, 700) << QSize() << QSize(-1, 500);
    QTest::newRow("fits, over the bottom-right edges")
        << QRect(600, 400, 400, 300) << QSize() << QSize(-1, -1);
    QTest::newRow("fits, over the top-left edges") << QRect(-50, -80, 400, 300) << QSize() << QSize(-1, -1);
    QTest::newRow("fits and inside") << QRect(100, 100, 400, 300) << QSize() << QSize(-1, -1);
    QTest::newRow("smallest size larger than the area")
        << QRect(50, 50, 900, 600) << QSize(900, 600) << QSize(-1, -1);
}

void TestScreenFit::fitOnScreen()
{
    QFETCH(QRect, geometry);
    QFETCH(QSize, minimum);
    QFETCH(QSize, shrunk);

    QWidget window;
    if (minimum.isValid())
        window.setMinimumSize(minimum);
    window.resize(geometry.size());
    window.move(geometry.topLeft());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE_WITH_TIMEOUT(window.pos(), geometry.topLeft(), wait);
    const QSize frame = window.frameGeometry().size() - window.size();
    QVERIFY(!frame.isEmpty());

    WindowServices::fitOnScreen(&window);

    const QSize expected(shrunk.width() < 0 ? geometry.width() : shrunk.width() - frame.width(),
                         shrunk.height() < 0 ? geometry.height() : shrunk.height() - frame.height());
    QTRY_COMPARE_WITH_TIMEOUT(window.size(), expected, wait);
    if (minimum.isValid()) {
        // Too large to fit: the caption and the left edge stay reachable.
        QTRY_COMPARE_WITH_TIMEOUT(window.pos(), area().topLeft(), wait);
        return;
    }
    QTRY_VERIFY2_WITH_TIMEOUT(onScreen(&window), qPrintable(describe(&window)), wait);
    // A window already inside stays where it is.
    if (area().contains(QRect(geometry.topLeft(), expected + frame)))
        QCOMPARE(window.pos(), geometry.topLeft());
}

void TestScreenFit::placeOnScreens_data()
{
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QList<QRect>>("areas");
    QTest::addColumn<QPoint>("placed");

    const QList<QRect> one{QRect(0, 0, 800, 500)};
    // A laptop's screen and a taller one to its right.
    const QList<QRect> two{QRect(0, 0, 800, 500), QRect(800, 0, 1024, 768)};

    QTest::newRow("wholly shown: as stored") << QRect(100, 100, 400, 300) << one << QPoint(100, 100);
    QTest::newRow("partly off the left edge") << QRect(-50, 100, 400, 300) << one << QPoint(0, 100);
    QTest::newRow("partly off the top edge") << QRect(100, -30, 400, 300) << one << QPoint(100, 0);
    QTest::newRow("partly off the right edge") << QRect(500, 100, 400, 300) << one << QPoint(400, 100);
    QTest::newRow("partly off the bottom edge") << QRect(100, 300, 400, 300) << one << QPoint(100, 200);
    // 964 x 500 at 792,570 on 1280 x 800, in the pixels of scale 2.
    QTest::newRow("stored at scale 1, read at scale 2")
        << QRect(396, 285, 482, 250) << QList<QRect>{QRect(0, 0, 640, 400)} << QPoint(158, 150);
    QTest::newRow("larger than the screen: caption reachable")
        << QRect(100, 100, 1000, 700) << one << QPoint(0, 0);
    QTest::newRow("two screens, across both and shown whole: as stored")
        << QRect(600, 100, 400, 300) << two << QPoint(600, 100);
    QTest::newRow("two screens, below the shorter one: onto the nearer")
        << QRect(600, 300, 400, 300) << two << QPoint(800, 300);
    QTest::newRow("two screens, wholly off beyond the second")
        << QRect(1900, 100, 400, 300) << two << QPoint(1424, 100);
}

void TestScreenFit::placeOnScreens()
{
    QFETCH(QRect, frame);
    QFETCH(QList<QRect>, areas);
    QFETCH(QPoint, placed);
    QCOMPARE(WindowServices::placeOnScreens(frame, areas), placed);
}

void TestScreenFit::centringKeepsTheCaptionOnScreen()
{
    // A window of fixed size, as the settings dialog, larger than the area.
    QWidget window;
    window.setFixedSize(900, 700);
    window.move(300, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    WindowServices::centreOnScreen(&window);
    QTRY_COMPARE_WITH_TIMEOUT(window.pos(), area().topLeft(), wait);
    QCOMPARE(window.size(), QSize(900, 700));
}

void TestScreenFit::viewerFitsAndFollowsTheResizeRule()
{
    Network network;
    // No region, so no picture is asked for.
    QPointer<frmBrowser> viewer =
        new frmBrowser([] { return QString(); }, network,
                       [](const QString& path) { return QUrl(QStringLiteral("http://127.0.0.1:9") + path); });
    const auto closeViewer = qScopeGuard([&viewer] { delete viewer; });
    viewer->Form_Load();
    QVERIFY(QTest::qWaitForWindowExposed(viewer));

    QTRY_VERIFY2_WITH_TIMEOUT(onScreen(viewer), qPrintable(describe(viewer)), wait);
    // Lower than designed, as wide as designed, and still centred.
    QVERIFY(viewer->height() < Twips::toPixels(8460));
    QCOMPARE(viewer->width(), Twips::toPixels(10395));
    const QPoint offset = viewer->frameGeometry().center() - area().center();
    QVERIFY2(offset.manhattanLength() <= 4, qPrintable(describe(viewer)));

    // The controls laid out by the resize rule for the size it got: the
    // exit button and the channel buttons above the screen's lower edge.
    const int width = int(Twips::fromPixels(viewer->width()));
    const int height = int(Twips::fromPixels(viewer->height()));
    QCOMPARE(viewer->findChild<PictureViewer*>(QStringLiteral("brwWebBrowser"))->geometry(),
             Twips::rect(0, 120, width - 15, height - 1200));
    QCOMPARE(viewer->findChild<QPushButton*>(QStringLiteral("cmdExit"))->geometry(),
             Twips::rect(120, height - 450, width - 225, 375));
    for (const char* name : {"optWV", "optIR", "optVI"})
        QCOMPARE(viewer->findChild<QRadioButton*>(QLatin1String(name))->y(), Twips::toPixels(height - 900));
}

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(TestData::path(
                                                             QStringLiteral("screen-1600x1000.json"))));
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestScreenFit test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_screenfit.moc"
