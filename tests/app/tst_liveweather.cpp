// The program on today's weather service formats, offline: the live layer's
// address templates pointed at the sample server's live mode, which serves
// decoded observations, zone forecast products and pictures as the service
// does. What the window and the viewer show is checked against the fixture
// files themselves.
#include "FakeColorDialog.h"
#include "FakeNotifier.h"
#include "FirstStart.h"
#include "LiveWeatherSource.h"
#include "ManualClock.h"
#include "MemorySettingsStore.h"
#include "Network.h"
#include "PictureViewer.h"
#include "QtTrayIcons.h"
#include "SampleServer.h"
#include "SettingsKeys.h"
#include "SkyClasses.h"
#include "TrayDesign.h"
#include "ZoneDirectory.h"
#include "frmBrowser.h"
#include "frmForecast.h"

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

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
    void forecastOfTheStationsOwnZone_data();
    void forecastOfTheStationsOwnZone();
    void storedZoneOfAnotherServiceIsAskedAgain_data();
    void storedZoneOfAnotherServiceIsAskedAgain();
    void remarksStayOutOfTheIcons();
    void unchangedAnswersComeFromTheCache_data();
    void unchangedAnswersComeFromTheCache();
    void timedRefreshWaitsOutAPause();
    void alertsOfTheStationsZone_data();
    void alertsOfTheStationsZone();
    void viewerShowsEveryPicture_data();
    void viewerShowsEveryPicture();

private:
    struct Rig
    {
        explicit Rig(const SourceTemplates& templates, const QString& cityCode,
                     const QString& folder = QString())
            : cacheFolder(folder.isEmpty() ? cacheDir.path() : folder),
              // Pauses before a retry short enough for a test.
              network(NetworkLimits{
                  .retryPauses = {std::chrono::milliseconds(10), std::chrono::milliseconds(30)}}),
              tray(trayDesign()), source(network, templates, this->cacheFolder)
        {
            network.useCache(this->cacheFolder + QStringLiteral("/http"), 16 * 1024 * 1024);
            tray.setTrayAvailableOverride(true);
            InitializeSettings(store, QSizeF(12000, 9000), QSizeF(7350, 4065), QStringLiteral("100"));
            store.set(SettingsKeys::CityCode, cityCode);
            store.set(SettingsKeys::State, cityCode.right(2).toLower());
            window = std::make_unique<frmForecast>(
                frmForecast::Services{store, source, network, tray, colours, notifier,
                                      [this](const QString& path) { return source.pictureAddress(path); },
                                      nullptr, &clock},
                std::chrono::hours(1));
            finished = std::make_unique<QSignalSpy>(window.get(), &frmForecast::refreshFinished);
            window->Form_Load();
        }

        bool refresh()
        {
            const qsizetype before = finished->size();
            QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("cmdGetForecast")),
                              Qt::LeftButton);
            return QTest::qWaitFor([this, before] { return finished->size() > before; }, 20000);
        }
        // A refresh the timer makes: the interval's worth of ticks.
        bool timedRefresh()
        {
            const qsizetype before = finished->size();
            for (int tick = 0; tick < window->updateMinutes(); ++tick)
                window->Timer1_Timer();
            return QTest::qWaitFor([this, before] { return finished->size() > before; }, 20000);
        }
        QString tip(const char* name) const
        {
            return window->findChild<QWidget*>(QString::fromLatin1(name))->toolTip();
        }
        QString forecast() const
        {
            return window->findChild<QPlainTextEdit*>(QStringLiteral("Text3"))->toPlainText();
        }
        QString label(const char* name) const
        {
            return window->findChild<QLabel*>(QString::fromLatin1(name))->text();
        }

        QTemporaryDir cacheDir;
        const QString cacheFolder;
        // While the alert fixtures are in effect: 11 AM in Denver.
        ManualClock clock{QDateTime(QDate(2026, 12, 7), QTime(18, 0), QTimeZone::utc())};
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
    // The product's own heading (no transmission lines), then the station's
    // own zone, and nothing after that zone's end.
    const QStringList lines = forecast.split(QLatin1Char('\n'));
    QCOMPARE(lines.value(0), QStringLiteral("Zone Forecast Product for Colorado"));
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
    QTest::addColumn<int>("requests");   // the server saw: a 500 is asked again twice, a 404 never
    QTest::newRow("a station the service does not know")
        << QStringLiteral("XYZ         NOWHERE, CO") << SampleServer::Fault::None << QStringLiteral("404")
        << 1;
    QTest::newRow("the service answers with an error")
        << FirstStart::cityCode << SampleServer::Fault::ServerError
        << QStringLiteral("it answered 500 Internal Server Error") << 3;
    QTest::newRow("the service cannot be reached")
        << FirstStart::cityCode << SampleServer::Fault::Refuse << QStringLiteral("refused") << 0;
}

void TestLiveWeather::endsAsSpecified()
{
    QFETCH(QString, cityCode);
    QFETCH(SampleServer::Fault, fault);
    QFETCH(QString, reason);
    QFETCH(int, requests);
    m_server.setFault(fault);
    Rig rig(m_templates, cityCode);
    const qsizetype before = m_server.requestedPaths().size();
    QVERIFY(rig.refresh());
    m_server.setFault(SampleServer::Fault::None);
    QCOMPARE(m_server.requestedPaths().size() - before, requests);

    QCOMPARE(rig.label("lblCity"), QStringLiteral(" Unavailable"));
    for (const char* name :
         {"lblTemp", "lblHumidity", "lblDew", "lblPressure", "lblWind", "lblVisibility", "lblConditions"})
        QCOMPARE(rig.label(name), QString());
    QVERIFY(rig.window->findChild<QPlainTextEdit*>(QStringLiteral("Text3"))->toPlainText().isEmpty());
    const QString tip = rig.window->findChild<QLabel*>(QStringLiteral("lblCity"))->toolTip();
    QVERIFY2(tip.contains(reason, Qt::CaseInsensitive), qPrintable(tip));
    QCOMPARE(rig.label("lblStatus"), QStringLiteral("  Idle"));
}

// The values come, but the station's office has no forecast to give: the
// box says so in the program's words, naming what the office answered.
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
    QVERIFY2(forecast.contains(QStringLiteral("gave no zone forecast for zone COZ039: BOU: 404 Not Found")),
             qPrintable(forecast));
}

void TestLiveWeather::forecastOfTheStationsOwnZone_data()
{
    QTest::addColumn<QString>("cityCode");
    QTest::addColumn<bool>("records"); // the service's station and zone records can be had
    QTest::addColumn<QString>("zoneName");
    QTest::addColumn<QString>("tip");           // in the forecast box's tooltip
    QTest::addColumn<int>("products");          // how many offices' products were asked
    QTest::addColumn<QString>("observationOf"); // whose observation is served, when not the station's
    // The first group named after the island is another zone's: only the
    // records find Kahului's.
    QTest::newRow("Kahului by its records")
        << QStringLiteral("OGG         MAUI, HI") << true << QStringLiteral("Maui Central Valley North-")
        << QStringLiteral("Zone HIZ045 (Maui Central Valley North), from the zone forecast of HFO") << 1
        << QString();
    QTest::newRow("records not to be had: by name, said so")
        << QStringLiteral("OGG         MAUI, HI") << false << QStringLiteral("Maui Windward West-")
        << QStringLiteral(
               "Found by the station's name in the zone forecast of HFO; its own zone could not be found: "
               "the station record of PHOG could not be had: 404 Not Found")
        << 1 << QString();
    // Named nowhere: the forecasts searched, and the one not had, are told
    // apart.
    QTest::newRow("records not to be had, and no forecast names the city")
        << QStringLiteral("AKO         AKRON, CO") << false
        << QStringLiteral("Rocky Mountain National Park and the Medicine Bow Range-")
        << QStringLiteral(
               "No zone in the forecasts of BOU, GJT, PUB names AKRON, CO, so the first zone of BOU is "
               "shown (not had: GLD: 404 Not Found (No ZFP product for location GLD)); the station's own "
               "zone could not be found: the station record of KAKO could not be had: 404 Not Found")
        << 4 << QStringLiteral("KDEN");
    QTest::newRow("Anchorage, whose office issues under another name")
        << QStringLiteral("ANC         ANCHORAGE, AK") << true << QStringLiteral("Anchorage-")
        << QStringLiteral("Zone AKZ101 (Anchorage), from the zone forecast of AER") << 1 << QString();
    QTest::newRow("outside the service's area")
        << QStringLiteral("CUN         CANCUN, MEXICO") << true << QString()
        << QStringLiteral("CANCUN, MEXICO lies outside the US weather service's area") << 0 << QString();
}

void TestLiveWeather::forecastOfTheStationsOwnZone()
{
    QFETCH(QString, cityCode);
    QFETCH(bool, records);
    QFETCH(QString, zoneName);
    QFETCH(QString, tip);
    QFETCH(int, products);
    QFETCH(QString, observationOf);
    SourceTemplates templates = m_templates;
    if (!records)
        templates.station.replace(QStringLiteral("/stations/"), QStringLiteral("/no-such-records/"));
    // The forecast is asked only after an observation: a station without
    // one among the fixtures is given another's.
    if (!observationOf.isEmpty())
        templates.observation.replace(QStringLiteral("{station}.TXT"),
                                      observationOf + QStringLiteral(".TXT"));
    Rig rig(templates, cityCode);
    const qsizetype before = m_server.requestedPaths().size();
    QVERIFY(rig.refresh());
    const QStringList paths = m_server.requestedPaths().mid(before);
    QCOMPARE(rig.tip("Text3"), tip);
    // With the records, only the zone office's product is asked, not every office of the state's.
    QCOMPARE(paths.filter(QStringLiteral("/products/")).size(), products);
    if (zoneName.isEmpty()) {
        // No neighbour's forecast: nothing was asked of the forecasts.
        QVERIFY2(
            rig.forecast().startsWith(QStringLiteral("The US National Weather Service has no forecast for "
                                                     "CANCUN, MEXICO")),
            qPrintable(rig.forecast()));
        return;
    }
    const QStringList lines = rig.forecast().split(QLatin1Char('\n'));
    QCOMPARE(lines.value(0), lines.value(0).startsWith(QStringLiteral("Zone Forecast Product for "))
                                 ? lines.value(0)
                                 : QStringLiteral("(the product's name)"));
    QVERIFY2(lines.contains(zoneName), qPrintable(rig.forecast()));
}

void TestLiveWeather::storedZoneOfAnotherServiceIsAskedAgain_data()
{
    QTest::addColumn<QString>("storedBy"); // the records' addresses the stored zone came from
    QTest::addColumn<QString>("zone");     // the zone then shown
    // Kahului stored under the neighbouring zone: this server's own entry is
    // trusted for its month, another service's is not, nor one from before
    // the entries named their service.
    QTest::newRow("stored for this server")
        << m_templates.recordsSource() << QStringLiteral("HIZ017 (Maui Windward West)");
    QTest::newRow("stored for the real service") << SourceTemplates::defaults().recordsSource()
                                                 << QStringLiteral("HIZ045 (Maui Central Valley North)");
    QTest::newRow("stored naming no service")
        << QString() << QStringLiteral("HIZ045 (Maui Central Valley North)");
}

void TestLiveWeather::storedZoneOfAnotherServiceIsAskedAgain()
{
    QFETCH(QString, storedBy);
    QFETCH(QString, zone);
    QTemporaryDir folder;
    ZoneDirectory(folder.path(), storedBy)
        .store(QStringLiteral("PHOG"), {QStringLiteral("HIZ017"),
                                        QStringLiteral("Maui Windward West"),
                                        {QStringLiteral("HFO")},
                                        QDateTime::currentDateTimeUtc()});
    Rig rig(m_templates, QStringLiteral("OGG         MAUI, HI"), folder.path());
    const qsizetype asked = m_server.requestedPaths().size();
    QVERIFY(rig.refresh());
    QCOMPARE(rig.tip("Text3"), QStringLiteral("Zone %1, from the zone forecast of HFO").arg(zone));
    const bool trusted = zone.startsWith(QStringLiteral("HIZ017"));
    QCOMPARE(m_server.requestedPaths().mid(asked).filter(QStringLiteral("/stations/PHOG")).size(),
             trusted ? 0 : 1);
}

// Snow on the ground under a clear sky shows the clear sky; the remark and
// how cold it feels are in the labels' tooltips.
void TestLiveWeather::remarksStayOutOfTheIcons()
{
    Rig rig(m_templates, QStringLiteral("MSN         MADISON, WI"));
    QVERIFY(rig.refresh());
    QCOMPARE(rig.label("lblConditions"), QStringLiteral(" clear"));
    QCOMPARE(rig.tip("lblConditions"), QStringLiteral("5 inches of snow on ground"));
    QCOMPARE(rig.tip("lblTemp"), QStringLiteral("Feels like 0 F (-18 C)"));
    QStringList shown;
    for (int index = 0; index < rig.tray.count(); ++index) {
        if (rig.tray.intray(index))
            shown.append(QString::number(index));
    }
    QCOMPARE(shown, QStringList{QString::number(SkyClasses::ClearOrSun)});
}

void TestLiveWeather::unchangedAnswersComeFromTheCache_data()
{
    QTest::addColumn<bool>("cacheUsable");
    QTest::newRow("cache folder at hand") << true;
    // A file where the folder should be: nothing can be kept, and the
    // program works as it would without a cache.
    QTest::newRow("cache folder that cannot be written") << false;
}

// A second refresh of unchanged answers asks whether they changed, and
// shows what it has when the service says they did not.
void TestLiveWeather::unchangedAnswersComeFromTheCache()
{
    QFETCH(bool, cacheUsable);
    QTemporaryDir blocked;
    QString folder;
    if (!cacheUsable) {
        folder = blocked.filePath(QStringLiteral("cache"));
        QFile file(folder);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    Rig rig(m_templates, FirstStart::cityCode, folder);
    QVERIFY(rig.refresh());
    const QString forecast = rig.forecast();
    QVERIFY(forecast.contains(QStringLiteral("COZ039")));
    const qsizetype asked = m_server.requestHeads().size();
    QVERIFY(rig.refresh());
    QCOMPARE(rig.forecast(), forecast);
    QCOMPARE(rig.label("lblTemp"), QStringLiteral(" 30.0 F (-1.1 C)"));
    const QList<QByteArray> heads = m_server.requestHeads().mid(asked);
    QVERIFY(!heads.isEmpty());
    for (const QByteArray& head : heads) {
        QCOMPARE(head.contains("If-None-Match: \""), cacheUsable);
        // Every request to the API names the media type it wants.
        if (head.contains("/products/"))
            QVERIFY2(head.contains("Accept: application/ld+json"), head.constData());
        if (head.contains("/stations/") || head.contains("/zones/") || head.contains("/alerts/"))
            QVERIFY2(head.contains("Accept: application/geo+json"), head.constData());
    }
    // The zone learnt at the first refresh is not asked again: the
    // observation, the one product and the zone's alerts only.
    QCOMPARE(heads.size(), 3);
}

// After the service asked for a pause, a timed refresh leaves what is on
// show and asks nothing until the pause is over; the status line's tooltip
// says so.
void TestLiveWeather::timedRefreshWaitsOutAPause()
{
    m_server.setRetryAfter(120);
    Rig rig(m_templates, FirstStart::cityCode);
    rig.store.set(SettingsKeys::Update, QStringLiteral("1"));
    rig.window->Form_Load();
    m_server.setFault(SampleServer::Fault::TooManyRequests);
    QVERIFY(rig.refresh());
    QCOMPARE(rig.label("lblCity"), QStringLiteral(" Unavailable"));
    QVERIFY2(rig.tip("lblCity").contains(QStringLiteral("429")), qPrintable(rig.tip("lblCity")));
    const qsizetype asked = m_server.requestedPaths().size();
    QVERIFY(rig.timedRefresh());
    m_server.setFault(SampleServer::Fault::None);
    QCOMPARE(m_server.requestedPaths().size(), asked);
    QCOMPARE(rig.label("lblCity"), QStringLiteral(" Unavailable"));
    QVERIFY2(rig.tip("lblStatus").contains(QStringLiteral("asked for a pause")),
             qPrintable(rig.tip("lblStatus")));
    QCOMPARE(rig.label("lblStatus"), QStringLiteral("  Idle"));
    // A refresh the user asks for is not held.
    QVERIFY(rig.refresh());
    QCOMPARE(rig.label("lblTemp"), QStringLiteral(" 30.0 F (-1.1 C)"));
}

void TestLiveWeather::alertsOfTheStationsZone_data()
{
    QTest::addColumn<QString>("cityCode");
    QTest::addColumn<QString>("alerts"); // what the sample server answers for Denver's zone
    QTest::addColumn<QStringList>("told");
    QTest::newRow("a warning in Denver's zone") << FirstStart::cityCode << QStringLiteral("one")
                                                << QStringList{QStringLiteral("Winter Storm Warning")};
    QTest::newRow("a zone without alerts")
        << QStringLiteral("PUB         PUEBLO, CO") << QStringLiteral("one") << QStringList();
    // The weather comes as always; the failure, asked three times, is only
    // logged.
    QTest::newRow("the alert request failing")
        << FirstStart::cityCode << QStringLiteral("fail") << QStringList();
}

// The alerts of the station's own zone, asked at each refresh by the zone
// its forecast found: told once, and in sight at the head of the
// location's tooltip.
void TestLiveWeather::alertsOfTheStationsZone()
{
    QFETCH(QString, cityCode);
    QFETCH(QString, alerts);
    QFETCH(QStringList, told);
    m_server.setAlerts(alerts);
    Rig rig(m_templates, cityCode);
    const qsizetype asked = m_server.requestHeads().size();
    QVERIFY(rig.refresh());
    QVERIFY(rig.refresh());
    m_server.setAlerts(QStringLiteral("one"));

    QStringList summaries;
    for (const Notifier::Notification& notification : rig.notifier.notifications)
        summaries.append(notification.summary);
    QCOMPARE(summaries, told);
    QCOMPARE(rig.tip("lblCity").startsWith(QStringLiteral("Winter Storm Warning until 6 PM MST Tue\n")),
             !told.isEmpty());
    QVERIFY(rig.label("lblTemp").startsWith(QLatin1Char(' ')) && rig.label("lblTemp").size() > 1);
    QVERIFY(rig.forecast().contains(QStringLiteral(".TODAY")) ||
            rig.forecast().contains(QStringLiteral(".TONIGHT")));
    QCOMPARE(rig.label("lblStatus"), QStringLiteral("  Idle"));
    const QList<QByteArray> alertRequests = [&] {
        QList<QByteArray> found;
        for (const QByteArray& head : m_server.requestHeads().mid(asked)) {
            if (head.contains("/alerts/active/zone/"))
                found.append(head);
        }
        return found;
    }();
    QCOMPARE(alertRequests.size(), alerts == QLatin1String("fail") ? 6 : 2);
    QVERIFY2(alertRequests.first().contains("Accept: application/geo+json"),
             alertRequests.first().constData());
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
