// The program on today's weather service formats, offline: the live layer's
// address templates pointed at the sample server's live mode, which serves
// decoded observations, zone forecast products and pictures as the service
// does. What the window and the viewer show is checked against the fixture
// files themselves.
#include "FakeColorDialog.h"
#include "FakeNotifier.h"
#include "ManualClock.h"
#include "MemorySettingsStore.h"
#include "app/ForecastSession.h"
#include "app/TrayDesign.h"
#include "app/frmForecast.h"
#include "live/LiveWeatherSource.h"
#include "live/ZoneDirectory.h"
#include "net/Network.h"
#include "net/SystemClock.h"
#include "satellite/PictureViewer.h"
#include "satellite/frmBrowser.h"
#include "settings/FirstStart.h"
#include "settings/SettingsKeys.h"
#include "shell/QtTrayIcons.h"
#include "support/SampleServer.h"
#include "weather/SkyClasses.h"

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
    void officesOfTheEntrysState();
    void storedZoneIsTrustedOnlyWhenSound_data();
    void storedZoneIsTrustedOnlyWhenSound();
    void remarksStayOutOfTheIcons();
    void locationNamesAStandInStation();
    void unchangedAnswersComeFromTheCache_data();
    void unchangedAnswersComeFromTheCache();
    void timedRefreshWaitsOutAPause();
    void alertsOfEveryAreaOfTheStation_data();
    void alertsOfEveryAreaOfTheStation();
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
            session =
                std::make_unique<ForecastSession>(ForecastSession::Services{store, source, notifier, clock});
            window = std::make_unique<frmForecast>(
                frmForecast::Services{store, *session, network, tray, colours,
                                      [this](const QString& path) { return source.pictureAddress(path); }});
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
            for (int tick = 0; tick < window->session().updateMinutes(); ++tick)
                window->session().Timer1_Timer();
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
        std::unique_ptr<ForecastSession> session;
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
    // Idle, unless a warning stands there: Denver's Winter Storm Warning.
    QCOMPARE(rig.label("lblStatus"), rig.tip("lblCity").startsWith(QStringLiteral("Winter Storm Warning"))
                                         ? QStringLiteral("  Winter Storm Warning until 6 PM MST Tue")
                                         : QStringLiteral("  Idle"));
    // The station named observed: the tooltip names no other.
    QVERIFY2(!rig.tip("lblCity").contains(QStringLiteral("Observed at")), qPrintable(rig.tip("lblCity")));

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

// Without the records, the offices of the state are asked: Montana's for
// West Yellowstone, though an older entry stored Wyoming.
void TestLiveWeather::officesOfTheEntrysState()
{
    SourceTemplates templates = m_templates;
    templates.station.replace(QStringLiteral("/stations/"), QStringLiteral("/no-such-records/"));
    templates.observation.replace(QStringLiteral("{station}.TXT"), QStringLiteral("KDEN.TXT"));
    Rig rig(templates, QStringLiteral("WEY         WEST YELLOWSTONE, WY"));
    const qsizetype before = m_server.requestedPaths().size();
    QVERIFY(rig.refresh());
    const QString montana = QStringLiteral("/products/types/ZFP/locations/%1/latest");
    QCOMPARE(m_server.requestedPaths().mid(before).filter(QStringLiteral("/products/")),
             (QStringList{montana.arg("TFX"), montana.arg("BYZ"), montana.arg("GGW"), montana.arg("MSO")}));
}

void TestLiveWeather::storedZoneIsTrustedOnlyWhenSound_data()
{
    QTest::addColumn<QString>("storedBy"); // the records' addresses the stored zone came from
    QTest::addColumn<QString>("office");   // the office stored with it
    QTest::addColumn<QString>("zone");     // the zone shown after two refreshes
    QTest::addColumn<int>("recordsAsked"); // station records asked in those refreshes
    const QString own = m_templates.recordsSource();
    const QString windward = QStringLiteral("HIZ017 (Maui Windward West)");
    const QString central = QStringLiteral("HIZ045 (Maui Central Valley North)");
    // Kahului stored under the neighbouring zone: this server's own entry is
    // trusted for its month, another service's is not, nor one from before
    // the entries named their service.
    QTest::newRow("stored for this server") << own << QStringLiteral("HFO") << windward << 0;
    QTest::newRow("stored for the real service")
        << SourceTemplates::defaults().recordsSource() << QStringLiteral("HFO") << central << 1;
    QTest::newRow("stored naming no service") << QString() << QStringLiteral("HFO") << central << 1;
    // A code that could lead an address astray is not used, and an office
    // that gives no forecast is asked about again at the next refresh, not
    // a month on.
    QTest::newRow("stored with an office of no office's form") << own << QStringLiteral("..") << central << 1;
    QTest::newRow("stored with an office that gives no forecast")
        << own << QStringLiteral("GLD") << central << 1;
}

void TestLiveWeather::storedZoneIsTrustedOnlyWhenSound()
{
    QFETCH(QString, storedBy);
    QFETCH(QString, office);
    QFETCH(QString, zone);
    QFETCH(int, recordsAsked);
    QTemporaryDir folder;
    const SystemClock clock;
    ZoneDirectory(clock, folder.path(), storedBy)
        .store(QStringLiteral("PHOG"), {QStringLiteral("HIZ017"),
                                        QStringLiteral("Maui Windward West"),
                                        {office},
                                        QDateTime::currentDateTimeUtc(),
                                        QStringLiteral("HIC009"),
                                        QStringLiteral("HIZ017")});
    Rig rig(m_templates, QStringLiteral("OGG         MAUI, HI"), folder.path());
    const qsizetype asked = m_server.requestedPaths().size();
    QVERIFY(rig.refresh());
    QVERIFY(rig.refresh());
    QCOMPARE(rig.tip("Text3"), QStringLiteral("Zone %1, from the zone forecast of HFO").arg(zone));
    QCOMPARE(m_server.requestedPaths().mid(asked).filter(QStringLiteral("/stations/PHOG")).size(),
             recordsAsked);
    // A code of no office's form never reaches an address.
    QCOMPARE(m_server.requestedPaths().mid(asked).filter(QStringLiteral("..")).size(), 0);
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

// Utica's own station has been silent since 1997: Griffiss observes, and
// the location's tooltip says so below the time, as the minute timer
// renews it.
void TestLiveWeather::locationNamesAStandInStation()
{
    Rig rig(m_templates, QStringLiteral("UCA         UTICA, NY"));
    QVERIFY(rig.refresh());
    QCOMPARE(rig.label("lblCity"),
             QStringLiteral(" Griffiss Airfield, NY, United States (KRME) 43-13N 075-24W 154M"));
    const QString where = QStringLiteral(
        "\nObserved at Griffiss International Airport (KRME), 9 km from Utica's former station");
    QCOMPARE(rig.tip("lblCity"),
             QStringLiteral("Observed Dec 07, 2026 10:56 AM EST \u2014 2 hours ago") + where);
    rig.clock.moveWallClock(std::chrono::hours(1));
    rig.window->session().Timer1_Timer();
    QCOMPARE(rig.tip("lblCity"),
             QStringLiteral("Observed Dec 07, 2026 10:56 AM EST \u2014 3 hours ago") + where);
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

void TestLiveWeather::alertsOfEveryAreaOfTheStation_data()
{
    QTest::addColumn<QString>("cityCode");
    QTest::addColumn<QString>("alerts"); // the sample server's fixtures in force
    // The alerts template's path and query, when not the server's own; and
    // whether Denver's zone was kept before its county and fire weather zone
    // were, and if so whether its station record can be had now.
    QTest::addColumn<QString>("alertsPath");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<QString>("asked"); // what each alerts request asked for
    QTest::addColumn<QStringList>("told");
    QTest::addColumn<bool>("critical");
    QTest::addColumn<QString>("inSight"); // the location tooltip's first line, when any

    const QString all = QStringLiteral("/alerts/active?zone=COZ039,COC031,COZ239");
    const QString storm = QStringLiteral("Winter Storm Warning until 6 PM MST Tue");
    QTest::newRow("a warning of Denver's zone")
        << FirstStart::cityCode << QStringLiteral("one") << QString() << QString() << all
        << QStringList{QStringLiteral("Winter Storm Warning")} << true << storm;
    QTest::newRow("a zone without alerts")
        << QStringLiteral("PUB         PUEBLO, CO") << QStringLiteral("one,county,firezone") << QString()
        << QString() << QStringLiteral("/alerts/active?zone=COZ087,COC101,COZ228") << QStringList() << false
        << QString();
    // The weather comes as always; the failure, asked three times, is only
    // logged.
    QTest::newRow("the alert request failing") << FirstStart::cityCode << QStringLiteral("fail") << QString()
                                               << QString() << all << QStringList() << false << QString();
    // Storm warnings are filed under counties, never under forecast zones.
    QTest::newRow("a warning of Denver's county alone")
        << FirstStart::cityCode << QStringLiteral("county") << QString() << QString() << all
        << QStringList{QStringLiteral("Snow Squall Warning")} << true
        << QStringLiteral("Snow Squall Warning until 11:45 AM MST Mon");
    QTest::newRow("a Red Flag Warning of the fire weather zone")
        << FirstStart::cityCode << QStringLiteral("firezone") << QString() << QString() << all
        << QStringList{QStringLiteral("Red Flag Warning")} << true
        << QStringLiteral("Red Flag Warning until 5 PM MST Mon");
    QTest::newRow("one warning listed under two areas")
        << FirstStart::cityCode << QStringLiteral("twice") << QString() << QString() << all
        << QStringList{QStringLiteral("Winter Storm Warning")} << true << storm;
    QTest::newRow("a template naming the forecast zone alone")
        << FirstStart::cityCode << QStringLiteral("one,county")
        << QStringLiteral("/alerts/active/zone/{zone}") << QString()
        << QStringLiteral("/alerts/active/zone/COZ039") << QStringList{QStringLiteral("Winter Storm Warning")}
        << true << storm;
    QTest::newRow("kept without its county, the record had")
        << FirstStart::cityCode << QStringLiteral("county") << QString() << QStringLiteral("record had")
        << all << QStringList{QStringLiteral("Snow Squall Warning")} << true
        << QStringLiteral("Snow Squall Warning until 11:45 AM MST Mon");
    QTest::newRow("kept without its county, the record not had: the forecast zone alone")
        << FirstStart::cityCode << QStringLiteral("one,county") << QString()
        << QStringLiteral("record not had") << QStringLiteral("/alerts/active?zone=COZ039")
        << QStringList{QStringLiteral("Winter Storm Warning")} << true << storm;
}

// The alerts of every area that covers the station, its forecast zone,
// county and fire weather zone, asked at once at each refresh: each told
// once, the severe ones as critical, and in sight at the head of the
// location's tooltip.
void TestLiveWeather::alertsOfEveryAreaOfTheStation()
{
    QFETCH(QString, cityCode);
    QFETCH(QString, alerts);
    QFETCH(QString, alertsPath);
    QFETCH(QString, kept);
    QFETCH(QString, asked);
    QFETCH(QStringList, told);
    QFETCH(bool, critical);
    QFETCH(QString, inSight);
    SourceTemplates templates = m_templates;
    const QString base = QStringLiteral("http://") + m_server.host();
    if (!alertsPath.isEmpty())
        templates.alerts = base + alertsPath;
    QTemporaryDir folder;
    if (!kept.isEmpty()) {
        if (kept == QLatin1StringView("record not had"))
            templates.station = base + QStringLiteral("/no-such-records/{station}");
        ZoneDirectory::Entry denver{QStringLiteral("COZ039"),
                                    QStringLiteral("Denver"),
                                    {QStringLiteral("BOU")},
                                    QDateTime::currentDateTimeUtc()};
        denver.areasKnown = false;
        const SystemClock clock;
        ZoneDirectory(clock, folder.path(), templates.recordsSource()).store(QStringLiteral("KDEN"), denver);
    }
    m_server.setAlerts(alerts);
    Rig rig(templates, cityCode, folder.path());
    const qsizetype before = m_server.requestedPaths().size();
    QVERIFY(rig.refresh());
    QVERIFY(rig.refresh());
    m_server.setAlerts(QStringLiteral("one"));

    QStringList summaries;
    for (const Notifier::Notification& notification : rig.notifier.notifications) {
        summaries.append(notification.summary);
        QCOMPARE(notification.critical, critical);
    }
    QCOMPARE(summaries, told);
    const QStringList tip = rig.tip("lblCity").split(QLatin1Char('\n'));
    QCOMPARE(tip.first() == inSight, !inSight.isEmpty());
    QCOMPARE(tip.count(inSight), inSight.isEmpty() ? 0 : 1);
    QVERIFY(rig.label("lblTemp").startsWith(QLatin1Char(' ')) && rig.label("lblTemp").size() > 1);
    QVERIFY(rig.forecast().contains(QStringLiteral(".TODAY")) ||
            rig.forecast().contains(QStringLiteral(".TONIGHT")));
    // A warning in effect stands in the status line in place of "  Idle".
    QCOMPARE(rig.label("lblStatus"),
             inSight.isEmpty() ? QStringLiteral("  Idle") : QStringLiteral("  ") + inSight);
    const QStringList alertRequests =
        m_server.requestedPaths().mid(before).filter(QStringLiteral("/alerts/"));
    // A failing request is asked three times, at each of the two refreshes.
    QCOMPARE(alertRequests, QStringList(alerts == QLatin1StringView("fail") ? 6 : 2, asked));
    for (const QByteArray& head : m_server.requestHeads().mid(before)) {
        if (head.contains("/alerts/"))
            QVERIFY2(head.contains("Accept: application/geo+json"), head.constData());
    }
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
