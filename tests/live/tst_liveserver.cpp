#include "ConditionsPage.h"
#include "DecodedObservation.h"
#include "Extraction.h"
#include "ForecastOffices.h"
#include "SampleServer.h"
#include "SatelliteSources.h"
#include "SourceTemplates.h"
#include "StationIdentifiers.h"
#include "StripMarkup.h"
#include "ZoneForecast.h"

#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTest>
#include <memory>

// The live layer as a live source will use it, offline: addresses from the
// templates, set through the environment to the sample server's live mode,
// and the answers made into the pages the program reads.
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
        const std::optional<DecodedObservation> decoded =
            DecodedObservation::parse(QString::fromLatin1(body));
        QCOMPARE(decoded.has_value(), !temperature.isEmpty());
        if (!decoded)
            return;
        QString page = StripMarkup(QString::fromLatin1(
            ConditionsPage::render(ConditionsPage::fromDecoded(*decoded), QStringLiteral("co"), false)));
        QVERIFY(Extraction::cutAtTitle(page));
        QCOMPARE(Extraction::ExtractField(page, QStringLiteral("Temperature"), 3, true), temperature);
    }

    // Colorado's offices, one of which has no product today.
    void stateForecast()
    {
        QStringList products;
        for (const QString& office : ForecastOffices::forState(QStringLiteral("co")))
            products.append(ZoneForecast::productText(
                get(m_templates.zoneForecastUrl(office, QStringLiteral("co"))).second));
        QCOMPARE(products.size(), 4);
        QCOMPARE(products.constLast(), QString());

        const Extraction::ForecastCut cut = Extraction::cutStateForecast(StripMarkup(QString::fromLatin1(
            ZoneForecast::statePage(products, QStringLiteral("PUB         PUEBLO, CO")))));
        QVERIFY2(cut.ok, qPrintable(cut.error));
        QVERIFY(cut.text.startsWith(QStringLiteral("FPUS55 KPUB 071142\r\nZFPPUB\r\n")));
        QVERIFY(cut.text.contains(QStringLiteral("\r\nCOZ087-080000-\r\nPueblo and Vicinity")));
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
