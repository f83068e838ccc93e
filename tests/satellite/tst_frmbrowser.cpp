#include "MemorySettingsStore.h"
#include "PictureServer.h"
#include "net/Network.h"
#include "satellite/PictureViewer.h"
#include "satellite/frmBrowser.h"
#include "settings/Settings.h"
#include "settings/SettingsKeys.h"
#include "shell/Twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace {

constexpr int wait = 10000;

const QString westTitle = QStringLiteral("Satalite Image for West Region");

// Answers reads of the region from a script, one entry per read, then
// keeps giving the last entry.
struct ScriptedRegion
{
    QString operator()()
    {
        ++reads;
        if (script.size() > 1)
            return script.takeFirst();
        return script.value(0);
    }

    QStringList script;
    int reads = 0;
};

} // namespace

class TestFrmBrowser : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void opensWithWaterVapourOfRegion();
    void opensAtDesignLayout();
    void channelsRequestRegionPictures_data();
    void channelsRequestRegionPictures();
    void regionIsReadAgainForEachTest_data();
    void regionIsReadAgainForEachTest();
    void unknownRegionStartsNoLoad_data();
    void unknownRegionStartsNoLoad();
    void changedRegionTakesEffectAtNextClick();
    void enlargingMovesBottomRowAndGrowsPicture();
    void shrinkingBelowMarginsClampsAtZero_data();
    void shrinkingBelowMarginsClampsAtZero();
    void failedPictureLeavesWindowUsable_data();
    void failedPictureLeavesWindowUsable();
    void closingBringsMainWindowBack_data();
    void closingBringsMainWindowBack();

private:
    // Reads the region from the store, as the program does.
    frmBrowser* open(const QString& host);
    frmBrowser* open(std::function<QString()> readRegion, const QString& host);
    template <typename T> T* child(const char* name) const
    {
        T* found = m_window->findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }
    PictureViewer* viewer() const { return child<PictureViewer>("brwWebBrowser"); }
    void click(const char* name) const { QTest::mouseClick(child<QRadioButton>(name), Qt::LeftButton); }

    std::unique_ptr<PictureServer> m_server;
    std::unique_ptr<MemorySettingsStore> m_store;
    std::unique_ptr<Network> m_network;
    QPointer<frmBrowser> m_window;
};

void TestFrmBrowser::init()
{
    m_server = std::make_unique<PictureServer>();
    QVERIFY(m_server->listening());
    m_server->serveAll({200, "image/jpeg", PictureServer::jpeg(Qt::darkCyan)});
    m_store = std::make_unique<MemorySettingsStore>();
    m_network = std::make_unique<Network>();
}

void TestFrmBrowser::cleanup()
{
    delete m_window;
    m_network.reset();
}

frmBrowser* TestFrmBrowser::open(const QString& host)
{
    return open([store = m_store.get()] { return Settings(*store).get(SettingsKeys::Region); }, host);
}

frmBrowser* TestFrmBrowser::open(std::function<QString()> readRegion, const QString& host)
{
    m_window = new frmBrowser(std::move(readRegion), *m_network, [host](const QString& path) {
        return QUrl(QStringLiteral("http://") + host + path);
    });
    m_window->Form_Load();
    return m_window;
}

void TestFrmBrowser::opensWithWaterVapourOfRegion()
{
    m_store->set(SettingsKeys::Region, QStringLiteral("West"));
    m_server->hold(QStringLiteral("/GIFS/WCWV.JPG"));
    open(m_server->host());

    QVERIFY(m_window->isVisible());
    QVERIFY(m_window->windowTitle().isEmpty());
    QVERIFY(child<QRadioButton>("optWV")->isChecked());
    QVERIFY(!child<QRadioButton>("optIR")->isChecked());
    QVERIFY(!child<QRadioButton>("optVI")->isChecked());

    QTRY_COMPARE_WITH_TIMEOUT(m_server->requests, QStringList{QStringLiteral("/GIFS/WCWV.JPG")}, wait);
    QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), QStringLiteral("Working..."), wait);
    QVERIFY(child<QTimer>("timTimer")->isActive());

    m_server->release(QStringLiteral("/GIFS/WCWV.JPG"));
    QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), westTitle, wait);
    QTRY_VERIFY_WITH_TIMEOUT(!child<QTimer>("timTimer")->isActive(), wait);
    QVERIFY(!viewer()->picture().isNull());
}

void TestFrmBrowser::opensAtDesignLayout()
{
    open(m_server->host());

    QCOMPARE(m_window->size(), Twips::size(10395, 8460));
    const QRect screen = m_window->screen()->availableGeometry();
    const QPoint offset = m_window->geometry().center() - screen.center();
    QVERIFY2(offset.manhattanLength() <= 64,
             qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
    QVERIFY(m_window->windowFlags() & Qt::WindowMaximizeButtonHint);
    QVERIFY(m_window->windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!m_window->windowIcon().pixmap(32, 32).isNull());

    // The layout after the opening's resize pass at the design size.
    QCOMPARE(viewer()->geometry(), Twips::rect(0, 120, 10380, 7260));
    auto* exitButton = child<QPushButton>("cmdExit");
    QCOMPARE(exitButton->geometry(), Twips::rect(120, 8010, 10170, 375));
    QVERIFY(exitButton->text().isEmpty());
    QVERIFY(!exitButton->icon().pixmap(49, 24).isNull());
    QCOMPARE(exitButton->iconSize(), QSize(49, 24));

    const struct
    {
        const char* name;
        const char* caption;
        int left;
    } options[] = {{"optWV", "Water Vapor Image", 240},
                   {"optIR", "Infa Red Image", 2400},
                   {"optVI", "Visable Image", 4440}};
    for (const auto& option : options) {
        auto* button = child<QRadioButton>(option.name);
        QCOMPARE(button->text(), QLatin1String(option.caption));
        QCOMPARE(button->geometry(), Twips::rect(option.left, 7560, 1935, 255));
        QCOMPARE(button->font().family(), QStringLiteral("Arial"));
        QCOMPARE(button->font().pointSize(), 9);
    }

    QCOMPARE(viewer()->nextInFocusChain(), exitButton);
    QCOMPARE(exitButton->nextInFocusChain(), child<QRadioButton>("optWV"));
    QCOMPARE(child<QRadioButton>("optWV")->nextInFocusChain(), child<QRadioButton>("optIR"));
    QCOMPARE(child<QRadioButton>("optIR")->nextInFocusChain(), child<QRadioButton>("optVI"));
}

void TestFrmBrowser::channelsRequestRegionPictures_data()
{
    QTest::addColumn<QString>("region");
    QTest::addColumn<QStringList>("paths");

    QTest::newRow("East") << QStringLiteral("East")
                          << QStringList{"/GIFS/ECWV.JPG", "/GIFS/ECIR.JPG", "/GIFS/ECVS.JPG",
                                         "/GIFS/ECWV.GIF"};
    QTest::newRow("West") << QStringLiteral("West")
                          << QStringList{"/GIFS/WCWV.JPG", "/GIFS/WCIR.JPG", "/GIFS/WCVS.JPG",
                                         "/GIFS/WCWV.GIF"};
    QTest::newRow("US") << QStringLiteral("US")
                        << QStringList{"/GIFS/NHWV.JPG", "/GIFS/NHIR.JPG", "/GIFS/NHVS.JPG",
                                       "/GIFS/NHWV.GIF"};
}

void TestFrmBrowser::channelsRequestRegionPictures()
{
    QFETCH(QString, region);
    QFETCH(QStringList, paths);

    m_store->set(SettingsKeys::Region, region);
    m_server->serve(paths.last(), {200, "image/gif", PictureServer::greenGif()});
    const QString title = QStringLiteral("Satalite Image for %1 Region").arg(region);
    open(m_server->host());
    QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), title, wait);

    // Infrared, visible, then back to water vapour, which now asks for the GIF.
    const char* buttons[] = {"optIR", "optVI", "optWV"};
    for (int i = 0; i < 3; ++i) {
        click(buttons[i]);
        QVERIFY(child<QRadioButton>(buttons[i])->isChecked());
        QTRY_COMPARE_WITH_TIMEOUT(m_server->requests, paths.mid(0, i + 2), wait);
        QTRY_VERIFY_WITH_TIMEOUT(!viewer()->Busy(), wait);
        QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), title, wait);
    }
    QCOMPARE(viewer()->picture().size(), QSize(1, 1));
}

void TestFrmBrowser::regionIsReadAgainForEachTest_data()
{
    QTest::addColumn<QStringList>("reads");
    QTest::addColumn<QString>("lastPath");

    QTest::newRow("every read matches its test")
        << QStringList{"East", "West", "US"} << QStringLiteral("/GIFS/NHIR.JPG");
    QTest::newRow("only the second read matches")
        << QStringList{"US", "West", "East"} << QStringLiteral("/GIFS/WCIR.JPG");
    QTest::newRow("no read matches its test") << QStringList{"US", "East", "West"} << QString();
}

void TestFrmBrowser::regionIsReadAgainForEachTest()
{
    QFETCH(QStringList, reads);
    QFETCH(QString, lastPath);

    auto region = std::make_shared<ScriptedRegion>();
    region->script = QStringList{QStringLiteral("none")};
    open([region] { return (*region)(); }, m_server->host());
    QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), QStringLiteral("Satalite Image for none Region"),
                              wait);
    QVERIFY(viewer()->currentUrl().isEmpty());

    region->script = reads;
    region->reads = 0;
    child<QRadioButton>("optIR")->click();
    QCOMPARE(region->reads, 3);
    QCOMPARE(viewer()->currentUrl().path(), lastPath);
    delete m_window;
}

void TestFrmBrowser::unknownRegionStartsNoLoad_data()
{
    QTest::addColumn<bool>("present");
    QTest::addColumn<QString>("region");
    QTest::addColumn<QString>("title");

    QTest::newRow("lower case") << true << QStringLiteral("west")
                                << QStringLiteral("Satalite Image for west Region");
    QTest::newRow("upper case") << true << QStringLiteral("EAST")
                                << QStringLiteral("Satalite Image for EAST Region");
    QTest::newRow("empty") << true << QString() << QStringLiteral("Satalite Image for  Region");
    QTest::newRow("absent") << false << QString() << QStringLiteral("Satalite Image for  Region");
}

void TestFrmBrowser::unknownRegionStartsNoLoad()
{
    QFETCH(bool, present);
    QFETCH(QString, region);
    QFETCH(QString, title);

    if (present)
        m_store->set(SettingsKeys::Region, region);
    open(m_server->host());
    QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), title, wait);
    QTRY_VERIFY_WITH_TIMEOUT(!child<QTimer>("timTimer")->isActive(), wait);

    click("optVI");
    QVERIFY(child<QTimer>("timTimer")->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(!child<QTimer>("timTimer")->isActive(), wait);
    QCOMPARE(m_window->windowTitle(), title);
    QVERIFY(viewer()->currentUrl().isEmpty());
    QVERIFY(m_server->requests.isEmpty());
}

void TestFrmBrowser::changedRegionTakesEffectAtNextClick()
{
    m_store->set(SettingsKeys::Region, QStringLiteral("West"));
    open(m_server->host());
    QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), westTitle, wait);

    m_store->set(SettingsKeys::Region, QStringLiteral("US"));
    QCOMPARE(m_window->windowTitle(), westTitle);
    click("optIR");
    QTRY_COMPARE_WITH_TIMEOUT(
        m_server->requests, (QStringList{QStringLiteral("/GIFS/WCWV.JPG"), QStringLiteral("/GIFS/NHIR.JPG")}),
        wait);
    QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), QStringLiteral("Satalite Image for US Region"), wait);
}

void TestFrmBrowser::enlargingMovesBottomRowAndGrowsPicture()
{
    open(m_server->host());
    QWidget* controls[] = {viewer(), child<QPushButton>("cmdExit"), child<QRadioButton>("optWV"),
                           child<QRadioButton>("optIR"), child<QRadioButton>("optVI")};
    QRect before[5];
    for (int i = 0; i < 5; ++i)
        before[i] = controls[i]->geometry();

    // 1000 twips is 66.7 pixels, so the window grows by the 67 that Twips gives.
    const int grow = Twips::toPixels(1000);
    m_window->resize(m_window->size() + QSize(grow, grow));

    QCOMPARE(controls[0]->geometry(), before[0].adjusted(0, 0, grow, grow));
    QCOMPARE(controls[1]->geometry(), before[1].translated(0, grow).adjusted(0, 0, grow, 0));
    for (int i = 2; i < 5; ++i)
        QCOMPARE(controls[i]->geometry(), before[i].translated(0, grow));
}

void TestFrmBrowser::shrinkingBelowMarginsClampsAtZero_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QSize>("viewerSize");
    QTest::addColumn<int>("exitTop");
    QTest::addColumn<int>("exitWidth");
    QTest::addColumn<int>("optionTop");

    // Sizes in pixels; the margins are 225 x 1200 twips (15 x 80 pixels).
    QTest::newRow("narrower than the exit margin") << QSize(10, 300) << QSize(9, 220) << 270 << 0 << 240;
    QTest::newRow("lower than the picture margin") << QSize(300, 40) << QSize(299, 0) << 10 << 285 << 0;
    QTest::newRow("almost nothing") << QSize(1, 1) << QSize(0, 0) << 0 << 0 << 0;
}

void TestFrmBrowser::shrinkingBelowMarginsClampsAtZero()
{
    QFETCH(QSize, size);
    QFETCH(QSize, viewerSize);
    QFETCH(int, exitTop);
    QFETCH(int, exitWidth);
    QFETCH(int, optionTop);

    m_store->set(SettingsKeys::Region, QStringLiteral("West"));
    open(m_server->host());
    const QRect designExit = child<QPushButton>("cmdExit")->geometry();
    m_window->resize(size);
    QCOMPARE(m_window->size(), size);

    QCOMPARE(viewer()->size(), viewerSize);
    QCOMPARE(child<QPushButton>("cmdExit")->geometry(), QRect(8, exitTop, exitWidth, 25));
    for (const char* name : {"optWV", "optIR", "optVI"})
        QCOMPARE(child<QRadioButton>(name)->y(), optionTop);

    // Still alive and working: the layout comes back and a click loads.
    m_window->resize(Twips::size(10395, 8460));
    QCOMPARE(child<QPushButton>("cmdExit")->geometry(), designExit);
    click("optIR");
    QTRY_VERIFY_WITH_TIMEOUT(m_server->requests.contains(QStringLiteral("/GIFS/WCIR.JPG")), wait);
}

void TestFrmBrowser::failedPictureLeavesWindowUsable_data()
{
    QTest::addColumn<bool>("refused");
    QTest::newRow("not found") << false;
    QTest::newRow("connection refused") << true;
}

void TestFrmBrowser::failedPictureLeavesWindowUsable()
{
    QFETCH(bool, refused);

    m_store->set(SettingsKeys::Region, QStringLiteral("West"));
    m_server->serve(QStringLiteral("/GIFS/WCWV.JPG"), {404, "text/html", "<html>gone</html>"});
    open(refused ? closedPortHost() : m_server->host());
    QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), westTitle, wait);
    QTRY_VERIFY_WITH_TIMEOUT(!child<QTimer>("timTimer")->isActive(), wait);
    QVERIFY(viewer()->picture().isNull());
    QVERIFY(viewer()->failureText().startsWith(QStringLiteral("The picture could not be loaded.")));

    click("optIR");
    QCOMPARE(viewer()->currentUrl().path(), QStringLiteral("/GIFS/WCIR.JPG"));
    QTRY_VERIFY_WITH_TIMEOUT(!child<QTimer>("timTimer")->isActive(), wait);
    QCOMPARE(m_window->windowTitle(), westTitle);
    QCOMPARE(viewer()->picture().isNull(), refused);
}

void TestFrmBrowser::closingBringsMainWindowBack_data()
{
    QTest::addColumn<QString>("closer");
    QTest::addColumn<bool>("whileLoading");

    for (const char* closer : {"exit button", "close box", "Escape"}) {
        QTest::newRow(closer) << QString::fromLatin1(closer) << false;
        QTest::addRow("%s while a picture loads", closer) << QString::fromLatin1(closer) << true;
    }
}

void TestFrmBrowser::closingBringsMainWindowBack()
{
    QFETCH(QString, closer);
    QFETCH(bool, whileLoading);

    QWidget mainWindow;
    m_store->set(SettingsKeys::Region, QStringLiteral("West"));
    if (whileLoading)
        m_server->hold(QStringLiteral("/GIFS/WCWV.JPG"));
    open(m_server->host());
    connect(m_window, &frmBrowser::closed, &mainWindow, &QWidget::show);
    QSignalSpy closed(m_window.data(), &frmBrowser::closed);
    if (whileLoading)
        QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), QStringLiteral("Working..."), wait);
    else
        QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), westTitle, wait);

    if (closer == QLatin1String("close box")) {
        // What the window system delivers when the close box is pressed.
        QCloseEvent event;
        QCoreApplication::sendEvent(m_window->windowHandle(), &event);
    } else if (closer == QLatin1String("Escape")) {
        QApplication::setActiveWindow(m_window);
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        // Wherever the focus is: the picture first in the tab order, or a
        // channel button.
        QWidget* focus = whileLoading ? static_cast<QWidget*>(viewer()) : child<QRadioButton>("optIR");
        focus->setFocus();
        QTRY_VERIFY(focus->hasFocus());
        QTest::keyClick(focus, Qt::Key_Escape);
    } else {
        QTest::mouseClick(child<QPushButton>("cmdExit"), Qt::LeftButton);
    }

    QCOMPARE(closed.count(), 1);
    QVERIFY(mainWindow.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(m_window.isNull(), wait);
    if (whileLoading) {
        QTRY_COMPARE_WITH_TIMEOUT(m_server->dropped, 1, wait);
        m_server->release(QStringLiteral("/GIFS/WCWV.JPG"));
    }
}

QTEST_MAIN(TestFrmBrowser)
#include "tst_frmbrowser.moc"
