// What a page body comes to: the conditions and the forecast read from it,
// and the addresses the codes make.
#include "TestData.h"
#include "pages/PageReadings.h"
#include "pages/WeatherAddresses.h"
#include "weather/Conditions.h"
#include "weather/StateForecast.h"
#include "weather/WeatherTexts.h"

#include <QTest>
#include <QTimeZone>

Q_DECLARE_METATYPE(ForecastReading::Outcome)

class TestReadings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void currentConditionsFromAPage_data();
    void currentConditionsFromAPage();
    void pagesNotUsable_data();
    void pagesNotUsable();
    void extractorsWithMissingLabelsGoOn();
    void codesCannotReshapeTheRequest_data();
    void codesCannotReshapeTheRequest();
    void dotSegmentStateMakesNoRequest_data();
    void dotSegmentStateMakesNoRequest();
    void stateForecast_data();
    void stateForecast();
    void stateForecastFailures_data();
    void stateForecastFailures();
    void observationTime_data();
    void observationTime();
};

void TestReadings::currentConditionsFromAPage_data()
{
    QTest::addColumn<bool>("crlf");
    QTest::newRow("LF page") << false;
    QTest::newRow("CR LF page") << true;
}

void TestReadings::currentConditionsFromAPage()
{
    QFETCH(bool, crlf);
    const PageReadings::ConditionsPage page =
        PageReadings::conditions(TestData::page(QStringLiteral("conditions_kden.html"), crlf));
    const ConditionsReading& reading = page.reading;
    QVERIFY(reading.received);
    QVERIFY(page.text.startsWith(QStringLiteral("Current Weather Conditions")));
    const Conditions& values = reading.values;

    const QString cr = crlf ? QStringLiteral("\r") : QString();
    QCOMPARE(values.location,
             QStringLiteral("DENVER INTERNATIONAL AIRPORT, CO, United States (KDEN) 39-50-N 104-39-W 1655M") +
                 cr);
    QCOMPARE(values.temperature, QStringLiteral("45 F (7 C)") + cr);
    QCOMPARE(values.humidity, QStringLiteral("61%") + cr);
    QCOMPARE(values.dewPoint, QStringLiteral("32 F (0 C)") + cr);
    QCOMPARE(values.wind, QStringLiteral("from the NW (320 degrees) at 9 MPH (8 KT)") + cr);
    QCOMPARE(values.pressure, QStringLiteral("30.12 in. Hg (1020 hPa)") + cr);
    QCOMPARE(values.sky, QStringLiteral("partly cloudy") + cr);
    QCOMPARE(values.visibility, QStringLiteral("10 mile(s)") + cr);
}

void TestReadings::pagesNotUsable_data()
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

void TestReadings::pagesNotUsable()
{
    QFETCH(QString, body);
    QFETCH(QString, pageAfter);
    const PageReadings::ConditionsPage page = PageReadings::conditions(body);
    QVERIFY(!page.reading.received);
    QVERIFY(!page.reading.problem.isEmpty());
    QCOMPARE(page.text, pageAfter);
}

void TestReadings::extractorsWithMissingLabelsGoOn()
{
    QString page = TestData::page(QStringLiteral("conditions_kden.html"));
    page.replace(QStringLiteral("<B>Dew Point</B>"), QStringLiteral("<B>Dewpoint</B>"));
    page.replace(QStringLiteral("  30.12 in. Hg (1020 hPa)</TD></TR>\n</TABLE>\n<HR>\n</BODY>\n</HTML>\n"),
                 QStringLiteral("  30.12"));
    const ConditionsReading reading = PageReadings::conditions(page).reading;
    QVERIFY(reading.received);
    const Conditions& values = reading.values;
    QCOMPARE(values.dewPoint, QString());
    QCOMPARE(values.pressure, QString()); // ran out of line ends
    QCOMPARE(values.temperature, QStringLiteral("45 F (7 C)"));
    QCOMPARE(values.visibility, QStringLiteral("10 mile(s)"));
}

void TestReadings::codesCannotReshapeTheRequest_data()
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

void TestReadings::codesCannotReshapeTheRequest()
{
    QFETCH(QString, station);
    QFETCH(QString, state);
    QFETCH(QString, conditionsPath);
    QFETCH(QString, forecastPath);
    const QUrl conditions = WeatherAddresses::conditions(QStringLiteral("cond.test"), station);
    const QUrl forecast = WeatherAddresses::stateForecast(QStringLiteral("fcst.test:8080"), state);
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

void TestReadings::dotSegmentStateMakesNoRequest_data()
{
    QTest::addColumn<QString>("state");
    QTest::newRow("one dot") << QStringLiteral(".");
    QTest::newRow("two dots") << QStringLiteral("..");
}

void TestReadings::dotSegmentStateMakesNoRequest()
{
    QFETCH(QString, state);
    // No address, so no request: the network layer answers an invalid
    // address with a failure of its own.
    QVERIFY(!WeatherAddresses::stateForecast(QStringLiteral("fcst.test"), state).isValid());
}

void TestReadings::stateForecast_data()
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

void TestReadings::stateForecast()
{
    QFETCH(bool, crlf);
    QFETCH(QString, expected);
    const ForecastReading reading =
        PageReadings::stateForecast(TestData::page(QStringLiteral("state_co.html"), crlf));
    QCOMPARE(reading.outcome, ForecastReading::Outcome::Forecast);
    QCOMPARE(reading.text, expected);
}

void TestReadings::stateForecastFailures_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<ForecastReading::Outcome>("outcome");
    QTest::addColumn<QString>("text");

    const QString cutFails =
        WeatherTexts::forecastError(QStringLiteral("Invalid argument: a cut of negative length"));
    QTest::newRow("no markup") << QStringLiteral("plain text") << ForecastReading::Outcome::NotReceived
                               << QStringLiteral("Unable to recieve forecast");
    QTest::newRow("empty body") << QString() << ForecastReading::Outcome::NotReceived
                                << QStringLiteral("Unable to recieve forecast");
    QTest::newRow("markup only fails the last cut")
        << QStringLiteral("<html><body></body></html>") << ForecastReading::Outcome::CutFailed << cutFails;
    QTest::newRow("end marker at the start")
        << QStringLiteral("<pre>NNNN</pre>") << ForecastReading::Outcome::CutFailed << cutFails;
}

void TestReadings::stateForecastFailures()
{
    QFETCH(QString, body);
    QFETCH(ForecastReading::Outcome, outcome);
    QFETCH(QString, text);
    const ForecastReading reading = PageReadings::stateForecast(body);
    QCOMPARE(reading.outcome, outcome);
    QCOMPARE(reading.text, text);
}

void TestReadings::observationTime_data()
{
    QTest::addColumn<QString>("timeLine");  // the page's line below the location
    QTest::addColumn<QString>("described"); // at 2026-12-07 16:07 UTC; empty: none found

    const QString dash = QStringLiteral(" \u2014 ");
    QTest::newRow("the service's line, with UTC")
        << QStringLiteral("Dec 07, 2026 - 10:53 AM EST / 2026.12.07 1553 UTC")
        << QStringLiteral("Observed Dec 07, 2026 10:53 AM EST") + dash + QStringLiteral("14 minutes ago");
    QTest::newRow("the old pages' line, zone only")
        << QStringLiteral("Conditions at Dec 07, 2026 - 09:06 AM MST")
        << QStringLiteral("Observed Dec 07, 2026 09:06 AM MST") + dash + QStringLiteral("1 minute ago");
    QTest::newRow("Alaska, a day back")
        << QStringLiteral("Dec 06, 2026 - 06:53 AM AKST / 2026.12.06 1553 UTC")
        << QStringLiteral("Observed Dec 06, 2026 06:53 AM AKST") + dash + QStringLiteral("24 hours ago");
    QTest::newRow("a zone it does not know: no age")
        << QStringLiteral("Conditions at Dec 07, 2026 - 08:53 AM XYZ")
        << QStringLiteral("Observed Dec 07, 2026 08:53 AM XYZ");
    QTest::newRow("ahead of the clock: no age")
        << QStringLiteral("Dec 07, 2026 - 11:53 PM EST / 2026.12.08 0453 UTC")
        << QStringLiteral("Observed Dec 07, 2026 11:53 PM EST");
    QTest::newRow("years back") << QStringLiteral("Dec 07, 1998 - 08:53 AM MST / 1998.12.07 1553 UTC")
                                << QStringLiteral("Observed Dec 07, 1998 08:53 AM MST") + dash +
                                       QStringLiteral("28 years ago");
    QTest::newRow("twelve AM is midnight")
        << QStringLiteral("Conditions at Dec 07, 2026 - 12:05 AM PST")
        << QStringLiteral("Observed Dec 07, 2026 12:05 AM PST") + dash + QStringLiteral("8 hours ago");
    QTest::newRow("twelve PM is noon, still ahead")
        << QStringLiteral("Conditions at Dec 07, 2026 - 12:05 PM EST")
        << QStringLiteral("Observed Dec 07, 2026 12:05 PM EST");
    QTest::newRow("no such day: no age") << QStringLiteral("Conditions at Feb 30, 2026 - 08:53 AM MST")
                                         << QStringLiteral("Observed Feb 30, 2026 08:53 AM MST");
    QTest::newRow("no such UTC month: no age")
        << QStringLiteral("Dec 07, 2026 - 10:53 AM EST / 2026.13.07 1553 UTC")
        << QStringLiteral("Observed Dec 07, 2026 10:53 AM EST");
    QTest::newRow("no time line") << QStringLiteral("46 F (8 C)") << QString();
}

void TestReadings::observationTime()
{
    QFETCH(QString, timeLine);
    QFETCH(QString, described);
    QString page = TestData::page(QStringLiteral("conditions_kden.html"));
    page.replace(QStringLiteral("Conditions at Dec 07, 1998 - 08:53 AM MST"), timeLine);
    const ConditionsReading reading = PageReadings::conditions(page).reading;
    QVERIFY(reading.received);
    QCOMPARE(reading.observed.has_value(), !described.isEmpty());
    if (reading.observed) {
        const QDateTime now(QDate(2026, 12, 7), QTime(16, 7), QTimeZone::utc());
        QCOMPARE(ObservationTime::describe(*reading.observed, now), described);
    }
}

QTEST_GUILESS_MAIN(TestReadings)
#include "tst_readings.moc"
