// Which source serves each page and picture, as configured, and what an
// old server is asked.
#include "Network.h"
#include "SampleServer.h"
#include "ServerWeatherSource.h"
#include "WeatherSources.h"

#include <QTest>
#include <optional>

class TestWeatherSources : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void eachPageFromItsSource_data();
    void eachPageFromItsSource();
    void stateForecastOfAnOldServer_data();
    void stateForecastOfAnOldServer();
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

void TestWeatherSources::stateForecastOfAnOldServer_data()
{
    QTest::addColumn<QString>("stationCode");
    QTest::addColumn<QString>("stateCode"); // as stored
    QTest::addColumn<QStringList>("asked");
    QTest::addColumn<QString>("forecastStart");
    QTest::addColumn<QString>("origin");

    QTest::newRow("Denver: Colorado's page")
        << QStringLiteral("DEN") << QStringLiteral("co") << QStringList{QStringLiteral("/iwin/co/state.html")}
        << QString() << QString();
    // Its stored state is Colorado's, whose forecast it got before.
    QTest::newRow("Cancun: outside the service's area, nothing asked")
        << QStringLiteral("CUN") << QStringLiteral("co") << QStringList()
        << QStringLiteral("The US National Weather Service has no forecast for CANCUN, MEXICO: it forecasts "
                          "for the United States and its territories only.")
        << QStringLiteral("CANCUN, MEXICO lies outside the US weather service's area");
    QTest::newRow("a typed code is no entry: its stored state's page")
        << QStringLiteral("cun") << QStringLiteral("co") << QStringList{QStringLiteral("/iwin/co/state.html")}
        << QString() << QString();
}

void TestWeatherSources::stateForecastOfAnOldServer()
{
    QFETCH(QString, stationCode);
    QFETCH(QString, stateCode);
    QFETCH(QStringList, asked);
    QFETCH(QString, forecastStart);
    QFETCH(QString, origin);
    SampleServer server;
    QVERIFY(server.listen());
    Network network;
    ServerWeatherSource source(network, ServerHosts{server.host(), server.host(), server.host()});

    WeatherRequest request;
    request.stationCode = stationCode;
    request.stateCode = stateCode;
    std::optional<ForecastAnswer> answer;
    source.fetchStateForecast(request)->whenAnswered(this,
                                                     [&answer](const ForecastAnswer& got) { answer = got; });
    QTRY_VERIFY_WITH_TIMEOUT(answer.has_value(), 10000);
    QCOMPARE(server.requestedPaths(), asked);
    QVERIFY2(answer->hasArrived(), qPrintable(answer->failure));
    const ForecastReading reading = answer->read(nullptr);
    QCOMPARE(reading.outcome, ForecastReading::Outcome::Forecast);
    if (!forecastStart.isEmpty())
        QCOMPARE(reading.text, forecastStart);
    else
        QVERIFY2(!reading.text.contains(QStringLiteral("National Weather Service has no forecast")),
                 qPrintable(reading.text));
    QCOMPARE(reading.origin, origin);
}

QTEST_GUILESS_MAIN(TestWeatherSources)
#include "tst_weathersources.moc"
