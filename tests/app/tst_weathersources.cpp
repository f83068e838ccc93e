// Which source serves each page and picture, as configured.
#include "app/WeatherSources.h"
#include "net/Network.h"

#include <QTest>

class TestWeatherSources : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void eachPageFromItsSource_data();
    void eachPageFromItsSource();
};

void TestWeatherSources::eachPageFromItsSource_data()
{
    QTest::addColumn<ServerHosts>("hosts");
    QTest::addColumn<QString>("conditionsHost");
    QTest::addColumn<QString>("forecastHost");
    QTest::addColumn<QString>("picture"); // for "/GIFS/WCIR.JPG"
    QTest::addColumn<bool>("anyLive");

    QTest::newRow("nothing configured: the live layer, out of the box")
        << ServerHosts{} << QStringLiteral("tgftp.nws.noaa.gov") << QStringLiteral("api.weather.gov")
        << QStringLiteral("https://cdn.star.nesdis.noaa.gov/GOES18/ABI/CONUS/13/1250x750.jpg") << true;
    QTest::newRow("every host configured: the old addresses")
        << ServerHosts{QStringLiteral("127.0.0.1:8001"), QStringLiteral("127.0.0.1:8002"),
                       QStringLiteral("127.0.0.1:8003")}
        << QStringLiteral("127.0.0.1:8001") << QStringLiteral("127.0.0.1:8002")
        << QStringLiteral("http://127.0.0.1:8003/GIFS/WCIR.JPG") << false;
    QTest::newRow("only the forecast host configured")
        << ServerHosts{QString(), QStringLiteral("mirror.example"), QString()}
        << QStringLiteral("tgftp.nws.noaa.gov") << QStringLiteral("mirror.example")
        << QStringLiteral("https://cdn.star.nesdis.noaa.gov/GOES18/ABI/CONUS/13/1250x750.jpg") << true;
}

void TestWeatherSources::eachPageFromItsSource()
{
    QFETCH(ServerHosts, hosts);
    QFETCH(QString, conditionsHost);
    QFETCH(QString, forecastHost);
    QFETCH(QString, picture);
    QFETCH(bool, anyLive);
    Network network;
    WeatherSources sources(network, hosts, SourceTemplates::defaults());
    QCOMPARE(sources.pages().conditionsHost(), conditionsHost);
    QCOMPARE(sources.pages().forecastHost(), forecastHost);
    QCOMPARE(sources.satellitePicture(QStringLiteral("/GIFS/WCIR.JPG")).toString(), picture);
    QCOMPARE(sources.anyLive(), anyLive);
    QCOMPARE(sources.directHosts().contains(QStringLiteral("127.0.0.1:8001")), !anyLive);
}

QTEST_GUILESS_MAIN(TestWeatherSources)
#include "tst_weathersources.moc"
