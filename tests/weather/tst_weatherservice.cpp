#include "Fakes.h"
#include "ModuleState.h"
#include "TestData.h"
#include "WeatherService.h"

#include <QTest>

class TestWeatherService : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void currentConditionsFromAPage_data();
    void currentConditionsFromAPage();
    void statusAndYieldsOnSuccess();
    void pagesNotUsable_data();
    void pagesNotUsable();
    void failedTransferIsAPageNotReceived();
    void extractorsWithMissingLabelsGoOn();
    void codesCannotReshapeTheRequest_data();
    void codesCannotReshapeTheRequest();
    void dotSegmentStateMakesNoRequest_data();
    void dotSegmentStateMakesNoRequest();
    void stateForecast_data();
    void stateForecast();
    void stateForecastFailures_data();
    void stateForecastFailures();

private:
    struct Rig
    {
        FakeHttpClient http;
        RecordingStatusLine status;
        CountingYielder yielder;
        ModuleState state;
        WeatherService service{http, status, yielder, state,
                               ServerHosts{QStringLiteral("cond.test"), QStringLiteral("fcst.test:8080"),
                                           QStringLiteral("sat.test")}};
        Rig()
        {
            state.StationCode = QStringLiteral("DEN");
            state.StateCode = QStringLiteral("co");
        }
    };
};

void TestWeatherService::currentConditionsFromAPage_data()
{
    QTest::addColumn<bool>("crlf");
    QTest::newRow("LF page") << false;
    QTest::newRow("CR LF page") << true;
}

void TestWeatherService::currentConditionsFromAPage()
{
    QFETCH(bool, crlf);
    Rig rig;
    rig.http.servePage(QStringLiteral("/weather/current/KDEN.html"),
                       TestData::page(QStringLiteral("conditions_kden.html"), crlf));

    QVERIFY(rig.service.GetCurrentConditions());
    QCOMPARE(rig.http.requests.size(), 1);
    QCOMPARE(rig.http.requests[0].toString(), QStringLiteral("http://cond.test/weather/current/KDEN.html"));
    QVERIFY(rig.state.CurrentPage.startsWith(QStringLiteral("Current Weather Conditions")));

    const QString cr = crlf ? QStringLiteral("\r") : QString();
    QCOMPARE(rig.service.GetLocation(),
             QStringLiteral("DENVER INTERNATIONAL AIRPORT, CO, United States (KDEN) 39-50-N 104-39-W 1655M") +
                 cr);
    QCOMPARE(rig.service.GetTemperature(), QStringLiteral("45 F (7 C)") + cr);
    QCOMPARE(rig.service.GetHumidity(), QStringLiteral("61%") + cr);
    QCOMPARE(rig.service.GetDewPoint(), QStringLiteral("32 F (0 C)") + cr);
    QCOMPARE(rig.service.GetWind(), QStringLiteral("from the NW (320 degrees) at 9 MPH (8 KT)") + cr);
    QCOMPARE(rig.service.GetPressure(), QStringLiteral("30.12 in. Hg (1020 hPa)") + cr);
    QCOMPARE(rig.service.GetSkyConditions(), QStringLiteral("partly cloudy") + cr);
    QCOMPARE(rig.service.GetVisibility(), QStringLiteral("10 mile(s)") + cr);
}

void TestWeatherService::statusAndYieldsOnSuccess()
{
    Rig rig;
    rig.http.servePage(QStringLiteral("/weather/current/KDEN.html"),
                       TestData::page(QStringLiteral("conditions_kden.html")));
    QList<int> yieldsAtStatus;
    rig.yielder.onYield = [&] { yieldsAtStatus.append(int(rig.status.texts.size())); };

    QVERIFY(rig.service.GetCurrentConditions());
    QCOMPARE(rig.status.texts,
             QStringList({QStringLiteral("  Attempting connection to cond.test"),
                          QStringLiteral("  Parsing current conditions data"), QStringLiteral("  Idle")}));
    // A yield after each status change, the last one included; a small
    // page strips within one time slice.
    QCOMPARE(yieldsAtStatus, QList<int>({1, 2, 3}));
}

void TestWeatherService::pagesNotUsable_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("pageAfter");

    QTest::newRow("empty body") << QString() << QString();
    QTest::newRow("plain text without markup")
        << QStringLiteral("Service unavailable > later") << QStringLiteral("Service unavailable > later");
    const QString early = QStringLiteral("<p>Current Weather Conditions</p>\nTemperature\n\n 5\n");
    QTest::newRow("title only before position 200")
        << early << QStringLiteral("Current Weather Conditions\nTemperature\n\n 5\n");
    QTest::newRow("error page") << QStringLiteral("<HTML><TITLE>404 Not Found</TITLE></HTML>")
                                << QStringLiteral("404 Not Found");
}

void TestWeatherService::pagesNotUsable()
{
    QFETCH(QString, body);
    QFETCH(QString, pageAfter);
    Rig rig;
    rig.http.servePage(QStringLiteral("/weather/current/KDEN.html"), body);

    QVERIFY(!rig.service.GetCurrentConditions());
    QCOMPARE(rig.status.current(), QStringLiteral("  Idle"));
    QCOMPARE(rig.state.CurrentPage, pageAfter);
}

void TestWeatherService::failedTransferIsAPageNotReceived()
{
    Rig rig;
    rig.state.CurrentPage = QStringLiteral("stale");
    rig.http.failPage(QStringLiteral("/weather/current/KDEN.html"), QStringLiteral("Connection refused"));

    QVERIFY(!rig.service.GetCurrentConditions());
    QCOMPARE(rig.status.texts,
             QStringList({QStringLiteral("  Attempting connection to cond.test"), QStringLiteral("  Idle")}));
    QCOMPARE(rig.service.lastConditionsError(), QStringLiteral("Connection refused"));
    QCOMPARE(rig.state.CurrentPage, QString());
}

void TestWeatherService::extractorsWithMissingLabelsGoOn()
{
    Rig rig;
    QString page = TestData::page(QStringLiteral("conditions_kden.html"));
    page.replace(QStringLiteral("<B>Dew Point</B>"), QStringLiteral("<B>Dewpoint</B>"));
    page.replace(QStringLiteral("  30.12 in. Hg (1020 hPa)</TD></TR>\n</TABLE>\n<HR>\n</BODY>\n</HTML>\n"),
                 QStringLiteral("  30.12"));
    rig.http.servePage(QStringLiteral("/weather/current/KDEN.html"), page);

    QVERIFY(rig.service.GetCurrentConditions());
    QCOMPARE(rig.service.GetDewPoint(), QString());
    QCOMPARE(rig.service.GetPressure(), QString()); // ran out of line ends
    QCOMPARE(rig.service.GetTemperature(), QStringLiteral("45 F (7 C)"));
    QCOMPARE(rig.service.GetVisibility(), QStringLiteral("10 mile(s)"));
}

void TestWeatherService::codesCannotReshapeTheRequest_data()
{
    QTest::addColumn<QString>("station");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("conditionsPath");
    QTest::addColumn<QString>("forecastPath");

    QTest::newRow("table codes go in unchanged")
        << QStringLiteral("E23") << QStringLiteral("nm") << QStringLiteral("/weather/current/KE23.html")
        << QStringLiteral("/iwin/nm/state.html");
    QTest::newRow("slashes are encoded")
        << QStringLiteral("../x") << QStringLiteral("a/../b")
        << QStringLiteral("/weather/current/K..%2Fx.html") << QStringLiteral("/iwin/a%2F..%2Fb/state.html");
    QTest::newRow("query and fragment characters are encoded")
        << QStringLiteral("A?b#c") << QStringLiteral("c&d")
        << QStringLiteral("/weather/current/KA%3Fb%23c.html") << QStringLiteral("/iwin/c%26d/state.html");
    QTest::newRow("blanks and line ends are encoded")
        << QStringLiteral("A B\r\nHost: evil") << QStringLiteral(" ")
        << QStringLiteral("/weather/current/KA%20B%0D%0AHost%3A%20evil.html")
        << QStringLiteral("/iwin/%20/state.html");
    QTest::newRow("empty codes") << QString() << QString() << QStringLiteral("/weather/current/K.html")
                                 << QStringLiteral("/iwin//state.html");
}

void TestWeatherService::codesCannotReshapeTheRequest()
{
    QFETCH(QString, station);
    QFETCH(QString, state);
    QFETCH(QString, conditionsPath);
    QFETCH(QString, forecastPath);
    Rig rig;
    rig.state.StationCode = station;
    rig.state.StateCode = state;

    const QUrl conditions = rig.service.conditionsUrl();
    const QUrl forecast = rig.service.forecastUrl();
    QVERIFY(conditions.isValid());
    QVERIFY(forecast.isValid());
    QCOMPARE(conditions.host(), QStringLiteral("cond.test"));
    QCOMPARE(forecast.host(), QStringLiteral("fcst.test"));
    QCOMPARE(forecast.port(), 8080);
    QCOMPARE(QString::fromLatin1(conditions.toEncoded(QUrl::FullyEncoded)),
             QStringLiteral("http://cond.test") + conditionsPath);
    QCOMPARE(QString::fromLatin1(forecast.toEncoded(QUrl::FullyEncoded)),
             QStringLiteral("http://fcst.test:8080") + forecastPath);
    QVERIFY(!conditions.hasQuery() && !conditions.hasFragment());
}

void TestWeatherService::dotSegmentStateMakesNoRequest_data()
{
    QTest::addColumn<QString>("state");
    QTest::newRow("one dot") << QStringLiteral(".");
    QTest::newRow("two dots") << QStringLiteral("..");
}

void TestWeatherService::dotSegmentStateMakesNoRequest()
{
    QFETCH(QString, state);
    Rig rig;
    rig.state.StateCode = state;
    QCOMPARE(rig.service.GetStateForecast(),
             QStringLiteral(
                 "Error Recieving State Forecast Data\r\n\r\nError Description : Invalid request address"));
    QVERIFY(rig.http.requests.isEmpty());
}

void TestWeatherService::stateForecast_data()
{
    QTest::addColumn<bool>("crlf");
    QTest::addColumn<QString>("expected");
    const QString forecast = QStringLiteral("830 AM MST MON DEC 7 1998\n\nCOZ030-031-032-033-072300-\nDENVER "
                                            "AND VICINITY-\n.TODAY...PARTLY CLOUDY. "
                                            "HIGHS 50 TO 55.\n.TONIGHT...MOSTLY CLEAR. LOWS 20 TO 25.\n");
    QString crlfForecast = forecast;
    crlfForecast.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    // The blank line before "$$" leaves the last line's end in the text.
    QTest::newRow("CR LF page") << true << crlfForecast;
    // With LF line ends the year cut finds no CR, so the text keeps the
    // tail of the line before the year, less its first character, and the
    // end cuts take the blank line's LF and the last line's LF.
    QString lfForecast = QStringLiteral("VER CO\n") + forecast;
    lfForecast.chop(1);
    QTest::newRow("LF page") << false << lfForecast;
}

void TestWeatherService::stateForecast()
{
    QFETCH(bool, crlf);
    QFETCH(QString, expected);
    Rig rig;
    rig.http.servePage(QStringLiteral("/iwin/co/state.html"),
                       TestData::page(QStringLiteral("state_co.html"), crlf));

    QCOMPARE(rig.service.GetStateForecast(), expected);
    QCOMPARE(rig.http.requests.size(), 1);
    QCOMPARE(rig.http.requests[0].toString(), QStringLiteral("http://fcst.test:8080/iwin/co/state.html"));
    QCOMPARE(rig.status.texts,
             QStringList({QStringLiteral("  Attempting connection to fcst.test:8080"),
                          QStringLiteral("  Parsing forecast data"), QStringLiteral("  Idle")}));
}

void TestWeatherService::stateForecastFailures_data()
{
    QTest::addColumn<bool>("transferFails");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("finalStatus");

    const QString attempting = QStringLiteral("  Attempting connection to fcst.test:8080");
    const QString parsing = QStringLiteral("  Parsing forecast data");
    const QString errorPrefix =
        QStringLiteral("Error Recieving State Forecast Data\r\n\r\nError Description : ");

    QTest::newRow("failed transfer keeps the connection status")
        << true << QString() << (errorPrefix + QStringLiteral("Connection refused")) << attempting;
    QTest::newRow("no markup") << false << QStringLiteral("plain text")
                               << QStringLiteral("Unable to recieve forecast") << QStringLiteral("  Idle");
    QTest::newRow("empty body") << false << QString() << QStringLiteral("Unable to recieve forecast")
                                << QStringLiteral("  Idle");
    QTest::newRow("markup only fails the last cut")
        << false << QStringLiteral("<html><body></body></html>")
        << (errorPrefix + QStringLiteral("Invalid argument: a cut of negative length")) << parsing;
    QTest::newRow("end marker at the start")
        << false << QStringLiteral("<pre>NNNN</pre>")
        << (errorPrefix + QStringLiteral("Invalid argument: a cut of negative length")) << parsing;
}

void TestWeatherService::stateForecastFailures()
{
    QFETCH(bool, transferFails);
    QFETCH(QString, body);
    QFETCH(QString, result);
    QFETCH(QString, finalStatus);
    Rig rig;
    if (transferFails)
        rig.http.failPage(QStringLiteral("/iwin/co/state.html"), QStringLiteral("Connection refused"));
    else
        rig.http.servePage(QStringLiteral("/iwin/co/state.html"), body);

    QCOMPARE(rig.service.GetStateForecast(), result);
    QCOMPARE(rig.status.current(), finalStatus);
}

QTEST_GUILESS_MAIN(TestWeatherService)
#include "tst_weatherservice.moc"
