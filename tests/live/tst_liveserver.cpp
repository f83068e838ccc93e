#include "live/ForecastOffices.h"
#include "live/ObservationReading.h"
#include "live/SatelliteSources.h"
#include "live/ServiceRecords.h"
#include "live/SourceTemplates.h"
#include "live/StationIdentifiers.h"
#include "live/ZoneForecast.h"
#include "support/SampleServer.h"

#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTest>
#include <memory>

// The live layer as a live source will use it, offline: addresses from the
// templates, set through the environment to the sample server's live mode,
// and the answers read into what the program shows.
class TestLiveServer : public QObject
{
    Q_OBJECT
private:
    SampleServer m_server;
    QNetworkAccessManager m_network;
    SourceTemplates m_templates;

    std::pair<int, QByteArray> get(const QUrl& url)
    {
        std::unique_ptr<QNetworkReply> reply(m_network.get(QNetworkRequest(url)));
        if (!QTest::qWaitFor([&reply] { return reply->isFinished(); }, 20000))
            return {};
        return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll()};
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_server.setLive(true);
        QVERIFY(m_server.listen());
        const QString base = QStringLiteral("http://") + m_server.host();
        QProcessEnvironment environment;
        environment.insert(SourceTemplates::observationVariable,
                           base + QStringLiteral("/data/observations/metar/decoded/{station}.TXT"));
        environment.insert(SourceTemplates::zoneForecastVariable,
                           base + QStringLiteral("/products/types/ZFP/locations/{office}/latest"));
        environment.insert(SourceTemplates::satelliteVariable,
                           base + QStringLiteral("/{satellite}/ABI/{sector}/{band}/{size}.jpg"));
        environment.insert(SourceTemplates::stationVariable, base + QStringLiteral("/stations/{station}"));
        environment.insert(SourceTemplates::zoneVariable, base + QStringLiteral("/zones/forecast/{zone}"));
        m_templates = SourceTemplates::fromEnvironment(environment);
    }

    void conditions_data()
    {
        QTest::addColumn<QString>("stationCode");
        QTest::addColumn<QString>("temperature"); // empty: the service has no such station
        QTest::newRow("contiguous states") << QStringLiteral("DEN") << QStringLiteral("30.0 F (-1.1 C)");
        QTest::newRow("Alaska") << QStringLiteral("ANC") << QStringLiteral("12.0 F (-11.1 C)");
        QTest::newRow("no such station") << QStringLiteral("XYZ") << QString();
    }

    void conditions()
    {
        QFETCH(QString, stationCode);
        QFETCH(QString, temperature);
        const auto [status, body] = get(m_templates.observationUrl(StationIdentifiers::icaoFor(stationCode)));
        QCOMPARE(status, temperature.isEmpty() ? 404 : 200);
        const ConditionsReading reading =
            ObservationReading::read(QString::fromLatin1(body), StationIdentifiers::icaoFor(stationCode));
        QCOMPARE(reading.received, !temperature.isEmpty());
        QCOMPARE(reading.values.temperature, temperature);
    }

    // From the station to its office's product and the zone's group in it,
    // by the service's own records.
    void stateForecastByTheRecords_data()
    {
        QTest::addColumn<QString>("stationCode");
        QTest::addColumn<QString>("zone");
        QTest::addColumn<QString>("location"); // the product's issuing location
        QTest::addColumn<QString>("county");
        QTest::addColumn<QString>("fireZone");
        QTest::newRow("Pueblo") << QStringLiteral("PUB") << QStringLiteral("COZ087") << QStringLiteral("PUB")
                                << QStringLiteral("COC101") << QStringLiteral("COZ228");
        QTest::newRow("Anchorage, issued under another name")
            << QStringLiteral("ANC") << QStringLiteral("AKZ101") << QStringLiteral("AER")
            << QStringLiteral("AKC020") << QStringLiteral("AKZ101");
        QTest::newRow("Kahului") << QStringLiteral("OGG") << QStringLiteral("HIZ045") << QStringLiteral("HFO")
                                 << QStringLiteral("HIC009") << QStringLiteral("HIZ045");
    }

    void stateForecastByTheRecords()
    {
        QFETCH(QString, stationCode);
        QFETCH(QString, zone);
        QFETCH(QString, location);
        QFETCH(QString, county);
        QFETCH(QString, fireZone);
        const auto station = ServiceRecords::station(
            get(m_templates.stationUrl(StationIdentifiers::icaoFor(stationCode))).second);
        QVERIFY(std::holds_alternative<ServiceRecords::Station>(station));
        QCOMPARE(std::get<ServiceRecords::Station>(station).zone, zone);
        QCOMPARE(std::get<ServiceRecords::Station>(station).county, county);
        QCOMPARE(std::get<ServiceRecords::Station>(station).fireZone, fireZone);
        const auto record = ServiceRecords::zone(get(m_templates.zoneUrl(zone)).second);
        QVERIFY(std::holds_alternative<ServiceRecords::Zone>(record));
        const QStringList locations =
            ForecastOffices::productLocations(std::get<ServiceRecords::Zone>(record).offices.value(0));
        QCOMPARE(locations.value(0), location);
        const ZoneForecast::Product product = ZoneForecast::parse(
            ZoneForecast::productText(get(m_templates.zoneForecastUrl(location, QString())).second));
        QVERIFY(ZoneForecast::groupFor(product, zone));
    }

    void satellitePictures()
    {
        for (const SatelliteSources::Picture& picture : SatelliteSources::pictures()) {
            const auto [status, body] = get(m_templates.satelliteUrl(picture));
            QCOMPARE(status, 200);
            QVERIFY2(!QImage::fromData(body, "JPG").isNull(), qPrintable(picture.name));
        }
    }
};

QTEST_MAIN(TestLiveServer)
#include "tst_liveserver.moc"
