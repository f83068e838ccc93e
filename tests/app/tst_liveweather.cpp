// The program on today's weather service formats, offline: the live layer's
// address templates pointed at the sample server's live mode, which serves
// decoded observations, zone forecast products and pictures as the service
// does. What the window and the viewer show is checked against the fixture
// files themselves.
#include "FakeColorDialog.h"
#include "FakeNotifier.h"
#include "FirstStart.h"
#include "LiveWeatherSource.h"
#include "MemorySettingsStore.h"
#include "Network.h"
#include "PictureViewer.h"
#include "QtTrayIcons.h"
#include "SampleServer.h"
#include "SettingsKeys.h"
#include "SkyClasses.h"
#include "TrayDesign.h"
#include "frmBrowser.h"
#include "frmForecast.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

class TestLiveWeather : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void refreshShowsTheServiceWords_data();
    void refreshShowsTheServiceWords();
    void endsAsSpecified_data();
    void endsAsSpecified();
    void noOfficeHasAForecast();
    void viewerShowsEveryPicture_data();
    void viewerShowsEveryPicture();

private:
    struct Rig
    {
        explicit Rig(const SourceTemplates& templates, const QString& cityCode)
            : tray(trayDesign()), source(network, templates)
        {
            tray.setTrayAvailableOverride(true);
            InitializeSettings(store, QSizeF(12000, 9000), QSizeF(7350, 4065), QStringLiteral("100"));
            store.set(SettingsKeys::CityCode, cityCode);
            store.set(SettingsKeys::State, cityCode.right(2).toLower());
            window = std::make_unique<frmForecast>(
                frmForecast::Services{store, source, network, tray, colours, notifier,
                                      [this](const QString& path) { return source.pictureAddress(path); }},
                std::chrono::hours(1));
            finished = std::make_unique<QSignalSpy>(window.get(), &frmForecast::refreshFinished);
            window->Form_Load();
        }

        bool refresh()
        {
            QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("cmdGetForecast")),
                              Qt::LeftButton);
            return QTest::qWaitFor([this] { return !finished->isEmpty(); }, 20000);
        }
        QString label(const char* name) const
        {
            return window->findChild<QLabel*>(QString::fromLatin1(name))->text();
        }

        MemorySettingsStore store;
        Network network;
        QtTrayIcons tray;
        FakeColorDialog colours;
        FakeNotifier notifier;
        LiveWeatherSource source;
        std::unique_ptr<frmForecast> window;
        std::unique_ptr<QSignalSpy> finished;
    };

    SampleServer m_server;
    SourceTemplates m_templates;
};

void TestLiveWeather::initTestCase()
{
    m_server.setLive(true);
    QVERIFY(m_server.listen());
    m_templates = m_server.liveTemplates();
}

void TestLiveWeather::refreshShowsTheServiceWords_data()
{
    QTest::addColumn<QString>("cityCode");
    QTest::addColumn<QStringList>("values"); // city, temp, humidity, dew, pressure, wind, visibility, sky
    QTest::addColumn<QStringList>("trayIcons");
    QTest::addColumn<QString>("zoneFirst");

    // Each value as tests/data/live/observations/KDEN.TXT words it, less the
    // trailing ":0".
    QTest::newRow("Denver")
        << FirstStart::cityCode
        << QStringList{QStringLiteral(
                           "Denver International Airport, CO, United States (KDEN) 39-50N 104-39W 1640M"),
                       QStringLiteral("30.0 F (-1.1 C)"),
                       QStringLiteral("71%"),
                       QStringLiteral("21.9 F (-5.6 C)"),
                       QStringLiteral("30.12 in. Hg (1020 hPa)"),
                       QStringLiteral("from the NNE (030 degrees) at 7 MPH (6 KT)"),
                       QStringLiteral("10 mile(s)"),
                       QStringLiteral("partly cloudy")}
        << QStringList{QString::number(SkyClasses::Cloud)} << QStringLiteral("COZ039-080000-");
    // KSKX.TXT lacks visibility, sky, dew point and humidity: empty, never
    // invented. No sky words: the start-up icon stands in.
    QTest::newRow("Taos, values missing")
        << QStringLiteral("E23         TAOS, NM")
        << QStringList{QStringLiteral("Taos Regional Airport, NM, United States (KSKX) 36-27N 105-40W 2163M"),
                       QStringLiteral("27 F (-3 C)"),
                       QString(),
                       QString(),
                       QStringLiteral("30.21 in. Hg (1023 hPa)"),
                       QStringLiteral("from the W (270 degrees) at 12 MPH (10 KT) gusting to 23 MPH (20 KT)"),
                       QString(),
                       QString()}
        << QStringList{QString::number(SkyClasses::StartUp)} << QString();
}

void TestLiveWeather::refreshShowsTheServiceWords()
{
    QFETCH(QString, cityCode);
    QFETCH(QStringList, values);
    QFETCH(QStringList, trayIcons);
    QFETCH(QString, zoneFirst);
    Rig rig(m_templates, cityCode);
    QSignalSpy statuses(rig.window.get(), &frmForecast::statusShown);
    QVERIFY(rig.refresh());

    const char* labels[] = {"lblCity",     "lblTemp", "lblHumidity",   "lblDew",
                            "lblPressure", "lblWind", "lblVisibility", "lblConditions"};
    for (int i = 0; i < 8; ++i)
        QCOMPARE(rig.label(labels[i]), QLatin1Char(' ') + values[i]);
    QStringList shown;
    for (int index = 0; index < rig.tray.count(); ++index) {
        if (rig.tray.intray(index))
            shown.append(QString::number(index));
    }
    QCOMPARE(shown, trayIcons);
    // The status line named the host actually contacted, for each page.
    QCOMPARE(statuses.first().first().toString(),
             QStringLiteral("  Attempting connection to ") + m_server.host());
    QCOMPARE(statuses.at(3).first().toString(),
             QStringLiteral("  Attempting connection to ") + m_server.host());
    QCOMPARE(rig.label("lblStatus"), QStringLiteral("  Idle"));

    const QString forecast = rig.window->findChild<QPlainTextEdit*>(QStringLiteral("Text3"))->toPlainText();
    if (zoneFirst.isEmpty()) {
        QVERIFY2(forecast.contains(QStringLiteral(".TODAY")), qPrintable(forecast));
        return;
    }
    // The office's heading, then the station's own zone, and nothing after
    // that zone's end.
    const QStringList lines = forecast.split(QLatin1Char('\n'));
    QVERIFY2(lines.value(0).startsWith(QStringLiteral("FPUS5")), qPrintable(lines.value(0)));
    const qsizetype zone = lines.indexOf(zoneFirst);
    QVERIFY2(zone > 0, qPrintable(forecast));
    QVERIFY(lines.mid(zone).join(QLatin1Char('\n')).contains(QStringLiteral("INCLUDING Denver")));
    QCOMPARE(forecast.count(QStringLiteral("-080000-")), 1);
    QVERIFY(!forecast.contains(QStringLiteral("$$")));
}

void TestLiveWeather::endsAsSpecified_data()
{
    QTest::addColumn<QString>("cityCode");
    QTest::addColumn<SampleServer::Fault>("fault");
    QTest::addColumn<QString>("reason"); // in the " Unavailable" label's tooltip
    QTest::newRow("a station the service does not know")
        << QStringLiteral("XYZ         NOWHERE, CO") << SampleServer::Fault::None << QStringLiteral("404");
    QTest::newRow("the service answers with an error")
        << FirstStart::cityCode << SampleServer::Fault::ServerError << QStringLiteral("500");
    QTest::newRow("the service cannot be reached")
        << FirstStart::cityCode << SampleServer::Fault::Refuse << QStringLiteral("refused");
}

void TestLiveWeather::endsAsSpecified()
{
    QFETCH(QString, cityCode);
    QFETCH(SampleServer::Fault, fault);
    QFETCH(QString, reason);
    m_server.setFault(fault);
    Rig rig(m_templates, cityCode);
    QVERIFY(rig.refresh());
    m_server.setFault(SampleServer::Fault::None);

    QCOMPARE(rig.label("lblCity"), QStringLiteral(" Unavailable"));
    for (const char* name :
         {"lblTemp", "lblHumidity", "lblDew", "lblPressure", "lblWind", "lblVisibility", "lblConditions"})
        QCOMPARE(rig.label(name), QString());
    QVERIFY(rig.window->findChild<QPlainTextEdit*>(QStringLiteral("Text3"))->toPlainText().isEmpty());
    const QString tip = rig.window->findChild<QLabel*>(QStringLiteral("lblCity"))->toolTip();
    QVERIFY2(tip.contains(reason, Qt::CaseInsensitive), qPrintable(tip));
    QCOMPARE(rig.label("lblStatus"), QStringLiteral("  Idle"));
}

// The values come, but no office of the state has a forecast to give: the
// box says so in the program's words, naming what each office answered.
void TestLiveWeather::noOfficeHasAForecast()
{
    SourceTemplates templates = m_templates;
    templates.zoneForecast.replace(QStringLiteral("/latest"), QStringLiteral("/none"));
    Rig rig(templates, FirstStart::cityCode);
    QVERIFY(rig.refresh());
    QCOMPARE(rig.label("lblTemp"), QStringLiteral(" 30.0 F (-1.1 C)"));
    const QString forecast = rig.window->findChild<QPlainTextEdit*>(QStringLiteral("Text3"))->toPlainText();
    QVERIFY2(forecast.startsWith(QStringLiteral("Error Recieving State Forecast Data")),
             qPrintable(forecast));
    QVERIFY2(forecast.contains(QStringLiteral("gave no zone forecast (BOU: 404")), qPrintable(forecast));
}

void TestLiveWeather::viewerShowsEveryPicture_data()
{
    QTest::addColumn<QString>("region");
    QTest::addColumn<QString>("channel");
    for (const char* region : {"East", "West", "US"})
        for (const char* channel : {"optWV", "optIR", "optVI"})
            QTest::newRow(
                qPrintable(QStringLiteral("%1 %2").arg(QLatin1String(region), QLatin1String(channel))))
                << QString::fromLatin1(region) << QString::fromLatin1(channel);
}

void TestLiveWeather::viewerShowsEveryPicture()
{
    QFETCH(QString, region);
    QFETCH(QString, channel);
    Network network;
    LiveWeatherSource source(network, m_templates);
    auto* viewer = new frmBrowser([region] { return region; }, network,
                                  [&source](const QString& path) { return source.pictureAddress(path); });
    const QPointer<frmBrowser> window(viewer);
    viewer->Form_Load();
    auto* picture = viewer->findChild<PictureViewer*>(QStringLiteral("brwWebBrowser"));
    QTRY_VERIFY_WITH_TIMEOUT(!picture->Busy(), 20000);
    if (channel != QLatin1String("optWV")) {
        viewer->findChild<QRadioButton*>(channel)->click();
        QTRY_VERIFY_WITH_TIMEOUT(!picture->Busy(), 20000);
    }
    QVERIFY2(picture->failureText().isEmpty(), qPrintable(picture->failureText()));
    QVERIFY(!picture->picture().isNull());
    // Each of the nine addresses has a picture of its own.
    QVERIFY2(picture->currentUrl().path().contains(
                 region == QLatin1String("West") ? QStringLiteral("GOES18") : QStringLiteral("GOES19")),
             qPrintable(picture->currentUrl().toString()));
    viewer->close();
    QTRY_VERIFY(window.isNull());
}

QTEST_MAIN(TestLiveWeather)
#include "tst_liveweather.moc"
